// The delete worker: confirmation answers, deletions on Dovecot, a refused
// DELE on a scripted peer, the guard against deleting another message after
// the connection was lost, sessions lost between deletions and before QUIT,
// the report of what stayed, and a stop part-way.
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
// first), then reported; the next message is still deleted.
TEST_F(ViewerTest, RefusedDeleIsLoggedAndTheOtherDeletionsGoOn) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, "+OK\r\n1 id-one\r\n2 id-two\r\n.\r\n");
  Answer(peer, "-ERR unknown command\r\n");                    // CAPA
  Answer(peer, "+OK 2 messages\r\n1 100\r\n2 2500\r\n.\r\n");  // every size at once
  Answer(Answer(peer, Header(1)), Header(2));
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
  EXPECT_EQ((Strings{"1 KB", "3 KB"}), (Strings{Core().model().GetItem(0)->header.sizeText,
                                                Core().model().GetItem(1)->header.sizeText}));
  MarkSubjects({"S1", "S2"});
  Close({IDYES});

  ASSERT_TRUE(peer.WaitDone(5000));
  EXPECT_EQ((std::vector<Strings>{
                {"USER bob", "PASS secret", "STAT", "UIDL", "CAPA", "LIST", "TOP 1 0", "TOP 2 0", "DELE 1"},
                {"USER bob", "PASS secret", "UIDL 1", "DELE 1", "UIDL 2", "DELE 2", "QUIT"}}),
            peer.Received());
  // The server's text without its line end: one log line.
  EXPECT_EQ((Strings{"Error deleting mail for Scripted from 127.0.0.1: message 1 not deleted: -ERR locked. "
                     "Subject: S1"}),
            LogTexts());
  auto boxes = Window().boxes;
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("1 of 2 marked messages was not deleted (Scripted). See the log for details.", boxes[1].text);
  EXPECT_EQ("(none)", boxes[1].caption);
  EXPECT_EQ(1, account->currentCount());
}

// Without UIDL the header block identifies the message: the same block is
// deleted, a different one (the mailbox changed) is not.
TEST_F(ViewerTest, WithoutIdsAReconnectedSessionComparesTheHeaderBlock) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, "-ERR unknown command\r\n");
  Answer(peer, "-ERR unknown command\r\n");  // CAPA
  Answer(peer, "-ERR unknown command\r\n");  // no LIST without a number: LIST n
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
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "UIDL", "CAPA", "LIST", "TOP 1 0",
                                   "LIST 1", "TOP 2 0", "LIST 2", "DELE 1"},
                                  {"USER bob", "PASS secret", "TOP 1 0", "DELE 1", "TOP 2 0", "QUIT"}}),
            peer.Received());
  EXPECT_EQ(
      (Strings{"Error deleting mail for Scripted from 127.0.0.1: message 2 is no longer the one listed; "
               "not deleted. Subject: S2"}),
      LogTexts());
  EXPECT_EQ("1 of 2 marked messages was not deleted (Scripted). See the log for details.",
            Window().boxes.back().text);
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
      "Error deleting mail for Guard from 127.0.0.1: message 3 is no longer the one listed; not deleted. "
      "Subject: G3",
      log[0]);
}

// A session ended between two deletions made none of them final: the new
// one takes the first again (its id confirmed), so every marked message goes.
TEST_F(ViewerTest, SessionEndedBetweenDeletionsTakesTheEarlierOnesAgain) {
  FillMailbox("viewdel1", "viewdel1pw", {"K1", "K2", "K3", "K4"});
  CAccount* one = AddAccount("One", "viewdel1", "viewdel1pw");
  one->SetCount(4);
  Fetch();
  MarkSubjects({"K1", "K2", "K4"});
  int kicked = DovecotLogLines("viewdel1", "Server shutting down");
  Window().onTitle = [kicked](const std::string& title) {
    if (title != "Deleting...(2 of 3)") return;
    KickUser("viewdel1");
    EXPECT_TRUE(WaitDovecotLog("viewdel1", "Server shutting down", kicked + 1));
  };
  Close({IDYES});

  EXPECT_EQ((Strings{"K3"}), ServerSubjects("viewdel1", "viewdel1pw"));
  EXPECT_EQ(1, one->currentCount());
  EXPECT_EQ(1u, Window().boxes.size());  // the question only
  EXPECT_TRUE(LogTexts().empty());
}

