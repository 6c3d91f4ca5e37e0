// CScriptedServer: the scripted POP3 peer; waits use select so the thread can
// be stopped at any point.
#include "ScriptedServer.h"

#include <cstdlib>
#include <cstring>

#include "LoopbackPort.h"

namespace {

// Longest time a step waits for the client before it gives up.
const DWORD kClientWaitMs = 10000;

}  // namespace

bool WaitReadable(SOCKET s, DWORD ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval limit = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  return select(0, &set, nullptr, nullptr, &limit) > 0;
}

CScriptedServer::CScriptedServer() {
  WSAStartup(0x0202, &m_wsaData);
  InitializeCriticalSection(&m_lock);
  m_hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_hDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_listen = ListenOnLoopback(4, m_nPort);
}

CScriptedServer::~CScriptedServer() {
  SetEvent(m_hStop);
  if (m_hThread) {
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
  }
  CloseClient();
  closesocket(m_listen);
  CloseHandle(m_hStop);
  CloseHandle(m_hDone);
  DeleteCriticalSection(&m_lock);
  WSACleanup();
}

CScriptedServer& CScriptedServer::Send(const std::string& bytes, size_t chunkSize, DWORD pauseMs) {
  m_steps.push_back({Step::SendBytes, bytes, chunkSize, pauseMs});
  return *this;
}

CScriptedServer& CScriptedServer::ExpectLine() {
  m_steps.push_back({Step::ExpectLine, "", 0, 0});
  return *this;
}

CScriptedServer& CScriptedServer::Silence(DWORD ms) {
  m_steps.push_back({Step::Silence, "", 0, ms});
  return *this;
}

CScriptedServer& CScriptedServer::Close() {
  m_steps.push_back({Step::Close, "", 0, 0});
  return *this;
}

CScriptedServer& CScriptedServer::AcceptNext() {
  m_steps.push_back({Step::AcceptNext, "", 0, 0});
  return *this;
}

void CScriptedServer::Start() {
  m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

bool CScriptedServer::WaitDone(DWORD ms) {
  return WaitForSingleObject(m_hDone, ms) == WAIT_OBJECT_0;
}

std::vector<std::vector<std::string>> CScriptedServer::Received() {
  EnterCriticalSection(&m_lock);
  auto copy = m_received;
  LeaveCriticalSection(&m_lock);
  return copy;
}

bool CScriptedServer::WaitLines(size_t count, DWORD ms) {
  DWORD start = GetTickCount();
  EnterCriticalSection(&m_lock);
  bool reached;
  for (;;) {
    reached = m_nLines >= count;
    DWORD waited = GetTickCount() - start;
    if (reached || waited >= ms) break;
    SleepConditionVariableCS(&m_receivedChanged, &m_lock, ms - waited);
  }
  LeaveCriticalSection(&m_lock);
  return reached;
}

// A new connection (line null) or one more line on the current one.
void CScriptedServer::Record(const std::string* line) {
  EnterCriticalSection(&m_lock);
  if (line) {
    m_received.back().push_back(*line);
    ++m_nLines;
  } else {
    m_received.emplace_back();
  }
  LeaveCriticalSection(&m_lock);
  WakeAllConditionVariable(&m_receivedChanged);
}

DWORD WINAPI CScriptedServer::ThreadProc(LPVOID param) {
  static_cast<CScriptedServer*>(param)->Run();
  return 0;
}

void CScriptedServer::Run() {
  bool ok = Accept();
  for (size_t i = 0; ok && i < m_steps.size() && !Stopping(); ++i) {
    const Step& step = m_steps[i];
    switch (step.kind) {
      case Step::SendBytes: {
        size_t chunk = step.chunkSize ? step.chunkSize : step.bytes.size();
        // A long stream ends early when the server goes or the client has gone.
        for (size_t at = 0; at < step.bytes.size() && !Stopping(); at += chunk) {
          if (at && step.ms) Sleep(step.ms);
          std::string part = step.bytes.substr(at, chunk);
          if (send(m_client, part.data(), static_cast<int>(part.size()), 0) == SOCKET_ERROR) break;
        }
        break;
      }
      case Step::ExpectLine: {
        std::string line;
        ok = ReadLine(line);
        if (ok) Record(&line);
        break;
      }
      case Step::Silence:
        WaitForSingleObject(m_hStop, step.ms);
        break;
      case Step::Close:
        CloseClient();
        break;
      case Step::AcceptNext:
        CloseClient();
        ok = Accept();
        break;
    }
  }
  SetEvent(m_hDone);
  WaitForSingleObject(m_hStop, INFINITE);
}

bool CScriptedServer::Accept() {
  for (DWORD waited = 0; waited < kClientWaitMs && !Stopping(); waited += 50) {
    if (!WaitReadable(m_listen, 50)) continue;
    m_client = accept(m_listen, nullptr, nullptr);
    if (m_client == INVALID_SOCKET) return false;
    m_pending.clear();
    Record(nullptr);
    return true;
  }
  return false;
}

bool CScriptedServer::ReadLine(std::string& line) {
  for (DWORD waited = 0; waited < kClientWaitMs && !Stopping();) {
    size_t end = m_pending.find("\r\n");
    if (end != std::string::npos) {
      line = m_pending.substr(0, end);
      m_pending.erase(0, end + 2);
      return true;
    }
    if (!WaitReadable(m_client, 50)) {
      waited += 50;
      continue;
    }
    char buffer[512];
    int n = recv(m_client, buffer, sizeof(buffer), 0);
    if (n <= 0) return false;
    m_pending.append(buffer, n);
  }
  return false;
}

void CScriptedServer::CloseClient() {
  if (m_client == INVALID_SOCKET) return;
  closesocket(m_client);
  m_client = INVALID_SOCKET;
}

CScriptedServer& ScriptLogin(CScriptedServer& server) {
  return server.Send("+OK ready\r\n").ExpectLine().Send("+OK\r\n").ExpectLine().Send("+OK logged in\r\n");
}

CScriptedServer& Answer(CScriptedServer& server, const std::string& reply) {
  return server.ExpectLine().Send(reply);
}

int EnvInt(const char* name) {
  const int value = atoi(EnvString(name).c_str());
  // A fixture's port may have moved to a free one.
  return strstr(name, "PORT") ? FixturePort(value) : value;
}

std::string EnvString(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::string WinePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
