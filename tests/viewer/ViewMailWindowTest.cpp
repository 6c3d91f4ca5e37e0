// The View Mail window itself, hosted in the test on a thread of its own, over
// a scripted server that holds back its last header: what the user selects
// while rows arrive stays on the message selected.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "ScriptedServer.h"
#include "ViewerHarness.h"
#include "framework/Handles.h"
#include "framework/WorkerThread.h"
#include "res/resource.h"
#include "viewer/ViewMailDlg.h"

namespace {

std::string SubjectHeader(const char* subject) {
  return std::string("+OK\r\nFrom: x@y\r\nSubject: ") + subject +
         "\r\nDate: 5 Jun 2007 14:03 GMT\r\n\r\n.\r\n";
}

bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000) {
  for (DWORD waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

std::wstring RowText(HWND list, int row, int column) {
  wchar_t text[256] = L"";
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int Count(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Sorted by subject: "Alpha", held back, lands above the selected "Charlie",
// which keeps its selection on its new row and is the one the Delete key marks.
TEST_F(ViewerTest, SelectionMadeWhileRowsArriveStaysOnItsMessage) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 3 300\r\n");
  Answer(peer, "-ERR no UIDL\r\n");
  Answer(peer, "-ERR unknown command\r\n");  // CAPA
  Answer(peer, "+OK\r\n1 100\r\n2 100\r\n3 100\r\n.\r\n");
  Answer(peer, SubjectHeader("Bravo"));
  Answer(peer, SubjectHeader("Charlie"));
  peer.ExpectLine().Silence(3000).Send(SubjectHeader("Alpha"));
  peer.Start();
  AddAccount("Held", "bob", "secret", peer.Port());
  Settings().SetSortColumn(1);
  Settings().SetSortOrder(1);
  CViewMailDlg dialog(Accounts(), Settings());
  dialog.core().SetVisiblePauses(false);
  dialog.StartFetch();
  CUniqueHandle thread = StartWorkerThread(
      [&dialog] {
        dialog.DoModal();
        dialog.EndWorkers();
      },
      [] {});
  ASSERT_TRUE(thread.Valid());
  ASSERT_TRUE(WaitFor([&] { return dialog.hwnd() != nullptr; }));
  HWND list = GetDlgItem(dialog.hwnd(), IDC_MAIL_LIST);
  ASSERT_TRUE(WaitFor([&] { return Count(list) == 2; }));
  ASSERT_EQ(L" Charlie", RowText(list, 1, 1));
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));

  EXPECT_TRUE(WaitFor([&] { return Count(list) == 3; }));
  EXPECT_EQ(L" Alpha", RowText(list, 0, 1));
  EXPECT_EQ(2, static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
  EXPECT_EQ(2, static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
  EXPECT_EQ(1, static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)));
  SendMessageA(dialog.hwnd(), WM_COMMAND, ID_MAIL_DELETE, 0);
  EXPECT_EQ(L"(Deleted)", RowText(list, 2, 0));
  EXPECT_EQ(L" Bravo", RowText(list, 1, 1));
  const MailItem* marked = dialog.core().model().GetItem(2);
  ASSERT_TRUE(marked);
  EXPECT_EQ(" Charlie", marked->header.subject);
  EXPECT_TRUE(marked->header.marked);

  dialog.EndNow();  // nothing is deleted
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 20000));
}

}  // namespace
