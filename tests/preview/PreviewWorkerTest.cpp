// The information window's text fetch against scripted servers: a message
// that is no longer the one listed is not shown, a refusal shows its reason,
// a reply past the byte cap is cut, and a stop ends the worker at once.
#include <gtest/gtest.h>

#include <string>

#include "ScriptedServer.h"
#include "pop3/Pop3Client.h"
#include "viewer/PreviewWorker.h"

namespace {

PreviewJob Job(int port, const std::string& uid) {
  PreviewJob job;
  job.account.name = "Box";
  job.account.host = "127.0.0.1";
  job.account.port = port;
  job.account.user = "u";
  job.account.password = "p";
  job.timeout = 10;
  job.bodyLines = 200;
  job.number = 2;
  job.uid = uid;
  job.listed = {"+OK", "Subject: Listed", ""};
  return job;
}

std::string Fetch(const PreviewJob& job) {
  return FetchPreviewText(job, [](CPop3Client*) {});
}

TEST(PreviewFetch, OnlyTheListedMessageIsShownAndARefusalSaysWhy) {
  CScriptedServer moved;  // its id names another message now; nothing else is asked
  Answer(ScriptLogin(moved), "+OK 2 other-id\r\n");
  Answer(moved, "+OK\r\n1 listed-id\r\n2 other-id\r\n.\r\n").Start();
  EXPECT_EQ("This is no longer the message listed; its text is not shown.",
            Fetch(Job(moved.Port(), "listed-id")));
  ASSERT_TRUE(moved.WaitDone(5000));
  EXPECT_EQ(4u, moved.Received().at(0).size()) << "USER, PASS, UIDL 2, UIDL";

  CScriptedServer other;  // without ids the header block tells
  Answer(ScriptLogin(other), "+OK\r\nSubject: Another\r\n\r\nText\r\n.\r\n").Start();
  EXPECT_EQ("This is no longer the message listed; its text is not shown.", Fetch(Job(other.Port(), "")));
  EXPECT_EQ("TOP 2 200", other.Received().at(0).back());

  CScriptedServer refusing;  // TOP is retried once on a new session, as every command is
  Answer(ScriptLogin(refusing), "-ERR no TOP here\r\n").AcceptNext();
  Answer(ScriptLogin(refusing), "-ERR no TOP here\r\n").Start();
  EXPECT_EQ("The message text could not be fetched: -ERR no TOP here", Fetch(Job(refusing.Port(), "")));
}

TEST(PreviewFetch, AReplyPastTheByteCapIsCutAndSaysSo) {
  std::string reply = "+OK\r\nSubject: Listed\r\n\r\n";
  for (int i = 0; i < 20000; ++i)
    reply += "Line " + std::to_string(i) + " of a long letter that goes on and on.\r\n";
  CScriptedServer server;
  Answer(ScriptLogin(server), reply + ".\r\n").Start();
  std::string text = Fetch(Job(server.Port(), ""));
  EXPECT_LT(text.size(), kPreviewByteCap);
  EXPECT_EQ(0u, text.find("Line 0 of a long letter"));
  EXPECT_EQ("\xE2\x80\xA6\r\n", text.substr(text.size() - 5)) << "the ellipsis of a cut text";
}

TEST(PreviewWorker, StopCutsOffASilentServerAndNothingReachesTheWindow) {
  CScriptedServer server;
  ScriptLogin(server).ExpectLine().Silence(20000).Start();
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  const UINT done = WM_APP + 1;
  {
    CPreviewWorker worker;
    ASSERT_TRUE(worker.Start(Job(server.Port(), ""), window, done));
    ASSERT_TRUE(server.WaitLines(3)) << "the worker waits for its TOP reply";
    EXPECT_TRUE(worker.Stop(CPreviewWorker::kStopWait)) << "ended within the bounded wait";
  }
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, window, done, done, PM_REMOVE));
  DestroyWindow(window);
}

}  // namespace
