// The View Mail window.
#include "viewer/ViewMailDlg.h"

#include "framework/Dpi.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "framework/App.h"
#include "framework/ControlBars.h"
#include "framework/Messages.h"
#include "framework/PopupMenu.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "store/Settings.h"
#include "viewer/InfoDlg.h"

bool g_bColumnsMaximised = false;

namespace {
const char kAppName[] = "Tidewell";
const char* const kHeadings[CMailListModel::kColumnCount] = {"Account", "Subject", "From", "Received",
                                                             "Size"};
const int kColumnPercent[CMailListModel::kColumnCount] = {15, 28, 25, 22, 10};

// While the fetch runs, the waiting rows go into the list on this timer: the
// list repaints a few times a second however fast they come, and the user's
// clicks and keys are answered in between.
constexpr UINT_PTR kRowsTimer = 32790;
constexpr UINT kRowsTimerMs = 100;

const CToolBar::Pictures kToolBarPictures = {
    {IDR_MAIL_TOOLBAR, IDR_MAIL_TOOLBAR_150, IDR_MAIL_TOOLBAR_200}, 18, 5};

HBITMAP LoadMappedBitmap(UINT id) {
  // The greys of the picture become the user's 3-D colours, so the mark sits on the heading's face.
  return static_cast<HBITMAP>(
      LoadImageA(AppInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

// A message box of ours, not one of the framework's dialogs.
BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM owner) {
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (GetWindow(window, GW_OWNER) != reinterpret_cast<HWND>(owner) || lstrcmpA(cls, "#32770") != 0 ||
      CDialog::FromHandle(window))
    return TRUE;
  // No for a question (the safe answer: nothing is deleted, nothing stops), else Cancel or OK.
  PostMessageA(window, WM_COMMAND, IDNO, 0);
  PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}
}  // namespace

CViewMailDlg::CViewMailDlg(CAccountList& accounts, CSettings& settings)
    : CDialog(IDD_VIEW_MAIL, nullptr),
      m_core(*this, accounts, settings),
      m_hIcon(LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDI_VIEW))),
      m_settings(settings) {}

CViewMailDlg::~CViewMailDlg() {
  // Before any member goes: the worker may still call the window.
  m_core.EndWorkers();
}

void CViewMailDlg::EndNow() {
  m_bEndRequested = true;
  m_core.Abandon();
  HWND window = m_hCallTarget;
  if (window) PostMessageA(window, WM_VIEWER_END, 0, 0);
}

// The workers' calls.

void CViewMailDlg::SetTitle(const char* text) {
  m_calls.Send([&] { SetWindowTextA(m_hWnd, text); });
}

int CViewMailDlg::ShowMessage(const char* text, const char* caption, UINT type) {
  int answer = 0;
  m_calls.Send([&] { answer = MessageBoxA(m_hWnd, text, caption ? caption : kAppName, type); });
  return answer;
}

void CViewMailDlg::Post(UINT message) {
  m_calls.Post([this, message] {
    if (message == WM_FETCH_DONE) OnFetchDone();
    if (message == WM_DELETE_DONE) OnDeleteDone();
  });
}

// Messages.

INT_PTR CViewMailDlg::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_VIEWER_END:
      EnumThreadWindows(GetCurrentThreadId(), AnswerMessageBox, reinterpret_cast<LPARAM>(m_hWnd));
      EndDialog(0);
      return TRUE;
    case WM_DESTROY:
      m_hCallTarget = nullptr;
      // A worker that calls from now on is refused instead of waiting.
      m_calls.Close();
      break;
    case WM_NOTIFYFORMAT:
      // The list's texts come from its notifications: in UTF-16, so every
      // script shows whatever the code page.
      if (reinterpret_cast<HWND>(wp) != m_list.hwnd()) break;
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, NFR_UNICODE);
      return TRUE;
  }
  return CDialog::Dispatch(msg, wp, lp);
}

bool CViewMailDlg::PreTranslateMessage(MSG& msg) {
  // Neither key closes the window or presses a button: both move on as Tab does.
  if (msg.message == WM_KEYDOWN && (msg.hwnd == m_hWnd || IsChild(m_hWnd, msg.hwnd))) {
    if (msg.wParam == VK_ESCAPE) SelectAll(false);
    if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) msg.wParam = VK_TAB;
  }
  return CDialog::PreTranslateMessage(msg);
}