// Without ids: dropped between the two DELEs and again before QUIT's answer;
// each new session confirms the header blocks and takes both again.
TEST_F(ViewerTest, DroppedBetweenDeletionsAndBeforeQuitEndsWithBothDeleted) {
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, "-ERR unknown command\r\n");
  Answer(peer, "-ERR unknown command\r\n");  // CAPA
  Answer(peer, "-ERR unknown command\r\n");  // no LIST without a number: LIST n
  Answer(Answer(peer, Header(1)), "+OK 1 100\r\n");
  Answer(Answer(peer, Header(2)), "+OK 2 200\r\n");
  Answer(peer, "+OK deleted\r\n");
  peer.ExpectLine().AcceptNext();  // DELE 2 unanswered
  for (int session = 0; session < 2; ++session) {
    ScriptLogin(peer);
    Answer(Answer(Answer(Answer(peer, Header(1)), "+OK deleted\r\n"), Header(2)), "+OK deleted\r\n");
    if (session == 0) peer.ExpectLine().AcceptNext();  // QUIT unanswered
  }
  Answer(peer, "+OK bye\r\n");
  peer.Start();
  CAccount* account = AddAccount("Scripted", "bob", "secret", peer.Port());
  account->SetCount(2);
  Fetch();
  MarkSubjects({"S1", "S2"});
  Close({IDYES});

  ASSERT_TRUE(peer.WaitDone(5000));
  const Strings again{"USER bob", "PASS secret", "TOP 1 0", "DELE 1", "TOP 2 0", "DELE 2", "QUIT"};
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "UIDL", "CAPA", "LIST", "TOP 1 0",
                                   "LIST 1", "TOP 2 0", "LIST 2", "DELE 1", "DELE 2"},
                                  again,
                                  again}),
            peer.Received());
  EXPECT_EQ(0, account->currentCount());
  EXPECT_EQ(1u, Window().boxes.size());
  EXPECT_TRUE(LogTexts().empty());
}

std::string Ids(const Strings& ids) {
  std::string reply = "+OK\r\n";
  for (size_t i = 0; i < ids.size(); ++i) reply += std::to_string(i + 1) + " " + ids[i] + "\r\n";
  return reply + ".\r\n";
}

