// CScriptedServer: a POP3 peer on a thread of the test, listening on
// 127.0.0.1 (port chosen by the system), acting out one script of steps.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

class CScriptedServer {
 public:
  CScriptedServer();
  ~CScriptedServer();

  int Port() const { return m_nPort; }

  // Script steps, run in order once Start is called. The first connection is
  // accepted before the first step.
  CScriptedServer& Send(const std::string& bytes, size_t chunkSize = 0, DWORD pauseMs = 0);
  CScriptedServer& ExpectLine();  // waits for one CR LF line from the client
  CScriptedServer& Silence(DWORD ms);
  CScriptedServer& Close();
  CScriptedServer& AcceptNext();  // closes the current connection, accepts the next
  void Start();

  // After the script ends the connection stays open until the server goes.
  bool WaitDone(DWORD ms);
  // The lines received, one list per accepted connection.
  std::vector<std::vector<std::string>> Received();
  // Waits until the server has received this many lines over all connections:
  // how a test knows where the client is.
  bool WaitLines(size_t count, DWORD ms = 10000);

 private:
  struct Step {
    enum Kind { SendBytes, ExpectLine, Silence, Close, AcceptNext } kind;
    std::string bytes;
    size_t chunkSize;
    DWORD ms;
  };

  static DWORD WINAPI ThreadProc(LPVOID param);
  void Run();
  bool Accept();
  bool ReadLine(std::string& line);
  void CloseClient();
  bool Stopping() const { return WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0; }
  void Record(const std::string* line);

  WSADATA m_wsaData;
  SOCKET m_listen = INVALID_SOCKET;
  SOCKET m_client = INVALID_SOCKET;
  int m_nPort = 0;
  std::vector<Step> m_steps;
  std::string m_pending;
  HANDLE m_hThread = nullptr;
  HANDLE m_hStop = nullptr;
  HANDLE m_hDone = nullptr;
  CRITICAL_SECTION m_lock;
  CONDITION_VARIABLE m_receivedChanged = CONDITION_VARIABLE_INIT;
  std::vector<std::vector<std::string>> m_received;
  size_t m_nLines = 0;
};

// Script steps most tests begin or go on with: greeting, USER and PASS
// accepted; one command read and answered.
CScriptedServer& ScriptLogin(CScriptedServer& server);
CScriptedServer& Answer(CScriptedServer& server, const std::string& reply);

// True when the socket has data (or a connection to accept) within ms.
bool WaitReadable(SOCKET s, DWORD ms);

// Test environment helpers.
int EnvInt(const char* name);
std::string EnvString(const char* name);
// A Unix path from the environment as wine sees it (Z: drive).
std::string WinePath(const std::string& unixPath);