BOOL CViewMailDlg::OnInitDialog() {
  m_hCallTarget = m_hWnd;
  // Unopened, every call is refused: the workers go on without the window.
  m_calls.Open();
  m_list.Attach(GetItem(IDC_MAIL_LIST));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  m_nDpi = WindowDpi(m_hWnd);
  LoadSortMarks();
  CreateToolBar();
  RepositionBars(m_hWnd);

  m_sizer.Attach(m_hWnd, m_list.hwnd());
  const SIZE template96 = m_sizer.DefaultSize();
  int width = template96.cx, height = template96.cy;
  m_settings.GetViewSize(width, height, width, height);
  m_sizer.Restore({width, height});
  const SIZE area = m_sizer.AreaSize();
  m_list.SetSize(area.cx, area.cy);

  // It asked while the dialog was being made, before this window answered.
  SendMessageA(m_list.hwnd(), WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(m_hWnd), NF_REQUERY);
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  InsertColumns();
  m_nColumnCount = m_list.GetColumnCount();
  m_core.LoadSortState();
  SetSortMark(true);

  m_statusBar.Create(m_hWnd);
  RepositionBars(m_hWnd);
  m_statusBar.SetAccountCount(m_core.accountCount());
  SetTimer(m_hWnd, IDT_FETCH, 100, nullptr);
  // The program closed before the window was up.
  if (m_bEndRequested) PostMessageA(m_hWnd, WM_VIEWER_END, 0, 0);
  return TRUE;
}

void CViewMailDlg::CreateToolBar() {
  // Without a toolbar the keys, the context menu and the close box still do the work.
  if (!m_toolBar.Create(m_hWnd)) return;
  const int commands[] = {ID_TB_DELETE, ID_TB_UNDELETE, ID_TB_INFO, ID_TB_REFRESH, ID_TB_CLOSE};
  m_toolBar.SetPictures(AppInstance(), kToolBarPictures, m_nDpi);
  m_toolBar.AddButtons(commands, 5);
}

void CViewMailDlg::LoadSortMarks() {
  m_sortDown.Reset(
      LoadMappedBitmap(PictureForDpi(m_nDpi, IDB_SORT_DOWN, IDB_SORT_DOWN_150, IDB_SORT_DOWN_200)));
  m_sortUp.Reset(LoadMappedBitmap(PictureForDpi(m_nDpi, IDB_SORT_UP, IDB_SORT_UP_150, IDB_SORT_UP_200)));
}

// Widths are stored at 96 DPI, so that they mean the same at every scale.
int CViewMailDlg::StoredColumnWidth(int column, int fallback) const {
  return ScaleToDpi(m_settings.GetColumnWidth(column, ScaleFromDpi(fallback, m_nDpi)), m_nDpi);
}

void CViewMailDlg::StoreColumnWidths() {
  for (int i = 0; i < m_nColumnCount; ++i)
    m_settings.SetColumnWidth(i, ScaleFromDpi(m_list.GetColumnWidth(i), m_nDpi));
}

void CViewMailDlg::OnDpiChanged(int dpi) {
  if (dpi == m_nDpi) return;
  m_list.ScaleColumnWidths(m_nDpi, dpi);
  m_sizer.OnDpiChanged(dpi);
  m_nDpi = dpi;
  m_toolBar.SetPictures(AppInstance(), kToolBarPictures, dpi);
  LoadSortMarks();
  SetSortMark(true);
  m_statusBar.SetDpi(dpi);
  OnSize(SIZE_RESTORED, 0, 0);
}

void CViewMailDlg::InsertColumns() {
  RECT client;
  GetClientRect(m_list.hwnd(), &client);
  for (int i = 0; i < CMailListModel::kColumnCount; ++i)
    m_list.InsertColumn(i, kHeadings[i], StoredColumnWidth(i, client.right * kColumnPercent[i] / 100));
}

void CViewMailDlg::SetSortMark(bool on) {
  int column = m_core.model().sortColumn();
  HWND header = reinterpret_cast<HWND>(SendMessageA(m_list.hwnd(), LVM_GETHEADER, 0, 0));
  if (!header || column < 0 || column >= m_nColumnCount) return;
  HDITEMA item = {};
  item.mask = HDI_FORMAT;
  SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
  item.mask = HDI_FORMAT | HDI_BITMAP;
  if (on) {
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    item.hbm = m_core.model().sortAscending() ? m_sortUp.Get() : m_sortDown.Get();
  } else {
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    item.hbm = nullptr;
  }
  SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
}

