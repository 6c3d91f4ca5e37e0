// Settings record: read-on-first-use caches over section "Settings".
#include "store/Settings.h"

#include "framework/Format.h"
#include "store/ModulePath.h"
#include "store/RegistryKey.h"

// Defined beside the class so that every program and test linking the store has it.
CSettings* g_pSettings = nullptr;

namespace {

const char kProgram[] = "Tidewell";
const char kSection[] = "Settings";

// "%s_%d" with the index, index 0 included (Column_0).
std::string ColumnName(const char* base, int index) {
  return Format("%s_%d", base, index);
}

}  // namespace

CSettings::CSettings()
    : m_table{{"Period", 1, -1},        {"CheckTimeout", 15, -1}, {"ShowIntro", 1, -1},
              {"Sound", 1, -1},         {"BalloonHelp", 1, -1},   {"BalloonTimeout", 60, -1},
              {"UseProxy", 0, -1},      {"BalloonClick", 1, -1},  {"RunOnStartup", 0, -1},
              {"PreviewLines", 200, -1}} {
  for (int& width : m_columnWidths) width = -1;
  for (int& width : m_accColumnWidths) width = -1;
  // With the option off, every start empties the Run-at-login value; with it on
  // the value is left as the user's last choice wrote it.
  if (GetSetting(RunOnStartup) == 0) SetRunOnStartup(false);
}

int CSettings::CachedRead(int& cache, const char* name, int defaultValue) {
  {
    CReadLock lock(m_lock);
    if (cache != -1) return cache;
  }
  CWriteLock lock(m_lock);
  CRegistryKey key;
  key.Open(kProgram, kSection);
  // Writing the value back turns a default into a stored value on first use.
  cache = key.WriteDword(name, key.ReadDword(name, defaultValue));
  return cache;
}

void CSettings::Store(int& cache, const char* name, int value) {
  CWriteLock lock(m_lock);
  CRegistryKey key;
  key.Open(kProgram, kSection);
  cache = key.WriteDword(name, value);
}

void CSettings::StorePair(int& cache1, const char* name1, int value1, int& cache2, const char* name2,
                          int value2) {
  CWriteLock lock(m_lock);
  CRegistryKey key;
  key.Open(kProgram, kSection);
  cache1 = key.WriteDword(name1, value1);
  cache2 = key.WriteDword(name2, value2);
}

int CSettings::GetSetting(SettingId id) {
  if (!IsSetting(id)) return 0;
  Entry& entry = m_table[id];
  return CachedRead(entry.cache, entry.name, entry.defaultValue);
}

void CSettings::SetSetting(SettingId id, int value) {
  if (!IsSetting(id)) return;
  Store(m_table[id].cache, m_table[id].name, value);
}

int CSettings::GetDefault(SettingId id) const {
  return IsSetting(id) ? m_table[id].defaultValue : 0;
}

void CSettings::GetViewSize(int& width, int& height, int defaultWidth, int defaultHeight) {
  width = CachedRead(m_nViewWidth, "ViewWidth", defaultWidth);
  height = CachedRead(m_nViewHeight, "ViewHeight", defaultHeight);
}

void CSettings::SetViewSize(int width, int height) {
  StorePair(m_nViewWidth, "ViewWidth", width, m_nViewHeight, "ViewHeight", height);
}

void CSettings::GetInfoSize(int& width, int& height, int defaultWidth, int defaultHeight) {
  width = CachedRead(m_nInfoWidth, "InfoWidth", defaultWidth);
  height = CachedRead(m_nInfoHeight, "InfoHeight", defaultHeight);
}

void CSettings::SetInfoSize(int width, int height) {
  StorePair(m_nInfoWidth, "InfoWidth", width, m_nInfoHeight, "InfoHeight", height);
}

void CSettings::GetLogSize(int& width, int& height, int defaultWidth, int defaultHeight) {
  width = CachedRead(m_nLogWidth, "LogWidth", defaultWidth);
  height = CachedRead(m_nLogHeight, "LogHeight", defaultHeight);
}

