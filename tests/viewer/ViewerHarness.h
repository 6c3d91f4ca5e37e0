// The viewer's core with a recording stand-in for its window: accounts in a
// fresh registry section, the run's Dovecot, mailboxes filled per test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Account.h"
#include "store/AccountList.h"
#include "store/Settings.h"
#include "viewer/ViewMailCore.h"

// Carries every window call out at once on the worker's thread and records
// it. Tests read the records once the worker has ended.
class CRecordingWindow : public CViewerCalls {
 public:
  struct Box {
    std::string text, caption;
    UINT type;
  };

  void Attach(CViewMailCore* core) { m_pCore = core; }
  void SetTitle(const char* text) override;
  // Takes the waiting rows at once, unless holdRows.
  void RowsWaiting() override;
  int ShowMessage(const char* text, const char* caption, UINT type) override;
  void Post(UINT message) override { posted.push_back(message); }

  std::vector<std::string> titles;
  std::vector<Box> boxes;
  std::vector<UINT> posted;
  std::deque<int> answers;  // for the next boxes, in order; IDOK once they run out
  // Called with each title once it is recorded.
  std::function<void(const std::string&)> onTitle;
  // The list control's rows (subjects), kept as the window keeps its list;
  // the insert numbered refuseInsert (from 1) fails as a full list would.
  std::vector<std::string> listed;
  int refuseInsert = 0;
  bool holdRows = false;
  // Takes the waiting rows as the window's timer does.
  void TakeRows();

 private:
  CViewMailCore* m_pCore = nullptr;
  int m_nInserts = 0;
};

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // An account on 127.0.0.1 (the run's Dovecot unless port says otherwise).
  CAccount* AddAccount(const char* name, const char* user, const char* password, int port = 0);
  // The core over the accounts added so far, its sort by subject ascending.
  CViewMailCore& Core();
  CRecordingWindow& Window() { return m_window; }
  CSettings& Settings() { return *m_pSettings; }
  CAccountList& Accounts() { return *m_pAccounts; }
  // Starts the fetch at once and waits for its end.
  void Fetch();
  // Marks the rows whose subject is listed.
  void MarkSubjects(const std::vector<std::string>& subjects);
  // The close request: the delete worker with the given answers; waits for
  // it to end.
  void Close(std::initializer_list<int> answers);
  std::vector<std::string> RowSubjects();

  std::vector<std::string> LogTexts();

  static int DovecotPort();
  // Leaves exactly these messages (subject "<subject>") in the mailbox, in order.
  static void FillMailbox(const char* user, const char* password, const std::vector<std::string>& subjects);
  // The subjects on the server now, in message-number order.
  static std::vector<std::string> ServerSubjects(const char* user, const char* password);
  // Lines of the run's Dovecot log about user's sessions that contain text.
  static int DovecotLogLines(const char* user, const char* text);
  static bool WaitDovecotLog(const char* user, const char* text, int count);
  // Ends every session of user from the server's side (doveadm kick).
  static void KickUser(const char* user);
  // The next count worker threads of the core fail to start.
  static void FailNextWorkerThreads(int count);

 private:
  CRecordingWindow m_window;
  std::unique_ptr<CSettings> m_pSettings;
  std::unique_ptr<CAccountList> m_pAccounts;
  std::unique_ptr<CViewMailCore> m_pCore;
  size_t m_nLogStart = 0;
};
