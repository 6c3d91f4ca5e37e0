// The accounts list.
#include "app/AccListDlg.h"

#include <algorithm>

#include "app/AccountDlg.h"
#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/PopupMenu.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/Settings.h"

CAccListDlg* g_pAccListDlg = nullptr;

namespace {

const ToolTipText kTips[] = {
    {IDC_ADD, "Add new account"},
    {IDC_DELETE, "Delete selected account"},
    {IDC_CHANGE, "Enable/disable selected account"},
    {IDC_EDIT, "Edit selected account details"},
    {IDCANCEL, "Closes the dialog"},
};

struct Column {
  const char* title;
  int percent;  // of the list's client width, when no width is stored
};
const Column kColumns[CSettings::kAccColumnCount] = {{"Name", 25}, {"Host", 50}, {"Status", 25}};

// Room beside a column's title for the header's own margins, at 96 DPI.
constexpr int kHeaderPadding = 16;

const char* Text(const char* text) {
  return text ? text : "";
}

const char* StatusText(const CAccount& account) {
  return account.disabled() ? "Disabled" : "Enabled";
}

const char kNotSaved[] =
    "The account could not be saved: the registry did not accept the change. Nothing was changed.";
const char kNotDeleted[] =
    "The account could not be deleted: the registry did not accept the change. Nothing was changed.";

}  // namespace

CAccListDlg::CAccListDlg(HWND parent) : CDialog(IDD_ACCOUNTS, parent) {}

BOOL CAccListDlg::OnInitDialog() {
  m_delete.Attach(GetItem(IDC_DELETE));
  m_edit.Attach(GetItem(IDC_EDIT));
  m_change.Attach(GetItem(IDC_CHANGE));
  m_list.Attach(GetItem(IDC_ACCOUNTLIST));

  RECT client;
  GetClientRect(m_list.hwnd(), &client);
  m_nDpi = WindowDpi(m_hWnd);
  for (int i = 0; i < CSettings::kAccColumnCount; ++i) {
    int width =
        g_pSettings->GetAccColumnWidth(i, ScaleFromDpi(client.right * kColumns[i].percent / 100, m_nDpi));
    m_list.InsertColumn(i, kColumns[i].title, ScaleToDpi(width, m_nDpi));
  }
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);

  int count = g_pAccountList->GetCount();
  for (int slot = 0; slot < count; ++slot) {
    CAccount account = g_pAccountList->GetAt(slot);
    if (account.deleted() || account.unreadable()) continue;
    int row = m_list.InsertItem(m_list.GetItemCount(), Text(account.name()), slot);
    SetRowTexts(row, account);
  }
  FitColumns();
  UpdateButtons(false);
  m_toolTip.Create(m_hWnd);
  return TRUE;
}

bool CAccListDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  // Buttons report BN_CLICKED (0), menu items 0 as well.
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_ADD:
        OnAdd();
        return true;
      case IDC_EDIT:
      case ID_ACCOUNT_EDIT:
        OnEdit();
        return true;
      case IDC_DELETE:
      case ID_ACCOUNT_DELETE:
        OnDelete();
        return true;
      case IDC_CHANGE:
      case ID_ACCOUNT_ENABLE:
        OnChange();
        return true;
    }
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CAccListDlg::OnNotify(NMHDR* hdr, LRESULT& /*result*/) {
  if (hdr->hwndFrom != m_list.hwnd()) return AnswerToolTip(hdr, kTips);
  switch (hdr->code) {
    case NM_CLICK:
      UpdateButtons();
      return true;
    case NM_DBLCLK:
      OnEdit();
      return true;
    case NM_RCLICK:
      OnContextMenu();
      return true;
    case LVN_ITEMCHANGED:
      // The keyboard moves the selection too.
      UpdateButtons(false);
      return true;
  }
  return false;
}

void CAccListDlg::OnCancel() {
  for (int i = 0; i < CSettings::kAccColumnCount; ++i)
    g_pSettings->SetAccColumnWidth(i, ScaleFromDpi(m_list.GetColumnWidth(i), m_nDpi));
  CDialog::OnCancel();
}

void CAccListDlg::OnDpiChanged(int dpi) {
  m_list.ScaleColumnWidths(m_nDpi, dpi);
  m_nDpi = dpi;
}

void CAccListDlg::UpdateButtons(bool focusList) {
  bool selected = m_list.GetSelected() >= 0;
  m_delete.Enable(selected);
  m_edit.Enable(selected);
  m_change.Enable(selected);
  if (focusList) SetFocus(m_list.hwnd());
}

void CAccListDlg::SetRowTexts(int row, const CAccount& account) {
  m_list.SetItemText(row, 0, Text(account.name()));
  m_list.SetItemText(row, 1, Text(account.host()));
  m_list.SetItemText(row, 2, StatusText(account));
  FitColumns();
}

