// POP3 peers on 127.0.0.1 that serve any number of connections, one at a time,
// and write what happens to a timeline shared by all peers of a test: when a
// connection opens, each command as it arrives, and when it ends.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CTimeline {
 public:
  struct Event {
    std::string text;   // "<peer> open", "<peer> <COMMAND>", "<peer> closed"
    std::string probe;  // what the probe said when the event happened
  };

  CTimeline();
  ~CTimeline();
  CTimeline(const CTimeline&) = delete;
  CTimeline& operator=(const CTimeline&) = delete;

  // Asked on the peer's thread at each event, before the peer answers.
  void SetProbe(std::function<std::string()> probe);
  void Add(const std::string& text);
  std::vector<Event> Events();
  std::vector<std::string> Texts();
  // Index of the first event with this text, -1 when none.
  int Find(const std::string& text);
  int Count(const std::string& text);
  bool WaitFor(const std::string& text, DWORD ms);

 private:
  CRITICAL_SECTION m_lock;
  std::function<std::string()> m_probe;
  std::vector<Event> m_events;
};

class CTimelinePeer {
 public:
  enum Behaviour {
    Serve,   // greeting, USER, PASS, STAT with the set count, QUIT
    Silent,  // accepts and never sends a byte (no greeting, no TLS handshake)
    Hold,    // keeps every connection open, reading and sending nothing, until it stops
  };

  CTimelinePeer(CTimeline& timeline, const std::string& name, Behaviour behaviour = Serve);
  ~CTimelinePeer();
  CTimelinePeer(const CTimelinePeer&) = delete;
  CTimelinePeer& operator=(const CTimelinePeer&) = delete;

  // May be changed while the peer runs; the next STAT reports it.
  CTimelinePeer& Messages(int count);
  // Holds the answer to command ("STAT", "QUIT"...) back for ms.
  CTimelinePeer& DelayReply(const std::string& command, DWORD ms);
  void Start();
  int Port() const { return m_nPort; }

 private:
  static DWORD WINAPI ThreadProc(LPVOID param);
  void Run();
  void ServeConnection(SOCKET client);
  bool ReadLine(SOCKET client, std::string& pending, std::string& line);
  void Reply(SOCKET client, const std::string& command);
  bool Stopping() const { return WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0; }

  CTimeline& m_timeline;
  const std::string m_name;
  const Behaviour m_behaviour;
  volatile LONG m_nMessages = 0;
  std::map<std::string, DWORD> m_delays;
  WSADATA m_wsaData;
  SOCKET m_listen = INVALID_SOCKET;
  int m_nPort = 0;
  HANDLE m_hStop = nullptr;
  HANDLE m_hThread = nullptr;
};

// A listening port whose one-place queue is already taken by a connection that
// is never accepted: a connect to it hangs until the system gives up.
class CBackloggedPort {
 public:
  CBackloggedPort();
  ~CBackloggedPort();
  CBackloggedPort(const CBackloggedPort&) = delete;
  CBackloggedPort& operator=(const CBackloggedPort&) = delete;
  int Port() const { return m_nPort; }

 private:
  WSADATA m_wsaData;
  SOCKET m_listen = INVALID_SOCKET;
  SOCKET m_filler = INVALID_SOCKET;
  int m_nPort = 0;
};
