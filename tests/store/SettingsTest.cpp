// CSettings: first-use reads with write-back, caches, proxy, sound file, run-at-login.
#include "StoreTestSupport.h"
#include "store/RegistryKey.h"
#include "store/Settings.h"

namespace {

const char kSet[] = "Settings";

class SettingsTest : public RegistryTest {};

TEST_F(SettingsTest, EverySettingStartsAtItsDefaultAndWritesItBack) {
  struct Case {
    SettingId id;
    const char* name;
    int expected;
  } cases[] = {{Period, "Period", 1},
               {CheckTimeout, "CheckTimeout", 15},
               {ShowIntro, "ShowIntro", 1},
               {Sound, "Sound", 1},
               {BalloonHelp, "BalloonHelp", 1},
               {BalloonTimeout, "BalloonTimeout", 60},
               {UseProxy, "UseProxy", 0},
               {BalloonClick, "BalloonClick", 1},
               {RunOnStartup, "RunOnStartup", 0},
               {PreviewLines, "PreviewLines", 200}};
  CSettings settings;
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, settings.GetDefault(c.id)) << c.name;
    EXPECT_EQ(c.expected, settings.GetSetting(c.id)) << c.name;
    EXPECT_EQ(static_cast<DWORD>(c.expected), raw::GetDword(kSet, c.name)) << c.name;
  }
}

TEST_F(SettingsTest, StoredValueIsReadWrittenBackAndThenCached) {
  raw::SetDword(kSet, "Period", 5);
  CSettings settings;
  EXPECT_EQ(5, settings.GetSetting(Period));
  raw::SetDword(kSet, "Period", 7);
  EXPECT_EQ(5, settings.GetSetting(Period)) << "a filled cache must not read the registry again";
  EXPECT_EQ(1, settings.GetDefault(Period));
}

TEST_F(SettingsTest, StoredMinusOneIsReadEveryTime) {
  raw::SetDword(kSet, "SortColumn", static_cast<DWORD>(-1));
  CSettings settings;
  EXPECT_EQ(-1, settings.GetSortColumn(3));
  EXPECT_EQ(-1, settings.GetSortColumn(3));
  raw::SetDword(kSet, "SortColumn", 2);
  EXPECT_EQ(2, settings.GetSortColumn(3));
}

TEST_F(SettingsTest, SettersUpdateCacheAndRegistryTogether) {
  CSettings settings;
  settings.SetSetting(CheckTimeout, 30);
  EXPECT_EQ(30u, raw::GetDword(kSet, "CheckTimeout"));
  raw::SetDword(kSet, "CheckTimeout", 99);
  EXPECT_EQ(30, settings.GetSetting(CheckTimeout));
  settings.SetLogSize(640, 480);
  EXPECT_EQ(640u, raw::GetDword(kSet, "LogWidth"));
  EXPECT_EQ(480u, raw::GetDword(kSet, "LogHeight"));
  settings.SetSortOrder(0);
  EXPECT_EQ(0, settings.GetSortOrder(1));
  EXPECT_EQ(60, settings.GetDefault(BalloonTimeout));
}

TEST_F(SettingsTest, SizePairsUseTheirOwnValues) {
  raw::SetDword(kSet, "InfoWidth", 500);
  CSettings settings;
  int width = 0, height = 0;
  settings.GetInfoSize(width, height, 300, 200);
  EXPECT_EQ(500, width);
  EXPECT_EQ(200, height);
  settings.GetViewSize(width, height, 800, 600);
  EXPECT_EQ(800, width);
  EXPECT_EQ(600, height);
  EXPECT_EQ(800u, raw::GetDword(kSet, "ViewWidth"));
  EXPECT_EQ(600u, raw::GetDword(kSet, "ViewHeight"));
  EXPECT_EQ(200u, raw::GetDword(kSet, "InfoHeight"));
  settings.GetLogSize(width, height, 10, 20);
  EXPECT_EQ(10, width);
  EXPECT_EQ(20, height);
}

TEST_F(SettingsTest, ColumnWidthsAreIndexedFromZero) {
  CSettings settings;
  EXPECT_EQ(150, settings.GetColumnWidth(2, 150));
  EXPECT_EQ(150u, raw::GetDword(kSet, "Column_2"));
  settings.SetColumnWidth(0, 90);
  EXPECT_EQ(90u, raw::GetDword(kSet, "Column_0"));
  EXPECT_EQ(90, settings.GetColumnWidth(0, 1));
  settings.SetAccColumnWidth(2, 70);
  EXPECT_EQ(70u, raw::GetDword(kSet, "AccColumn_2"));
  EXPECT_EQ(25, settings.GetAccColumnWidth(1, 25));
  EXPECT_EQ(25u, raw::GetDword(kSet, "AccColumn_1"));
}

TEST_F(SettingsTest, OutOfRangeIndexesGiveTheDefaultAndStoreNothing) {
  CSettings settings;
  EXPECT_EQ(11, settings.GetColumnWidth(5, 11));
  EXPECT_EQ(12, settings.GetColumnWidth(-1, 12));
  EXPECT_EQ(13, settings.GetAccColumnWidth(3, 13));
  settings.SetColumnWidth(5, 1);
  settings.SetAccColumnWidth(3, 1);
  EXPECT_FALSE(raw::Exists(kSet, "Column_5"));
  EXPECT_FALSE(raw::Exists(kSet, "AccColumn_3"));
}

