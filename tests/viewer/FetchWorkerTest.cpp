// The fetch worker against the run's Dovecot and a scripted peer, through the
// recording window.
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "ScriptedServer.h"
#include "framework/Handles.h"
#include "ViewerHarness.h"
#include "pop3/Pop3Client.h"

namespace {

using Strings = std::vector<std::string>;

const char kConnecting[] = "Getting mail list...(connecting)";
const char kConnected[] = "Getting mail list...(connected)";

std::string Progress(int i, int count) {
  return "Getting mail list... (" + std::to_string(i) + " of " + std::to_string(count) + ")";
}

// The titles without the counts between an account's first and last, which
// show at most ten times a second.
Strings Thinned(const Strings& titles) {
  Strings kept;
  for (const std::string& title : titles) {
    int i = 0, count = 0;
    if (sscanf(title.c_str(), "Getting mail list... (%d of %d)", &i, &count) == 2 && i > 0 && i < count)
      continue;
    kept.push_back(title);
  }
  return kept;
}

std::string ConnectingTo(const char* name) {
  return std::string("Getting mail list...(connecting to ") + name + ")";
}

// The second account's long name is cut to fit the 255-character title.
TEST_F(ViewerTest, FailedLoginIsReportedOnceAndTheNextAccountIsListed) {
  const std::string longName(300, 'N');
  AddAccount("First", "alice", "alicepw");
  AddAccount(longName.c_str(), "alice", "wrong");
  AddAccount("Third", "viewlist", "viewlistpw");
  time_t before = time(nullptr);
  Fetch();
  time_t after = time(nullptr);

  Strings titles{kConnecting, ConnectingTo("First"), kConnected, Progress(0, 3), Progress(3, 3)};
  titles.push_back(ConnectingTo(longName.c_str()).substr(0, 255));
  titles.push_back(ConnectingTo("Third"));
  titles.push_back(kConnected);
  titles.push_back(Progress(0, 3));
  titles.push_back(Progress(3, 3));  // the last count always shows
  EXPECT_EQ(titles, Thinned(Window().titles));

  auto boxes = Window().boxes;
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(0u, boxes[0].text.find("Failed to get mail list for NNNNNNNNNN"));
  EXPECT_EQ("N\n\nCheck log for more details", boxes[0].text.substr(boxes[0].text.size() - 29));
  EXPECT_EQ("View Mail", boxes[0].caption);
  Strings log = LogTexts();
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ(0u, log[0].find("Failed to get mail list for 127.0.0.1 -  - -ERR")) << log[0];
  EXPECT_EQ(std::string::npos, log[0].find_first_of("\r\n")) << log[0];

  EXPECT_TRUE(Core().client(0) && Core().client(2));
  EXPECT_FALSE(Core().client(1));
  ASSERT_EQ(6, Core().model().GetCount());

  // The third account's rows: senders decoded and unquoted, a missing date
  // taken as the time of listing. Sorted by subject ascending.
  const CMailListModel& model = Core().model();
  const MailItem* quoted = nullptr;
  const MailItem* undated = nullptr;
  const MailItem* encoded = nullptr;
  for (int row = 0; row < model.GetCount(); ++row) {
    const MailItem* item = model.GetItem(row);
    if (item->accountIndex != 2) continue;
    std::string subject = item->header.subject;
    if (subject == " Quoted sender") quoted = item;
    if (subject == " No date") undated = item;
    if (subject == " Hello again") encoded = item;
  }
  ASSERT_TRUE(quoted && undated && encoded) << ::testing::PrintToString(RowSubjects());
  EXPECT_EQ(" Ren\xc3\xa9 Dupont <rene@example.test>", quoted->header.from);  // UTF-8
  EXPECT_EQ(" Bob <bob@example.test>", encoded->header.from);
  EXPECT_EQ("", undated->header.date);
  EXPECT_GE(undated->timeKey, static_cast<long long>(before));
  EXPECT_LE(undated->timeKey, static_cast<long long>(after));
  EXPECT_EQ(2, undated->messageNumber);
  EXPECT_FALSE(quoted->uid.empty());
  EXPECT_NE(quoted->uid, encoded->uid);
}

TEST_F(ViewerTest, StopWhileFirstOfTenIsFetchedKeepsClientAndSkipsLaterAccounts) {
  AddAccount("Ten", "viewten", "viewtenpw");
  AddAccount("Later", "alice", "alicepw");
  CViewMailCore& core = Core();
  Window().onTitle = [&core](const std::string& title) {
    if (title == Progress(0, 10)) core.RequestStop();
  };
  Fetch();
  EXPECT_EQ((Strings{" Message 1"}), RowSubjects());
  Strings titles = Window().titles;
  EXPECT_EQ(Progress(1, 10), titles.back());
  for (const std::string& title : titles) EXPECT_NE(ConnectingTo("Later"), title);
  ASSERT_TRUE(core.client(0));
  EXPECT_TRUE(core.client(0)->IsLoggedIn());
  EXPECT_FALSE(core.client(1));
  EXPECT_TRUE(Window().boxes.empty());
}

// Waiting for the check cycle, then an empty mailbox and one whose STAT
// reply carries no number: neither lists anything, both stay logged in. A
// reply time-out edited to 0 by hand still waits a second for each reply.
TEST_F(ViewerTest, WaitsForTheCheckThenListsNothingForEmptyOrNumberlessMailboxes) {
  Settings().SetSetting(CheckTimeout, 0);
  CScriptedServer bare;
  bare.Send("+OK ready\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK in\r\n");
  bare.ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK bye\r\n");
  bare.Start();
  AddAccount("Empty", "empty", "emptypw");
  AddAccount("Bare", "bob", "secret", bare.Port());
  CUniqueHandle titled(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  Window().onTitle = [&titled](const std::string&) { SetEvent(titled.Get()); };
  ASSERT_TRUE(Core().StartFetchWorker());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(titled.Get(), 10000));
  EXPECT_FALSE(Core().WaitForWorker(300));  // still waiting for the check
  EXPECT_EQ((Strings{"Getting mail list...(waiting to connect)"}), Window().titles);
  Core().StartFetch();
  ASSERT_TRUE(Core().WaitForWorker(60000));
  EXPECT_EQ((std::vector<UINT>{WM_APP + 12}), Window().posted);
  EXPECT_EQ((Strings{"Getting mail list...(waiting to connect)", ConnectingTo("Empty"), kConnected,
                     ConnectingTo("Bare"), kConnected}),
            Window().titles);
  EXPECT_EQ(0, Core().model().GetCount());
  ASSERT_TRUE(Core().client(0) && Core().client(1));

  Close({});  // nothing marked: no question, QUIT to both
  EXPECT_TRUE(Window().boxes.empty());
  EXPECT_FALSE(Core().client(1));
  ASSERT_TRUE(bare.WaitDone(5000));
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "QUIT"}}), bare.Received());
}

