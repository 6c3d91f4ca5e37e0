// CHeaderWindow: batches of listing commands sent ahead, and the replies left
// outstanding read off at the end.
#include "pop3/HeaderWindow.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Format.h"
#include "pop3/Pop3Client.h"

namespace {

// Reads one reply and lets it go; an "-ERR" is a reply like any other here.
void SkipReply(CPop3Client& client, bool multiLine) {
  ReplyLines lines;
  try {
    client.ReadReply(lines, client.receiveTimeout(), multiLine);
  } catch (const CPop3Exception& e) {
    if (e.code != CPop3Exception::ServerError) throw;
  }
}

}  // namespace

CHeaderWindow::CHeaderWindow(CPop3Client& client, int count, int depth)
    : m_client(client), m_nCount(count), m_nDepth(std::max(depth, 1)) {}

CHeaderWindow::~CHeaderWindow() {
  Drain();
}

void CHeaderWindow::Start() {
  m_bOn = true;
  m_nSession = m_client.SessionNumber();
  m_nNext = 1;
  m_nSent = 0;
}

bool CHeaderWindow::SendThrough(int number) {
  // A new connection has none of the commands sent on the old one.
  if (m_bOn && m_client.SessionNumber() != m_nSession) m_bOn = false;
  if (m_bOn && (number != m_nNext || number > m_nCount)) Drain();
  if (!m_bOn) return false;
  // Refilled half a window at a time: one write per batch, not per command.
  if (m_nSent - number < m_nDepth / 2) SendBatch(std::min(m_nCount, number + m_nDepth - 1));
  ++m_nNext;
  return true;
}

void CHeaderWindow::Abandon() {
  if (m_bOn && m_client.SessionNumber() == m_nSession) m_client.Disconnect();
  m_bOn = false;
}

void CHeaderWindow::SendBatch(int through) {
  std::vector<std::string> commands;
  for (int k = m_nSent + 1; k <= through; ++k) {
    commands.push_back(Format("TOP %d 0", k));
    commands.push_back(Format("LIST %d", k));
  }
  if (commands.empty()) return;
  m_client.SendCommands(commands);
  m_nSent = through;
}

// Once off, nothing more goes ahead; what is outstanding on the connection
// is read so that the next command's reply is its own.
void CHeaderWindow::Drain() {
  const bool live = m_bOn && m_client.SessionNumber() == m_nSession;
  m_bOn = false;
  if (!live) return;
  try {
    for (; m_nNext <= m_nSent; ++m_nNext) {
      SkipReply(m_client, true);
      SkipReply(m_client, false);
    }
  } catch (const CPop3Exception&) {
    m_client.Disconnect();  // the stream is lost; a later command reconnects
  }
}
