// The delete worker: confirmation answers, deletions on Dovecot, a refused
// DELE on a scripted peer, and the guard against deleting another message
// after the connection was lost.
#include "ScriptedServer.h"
#include "ViewerHarness.h"
#include "pop3/Pop3Client.h"

namespace {

using Strings = std::vector<std::string>;

const char kAsk[] = "Delete selected mail ?";

Strings TitlesFrom(const Strings& titles, const std::string& first) {
  for (size_t i = 0; i < titles.size(); ++i) {
    if (titles[i] == first) return Strings(titles.begin() + i, titles.end());
  }
  return Strings();
}

TEST_F(ViewerTest, YesDeletesMarkedMailOfTwoAccountsAndLowersTheirCounts) {
  FillMailbox("viewdel1", "viewdel1pw", {"A1", "A2", "A3"});
  FillMailbox("viewdel2", "viewdel2pw", {"B1", "B2"});
  CAccount* one = AddAccount("One", "viewdel1", "viewdel1pw");
  CAccount* two = AddAccount("Two", "viewdel2", "viewdel2pw");
  one->SetCount(3);
  two->SetCount(2);
  Fetch();
  Core().SortByColumn(1);  // subjects descending: A3 before A1
  EXPECT_EQ(0, Settings().GetSortOrder(1));
  MarkSubjects({"A3", "B2", "A1"});
  Close({IDYES});

  auto boxes = Window().boxes;
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(kAsk, boxes[0].text);
  EXPECT_EQ("ViewMail", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION), boxes[0].type);
  EXPECT_EQ((Strings{"Deleting...(1 of 3)", "Deleting...(2 of 3)", "Deleting...(3 of 3)",
                     "View Mail...(disconnecting)"}),
            TitlesFrom(Window().titles, "Deleting...(1 of 3)"));
  EXPECT_EQ((std::vector<std::vector<int>>{{3, 1}, {2}}), Core().deleteLists());
  EXPECT_EQ(WM_APP + 13, Window().posted.back());
  EXPECT_FALSE(Core().client(0) || Core().client(1));
  EXPECT_EQ(1, one->currentCount());
  EXPECT_EQ(1, two->currentCount());
  EXPECT_EQ((Strings{"A2"}), ServerSubjects("viewdel1", "viewdel1pw"));
  EXPECT_EQ((Strings{"B1"}), ServerSubjects("viewdel2", "viewdel2pw"));
  EXPECT_TRUE(LogTexts().empty());

  Core().OnDeleteDone();
  EXPECT_EQ(0, Core().model().GetCount());
}

TEST_F(ViewerTest, CancelKeepsRowsAndMarksAndAsksAgainNoDeletesNothing) {
  FillMailbox("viewdel1", "viewdel1pw", {"C1", "C2"});
  CAccount* one = AddAccount("One", "viewdel1", "viewdel1pw");
  one->SetCount(2);
  Fetch();
  MarkSubjects({"C1"});
  int quits = DovecotLogLines("viewdel1", "Disconnected: Logged out");

  Close({IDCANCEL});
  EXPECT_FALSE(Core().closing());
  EXPECT_TRUE(Window().posted.back() != WM_APP + 13);
  EXPECT_EQ((Strings{"", " C2"}), RowSubjects());  // the marked row shows no subject
  EXPECT_TRUE(Core().client(0) && Core().client(0)->IsLoggedIn());

  Close({IDNO});
  ASSERT_EQ(2u, Window().boxes.size());
  EXPECT_EQ(kAsk, Window().boxes[1].text);
  EXPECT_EQ(WM_APP + 13, Window().posted.back());
  EXPECT_EQ("View Mail...(disconnecting)", Window().titles.back());
  EXPECT_TRUE(WaitDovecotLog("viewdel1", "Disconnected: Logged out", quits + 1));
  EXPECT_EQ(2, one->currentCount());
  EXPECT_EQ((Strings{"C1", "C2"}), ServerSubjects("viewdel1", "viewdel1pw"));
}

std::string Header(int n) {
  return "+OK\r\nFrom: x@y\r\nSubject: S" + std::to_string(n) + "\r\nDate: 5 Jun 2007 14:03 GMT\r\n\r\n.\r\n";
}

