// CHeaderWindow: the TOP n 0 and LIST n commands of a header listing sent
// ahead of their replies, for a server that offers PIPELINING.
#pragma once

class CPop3Client;

class CHeaderWindow {
 public:
  // Messages first listed in order up to count; up to depth of them have
  // their commands out at a time. Nothing goes ahead before Start.
  CHeaderWindow(CPop3Client& client, int count, int depth = kDepth);
  // Reads the replies sent ahead and not taken, so that the connection is
  // left with none outstanding (a failure there drops it).
  ~CHeaderWindow();

  // Sends ahead from now on, on the client's current connection.
  void Start();
  bool IsOn() const { return m_bOn; }
  // Makes sure the commands of message number are out (a batch at a time)
  // and that its replies are the next to read: true then. False once the
  // window is off: never started, the connection replaced since (a retry),
  // or a number out of order; the caller then sends its own commands.
  bool SendThrough(int number);
  // A failure reached the caller while replies may still be outstanding on
  // the same connection (a reply over the size limit is not retried): the
  // stream's place is lost, so the connection is dropped.
  void Abandon();

  // Messages in flight: 32 pairs of commands are well under 2 KB, far less
  // than any socket send buffer, so sending ahead never blocks on a server
  // that is busy writing replies and not yet reading.
  static constexpr int kDepth = 32;

 private:
  void SendBatch(int through);
  void Drain();

  CPop3Client& m_client;
  int m_nCount;
  int m_nDepth;
  bool m_bOn = false;
  int m_nSession = 0;  // the connection the commands went out on
  int m_nNext = 1;     // the first message whose replies are not taken
  int m_nSent = 0;     // the last message whose commands went out

  CHeaderWindow(const CHeaderWindow&) = delete;
  CHeaderWindow& operator=(const CHeaderWindow&) = delete;
};
