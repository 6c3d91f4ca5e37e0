// The timer-driven dialog script and control helpers.
#include "DialogScript.h"

#include <gtest/gtest.h>

#include <vector>

CDialogScript* CDialogScript::s_pActive = nullptr;

namespace {

// Generous: a loaded machine may take seconds to bring a dialog up.
constexpr DWORD kStepTimeoutMs = 20000;

// The dialog windows (and message boxes) of this thread.
std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> dialogs;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM lp) -> BOOL {
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

HWND FindThreadDialog(const std::string& caption) {
  for (HWND dialog : ThreadDialogs()) {
    char text[256] = {};
    GetWindowTextA(dialog, text, sizeof text);
    if (IsWindowVisible(dialog) && caption == text) return dialog;
  }
  return nullptr;
}

CDialogScript::CDialogScript() {
  s_pActive = this;
  m_nTimer = SetTimer(nullptr, 0, 30, OnTick);
  m_nStepStart = GetTickCount();
}

CDialogScript::~CDialogScript() {
  KillTimer(nullptr, m_nTimer);
  s_pActive = nullptr;
}

CDialogScript& CDialogScript::When(const std::string& caption, Action action) {
  if (m_steps.empty()) m_nStepStart = GetTickCount();
  m_steps.push_back({caption, [caption] { return FindThreadDialog(caption); }, std::move(action)});
  return *this;
}

CDialogScript& CDialogScript::Once(const std::string& what, std::function<bool()> condition, Action action) {
  if (m_steps.empty()) m_nStepStart = GetTickCount();
  // Any non-null handle says "there"; the action is given none.
  m_steps.push_back({what, [condition] { return condition() ? HWND_MESSAGE : nullptr; },
                     [action](HWND) { action(nullptr); }});
  return *this;
}

CDialogScript& CDialogScript::Answer(const std::string& caption, int button, std::string* text) {
  return When(caption, [button, text](HWND box) {
    if (text) *text = MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  });
}

void CALLBACK CDialogScript::OnTick(HWND, UINT, UINT_PTR, DWORD) {
  if (s_pActive) s_pActive->Step();
}

void CDialogScript::Step() {
  // An action that starts a loop of its own would see this timer again inside it.
  if (m_bInStep || m_steps.empty()) return;
  HWND window = m_steps.front().find();
  if (!window) {
    if (GetTickCount() - m_nStepStart > kStepTimeoutMs) GiveUp();
    return;
  }
  Action action = std::move(m_steps.front().action);
  m_steps.pop_front();
  m_nStepStart = GetTickCount();
  m_bInStep = true;
  action(window);
  m_bInStep = false;
}

void CDialogScript::GiveUp() {
  ADD_FAILURE() << "waited in vain for \"" << m_steps.front().what << "\"";
  m_steps.clear();
  for (HWND dialog : ThreadDialogs()) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(dialog, WM_COMMAND, IDNO, 0);
  }
}

std::string MessageBoxText(HWND box) {
  // The text is the one static control that shows no icon (its id differs between systems).
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
      return ItemText(box, GetDlgCtrlID(child));
  }
  return std::string();
}

void PostClick(HWND dialog, int id) {
  PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
  GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
  return text.data();
}

void SetItemText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, text.c_str());
}

bool Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}