void CSettings::SetLogSize(int width, int height) {
  StorePair(m_nLogWidth, "LogWidth", width, m_nLogHeight, "LogHeight", height);
}

int CSettings::GetSortColumn(int defaultValue) {
  return CachedRead(m_nSortColumn, "SortColumn", defaultValue);
}

void CSettings::SetSortColumn(int value) {
  Store(m_nSortColumn, "SortColumn", value);
}

int CSettings::GetSortOrder(int defaultValue) {
  return CachedRead(m_nSortOrder, "SortOrder", defaultValue);
}

void CSettings::SetSortOrder(int value) {
  Store(m_nSortOrder, "SortOrder", value);
}

int CSettings::GetColumnWidth(int index, int defaultWidth) {
  if (index < 0 || index >= kColumnCount) return defaultWidth;
  return CachedRead(m_columnWidths[index], ColumnName("Column", index).c_str(), defaultWidth);
}

void CSettings::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= kColumnCount) return;
  Store(m_columnWidths[index], ColumnName("Column", index).c_str(), width);
}

int CSettings::GetAccColumnWidth(int index, int defaultWidth) {
  if (index < 0 || index >= kAccColumnCount) return defaultWidth;
  return CachedRead(m_accColumnWidths[index], ColumnName("AccColumn", index).c_str(), defaultWidth);
}

void CSettings::SetAccColumnWidth(int index, int width) {
  if (index < 0 || index >= kAccColumnCount) return;
  Store(m_accColumnWidths[index], ColumnName("AccColumn", index).c_str(), width);
}

void CSettings::ReadTextOnce(std::string& text, bool& read, const char* name) {
  if (read) return;
  CRegistryKey key;
  key.Open(kProgram, kSection);
  text = key.ReadString(name, "");
  key.WriteString(name, text.c_str());
  read = true;
}

void CSettings::GetProxy(const char*& host, int& port) {
  {
    CWriteLock lock(m_lock);
    ReadTextOnce(m_proxyHost, m_bProxyHostRead, "ProxyHost");
    host = m_proxyHost.empty() ? nullptr : m_proxyHost.c_str();
  }
  port = CachedRead(m_nProxyPort, "ProxyPort", 0);
}

std::string CSettings::GetSoundFile() {
  // Read back once so that the user's choice survives a restart.
  CWriteLock lock(m_lock);
  ReadTextOnce(m_soundFile, m_bSoundFileRead, "SoundFile");
  return m_soundFile;
}

void CSettings::SetSoundFile(const char* path) {
  CWriteLock lock(m_lock);
  m_soundFile = path ? path : "";
  // Keep in memory what the next start will read back.
  if (m_soundFile.size() > static_cast<size_t>(CRegistryKey::kMaxText))
    m_soundFile.resize(CRegistryKey::kMaxText);
  m_bSoundFileRead = true;
  CRegistryKey key;
  key.Open(kProgram, kSection);
  key.WriteString("SoundFile", m_soundFile.empty() ? nullptr : m_soundFile.c_str());
}

void CSettings::SetRunOnStartup(bool on) {
  if (!on) {
    ClearRunAtLogin();
    return;
  }
  const std::string path = ModulePath();
  // Without a path there is no command to store; leave the entry as it is.
  if (!path.empty()) SetRunAtLogin(path.c_str());
}

int ReplyTimeoutSeconds(int checkTimeout) {
  // An hour at most, so that no wait derived from it overflows a tick count.
  constexpr int kLongest = 3600;
  return checkTimeout < 1 ? 1 : checkTimeout > kLongest ? kLongest : checkTimeout;
}

int HalfReplyTimeoutSeconds(int checkTimeout) {
  return ReplyTimeoutSeconds(ReplyTimeoutSeconds(checkTimeout) / 2);
}
