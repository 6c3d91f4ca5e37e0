// The View Mail window of the running program against the run's Dovecot: what
// it lists and how it sorts, deleting marked mail, and how it shares the servers with the check
// cycle.
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "RemoteControls.h"
#include "ScriptedServer.h"
#include "ViewerHarness.h"
#include "framework/Messages.h"
#include "res/resource.h"
#include "viewer/InfoDlg.h"

namespace {

using Strings = std::vector<std::string>;

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// The accounts are written to the registry by the harness before the program starts.
class ViewMailE2E : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    ASSERT_TRUE(SetSettingDword("ShowIntro", 0));
    m_tipsBefore = TrayTooltips();
  }
  void TearDown() override {
    ViewerTest::TearDown();
    DeleteProgramKey();
  }

  HWND Start(const std::string& firstTip) {
    EXPECT_TRUE(m_app.Launch(TidewellExe()));
    HWND main = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (main = m_app.MainWindow()) != nullptr; }));
    if (!firstTip.empty()) {
      EXPECT_TRUE(TooltipShows(firstTip));
    }
    return main;
  }
  bool TooltipShows(const std::string& tip) {
    return WaitUntil(
        [&] {
          Strings now = TrayTooltips();
          return std::count(now.begin(), now.end(), tip) >
                 std::count(m_tipsBefore.begin(), m_tipsBefore.end(), tip);
        },
        30000);
  }
  // The viewer from the tray menu's command, once its window is up.
  HWND OpenView(HWND main) {
    PostCommand(main, ID_VIEW);
    HWND view = nullptr;
    EXPECT_TRUE(m_app.WaitFor([&] {
      view = FindViewWindow();
      return view && IsWindowVisible(view);
    }));
    return view;
  }
  HWND FindViewWindow() const {
    for (HWND window : m_app.Windows("#32770", nullptr))
      if (GetDlgItem(window, IDC_MAIL_LIST)) return window;
    return nullptr;
  }
  static HWND List(HWND view) { return GetDlgItem(view, IDC_MAIL_LIST); }
  static Strings Column(HWND view, size_t column) {
    Strings texts;
    for (const Strings& row : ListViewRows(List(view))) texts.push_back(Trimmed(row.at(column)));
    return texts;
  }
  ::testing::AssertionResult Lists(HWND view, const Strings& subjects) {
    return m_app.WaitFor([&] { return WindowText(view) == "View Mail" && Column(view, 1) == subjects; },
                         30000);
  }
  static int Row(HWND view, const std::string& subject) {
    Strings subjects = Column(view, 1);
    return static_cast<int>(std::find(subjects.begin(), subjects.end(), subject) - subjects.begin());
  }
  // The information window of row, opened as a user does: a double-click on the row.
  HWND OpenInfo(HWND view, int row) {
    HWND list = List(view);
    RECT bounds = {LVIR_LABEL, 0, 0, 0};
    CRemoteBuffer remote(m_app.Pid(), sizeof(RECT));
    if (!remote.Valid() || !remote.Write(0, &bounds, sizeof bounds) ||
        !SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.Address())) ||
        !remote.Read(0, &bounds, sizeof bounds))
      return nullptr;
    POINT at = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list, &at);
    // Real input that moves the pointer too: the window reads where the click was from the cursor.
    INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
      clicks[i].type = INPUT_MOUSE;
      clicks[i].mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
      clicks[i].mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
      clicks[i].mi.dwFlags =
          MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | (i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
    }
    HWND info = nullptr;
    // Once more when the first double-click went elsewhere (the view not yet in front).
    for (int attempt = 0; attempt < 3 && !info; ++attempt) {
      SetForegroundWindow(view);
      WaitUntil([&] { return GetForegroundWindow() == view; }, 5000);
      if (SendInput(4, clicks, sizeof(INPUT)) != 4) return nullptr;
      m_app.WaitFor(
          [&] {
            for (HWND window : m_app.Windows("#32770", nullptr))
              if (GetDlgItem(window, IDC_INFO_TEXT) && IsWindowVisible(window)) info = window;
            return info != nullptr;
          },
          5000);
    }
    return info;
  }
  static std::wstring WindowTextW(HWND window) {
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
  }
  bool Closes(HWND window) {
    return m_app.WaitFor([&] { return !IsWindow(window); }, 30000);
  }
  void Exit(HWND main) {
    PostCommand(main, ID_APP_EXIT);
    DWORD code = 1;
    EXPECT_TRUE(m_app.WaitForExit(code));
    EXPECT_EQ(0u, code);
  }

  CAppProcess m_app;
  Strings m_tipsBefore;
};