TEST_F(SettingsTest, ProxyFirstUseWritesEmptyHostAndZeroPort) {
  CSettings settings;
  const char* host = "unset";
  int port = -5;
  settings.GetProxy(host, port);
  EXPECT_EQ(nullptr, host);
  EXPECT_EQ(0, port);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw::Type(kSet, "ProxyHost"));
  EXPECT_EQ("", raw::GetString(kSet, "ProxyHost"));
  EXPECT_EQ(0u, raw::GetDword(kSet, "ProxyPort"));
}

TEST_F(SettingsTest, StoredProxyIsReadOnceAndItsTextStaysValid) {
  raw::SetString(kSet, "ProxyHost", "proxy.test");
  raw::SetDword(kSet, "ProxyPort", static_cast<DWORD>(-1));  // read at every call
  CSettings settings;
  const char* first = nullptr;
  int port = 0;
  settings.GetProxy(first, port);
  ASSERT_NE(nullptr, first);
  EXPECT_STREQ("proxy.test", first);
  EXPECT_EQ(-1, port);
  raw::SetString(kSet, "ProxyHost", "other.test");
  raw::SetDword(kSet, "ProxyPort", 8080);
  const char* second = nullptr;
  settings.GetProxy(second, port);
  EXPECT_EQ(first, second) << "a host handed out earlier must not be replaced";
  EXPECT_STREQ("proxy.test", first);
  EXPECT_EQ(8080, port);
}

TEST_F(SettingsTest, SoundFileSurvivesARestart) {
  {
    CSettings settings;
    EXPECT_EQ("", settings.GetSoundFile());
    settings.SetSoundFile("C:\\Sounds\\mail.wav");
    EXPECT_EQ("C:\\Sounds\\mail.wav", settings.GetSoundFile());
  }
  EXPECT_EQ("C:\\Sounds\\mail.wav", raw::GetString(kSet, "SoundFile"));
  CSettings settings;
  EXPECT_EQ("C:\\Sounds\\mail.wav", settings.GetSoundFile());
}

TEST_F(SettingsTest, ClearingTheSoundFileLeavesAnEmptyValue) {
  for (const char* cleared : {static_cast<const char*>(nullptr), ""}) {
    CSettings settings;
    settings.SetSoundFile("C:\\a.wav");
    settings.SetSoundFile(cleared);
    EXPECT_EQ("", settings.GetSoundFile());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw::Type(kSet, "SoundFile"));
    EXPECT_EQ("", raw::GetString(kSet, "SoundFile"));
    CSettings restarted;
    EXPECT_EQ("", restarted.GetSoundFile());
  }
}

TEST_F(SettingsTest, LongSoundFileIsCutAlikeInMemoryAndRegistry) {
  const std::string path = "C:\\" + std::string(400, 's');
  CSettings settings;
  settings.SetSoundFile(path.c_str());
  EXPECT_EQ(path.substr(0, 254), settings.GetSoundFile());
  CSettings restarted;
  EXPECT_EQ(path.substr(0, 254), restarted.GetSoundFile());
}

class RunOnStartupTest : public RegistryTest {
 protected:
  static std::string ExePath() {
    char path[1024];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
  }
};

TEST_F(RunOnStartupTest, StartWithTheOptionOffDeletesTheRunValue) {
  raw::SetString("", kRunValueName, "C:\\old\\Tidewell.exe");
  CSettings settings;
  EXPECT_FALSE(raw::Exists("", kRunValueName));
  EXPECT_EQ(0u, raw::GetDword(kSet, "RunOnStartup"));
}

TEST_F(RunOnStartupTest, StartWithTheOptionOnLeavesTheRunValueAlone) {
  raw::SetDword(kSet, "RunOnStartup", 1);
  raw::SetString("", kRunValueName, "C:\\old\\Tidewell.exe");
  CSettings settings;
  EXPECT_EQ("C:\\old\\Tidewell.exe", raw::GetString("", kRunValueName));
  raw::SetDword(kSet, "RunOnStartup", 1);
  RegistryTest::Clean();
  raw::SetDword(kSet, "RunOnStartup", 1);
  CSettings again;
  EXPECT_FALSE(raw::Exists("", kRunValueName)) << "nothing is created either";
}

TEST_F(RunOnStartupTest, SwitchingStoresTheQuotedExecutablePathOrDeletesIt) {
  CSettings settings;
  settings.SetRunOnStartup(true);
  EXPECT_EQ("\"" + ExePath() + "\"", raw::GetString("", kRunValueName));
  settings.SetRunOnStartup(false);
  EXPECT_FALSE(raw::Exists("", kRunValueName));
}

TEST_F(SettingsTest, ConcurrentFirstReadsAgree) {
  raw::SetDword(kSet, "CheckTimeout", 20);
  CSettings settings;
  std::atomic<int> wrong{0};
  auto reader = [&] {
    for (int i = 0; i < 50; ++i)
      if (settings.GetSetting(CheckTimeout) != 20 || settings.GetColumnWidth(i % 5, 33) != 33) ++wrong;
  };
  TestThread a(reader), b(reader), c(reader);
  ASSERT_TRUE(a.Join(60000) && b.Join(60000) && c.Join(60000));
  EXPECT_EQ(0, wrong);
}

}  // namespace
