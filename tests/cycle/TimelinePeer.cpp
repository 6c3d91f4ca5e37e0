// The timeline, the POP3 peers and the backlogged port.
#include "TimelinePeer.h"

#include "LoopbackPort.h"
#include "ScriptedServer.h"
#include "WaitUntil.h"

#include <cstdio>

namespace {

const DWORD kPollMs = 50;

void SendText(SOCKET s, const std::string& text) {
  send(s, text.data(), static_cast<int>(text.size()), 0);
}

}  // namespace

CTimeline::CTimeline() {
  InitializeCriticalSection(&m_lock);
}

CTimeline::~CTimeline() {
  DeleteCriticalSection(&m_lock);
}

void CTimeline::SetProbe(std::function<std::string()> probe) {
  EnterCriticalSection(&m_lock);
  m_probe = std::move(probe);
  LeaveCriticalSection(&m_lock);
}

void CTimeline::Add(const std::string& text) {
  EnterCriticalSection(&m_lock);
  m_events.push_back({text, m_probe ? m_probe() : std::string()});
  LeaveCriticalSection(&m_lock);
}

std::vector<CTimeline::Event> CTimeline::Events() {
  EnterCriticalSection(&m_lock);
  std::vector<Event> copy = m_events;
  LeaveCriticalSection(&m_lock);
  return copy;
}

std::vector<std::string> CTimeline::Texts() {
  std::vector<std::string> texts;
  for (const Event& e : Events()) texts.push_back(e.text);
  return texts;
}

int CTimeline::Find(const std::string& text) {
  std::vector<std::string> texts = Texts();
  for (size_t i = 0; i < texts.size(); ++i)
    if (texts[i] == text) return static_cast<int>(i);
  return -1;
}

int CTimeline::Count(const std::string& text) {
  int n = 0;
  for (const std::string& t : Texts())
    if (t == text) ++n;
  return n;
}

bool CTimeline::WaitFor(const std::string& text, DWORD ms) {
  return WaitUntil([&] { return Find(text) >= 0; }, ms);
}

CTimelinePeer::CTimelinePeer(CTimeline& timeline, const std::string& name, Behaviour behaviour)
    : m_timeline(timeline), m_name(name), m_behaviour(behaviour) {
  WSAStartup(0x0202, &m_wsaData);
  m_hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_listen = ListenOnLoopback(8, m_nPort);
}

CTimelinePeer::~CTimelinePeer() {
  SetEvent(m_hStop);
  if (m_hThread) {
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
  }
  closesocket(m_listen);
  CloseHandle(m_hStop);
  WSACleanup();
}

CTimelinePeer& CTimelinePeer::Messages(int count) {
  InterlockedExchange(&m_nMessages, count);
  return *this;
}

CTimelinePeer& CTimelinePeer::DelayReply(const std::string& command, DWORD ms) {
  m_delays[command] = ms;
  return *this;
}

void CTimelinePeer::Start() {
  m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

DWORD WINAPI CTimelinePeer::ThreadProc(LPVOID param) {
  static_cast<CTimelinePeer*>(param)->Run();
  return 0;
}

void CTimelinePeer::Run() {
  std::vector<SOCKET> held;
  while (!Stopping()) {
    if (!WaitReadable(m_listen, kPollMs)) continue;
    SOCKET client = accept(m_listen, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    m_timeline.Add(m_name + " open");
    if (m_behaviour == Hold) {
      held.push_back(client);
      continue;
    }
    ServeConnection(client);
    closesocket(client);
    m_timeline.Add(m_name + " closed");
  }
  for (SOCKET client : held) closesocket(client);
}

void CTimelinePeer::ServeConnection(SOCKET client) {
  if (m_behaviour == Serve) SendText(client, "+OK " + m_name + " ready\r\n");
  std::string pending, line;
  while (ReadLine(client, pending, line)) {
    if (m_behaviour == Silent) continue;
    std::string command = line.substr(0, line.find(' '));
    m_timeline.Add(m_name + " " + command);
    auto delay = m_delays.find(command);
    if (delay != m_delays.end()) WaitForSingleObject(m_hStop, delay->second);
    Reply(client, command);
    if (command == "QUIT") return;
  }
}

void CTimelinePeer::Reply(SOCKET client, const std::string& command) {
  if (command == "USER" || command == "PASS") {
    SendText(client, "+OK\r\n");
  } else if (command == "STAT") {
    long count = InterlockedCompareExchange(&m_nMessages, 0, 0);
    char reply[64];
    snprintf(reply, sizeof reply, "+OK %ld %ld\r\n", count, count * 1000);
    SendText(client, reply);
  } else if (command == "QUIT") {
    SendText(client, "+OK bye\r\n");
  } else {
    SendText(client, "-ERR unknown command\r\n");
  }
}

// False when the client has gone or the peer is stopping. A silent peer reads
// whatever arrives (a TLS hello has no line end) so it sees the client leave.
bool CTimelinePeer::ReadLine(SOCKET client, std::string& pending, std::string& line) {
  while (!Stopping()) {
    size_t end = pending.find("\r\n");
    if (end != std::string::npos) {
      line = pending.substr(0, end);
      pending.erase(0, end + 2);
      return true;
    }
    if (!WaitReadable(client, kPollMs)) continue;
    char buffer[512];
    int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    if (m_behaviour == Serve) pending.append(buffer, n);
  }
  return false;
}

CBackloggedPort::CBackloggedPort() {
  WSAStartup(0x0202, &m_wsaData);
  m_listen = ListenOnLoopback(0, m_nPort);
  m_filler = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  address.sin_port = htons(static_cast<u_short>(m_nPort));
  connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

CBackloggedPort::~CBackloggedPort() {
  closesocket(m_filler);
  closesocket(m_listen);
  WSACleanup();
}