TEST_F(ViewMailE2E, ListsSortsAndDeletesMarkedMailOnClose) {
  FillMailbox("viewe2e", "viewe2epw", {"First", "Second", "Third"});
  AddAccount("Box", "viewe2e", "viewe2epw");
  AddAccount("Encoded", "viewlist", "viewlistpw");
  HWND main = Start("Tidewell (6 messages)");
  HWND view = OpenView(main);
  ASSERT_TRUE(view);
  // By the received date, oldest first; a message without a date counts as received now.
  EXPECT_TRUE(Lists(view, {"Quoted sender", "First", "Second", "Third", "Hello again", "No date"}));
  EXPECT_EQ((Strings{"Encoded", "Box", "Box", "Box", "Encoded", "Encoded"}), Column(view, 0));
  EXPECT_EQ("Ren\xE9 Dupont <rene@example.test>", Column(view, 2).at(0));
  HWND status = GetDlgItem(view, 0xE801);
  EXPECT_TRUE(m_app.WaitFor([&] {
    Strings parts = StatusBarTexts(status);
    return parts.size() >= 2 && parts[0] == "2 accounts" && parts[1] == "6 items";
  })) << ::testing::PrintToString(StatusBarTexts(status));

  // A heading click sorts by that column; the choice is kept for the next window.
  RECT heading = {};
  ASSERT_TRUE(HeadingRect(List(view), 1, heading));
  HWND header = reinterpret_cast<HWND>(SendMessageA(List(view), LVM_GETHEADER, 0, 0));
  LPARAM at = MAKELPARAM((heading.left + heading.right) / 2, (heading.top + heading.bottom) / 2);
  PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(header, WM_LBUTTONUP, 0, at);
  EXPECT_TRUE(Lists(view, {"First", "Hello again", "No date", "Quoted sender", "Second", "Third"}));
  DWORD column = 0, order = 0;
  EXPECT_TRUE(ReadSettingDword("SortColumn", column) && ReadSettingDword("SortOrder", order));
  EXPECT_EQ(1u, column);
  EXPECT_EQ(1u, order) << "ascending";

  // Two rows marked with the Delete key go from the server once the close is confirmed.
  ASSERT_TRUE(SelectListViewRows(List(view), {Row(view, "First"), Row(view, "Third")}));
  PostKey(List(view), VK_DELETE);
  EXPECT_TRUE(m_app.WaitFor([&] {
    return Column(view, 0) == Strings{"(Deleted)", "Encoded", "Encoded", "Encoded", "Box", "(Deleted)"};
  }));
  PostCommand(view, ID_TB_CLOSE);
  std::string question;
  ASSERT_TRUE(m_app.AnswerMessageBox("ViewMail", IDYES, &question));
  EXPECT_EQ("Delete selected mail ?", question);
  EXPECT_TRUE(Closes(view));
  EXPECT_EQ((Strings{"Second"}), ServerSubjects("viewe2e", "viewe2epw"));
  // The check after a delete runs at once.
  EXPECT_TRUE(TooltipShows("Tidewell (4 messages)"));

  view = OpenView(main);
  ASSERT_TRUE(view);
  EXPECT_TRUE(Lists(view, {"Hello again", "No date", "Quoted sender", "Second"}));
  PostCommand(view, ID_TB_CLOSE);  // nothing marked: no question
  EXPECT_TRUE(Closes(view));
  Exit(main);
}

// Subjects and senders in ten scripts and charsets, on an English system:
// every row holds exactly its text in UTF-16, nothing replaced by "?".
TEST_F(ViewMailE2E, ListsEveryScriptOnAnEnglishSystem) {
  ASSERT_EQ(1252u, GetACP()) << "wine takes its ANSI code page from LC_ALL";
  AddAccount("World", "world", "worldpw");
  HWND main = Start("Tidewell (10 messages)");
  HWND view = OpenView(main);
  ASSERT_TRUE(view);
  EXPECT_TRUE(m_app.WaitFor(
      [&] { return WindowText(view) == "View Mail" && ListViewRowsW(List(view)).size() == 10; }, 30000));
  const std::vector<std::vector<std::wstring>> expected = {
      {L" Привет из Москвы", L" Иван Петров <ivan@example.test>"},
      {L" Zażółć gęślą jaźń", L" Łukasz Wójcik <lukasz@example.test>"},
      {L" Café crème à 8 h", L" René Dupont <rene@example.test>"},
      {L" Škoda w Łodzi", L" Jiří Novák <jiri@example.test>"},
      {L" “Quoted” – 8 € invoice", L" Zoë Brontë <zoe@example.test>"},
      {L" Отчёт за март", L" Ольга Смирнова <olga@example.test>"},
      {L" 会議のお知らせ", L" 山田太郎 <yamada@example.test>"},
      {L" 中文邮件测试", L" 王小明 <wang@example.test>"},
      {L" Καλημέρα κόσμε 😀", L" Σωκράτης <sokratis@example.test>"},
      {L" Café au lait☕ ok", L" Björk Guðmundsdóttir <bjork@example.test>"},
  };
  std::vector<std::vector<std::wstring>> shown;
  for (const std::vector<std::wstring>& row : ListViewRowsW(List(view)))
    shown.push_back({row.at(1), row.at(2)});
  EXPECT_EQ(expected, shown);
  PostCommand(view, ID_TB_CLOSE);
  EXPECT_TRUE(Closes(view));
  Exit(main);
}

