// The recording window, the registry and account set-up, and mailbox helpers.
#include "ViewerHarness.h"

#include <cstdio>
#include <cstring>

#include "ImportHook.h"
#include "ScriptedServer.h"
#include "WaitUntil.h"
#include "framework/AppLog.h"
#include "pop3/HeaderParse.h"
#include "pop3/Pop3Client.h"

namespace {

// "dd/mm/yyyy hh:mm:ss    " before each log text.
const size_t kStampLength = 23;

using CreateThreadFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                       LPDWORD);
CreateThreadFn g_realCreateThread = nullptr;
volatile LONG g_nThreadFailures = 0;
DWORD g_nFailingThread = 0;  // the test's thread, which starts the core's workers

HANDLE WINAPI FaultyCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                 LPVOID param, DWORD flags, LPDWORD id) {
  bool ours = GetCurrentThreadId() == g_nFailingThread;
  if (ours && InterlockedCompareExchange(&g_nThreadFailures, 0, 0) > 0) {
    InterlockedDecrement(&g_nThreadFailures);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return g_realCreateThread(security, stack, start, param, flags, id);
}

std::string MaildirPath(const char* user) {
  return WinePath(EnvString("TIDEWELL_RUN_DIR") + "/dovecot/mail/" + user + "/Maildir/cur/");
}

}  // namespace

void CRecordingWindow::SetTitle(const char* text) {
  titles.push_back(text);
  if (onTitle) onTitle(text);
}

void CRecordingWindow::RowsWaiting() {
  if (!holdRows) TakeRows();
}

void CRecordingWindow::TakeRows() {
  m_pCore->InsertWaitingRows([this](int row, MailItem& shown) {
    if (++m_nInserts == refuseInsert) return false;
    listed.insert(listed.begin() + row, shown.header.subject);
    return true;
  });
}

int CRecordingWindow::ShowMessage(const char* text, const char* caption, UINT type) {
  boxes.push_back(Box{text, caption ? caption : "(none)", type});
  if (answers.empty()) return IDOK;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

void ViewerTest::SetUp() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Venterly\\Tidewell");
  m_pSettings = std::make_unique<CSettings>();
  m_pAccounts = std::make_unique<CAccountList>();
  m_pSettings->SetSetting(CheckTimeout, 15);
  std::vector<std::string> lines;
  g_appLog.Copy(lines);
  m_nLogStart = lines.size();
}

void ViewerTest::TearDown() {
  m_pCore.reset();
  m_pAccounts.reset();
  m_pSettings.reset();
  FailNextWorkerThreads(0);
}

CAccount* ViewerTest::AddAccount(const char* name, const char* user, const char* password, int port) {
  CAccount account;
  account.SetName(name);
  account.SetHost("127.0.0.1");
  account.SetPort(port ? port : DovecotPort());
  account.SetUser(user);
  account.SetPassword(password);
  m_pAccounts->Add(account);
  std::vector<CAccount*> active;
  m_pAccounts->SnapshotActive(active);
  return active.back();
}

CViewMailCore& ViewerTest::Core() {
  if (!m_pCore) {
    m_pSettings->SetSortColumn(1);
    m_pSettings->SetSortOrder(1);
    m_pCore = std::make_unique<CViewMailCore>(m_window, *m_pAccounts, *m_pSettings);
    m_pCore->LoadSortState();
    m_window.Attach(m_pCore.get());
  }
  return *m_pCore;
}

void ViewerTest::Fetch() {
  Core().StartFetch();
  ASSERT_TRUE(Core().StartFetchWorker());
  ASSERT_TRUE(Core().WaitForWorker(60000));
}

void ViewerTest::MarkSubjects(const std::vector<std::string>& subjects) {
  std::vector<int> rows;
  for (int row = 0; row < Core().model().GetCount(); ++row) {
    for (const std::string& subject : subjects) {
      if (Core().model().GetItem(row)->header.subject == " " + subject) rows.push_back(row);
    }
  }
  std::vector<int> changed;
  Core().MarkSelected(rows, changed);
}

void ViewerTest::Close(std::initializer_list<int> answers) {
  m_window.answers.assign(answers.begin(), answers.end());
  ASSERT_TRUE(Core().StartDeleteWorker());
  ASSERT_TRUE(Core().WaitForWorker(60000));
}