// A refused DELE is retried once on a new session (which confirms the id
// first), then logged; the next message is still deleted.
TEST_F(ViewerTest, RefusedDeleIsLoggedAndTheOtherDeletionsGoOn) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, "+OK\r\n1 id-one\r\n2 id-two\r\n.\r\n");
  Answer(Answer(peer, Header(1)), "+OK 1 100\r\n");
  Answer(Answer(peer, Header(2)), "+OK 2 200\r\n");
  Answer(peer, "-ERR locked\r\n").AcceptNext();
  ScriptLogin(peer);
  Answer(peer, "+OK 1 id-one\r\n");
  Answer(peer, "-ERR locked\r\n");
  Answer(peer, "+OK 2 id-two\r\n");
  Answer(peer, "+OK deleted\r\n");
  Answer(peer, "+OK bye\r\n");
  peer.Start();
  CAccount* account = AddAccount("Scripted", "bob", "secret", peer.Port());
  account->SetCount(2);
  Fetch();
  MarkSubjects({"S1", "S2"});
  Close({IDYES});

  ASSERT_TRUE(peer.WaitDone(5000));
  EXPECT_EQ(
      (std::vector<Strings>{
          {"USER bob", "PASS secret", "STAT", "UIDL", "TOP 1 0", "LIST 1", "TOP 2 0", "LIST 2", "DELE 1"},
          {"USER bob", "PASS secret", "UIDL 1", "DELE 1", "UIDL 2", "DELE 2", "QUIT"}}),
      peer.Received());
  // The server's text without its line end: one log line.
  EXPECT_EQ((Strings{"Error deleting mail for Scripted from 127.0.0.1: -ERR locked"}), LogTexts());
  auto boxes = Window().boxes;
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Failed to delete mail", boxes[1].text);
  EXPECT_EQ("(none)", boxes[1].caption);
  EXPECT_EQ(0, account->currentCount());
}

// Without UIDL the header block identifies the message: the same block is
// deleted, a different one (the mailbox changed) is not.
TEST_F(ViewerTest, WithoutIdsAReconnectedSessionComparesTheHeaderBlock) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, "-ERR unknown command\r\n");
  Answer(Answer(peer, Header(1)), "+OK 1 100\r\n");
  Answer(Answer(peer, Header(2)), "+OK 2 200\r\n");
  Answer(peer, "-ERR [SYS/TEMP] Server shutting down.\r\n").AcceptNext();
  ScriptLogin(peer);
  Answer(peer, Header(1));
  Answer(peer, "+OK deleted\r\n");
  Answer(peer, Header(3));  // message 2 is another one now
  Answer(peer, "+OK bye\r\n");
  peer.Start();
  AddAccount("Scripted", "bob", "secret", peer.Port());
  Fetch();
  MarkSubjects({"S1", "S2"});
  Close({IDYES});

  ASSERT_TRUE(peer.WaitDone(5000));
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "UIDL", "TOP 1 0", "LIST 1", "TOP 2 0",
                                   "LIST 2", "DELE 1"},
                                  {"USER bob", "PASS secret", "TOP 1 0", "DELE 1", "TOP 2 0", "QUIT"}}),
            peer.Received());
  EXPECT_EQ(
      (Strings{"Error deleting mail for Scripted from 127.0.0.1: Message 2 is no longer the one listed; "
               "not deleted"}),
      LogTexts());
  EXPECT_EQ("Failed to delete mail", Window().boxes.back().text);
}

// Another client deletes message 1 and commits; the viewer's connection is
// dropped by the server; deleting what was listed as message 3 must never
// hit the message now numbered 3.
TEST_F(ViewerTest, LostConnectionNeverDeletesTheMessageNowUnderTheListedNumber) {
  FillMailbox("viewguard", "viewguardpw", {"G1", "G2", "G3", "G4"});
  AddAccount("Guard", "viewguard", "viewguardpw");
  Fetch();
  MarkSubjects({"G3"});
  {
    CPop3Client other(false, 15, 15);
    other.Open(false, "", 0, "127.0.0.1", DovecotPort(), "viewguard", "viewguardpw");
    other.DeleteMessage(1);
    other.Logout();
  }
  int kicked = DovecotLogLines("viewguard", "Server shutting down");
  KickUser("viewguard");
  ASSERT_TRUE(WaitDovecotLog("viewguard", "Server shutting down", kicked + 1));
  Close({IDYES});

  // G4, now number 3, stays; so does G3, since the new session cannot show
  // it is the message that was listed.
  EXPECT_EQ((Strings{"G2", "G3", "G4"}), ServerSubjects("viewguard", "viewguardpw"));
  Strings log = LogTexts();
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ(
      "Error deleting mail for Guard from 127.0.0.1: Message 3 is no longer the one listed; not deleted",
      log[0]);
}

}  // namespace