bool CViewMailDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  switch (id) {
    case ID_MAIL_DELETE:
    case ID_TB_DELETE:
      MarkSelected(true);
      return true;
    case ID_MAIL_UNDELETE:
    case ID_TB_UNDELETE:
      MarkSelected(false);
      return true;
    case ID_MAIL_INFO:
    case ID_TB_INFO:
      ShowInfo();
      return true;
    case ID_TB_REFRESH:
      Refresh();
      return true;
    case ID_TB_CLOSE:
      OnCancel();
      return true;
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CViewMailDlg::OnNotify(NMHDR* hdr, LRESULT& result) {
  result = 0;
  if (hdr->code == TTN_NEEDTEXTA || hdr->code == TTN_NEEDTEXTW) return AnswerToolTip(hdr);
  if (hdr->idFrom != IDC_MAIL_LIST) return false;
  switch (hdr->code) {
    case NM_CLICK:
    case NM_RCLICK:
      OnListClick(hdr->code == NM_RCLICK);
      return true;
    case NM_DBLCLK:
      ShowInfo();
      return true;
    case LVN_KEYDOWN: {
      WORD key = reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey;
      if (key == VK_DELETE) MarkSelected(true);
      if (key == 'A' && GetKeyState(VK_CONTROL) < 0) SelectAll(true);
      return true;
    }
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
      if (!m_bRestoringStates)
        m_statusBar.SetSelectedCount(
            static_cast<int>(SendMessageA(m_list.hwnd(), LVM_GETSELECTEDCOUNT, 0, 0)));
      return true;
    case LVN_GETDISPINFOW:
      AnswerRowText(*reinterpret_cast<NMLVDISPINFOW*>(hdr));
      return true;
    case LVN_ODFINDITEMW:
      result = FindRowByText(*reinterpret_cast<NMLVFINDITEMW*>(hdr));
      return true;
    case LVN_COLUMNCLICK:
      OnColumnClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
      return true;
  }
  return false;
}

void CViewMailDlg::OnColumnClick(int column) {
  SetSortMark(false);
  RowStates states = SaveRowStates();
  m_core.SortByColumn(column);
  SetSortMark(true);
  RestoreRowStates(states);
  InvalidateRect(m_list.hwnd(), nullptr, FALSE);
}

CViewMailDlg::RowStates CViewMailDlg::SaveRowStates() const {
  RowStates states;
  const CMailListModel& model = m_core.model();
  for (int row : SelectedRows()) states.selected.push_back(model.GetItem(row));
  states.focused = model.GetItem(m_list.GetNextItem(-1, LVNI_FOCUSED));
  return states;
}

void CViewMailDlg::RestoreRowStates(const RowStates& states) {
  if (states.selected.empty() && !states.focused) return;
  m_bRestoringStates = true;
  m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  const std::unordered_set<const MailItem*> selected(states.selected.begin(), states.selected.end());
  const CMailListModel& model = m_core.model();
  for (int row = 0; row < model.GetCount(); ++row) {
    const MailItem* item = model.GetItem(row);
    if (item == states.focused) {
      m_list.SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
      SendMessageA(m_list.hwnd(), LVM_SETSELECTIONMARK, 0, row);
    }
    if (selected.count(item)) m_list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  }
  m_bRestoringStates = false;
  m_statusBar.SetSelectedCount(static_cast<int>(SendMessageA(m_list.hwnd(), LVM_GETSELECTEDCOUNT, 0, 0)));
}

int CViewMailDlg::FindRowByText(const NMLVFINDITEMW& find) const {
  // Typing in the list: the next row whose first column starts with the
  // letters typed, from the given row on, round to the top.
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const CMailListModel& model = m_core.model();
  const int count = model.GetCount();
  const int typed = lstrlenW(find.lvfi.psz);
  for (int k = 0; k < count; ++k) {
    int row = (std::max(find.iStart, 0) + k) % count;
    std::wstring text = Utf8ToWide(model.GetRowTexts(*model.GetItem(row))[0]);
    bool whole = !(find.lvfi.flags & LVFI_PARTIAL);
    if (static_cast<int>(text.size()) < typed || (whole && static_cast<int>(text.size()) != typed)) continue;
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(), typed, find.lvfi.psz, typed) ==
        CSTR_EQUAL)
      return row;
  }
  return -1;
}

