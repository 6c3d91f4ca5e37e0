// The settings dialog: what OK stores, what Cancel leaves, the balloon and
// sound rules, the file choice, its tooltips, and a period of 0 in the cycle.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CycleHarness.h"
#include "DialogScript.h"
#include "RecordedCalls.h"
#include "StoreTestSupport.h"
#include "app/SettingsDlg.h"
#include "framework/Messages.h"
#include "res/resource.h"
#include "store/AccountList.h"
#include "store/ModulePath.h"
#include "store/RegistryKey.h"

namespace {

class SettingsDlgTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    CRecordedCalls::Install();
    Reload();
  }
  void TearDown() override {
    m_pDlg.reset();
    delete g_pSettings;
    g_pSettings = nullptr;
    RegistryTest::TearDown();
  }
  // A settings record as the next start of the program reads it.
  void Reload() {
    delete g_pSettings;
    g_pSettings = new CSettings();
  }
  HWND Open() {
    m_pDlg = std::make_unique<CSettingsDlg>();
    EXPECT_TRUE(m_pDlg->CreateModeless());
    return m_pDlg->hwnd();
  }
  static DWORD Stored(const char* name) { return raw::GetDword("Settings", name); }

  std::unique_ptr<CSettingsDlg> m_pDlg;
};

std::string RunValue() {
  return raw::GetString("", kRunValueName);
}

TEST_F(SettingsDlgTest, OkStoresEachValueAndRewritesRunAtLoginOnlyWhenChanged) {
  raw::SetDword("Settings", "RunOnStartup", 1);
  raw::SetString("", kRunValueName, "C:\\Elsewhere\\Tidewell.exe");
  Reload();
  HWND dlg = Open();
  EXPECT_EQ("1", ItemText(dlg, IDC_PERIOD));
  EXPECT_EQ("15", ItemText(dlg, IDC_REPLYTIMEOUT));
  EXPECT_EQ("60", ItemText(dlg, IDC_BALLOONTIMEOUT));
  EXPECT_TRUE(Checked(dlg, IDC_RUNONSTARTUP));

  SetItemText(dlg, IDC_PERIOD, "1440");  // a day, the longest
  SetItemText(dlg, IDC_REPLYTIMEOUT, "75");
  SetItemText(dlg, IDC_BALLOONTIMEOUT, "20");
  Click(dlg, IDC_SHOWINTRO);
  Click(dlg, IDC_BALLOONCLICK);
  SetItemText(dlg, IDC_SOUNDFILE, "C:\\Sounds\\ding.wav");
  // Out of range: OK says what is allowed and stays open on the field, storing nothing.
  std::string refusal;
  CDialogScript script;
  script.Answer("Settings", IDOK, &refusal);
  Click(dlg, IDOK);
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_EQ("The reply timeout must be from 5 to 60 seconds.", refusal);
  EXPECT_EQ(GetDlgItem(dlg, IDC_REPLYTIMEOUT), GetFocus());
  EXPECT_EQ(1u, Stored("Period"));
  SetItemText(dlg, IDC_REPLYTIMEOUT, "16");
  Click(dlg, IDOK);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_EQ(1440u, Stored("Period"));
  EXPECT_EQ(16u, Stored("CheckTimeout"));
  EXPECT_EQ(20u, Stored("BalloonTimeout"));
  EXPECT_EQ(0u, Stored("ShowIntro"));
  EXPECT_EQ(0u, Stored("BalloonClick"));
  EXPECT_EQ(1u, Stored("Sound"));
  EXPECT_EQ(1u, Stored("BalloonHelp"));
  EXPECT_EQ(1u, Stored("RunOnStartup"));
  EXPECT_EQ("C:\\Sounds\\ding.wav", raw::GetString("Settings", "SoundFile"));
  EXPECT_EQ("C:\\Elsewhere\\Tidewell.exe", RunValue()) << "an unchanged box leaves the entry alone";

  dlg = Open();
  Click(dlg, IDC_RUNONSTARTUP);
  Click(dlg, IDOK);
  EXPECT_EQ(0u, Stored("RunOnStartup"));
  EXPECT_FALSE(raw::Exists("", kRunValueName));
  dlg = Open();
  Click(dlg, IDC_RUNONSTARTUP);
  Click(dlg, IDOK);
  EXPECT_EQ("\"" + ModulePath() + "\"", RunValue());
}

