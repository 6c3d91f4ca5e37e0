// The recording stand-in's timers and records.
#include "RecordingMainWindow.h"

void CRecordingMainWindow::StartTimer(UINT_PTR id, UINT ms) {
  timers.push_back({true, id, ms});
  m_due[id] = GetTickCount() + ms;
}

void CRecordingMainWindow::StopTimer(UINT_PTR id) {
  timers.push_back({false, id, 0});
  m_due.erase(id);
}

void CRecordingMainWindow::ShowBalloon(const char* title, const char* text, bool clickable) {
  balloons.push_back({title ? title : "", text ? text : "", clickable});
}

void CRecordingMainWindow::ShowAccountsBalloon(const char* title, const char* text) {
  balloons.push_back({title, text, true, true});
}

bool CRecordingMainWindow::PlaySoundFile(const char* file) {
  sounds.push_back(file);
  return playResult;
}

std::vector<UINT_PTR> CRecordingMainWindow::TakeDueTimers() {
  std::vector<UINT_PTR> due;
  const DWORD now = GetTickCount();
  for (auto it = m_due.begin(); it != m_due.end();) {
    if (static_cast<LONG>(now - it->second) >= 0) {
      due.push_back(it->first);
      it = m_due.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

int CRecordingMainWindow::TimerSets(UINT_PTR id) const {
  int n = 0;
  for (const TimerCall& call : timers)
    if (call.set && call.id == id) ++n;
  return n;
}

UINT CRecordingMainWindow::LastTimerMs(UINT_PTR id) const {
  UINT ms = 0;
  for (const TimerCall& call : timers)
    if (call.set && call.id == id) ms = call.ms;
  return ms;
}
