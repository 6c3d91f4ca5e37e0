// A small program whose windows the driver's own test reads and answers: a
// report list of two rows (the second selected), a toolbar of two buttons (the
// second disabled) and, on command 100, a yes/no message box whose answer
// becomes the window's caption.
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

constexpr char kClass[] = "TidewellWindowPeer";

void AddToolbar(HWND owner) {
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_LIST, 0, 0, 0, 0,
                             owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[3] = {};
  buttons[0] = {I_IMAGENONE, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>("Delete")};
  buttons[1] = {0, 0, 0, BTNS_SEP, {}, 0, 0};
  buttons[2] = {I_IMAGENONE, 101, TBSTATE_CHECKED, BTNS_CHECK, {}, 0, reinterpret_cast<INT_PTR>("Stop")};
  SendMessageA(bar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons));
}

void AddList(HWND owner) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 40, 300, 200,
                              owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  const char* cells[2][2] = {{"alice", "3"}, {"bob", "0"}};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNA c = {};
    c.mask = LVCF_WIDTH;
    c.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
  }
  for (int row = 0; row < 2; ++row) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(cells[row][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(cells[row][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMA state = {};
  state.stateMask = state.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      AddToolbar(window);
      AddList(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == 100) {
        int answer = MessageBoxA(window, "Delete 2 messages?", "Window peer", MB_YESNO);
        SetWindowTextA(window, ("answer " + std::to_string(answer)).c_str());
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
  CreateWindowExA(0, kClass, "Window peer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320, 280, nullptr,
                  nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
