// Acts inside the modal loops a test's click starts (a nested dialog, a message
// box): each step waits until a window of this thread shows with its caption,
// then runs on it. Steps run in order from a thread timer, which every one of
// those loops dispatches.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>

class CDialogScript {
 public:
  using Action = std::function<void(HWND)>;

  CDialogScript();
  ~CDialogScript();
  CDialogScript(const CDialogScript&) = delete;
  CDialogScript& operator=(const CDialogScript&) = delete;

  CDialogScript& When(const std::string& caption, Action action);
  // A step that waits for a condition instead of a window; its action gets no window.
  CDialogScript& Once(const std::string& what, std::function<bool()> condition, Action action);
  // Keeps the message box's text and presses one of its buttons.
  CDialogScript& Answer(const std::string& caption, int button, std::string* text = nullptr);
  bool Done() const { return m_steps.empty(); }

 private:
  static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
  void Step();
  // A step that waits too long fails the test and ends every dialog of the
  // thread, so the click that started them returns.
  void GiveUp();

  struct StepDef {
    std::string what;
    std::function<HWND()> find;  // what the step waits for: null until it is there
    Action action;
  };
  std::deque<StepDef> m_steps;
  UINT_PTR m_nTimer = 0;
  DWORD m_nStepStart = 0;
  bool m_bInStep = false;
  static CDialogScript* s_pActive;
};

// Runs this thread's messages until done() holds or ms pass; true when it held.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
// A visible dialog of this thread with this caption, or null.
HWND FindThreadDialog(const std::string& caption);
// The text of a message box.
std::string MessageBoxText(HWND box);
// A button press that returns at once: for buttons that start a loop of their own.
void PostClick(HWND dialog, int id);
// A button press that returns when its handler has (after any loop it started).
void Click(HWND dialog, int id);
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