// Each column at least as wide as its title and texts need, so no name is cut
// while the host column has room to spare: the width a column gains is taken
// back from the others' spare room, the host's first, to stay within the list.
void CAccListDlg::FitColumns() {
  constexpr int kCount = CSettings::kAccColumnCount;
  constexpr int kByGiving[kCount] = {1, 0, 2};  // host, name, status
  int width[kCount], need[kCount], total = 0;
  for (int i = 0; i < kCount; ++i) {
    width[i] = m_list.GetColumnWidth(i);
    m_list.SetColumnWidth(i, LVSCW_AUTOSIZE);
    const int title = static_cast<int>(
        SendMessageA(m_list.hwnd(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(kColumns[i].title)));
    need[i] = std::max(m_list.GetColumnWidth(i), title + ScaleToDpi(kHeaderPadding, m_nDpi));
    width[i] = std::max(width[i], need[i]);
    total += width[i];
  }
  RECT client;
  GetClientRect(m_list.hwnd(), &client);
  int excess = total - client.right;
  for (int i : kByGiving) {
    const int give = std::min(std::max(excess, 0), width[i] - need[i]);
    width[i] -= give;
    excess -= give;
  }
  for (int i = 0; i < kCount; ++i) m_list.SetColumnWidth(i, width[i]);
}

bool CAccListDlg::Selected(int& row, int& slot) const {
  row = m_list.GetSelected();
  if (row < 0) return false;
  slot = static_cast<int>(m_list.GetItemData(row));
  return true;
}

bool CAccListDlg::Confirm(const std::string& question) {
  // An answer given after this dialog was ended ("Exit" meanwhile) no longer counts.
  return MessageBoxA(m_hWnd, question.c_str(), "Accounts", MB_YESNO | MB_ICONQUESTION) == IDYES && IsOpen();
}

void CAccListDlg::Warn(const char* message) {
  MessageBoxA(m_hWnd, message, "Accounts", MB_OK | MB_ICONEXCLAMATION);
}

void CAccListDlg::OnAdd() {
  CAccountDlg dlg(CAccount(), CAccountDlg::Purpose::Add, m_hWnd);
  if (dlg.DoModal() == IDOK) {
    int slot = g_pAccountList->Add(dlg.account());
    if (slot < 0) {
      Warn(kNotSaved);
    } else {
      // Rows keep slot order: every slot before the first deleted one has its row.
      int row = m_list.InsertItem(std::min(slot, m_list.GetItemCount()), Text(dlg.account().name()), slot);
      SetRowTexts(row, dlg.account());
      m_list.Select(row);
    }
  }
  UpdateButtons();
}

void CAccListDlg::OnEdit() {
  int row, slot;
  if (Selected(row, slot)) {
    CAccountDlg dlg(g_pAccountList->GetAt(slot), CAccountDlg::Purpose::Edit, m_hWnd);
    if (dlg.DoModal() == IDOK) {
      if (g_pAccountList->Save(slot, dlg.account(), false)) {
        if (dlg.trustChanged())
          g_pAccountList->SetTrustedCertificate(slot, dlg.account().trustedCertificate());
        SetRowTexts(row, dlg.account());
      } else {
        Warn(kNotSaved);
      }
    }
  }
  UpdateButtons();
}

void CAccListDlg::OnDelete() {
  int row, slot;
  if (Selected(row, slot)) {
    // Built to fit: a name may be as long as the store allows.
    std::string name = Text(g_pAccountList->GetAt(slot).name());
    if (Confirm("Delete " + name + " ?")) {
      if (g_pAccountList->MarkDeleted(slot))
        m_list.DeleteItem(row);
      else
        Warn(kNotDeleted);
    }
  }
  UpdateButtons();
}

void CAccListDlg::OnChange() {
  int row, slot;
  if (Selected(row, slot)) {
    CAccount account = g_pAccountList->GetAt(slot);
    const char* verb = account.disabled() ? "Enable" : "Disable";
    if (Confirm(std::string(verb) + " " + Text(account.name()) + " ?")) {
      account.SetDisabled(!account.disabled());
      if (g_pAccountList->Save(slot, account, false))
        SetRowTexts(row, account);
      else
        Warn(kNotSaved);
    }
  }
  UpdateButtons();
}

void CAccListDlg::OnContextMenu() {
  int row, slot;
  if (!Selected(row, slot)) return;
  UpdateButtons();
  CPopupMenu menu;
  if (!menu.Load(AppInstance(), IDR_ACCOUNTMENU)) return;
  menu.SetDefaultItem(ID_ACCOUNT_EDIT);
  menu.SetItemText(ID_ACCOUNT_ENABLE, g_pAccountList->GetAt(slot).disabled() ? "E&nable" : "Di&sable");
  POINT cursor;
  GetCursorPos(&cursor);
  menu.Track(m_hWnd, cursor);
}