// Work: after a drop, message 2 is gone (someone else deleted it) and
// message 3 moved to number 2. Home's listing failed part-way, so its row
// has no session. Each message ends reported as what it is.
TEST_F(ViewerTest, WhatStaysOnTheServerIsReportedPerMessageAndCounted) {
  CScriptedServer work;
  ScriptLogin(work);
  Answer(work, "+OK 3 300\r\n");
  Answer(work, Ids({"id-one", "id-two", "id-three"}));
  Answer(work, "-ERR unknown command\r\n");  // CAPA
  Answer(work, "-ERR unknown command\r\n");
  for (int n = 1; n <= 3; ++n) Answer(Answer(work, Header(n)), "+OK " + std::to_string(n) + " 100\r\n");
  Answer(work, "+OK deleted\r\n");
  work.ExpectLine().AcceptNext();
  ScriptLogin(work);
  Answer(Answer(work, "+OK 1 id-one\r\n"), "+OK deleted\r\n");
  for (int n = 2; n <= 3; ++n) Answer(Answer(work, "-ERR no such message\r\n"), Ids({"id-one", "id-three"}));
  Answer(work, "+OK bye\r\n");
  work.Start();
  CScriptedServer home;
  ScriptLogin(home);
  Answer(home, "+OK 2 200\r\n");
  Answer(home, "-ERR unknown command\r\n");
  Answer(home, "-ERR unknown command\r\n");  // CAPA
  Answer(home, "-ERR unknown command\r\n");
  Answer(Answer(home, Header(7)), "+OK 1 100\r\n");
  home.ExpectLine().AcceptNext().Send("-ERR busy\r\n");
  home.Start();
  CAccount* one = AddAccount("Work", "bob", "secret", work.Port());
  CAccount* two = AddAccount("Home", "bob", "secret", home.Port());
  one->SetCount(3);
  two->SetCount(2);
  Fetch();
  MarkSubjects({"S1", "S2", "S3", "S7"});
  Close({IDYES});

  ASSERT_TRUE(work.WaitDone(5000));
  EXPECT_EQ(
      (Strings{"USER bob", "PASS secret", "UIDL 1", "DELE 1", "UIDL 2", "UIDL", "UIDL 3", "UIDL", "QUIT"}),
      work.Received().back());
  ASSERT_EQ(3u, Window().boxes.size());  // the fetch failure, the question, the report
  EXPECT_EQ("2 of 4 marked messages were not deleted (Work, Home). See the log for details.",
            Window().boxes[2].text);
  Strings log = LogTexts();
  ASSERT_EQ(4u, log.size());  // the fetch failure first
  EXPECT_EQ(
      (Strings{"Deleting mail for Work from 127.0.0.1: message 2 is no longer on the server. Subject: S2",
               "Error deleting mail for Work from 127.0.0.1: message 3 is no longer the one listed; not "
               "deleted. Subject: S3",
               "Error deleting mail for Home from 127.0.0.1: message 1 not deleted: the account's mail list "
               "was not fetched. Subject: S7"}),
      Strings(log.begin() + 1, log.end()));
  EXPECT_EQ(1, one->currentCount());  // deleted, or gone already
  EXPECT_EQ(2, two->currentCount());
}

// The program closes while a server sits on a DELE: the worker ends at once
// and sends nothing more, not even QUIT, so the deletion already taken is not
// made final either; the log says what stayed, no box holds the exit up.
TEST_F(ViewerTest, ExitWhileAServerSitsOnADeleEndsTheWorkerAndLogsWhatStayed) {
  Settings().SetSetting(CheckTimeout, 60);
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 2 300\r\n");
  Answer(peer, Ids({"id-one", "id-two"}));
  Answer(peer, "-ERR unknown command\r\n");  // CAPA
  Answer(peer, "-ERR unknown command\r\n");
  for (int n = 1; n <= 2; ++n) Answer(Answer(peer, Header(n)), "+OK " + std::to_string(n) + " 100\r\n");
  Answer(peer, "+OK deleted\r\n");
  peer.ExpectLine().Silence(60000);
  peer.Start();
  CAccount* account = AddAccount("Scripted", "bob", "secret", peer.Port());
  account->SetCount(2);
  Fetch();
  MarkSubjects({"S1", "S2"});
  Window().answers = {IDYES};
  ASSERT_TRUE(Core().StartDeleteWorker());
  ASSERT_TRUE(peer.WaitLines(12));  // DELE 2 is out
  ASSERT_TRUE(Core().StopWorkers(10000));

  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "UIDL", "CAPA", "LIST", "TOP 1 0",
                                   "LIST 1", "TOP 2 0", "LIST 2", "DELE 1", "DELE 2"}}),
            peer.Received());
  EXPECT_EQ(
      (Strings{"Error deleting mail for Scripted from 127.0.0.1: message 1 not deleted: the program was "
               "closing. Subject: S1",
               "Error deleting mail for Scripted from 127.0.0.1: message 2 not deleted: the program was "
               "closing. Subject: S2"}),
      LogTexts());
  EXPECT_EQ(1u, Window().boxes.size());
  EXPECT_EQ(WM_APP + 13, Window().posted.back());
  EXPECT_FALSE(Core().client(0));
  EXPECT_EQ(2, account->currentCount());
}

}  // namespace
