// Application object base: one per process, run by the program's WinMain.
// Commands the main window does not handle itself are routed here.
#pragma once
#include <winsock2.h>
#include <windows.h>

class CDialog;

class CApp {
 public:
  CApp();
  virtual ~CApp();
  CApp(const CApp&) = delete;
  CApp& operator=(const CApp&) = delete;

  // Brings the program up and runs its message loop; the process's exit code.
  int Run(HINSTANCE instance);
  // Returns false to end the process once it returns (no message loop of our own).
  virtual bool InitInstance() = 0;
  // A menu command from the main window; true when handled.
  virtual bool OnCommand(UINT id);

  static CApp* Get() { return s_pApp; }
  HINSTANCE instance() const { return m_hInstance; }
  void SetInstance(HINSTANCE h) { m_hInstance = h; }

  CDialog* m_pMainWnd = nullptr;  // not owned

 private:
  static CApp* s_pApp;
  HINSTANCE m_hInstance = nullptr;
};

// The module instance of the running program.
HINSTANCE AppInstance();