// A header block that never ends: the stop cuts the read off (one session,
// no retry) and, being the user's own doing, shows no failure.
TEST_F(ViewerTest, StopCutsOffAReplyThatNeverEndsAndShowsNoFailure) {
  Settings().SetSetting(CheckTimeout, 60);
  CScriptedServer peer;
  ScriptLogin(peer);
  Answer(peer, "+OK 1 100\r\n");
  Answer(peer, "-ERR unknown command\r\n");
  Answer(peer, "-ERR unknown command\r\n");  // CAPA
  Answer(peer, "-ERR unknown command\r\n");
  std::string endless = "+OK\r\n";
  for (int i = 0; i < 3000; ++i) endless += "X-Filler: " + std::string(88, 'x') + "\r\n";
  peer.ExpectLine().Send(endless, 500, 50);  // 30 s of it, then silence
  peer.Start();
  AddAccount("Endless", "bob", "secret", peer.Port());
  Core().StartFetch();
  ASSERT_TRUE(Core().StartFetchWorker());
  ASSERT_TRUE(peer.WaitLines(7));  // the TOP is out
  Core().RequestStop();
  ASSERT_TRUE(Core().WaitForWorker(20000));
  EXPECT_TRUE(Window().boxes.empty());
  EXPECT_TRUE(LogTexts().empty());
  EXPECT_EQ(0, Core().model().GetCount());
  EXPECT_EQ((std::vector<Strings>{{"USER bob", "PASS secret", "STAT", "UIDL", "CAPA", "LIST", "TOP 1 0"}}),
            peer.Received());
  ASSERT_TRUE(Core().client(0));  // kept, so rows listed before could still be deleted
  EXPECT_FALSE(Core().client(0)->IsLoggedIn());
}

// A row the list refuses leaves the model too: list and model stay in step,
// so marking every row shown deletes exactly those messages.
TEST_F(ViewerTest, RowTheListRefusesLeavesTheModelAndIsNeverDeleted) {
  FillMailbox("viewdel2", "viewdel2pw", {"R1", "R2", "R3"});
  AddAccount("Rows", "viewdel2", "viewdel2pw");
  Window().refuseInsert = 2;
  Fetch();
  Strings subjects;
  for (int row = 0; row < Core().model().GetCount(); ++row)
    subjects.push_back(Core().model().GetItem(row)->header.subject);
  EXPECT_EQ((Strings{" R1", " R3"}), subjects);
  EXPECT_EQ(subjects, Window().listed);
  EXPECT_EQ((Strings{"View Mail: message 2 of Rows could not be listed"}), LogTexts());
  MarkSubjects({"R1", "R2", "R3"});
  Close({IDYES});
  EXPECT_EQ((Strings{"R2"}), ServerSubjects("viewdel2", "viewdel2pw"));
}

