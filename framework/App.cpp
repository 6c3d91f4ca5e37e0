// Application object base and the message loop that runs the program.
#include "framework/App.h"

#include "framework/Dialog.h"

CApp* CApp::s_pApp = nullptr;

CApp::CApp() {
  s_pApp = this;
}

CApp::~CApp() {
  if (s_pApp == this) s_pApp = nullptr;
}

bool CApp::OnCommand(UINT id) {
  // The framework's own exit command closes the main window, which ends the program.
  if (id == ID_APP_EXIT && m_pMainWnd && m_pMainWnd->hwnd()) {
    SendMessageA(m_pMainWnd->hwnd(), WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}

HINSTANCE AppInstance() {
  CApp* app = CApp::Get();
  if (app && app->instance()) return app->instance();
  return GetModuleHandleA(nullptr);
}

int CApp::Run(HINSTANCE instance) {
  SetInstance(instance);
  // Nothing may unwind out of the entry point: GCC unwinding through the
  // system's frames is not safe, and the process should end cleanly.
  try {
    if (InitInstance()) {
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  } catch (...) {
    return 1;
  }
  return 0;
}