std::vector<std::string> ViewerTest::RowSubjects() {
  std::vector<std::string> subjects;
  for (int row = 0; row < Core().model().GetCount(); ++row)
    subjects.push_back(Core().model().GetRowTexts(*Core().model().GetItem(row))[1]);
  return subjects;
}

std::vector<std::string> ViewerTest::LogTexts() {
  std::vector<std::string> lines;
  g_appLog.Copy(lines);
  std::vector<std::string> texts;
  for (size_t i = m_nLogStart; i < lines.size(); ++i)
    texts.push_back(lines[i].size() > kStampLength ? lines[i].substr(kStampLength) : lines[i]);
  return texts;
}

int ViewerTest::DovecotPort() {
  return EnvInt("TIDEWELL_POP3_PORT");
}

void ViewerTest::FillMailbox(const char* user, const char* password,
                             const std::vector<std::string>& subjects) {
  {
    CPop3Client client(false, 15, 15);
    client.Open(false, "", 0, "127.0.0.1", DovecotPort(), user, password);
    int count = 0, size = 0;
    client.GetStatistics(count, size);
    for (int i = 1; i <= count; ++i) client.DeleteMessage(i);
    client.Logout();
  }
  // Names that sort in the order given keep the message numbers in that order.
  // Dovecot takes a name it has seen expunged for a message come back, so
  // each program run starts from a serial of its own.
  static int serial = static_cast<int>(GetTickCount() / 1000 % 100000) * 1000;
  for (size_t i = 0; i < subjects.size(); ++i) {
    ++serial;
    char name[96];
    snprintf(name, sizeof(name), "%010d.M%dP2.viewer:2,S", 1800000000 + serial % 100000000, serial);
    FILE* f = fopen((MaildirPath(user) + name).c_str(), "wb");
    ASSERT_TRUE(f) << name;
    fprintf(f,
            "From: Tester <tester@example.test>\r\nSubject: %s\r\nDate: Tue, 05 Jun 2007 14:%02d:00 +0000\r\n"
            "Message-ID: <%d.viewer@example.test>\r\n\r\nBody %d.\r\n",
            subjects[i].c_str(), static_cast<int>(i % 60), serial, serial);
    fclose(f);
  }
}

std::vector<std::string> ViewerTest::ServerSubjects(const char* user, const char* password) {
  std::vector<std::string> subjects;
  CPop3Client client(false, 15, 15);
  client.Open(false, "", 0, "127.0.0.1", DovecotPort(), user, password);
  int count = 0, size = 0;
  client.GetStatistics(count, size);
  for (int i = 1; i <= count; ++i) {
    MailHeader header;
    client.FetchHeader(i, header);
    subjects.push_back(header.subject.substr(header.subject.compare(0, 1, " ") == 0 ? 1 : 0));
  }
  client.Logout();
  return subjects;
}

void ViewerTest::FailNextWorkerThreads(int count) {
  if (!g_realCreateThread)
    g_realCreateThread = reinterpret_cast<CreateThreadFn>(
        HookImport("kernel32.dll", "CreateThread", reinterpret_cast<void*>(FaultyCreateThread)));
  g_nFailingThread = GetCurrentThreadId();
  InterlockedExchange(&g_nThreadFailures, count);
}

int ViewerTest::DovecotLogLines(const char* user, const char* text) {
  FILE* f = fopen(WinePath(EnvString("TIDEWELL_RUN_DIR") + "/dovecot/dovecot.log").c_str(), "r");
  if (!f) return -1;
  std::string tag = std::string("pop3(") + user + ")";
  int count = 0;
  char line[1024];
  while (fgets(line, sizeof(line), f)) {
    if (strstr(line, tag.c_str()) && strstr(line, text)) ++count;
  }
  fclose(f);
  return count;
}

bool ViewerTest::WaitDovecotLog(const char* user, const char* text, int count) {
  return WaitUntil([&] { return DovecotLogLines(user, text) >= count; }, 10000);
}

// Wine starts a Unix program given by its Unix path, but hands back no
// usable handles for it (a null process and a stray thread value, which must
// not be closed); the callers wait for the kick in Dovecot's log instead.
void ViewerTest::KickUser(const char* user) {
  std::string command =
      "/usr/bin/doveadm -c " + EnvString("TIDEWELL_RUN_DIR") + "/dovecot/dovecot.conf kick " + user;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = nul;  // its report would clutter the test output
  PROCESS_INFORMATION process = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
    ADD_FAILURE() << "cannot run " << command << ": error " << GetLastError();
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (process.hProcess) {
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}
