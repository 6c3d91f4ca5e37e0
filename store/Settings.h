// The one settings record: every option, window size, column width and the sort
// order, cached after its first read from section "Settings" (defaults written back).
#pragma once

#include <string>

#include "store/ReadWriteLock.h"

enum SettingId {
  Period,
  CheckTimeout,
  ShowIntro,
  Sound,
  BalloonHelp,
  BalloonTimeout,
  UseProxy,
  BalloonClick,
  RunOnStartup,
  PreviewLines  // body lines of the information window's text; 0: none fetched
};

// The longest check period offered, a day, in minutes.
constexpr int kMaxPeriodMinutes = 1440;

// The seconds a POP3 client waits for a reply, from the CheckTimeout setting:
// a hand-edited 0 or less must not make every wait fail at once (1 to 3600).
int ReplyTimeoutSeconds(int checkTimeout);
// Half of that for the check's client, which leaves the watchdog its margin;
// never 0 either.
int HalfReplyTimeoutSeconds(int checkTimeout);

class CSettings {
 public:
  static const int kSettingCount = 10;
  static const int kColumnCount = 5;
  static const int kAccColumnCount = 3;

  // Empties the Run-at-login value when RunOnStartup is 0.
  CSettings();
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  int GetSetting(SettingId id);
  void SetSetting(SettingId id, int value);
  int GetDefault(SettingId id) const;

  void GetViewSize(int& width, int& height, int defaultWidth, int defaultHeight);
  void SetViewSize(int width, int height);
  void GetInfoSize(int& width, int& height, int defaultWidth, int defaultHeight);
  void SetInfoSize(int width, int height);
  void GetLogSize(int& width, int& height, int defaultWidth, int defaultHeight);
  void SetLogSize(int width, int height);
  int GetSortColumn(int defaultValue);
  void SetSortColumn(int value);
  int GetSortOrder(int defaultValue);
  void SetSortOrder(int value);
  // Indexes outside 0..kColumnCount-1 (0..kAccColumnCount-1) give the default and store nothing.
  int GetColumnWidth(int index, int defaultWidth);
  void SetColumnWidth(int index, int width);
  int GetAccColumnWidth(int index, int defaultWidth);
  void SetAccColumnWidth(int index, int width);

  // host is null when no proxy host is stored; the text stays valid for the life of the record.
  void GetProxy(const char*& host, int& port);
  // Empty when no file is chosen.
  std::string GetSoundFile();
  // Null or empty clears the choice. Paths are cut to what a stored text can hold.
  void SetSoundFile(const char* path);
  // Writes the running executable's path to the Run-at-login entry, or empties it.
  void SetRunOnStartup(bool on);

 private:
  struct Entry {
    const char* name;
    int defaultValue;
    int cache;
  };

  // Cache value -1 means "not read yet"; a stored -1 is therefore read every time.
  int CachedRead(int& cache, const char* name, int defaultValue);
  void Store(int& cache, const char* name, int value);
  void StorePair(int& cache1, const char* name1, int value1, int& cache2, const char* name2, int value2);
  // The first call reads the text and writes it back (a missing value is
  // stored empty); later calls keep what it read. Call with the lock held.
  void ReadTextOnce(std::string& text, bool& read, const char* name);
  static bool IsSetting(SettingId id) { return id >= 0 && id < kSettingCount; }

  Entry m_table[kSettingCount];
  int m_nViewWidth = -1, m_nViewHeight = -1;
  int m_nInfoWidth = -1, m_nInfoHeight = -1;
  int m_nLogWidth = -1, m_nLogHeight = -1;
  int m_nSortColumn = -1;
  int m_nSortOrder = -1;
  int m_columnWidths[kColumnCount];
  int m_accColumnWidths[kAccColumnCount];
  std::string m_proxyHost;
  bool m_bProxyHostRead = false;  // the host is taken once, so the text handed out never changes
  int m_nProxyPort = -1;
  std::string m_soundFile;
  bool m_bSoundFileRead = false;
  CReadWriteLock m_lock;
};

// Defined by the application.
extern CSettings* g_pSettings;