TEST_F(SettingsDlgTest, SetDefaultsThenCancelStoresNothing) {
  const std::pair<SettingId, const char*> changed[] = {{Period, "Period"},
                                                       {CheckTimeout, "CheckTimeout"},
                                                       {ShowIntro, "ShowIntro"},
                                                       {Sound, "Sound"},
                                                       {BalloonHelp, "BalloonHelp"},
                                                       {BalloonTimeout, "BalloonTimeout"},
                                                       {BalloonClick, "BalloonClick"}};
  const int values[] = {7, 40, 0, 0, 0, 30, 0};
  for (int i = 0; i < 7; ++i) g_pSettings->SetSetting(changed[i].first, values[i]);
  g_pSettings->SetSoundFile("C:\\Sounds\\ding.wav");
  HWND dlg = Open();
  EXPECT_EQ("7", ItemText(dlg, IDC_PERIOD));
  EXPECT_FALSE(Enabled(dlg, IDC_BALLOONTIMEOUT));
  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDFILE));

  Click(dlg, IDC_SETDEFAULTS);
  EXPECT_EQ((std::vector<std::string>{"1", "15", "60", ""}),
            (std::vector<std::string>{ItemText(dlg, IDC_PERIOD), ItemText(dlg, IDC_REPLYTIMEOUT),
                                      ItemText(dlg, IDC_BALLOONTIMEOUT), ItemText(dlg, IDC_SOUNDFILE)}));
  for (int box : {IDC_SHOWINTRO, IDC_SOUND, IDC_SHOWBALLOON, IDC_BALLOONCLICK})
    EXPECT_TRUE(Checked(dlg, box)) << box;
  EXPECT_FALSE(Checked(dlg, IDC_RUNONSTARTUP));
  EXPECT_TRUE(Enabled(dlg, IDC_BALLOONTIMEOUT));
  EXPECT_TRUE(Enabled(dlg, IDC_BROWSE));

  Click(dlg, IDCANCEL);
  EXPECT_FALSE(IsWindow(dlg));
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(static_cast<DWORD>(values[i]), Stored(changed[i].second)) << changed[i].second;
  EXPECT_EQ("C:\\Sounds\\ding.wav", raw::GetString("Settings", "SoundFile"));
}

TEST_F(SettingsDlgTest, SoundTicksShowBalloonAndBrowseFillsTheFileWhenItsPathCanBeStored) {
  g_pSettings->SetSetting(Sound, 0);
  g_pSettings->SetSetting(BalloonHelp, 0);
  HWND dlg = Open();
  for (int id : {IDC_BALLOONTIMEOUT, IDC_BALLOONTIMEOUTSPIN, IDC_SOUNDFILE, IDC_BROWSE})
    EXPECT_FALSE(Enabled(dlg, id)) << id;
  EXPECT_EQ(LRESULT{CRegistryKey::kMaxText}, SendDlgItemMessageA(dlg, IDC_SOUNDFILE, EM_GETLIMITTEXT, 0, 0));

  Click(dlg, IDC_SOUND);
  EXPECT_TRUE(Checked(dlg, IDC_SHOWBALLOON));
  for (int id : {IDC_BALLOONTIMEOUT, IDC_BALLOONTIMEOUTSPIN, IDC_SOUNDFILE, IDC_BROWSE})
    EXPECT_TRUE(Enabled(dlg, id)) << id;
  // Clearing the balloon afterwards leaves the sound on.
  Click(dlg, IDC_SHOWBALLOON);
  EXPECT_FALSE(Enabled(dlg, IDC_BALLOONTIMEOUT));
  EXPECT_TRUE(Checked(dlg, IDC_SOUND));
  EXPECT_TRUE(Enabled(dlg, IDC_SOUNDFILE));

  CRecordedCalls::ChooseFile("C:\\Sounds\\new.wav");
  Click(dlg, IDC_BROWSE);
  EXPECT_EQ("C:\\Sounds\\new.wav", ItemText(dlg, IDC_SOUNDFILE));
  ASSERT_EQ(1u, CRecordedCalls::OpenFiles().size());
  OpenFileAsked asked = CRecordedCalls::OpenFiles()[0];
  ASSERT_LE(2u, asked.filter.size());
  EXPECT_EQ("*.wav", asked.filter[1]) << "wave files come first";
  EXPECT_GE(asked.room, 32768u) << "room for any path";

  // A path longer than a stored text (and with no short form) is refused, not cut.
  CRecordedCalls::ChooseFile("C:\\" + std::string(300, 'x') + ".wav");
  CDialogScript script;
  std::string message;
  script.Answer("Settings", IDOK, &message);
  Click(dlg, IDC_BROWSE);
  EXPECT_TRUE(script.Done());
  EXPECT_NE(std::string::npos, message.find("too long")) << message;
  EXPECT_EQ("C:\\Sounds\\new.wav", ItemText(dlg, IDC_SOUNDFILE));
}