void CViewMailDlg::AnswerRowText(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  item.pszText[0] = L'\0';
  const MailItem* row = m_core.model().GetItem(item.iItem);
  if (!row || item.iSubItem < 0 || item.iSubItem >= CMailListModel::kColumnCount) return;
  std::wstring text = Utf8ToWide(m_core.model().GetRowTexts(*row)[item.iSubItem]);
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

void CViewMailDlg::OnListClick(bool right) {
  LVHITTESTINFO hit = {};
  GetCursorPos(&hit.pt);
  ScreenToClient(m_list.hwnd(), &hit.pt);
  SendMessageA(m_list.hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  m_nClickedItem = hit.iItem >= 0 ? hit.iItem : -1;
  m_pClickedItem = m_nClickedItem >= 0 ? m_core.model().GetItem(m_nClickedItem) : nullptr;
  if (!right || SendMessageA(m_list.hwnd(), LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
  CPopupMenu menu;
  if (!menu.Load(AppInstance(), IDR_MAIL_MENU)) return;
  menu.SetDefaultItem(ID_MAIL_INFO);
  POINT at;
  GetCursorPos(&at);
  menu.Track(m_hWnd, at, TPM_RIGHTBUTTON);
}

void CViewMailDlg::ShowInfo() {
  // The clicked row may have moved since (rows arrive, a sort) or be gone (a refresh).
  if (!m_pClickedItem) return;
  const CMailListModel& model = m_core.model();
  if (m_nClickedItem < 0 || m_nClickedItem >= model.GetCount() ||
      model.GetItem(m_nClickedItem) != m_pClickedItem) {
    m_nClickedItem = -1;
    for (int row = 0; row < model.GetCount() && m_nClickedItem < 0; ++row) {
      if (model.GetItem(row) == m_pClickedItem) m_nClickedItem = row;
    }
    if (m_nClickedItem < 0) {
      m_pClickedItem = nullptr;
      return;
    }
  }
  CInfoDlg info(m_hWnd);
  info.SetHeader(m_pClickedItem->header);
  PreviewJob job;
  if (m_core.PreviewJobFor(*m_pClickedItem, job)) info.SetPreview(std::move(job));
  info.DoModal();
}

std::vector<int> CViewMailDlg::SelectedRows() const {
  std::vector<int> rows;
  for (int row = m_list.GetNextItem(-1); row >= 0; row = m_list.GetNextItem(row)) rows.push_back(row);
  return rows;
}

void CViewMailDlg::ShowRow(int row) {
  SendMessageA(m_list.hwnd(), LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

void CViewMailDlg::ShowWaitingRows() {
  if (!m_core.rowsWaiting()) return;
  RowStates states = SaveRowStates();
  // Each lands at its sorted place in the model; the list only learns the
  // new count (one repaint for the batch, the view left where it was).
  m_core.InsertWaitingRows([](int, MailItem&) { return true; });
  SendMessageA(m_list.hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(m_core.model().GetCount()),
               LVSICF_NOSCROLL);
  RestoreRowStates(states);
}

void CViewMailDlg::MarkSelected(bool mark) {
  std::vector<int> changed;
  std::vector<int> selected = SelectedRows();
  int marked = mark ? m_core.MarkSelected(selected, changed) : m_core.UnmarkSelected(selected, changed);
  for (int row : changed) ShowRow(row);
  m_statusBar.SetDeletedCount(marked);
  SetFocus(m_list.hwnd());
}

void CViewMailDlg::SelectAll(bool select) {
  m_list.SetItemState(-1, select ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void CViewMailDlg::OnTimer(UINT_PTR id) {
  if (id == kRowsTimer) {
    ShowWaitingRows();
    return;
  }
  if (id != IDT_FETCH) return;
  KillTimer(m_hWnd, IDT_FETCH);
  m_bLayoutReady = true;
  SetTimer(m_hWnd, kRowsTimer, kRowsTimerMs, nullptr);
  m_core.StartFetchWorker();
}

void CViewMailDlg::OnSize(UINT type, int /*cx*/, int /*cy*/) {
  if (!m_bLayoutReady) return;
  const SIZE area = m_sizer.AreaSize();
  m_list.SetSize(area.cx, area.cy);
  RepositionBars(m_hWnd);
  const int usable = area.cx;
  if (type == SIZE_MAXIMIZED && !g_bColumnsMaximised) {
    // The widths from before wait in the settings until the window is restored.
    StoreColumnWidths();
    for (int i = 0; i < CMailListModel::kColumnCount; ++i)
      m_list.SetColumnWidth(i, usable * kColumnPercent[i] / 100);
    g_bColumnsMaximised = true;
  } else if (type == SIZE_RESTORED && g_bColumnsMaximised) {
    for (int i = 0; i < m_nColumnCount; ++i) m_list.SetColumnWidth(i, StoredColumnWidth(i, 0));
    g_bColumnsMaximised = false;
  }
}

void CViewMailDlg::Refresh() {
  if (m_core.waitingForCheck() || m_core.closing()) return;
  if (!m_core.fetchDone()) {
    // Once the worker has ended, OnFetchDone comes back here.
    m_bRefreshPending = true;
    m_core.RequestStop();
    return;
  }
  m_list.DeleteAllItems();
  m_core.ClearForRefresh();
  m_statusBar.ClearCounts();
  m_bRefreshPending = false;
  m_pClickedItem = nullptr;
  m_nClickedItem = -1;
  SetTimer(m_hWnd, IDT_FETCH, 100, nullptr);
}

void CViewMailDlg::OnFetchDone() {
  KillTimer(m_hWnd, kRowsTimer);
  // The last rows; a refresh drops them with the others.
  ShowWaitingRows();
  if (m_bRefreshPending) {
    Refresh();
    return;
  }
  SetWindowTextA(m_hWnd, "View Mail");
  m_statusBar.SetItemCount(m_list.GetItemCount());
}

void CViewMailDlg::OnCancel() {
  if (m_core.closing()) return;
  if (!m_core.fetchDone()) {
    // The window stays open: the user closes it again once the fetch has stopped.
    if (m_core.stopRequested()) return;
    int answer = MessageBoxA(m_hWnd, "Stop retrieving mail headers ?", kAppName, MB_YESNO);
    if (answer == IDYES && !m_core.fetchDone()) {
      m_core.RequestStop();
      SetWindowTextA(m_hWnd, "View Mail - Stopping...");
    }
    return;
  }
  // The window closes itself when the worker is done; a worker that cannot start leaves it open.
  m_core.StartDeleteWorker();
}

void CViewMailDlg::OnDeleteDone() {
  m_list.DeleteAllItems();
  m_core.OnDeleteDone();
  m_pClickedItem = nullptr;
  if (!IsZoomed(m_hWnd) && !IsIconic(m_hWnd)) {
    StoreColumnWidths();
    const SIZE stored = m_sizer.StoredSize();
    m_settings.SetViewSize(stored.cx, stored.cy);
  }
  SetWindowTextA(m_hWnd, "View Mail...(disconnected)");
  // Long enough to read the last title.
  Sleep(1000);
  EndDialog(1);
}

bool CViewMailDlg::AnswerToolTip(NMHDR* hdr) {
  const bool wide = hdr->code == TTN_NEEDTEXTW;
  UINT flags =
      wide ? reinterpret_cast<NMTTDISPINFOW*>(hdr)->uFlags : reinterpret_cast<NMTTDISPINFOA*>(hdr)->uFlags;
  UINT_PTR id = hdr->idFrom;
  if (flags & TTF_IDISHWND) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
  if (id == 0) return false;
  char text[256] = "";
  LoadStringA(AppInstance(), static_cast<UINT>(id), text, sizeof text);
  // The request's own field holds 79 characters and the terminator; longer texts are cut.
  if (wide) {
    NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
    WCHAR all[256] = L"";
    MultiByteToWideChar(CP_ACP, 0, text, -1, all, 256);
    lstrcpynW(info->szText, all, static_cast<int>(sizeof info->szText / sizeof info->szText[0]));
  } else {
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(hdr);
    lstrcpynA(info->szText, text, static_cast<int>(sizeof info->szText));
  }
  SetWindowPos(hdr->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}
