// Dialog base: creation, the modal loop and the one dialog procedure.
#include "framework/Dialog.h"

#include "framework/App.h"
#include "framework/DialogTemplate.h"
#include "framework/Dpi.h"

#include <commctrl.h>

#include <algorithm>

CDialog::CDialog(UINT templateId, HWND parent) : m_nTemplateId(templateId), m_hParent(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) {
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    DestroyWindow(m_hWnd);
  }
}

bool CDialog::CreateModeless() {
  // A dialog without a parent is owned by the main window, as the tray's other dialogs are.
  HWND owner = m_hParent;
  CApp* app = CApp::Get();
  if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this) owner = app->m_pMainWnd->hwnd();
  // Templates name common controls (up-down, list view); their classes must be registered first.
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  m_hWnd = nullptr;
  std::vector<BYTE> dialogTemplate = LoadDialogTemplate(AppInstance(), m_nTemplateId);
  HWND h = dialogTemplate.empty()
               ? nullptr
               : CreateDialogIndirectParamA(AppInstance(),
                                            reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), owner,
                                            DialogProc, reinterpret_cast<LPARAM>(this));
  return h != nullptr;
}

INT_PTR CDialog::DoModal() {
  m_bModal = true;
  m_bEnded = false;
  m_nResult = -1;
  if (!CreateModeless()) return -1;
  HWND owner = GetWindow(m_hWnd, GW_OWNER);
  m_hDisabledOwner = owner && IsWindowEnabled(owner) ? owner : nullptr;
  if (m_hDisabledOwner) EnableWindow(m_hDisabledOwner, FALSE);
  // As the system's modal dialogs do: a template without WS_VISIBLE is shown
  // all the same, once initialised.
  if (!m_bEnded && m_hWnd && !IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOWNORMAL);

  MSG msg;
  while (!m_bEnded) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // Leave WM_QUIT for the outer loop.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (TranslateForDialog(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EnableOwner();
  if (m_hWnd) DestroyWindow(m_hWnd);
  m_bModal = false;
  return m_nResult;
}

void CDialog::CenterWindow() {
  RECT work, area, window;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HWND owner = GetWindow(m_hWnd, GW_OWNER);
  if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area)) area = work;
  GetWindowRect(m_hWnd, &window);
  const int width = window.right - window.left, height = window.bottom - window.top;
  // Never above or left of the work area, so the caption stays reachable.
  const int x = std::max(work.left, area.left + (area.right - area.left - width) / 2);
  const int y = std::max(work.top, area.top + (area.bottom - area.top - height) / 2);
  SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

bool IsDialogWindow(HWND window) {
  char name[8] = {};
  return GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0;
}

BOOL CALLBACK EndOwnedDialog(HWND window, LPARAM owner);

// A dialog of the system's (message box, file dialog) is cancelled through its
// own Cancel, so it cleans up as when the user cancels; one that has no Cancel
// (a Yes/No box on some systems) is ended with IDCANCEL, never with a Yes.
void CancelSystemDialog(HWND window) {
  EnumThreadWindows(GetCurrentThreadId(), EndOwnedDialog, reinterpret_cast<LPARAM>(window));
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (IsWindow(window) && IsWindowVisible(window)) ::EndDialog(window, IDCANCEL);
}

// Ends a dialog that the ending dialog owns (one opened from it, whose own loop
// runs inside the owner's): otherwise the owner's loop could not end before
// that dialog was closed by hand, and its answer would still count.
BOOL CALLBACK EndOwnedDialog(HWND window, LPARAM owner) {
  if (GetWindow(window, GW_OWNER) != reinterpret_cast<HWND>(owner)) return TRUE;
  if (CDialog* dialog = CDialog::FromHandle(window)) {
    if (dialog->IsOpen()) dialog->EndDialog(IDCANCEL);
  } else if (IsDialogWindow(window) && IsWindowVisible(window)) {
    CancelSystemDialog(window);
  }
  return TRUE;
}

}  // namespace

CDialog* CDialog::FromHandle(HWND window) {
  if (GetWindowLongPtrA(window, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(DialogProc)) return nullptr;
  return reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_bModal && !m_bEnded && m_hWnd)
    EnumThreadWindows(GetCurrentThreadId(), EndOwnedDialog, reinterpret_cast<LPARAM>(m_hWnd));
  m_nResult = result;
  m_bEnded = true;
  if (!m_bModal && m_hWnd) DestroyWindow(m_hWnd);
  // A modal dialog opened later keeps this one's loop running until it ends
  // itself; meanwhile this one is gone from the screen.
  if (m_bModal && m_hWnd) {
    EnableOwner();
    ShowWindow(m_hWnd, SW_HIDE);
  }
  // Wake the modal loop in case the end came from outside a dispatched message.
  if (m_bModal) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::EnableOwner() {
  // Before this dialog hides or goes, so that activation returns to the owner.
  if (m_hDisabledOwner) EnableWindow(m_hDisabledOwner, TRUE);
  m_hDisabledOwner = nullptr;
}

bool CDialog::TranslateForDialog(MSG& msg) {
  // Dialogs opened from the tray stand side by side, each in a loop nested in
  // the one before; Tab, Enter and Escape belong to the one with the focus.
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  CDialog* target = root ? FromHandle(root) : nullptr;
  if (!target || !target->m_hWnd) target = this;
  return target->PreTranslateMessage(msg);
}

bool CDialog::PreTranslateMessage(MSG& msg) {
  return m_hWnd && IsDialogMessageA(m_hWnd, &msg);
}

bool CDialog::OnCommand(UINT id, UINT /*code*/, HWND /*ctl*/) {
  if (id == IDOK) {
    OnOk();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  // Menu commands of the main window go on to the application object.
  CApp* app = CApp::Get();
  if (app && app->m_pMainWnd == this) return app->OnCommand(id);
  return false;
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      BOOL focusDefault = OnInitDialog();
      // A template placed at 0,0 would open in the screen's corner; a tray
      // program's windows come up in the middle instead, at the size they chose.
      CenterWindow();
      return focusDefault;
    }
    case WM_COMMAND:
      return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return FALSE;
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_TIMER:
      OnTimer(wp);
      return TRUE;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
      return FALSE;
    case WM_SHOWWINDOW:
      OnShowWindow(wp != 0);
      return FALSE;
    case WM_DPICHANGED:
      // Inside the dialog manager's own handling, called just below: nothing to add.
      if (m_bScalingForDpi) return FALSE;
      OnDpiChange(wp, *reinterpret_cast<const RECT*>(lp));
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
  }
  return FALSE;
}

void CDialog::OnDpiChange(WPARAM wp, const RECT& suggested) {
  if (DialogsFollowDpi()) {
    // Windows 10 (1703) on scales the dialog, its controls and its font itself;
    // that is done first, so the window's own handler sees the result.
    m_bScalingForDpi = true;
    DefDlgProcA(m_hWnd, WM_DPICHANGED, wp, reinterpret_cast<LPARAM>(&suggested));
    m_bScalingForDpi = false;
  } else {
    // Before, only the window's size follows.
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  OnDpiChanged(DpiFromDpiChanged(wp));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CDialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lp);
    self->m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
  } else {
    // WM_SETFONT and a few others arrive before WM_INITDIALOG: no object yet.
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  // Exceptions must not unwind through the system's frames.
  try {
    result = self->Dispatch(msg, wp, lp);
  } catch (...) {
    result = FALSE;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}