TEST_F(SettingsDlgTest, StoredSoundWithoutBalloonStaysSoAndBrowseStartsFromAnInvalidNamesFolder) {
  g_pSettings->SetSetting(Sound, 1);
  g_pSettings->SetSetting(BalloonHelp, 0);
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  g_pSettings->SetSoundFile((std::string(windows) + "\\bell<1>.wav").c_str());
  HWND dlg = Open();
  EXPECT_FALSE(Checked(dlg, IDC_SHOWBALLOON));
  EXPECT_FALSE(Enabled(dlg, IDC_BALLOONTIMEOUT));
  EXPECT_TRUE(Enabled(dlg, IDC_BROWSE));

  // The dialog cannot start from that name: it starts again from its folder.
  CRecordedCalls::ChooseFile("C:\\Sounds\\new.wav");
  Click(dlg, IDC_BROWSE);
  ASSERT_EQ(2u, CRecordedCalls::OpenFiles().size());
  EXPECT_EQ(windows, CRecordedCalls::OpenFiles()[1].folder);
  EXPECT_EQ("", CRecordedCalls::OpenFiles()[1].name);
  EXPECT_EQ("C:\\Sounds\\new.wav", ItemText(dlg, IDC_SOUNDFILE));
  Click(dlg, IDOK);
  EXPECT_EQ(1u, Stored("Sound"));
  EXPECT_EQ(0u, Stored("BalloonHelp")) << "OK keeps the balloon as it was stored";
}

// The text of the tooltip showing on this thread, empty when none shows.
std::string ShownToolTip() {
  struct Found {
    std::string text;
  } found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM lp) -> BOOL {
        char cls[32] = {}, text[256] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(window)) return TRUE;
        GetWindowTextA(window, text, sizeof text);
        reinterpret_cast<Found*>(lp)->text = text;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.text;
}

// The pointer moved by the system's input queue, as a mouse would move it.
void MoveMouse(POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

TEST_F(SettingsDlgTest, HoveredOkShowsItsTooltip) {
  HWND dlg = Open();
  // Shown as a modal run would show it.
  ShowWindow(dlg, SW_SHOWNORMAL);
  SetForegroundWindow(dlg);
  RECT ok;
  GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
  POINT centre{(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
  // The tip's delay starts when the pointer enters the control; enter again if a move went astray.
  std::string tip;
  for (int attempt = 0; attempt < 5 && tip.empty(); ++attempt) {
    MoveMouse({ok.left - 20, centre.y});
    PumpUntil([] { return false; }, 100);
    MoveMouse(centre);
    PumpUntil([&] { return !(tip = ShownToolTip()).empty(); }, 3000);
  }
  EXPECT_EQ("Saves any changes made and closes the dialog", tip);
}

// The main window's cycle with the settings dialog's choices.
using SettingsCycleTest = CycleTest;

TEST_F(SettingsCycleTest, PeriodZeroFromTheDialogStartsEachCycleAtTheNextTick) {
  // An account that answers: failed cycles would be spaced out.
  AddAccount("Home", DovecotPort(), "alice", "alicepw");
  StartCycle();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(60000u, Main().LastTimerMs(IDT_PERIOD));

  CSettingsDlg dlg;
  ASSERT_TRUE(dlg.CreateModeless());
  SetItemText(dlg.hwnd(), IDC_PERIOD, "0");
  Click(dlg.hwnd(), IDOK);
  TickPeriod();
  ASSERT_TRUE(RunToCycleEnd());
  EXPECT_EQ(0u, Main().LastTimerMs(IDT_PERIOD));
  // Nobody ticks: the timer's first tick starts the next cycle.
  EXPECT_TRUE(RunToCycleEnd(10000));
  // A hand-edited negative period counts as 0.
  SetSetting(Period, -5);
  EXPECT_TRUE(RunToCycleEnd(10000));
  EXPECT_TRUE(RunToCycleEnd(10000));
  EXPECT_EQ(0u, Main().LastTimerMs(IDT_PERIOD));
}

}  // namespace