// A row as the fetch makes it; keys repeat (in other case too) so that
// arrival order matters among equal rows.
std::unique_ptr<MailItem> MadeRow(int n) {
  auto item = std::make_unique<MailItem>();
  item->accountIndex = n % 2;
  item->messageNumber = n;
  MailHeader& h = item->header;
  h.subject = (n % 3 ? " s" : " S") + std::to_string(n % 7);
  h.from = " From " + std::to_string(n % 4);
  h.received.tm_year = 126;
  h.received.tm_mday = 1 + n % 5;
  h.received.tm_hour = n % 3;
  h.received.tm_isdst = -1;
  h.sizeBytes = std::to_string(n % 6 * 900);
  h.sizeText = std::to_string(n % 6 * 900 / 1000 + 1) + " KB";
  ComputeSortKeys(*item);
  return item;
}

// Rows taken in batches land where one-by-one insertion puts them: every
// column and direction, a heading click part-way (rows still waiting then
// land in the new order), and marks made during the fetch stay on their
// messages.
TEST_F(ViewerTest, BatchedRowsLandWhereOneByOneInsertionPutsThem) {
  AddAccount("beta", "alice", "alicepw");
  AddAccount("Alpha", "alice", "alicepw");
  CViewMailCore& core = Core();
  Window().holdRows = true;
  const int kRows = 60, kClickAt = 25;
  for (int state = 0; state < 10; ++state) {
    const int column = state / 2, next = (state + 3) % 10 / 2;
    core.model().SetSortState(column, state % 2 == 0);
    CMailListModel alone({"beta", "Alpha"});
    alone.SetSortState(column, state % 2 == 0);
    std::vector<int> marked;
    bool clicked = false;
    for (int n = 1, batch = 1; n <= kRows; batch += 4) {
      for (int end = std::min(kRows, n + batch - 1); n <= end; ++n) core.QueueRow(MadeRow(n));
      if (n > kClickAt && !clicked) {
        // The click comes while rows wait to be taken.
        core.SortByColumn(next);
        alone.SetSortState(next, true);
        alone.Sort();
        clicked = true;
      }
      int before = core.model().GetCount();
      Window().TakeRows();
      for (int k = before + 1; k <= core.model().GetCount(); ++k) alone.Insert(MadeRow(k));
      if (marked.empty() && core.model().GetCount() > 2) {
        std::vector<int> rows{0, 2}, changed;
        for (int row : rows) marked.push_back(core.model().GetItem(row)->messageNumber);
        core.MarkSelected(rows, changed);
      }
    }
    ASSERT_EQ(kRows, core.model().GetCount());
    std::vector<int> stillMarked;
    for (int row = 0; row < kRows; ++row) {
      const MailItem& item = *core.model().GetItem(row);
      if (item.header.marked) stillMarked.push_back(item.messageNumber);
      if (std::find(marked.begin(), marked.end(), alone.GetItem(row)->messageNumber) != marked.end())
        alone.GetItem(row)->header.marked = true;
      EXPECT_EQ(alone.GetItem(row)->messageNumber, item.messageNumber) << "state " << state << " row " << row;
      EXPECT_EQ(alone.GetRowTexts(*alone.GetItem(row)), core.model().GetRowTexts(item));
    }
    std::sort(marked.begin(), marked.end());
    std::sort(stillMarked.begin(), stillMarked.end());
    EXPECT_EQ(marked, stillMarked);
    core.ClearForRefresh();
    Window().listed.clear();
  }
}

TEST_F(ViewerTest, WorkerThatCannotStartIsLoggedAndLeavesTheWindowUsable) {
  AddAccount("Alice", "alice", "alicepw");
  FailNextWorkerThreads(1);
  EXPECT_FALSE(Core().StartFetchWorker());
  EXPECT_TRUE(Core().fetchDone());
  EXPECT_EQ((std::vector<UINT>{WM_APP + 12}), Window().posted);

  FailNextWorkerThreads(1);
  EXPECT_FALSE(Core().StartDeleteWorker());
  EXPECT_FALSE(Core().closing());
  EXPECT_EQ((Strings{"View Mail: could not start a thread to get the mail list (error 8)",
                     "View Mail: could not start a thread to delete mail (error 8)"}),
            LogTexts());

  Close({});  // the next close request works
  EXPECT_EQ(WM_APP + 13, Window().posted.back());
}

}  // namespace