// The information window of a multipart message (mixed: alternative plus a PDF)
// fetches the message's text on a session of its own: the plain part,
// quoted-printable Latin-1, in the pane below the header block, then the
// attachment; it closes at once whatever the fetch is doing.
TEST_F(ViewMailE2E, InformationWindowShowsTheTextOfAMultipartMessage) {
  AddAccount("Preview", "preview", "previewpw");
  HWND main = Start("Tidewell (1 message)");
  HWND view = OpenView(main);
  ASSERT_TRUE(view);
  ASSERT_TRUE(Lists(view, {"Quarterly figures"}));
  HWND info = OpenInfo(view, 0);
  ASSERT_TRUE(info);
  EXPECT_TRUE(m_app.WaitFor([&] {
    return ItemText(info, IDC_INFO_TEXT).find("Subject: Quarterly figures\r\n") != std::string::npos;
  })) << ItemText(info, IDC_INFO_TEXT);
  HWND pane = GetDlgItem(info, kInfoTextPaneId);
  std::wstring text;
  EXPECT_TRUE(
      m_app.WaitFor([&] { return (text = WindowTextW(pane)).find(L"Ada") != std::wstring::npos; }, 30000))
      << WindowText(pane);
  EXPECT_EQ(
      L"Hello Bob,\r\n\r\nthe figures for the quarter are attached. Caf\u00E9 on Friday?\r\n\r\nAda\r\n"
      L"\r\nAttachments:\r\n    figures.pdf (application/pdf, 78 bytes)\r\n",
      text);
  PostMessageA(info, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Closes(info));
  PostCommand(view, ID_TB_CLOSE);
  EXPECT_TRUE(Closes(view));
  Exit(main);
}

// The check is still in its first account when the viewer opens: the viewer
// waits for it, no check runs while the viewer holds the servers, and a close
// while a slow server holds the fetch asks to stop it first.
TEST_F(ViewMailE2E, OpenDuringACheckWaitsThenCloseStopsTheFetchFirst) {
  CScriptedServer slow;
  slow.Send("+OK ready\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK in\r\n");
  slow.ExpectLine().Silence(5000).Send("+OK 0 0\r\n").ExpectLine().Send("+OK bye\r\n");
  slow.AcceptNext().Silence(8000).Send("+OK ready\r\n").ExpectLine().Send("+OK\r\n").ExpectLine();
  slow.Send("+OK in\r\n").ExpectLine().Send("+OK 0 0\r\n").ExpectLine().Send("+OK bye\r\n");
  slow.Start();
  AddAccount("Slow", "bob", "secret", slow.Port());
  AddAccount("Encoded", "viewlist", "viewlistpw");
  HWND main = Start("");
  ASSERT_TRUE(slow.WaitLines(3, 30000)) << "the check's STAT";
  HWND view = OpenView(main);
  ASSERT_TRUE(view);
  EXPECT_TRUE(m_app.WaitFor([&] { return WindowText(view) == "Getting mail list...(waiting to connect)"; }));
  EXPECT_TRUE(m_app.WaitFor([&] { return WindowText(view) == "Getting mail list...(connecting to Slow)"; }));
  PostCommand(view, ID_TB_CLOSE);
  std::string question;
  ASSERT_TRUE(m_app.AnswerMessageBox("Tidewell", IDYES, &question));
  EXPECT_EQ("Stop retrieving mail headers ?", question);
  EXPECT_TRUE(m_app.WaitFor([&] { return WindowText(view) == "View Mail - Stopping..."; }));
  PostMessageA(main, WM_TIMER, IDT_PERIOD, 0);  // the period's tick starts no check now
  EXPECT_TRUE(m_app.WaitFor([&] { return WindowText(view) == "View Mail"; }, 30000));
  EXPECT_EQ(0, SendMessageA(List(view), LVM_GETITEMCOUNT, 0, 0)) << "the next account is not fetched";
  EXPECT_EQ(2u, slow.Received().size());
  PostCommand(view, ID_TB_CLOSE);  // nothing marked: it closes
  EXPECT_TRUE(Closes(view));
  ASSERT_TRUE(slow.WaitDone(10000));
  // The stop cut the held greeting off: the viewer's session never logged in.
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "QUIT"}, {}}), slow.Received());
  Exit(main);
}

}  // namespace
