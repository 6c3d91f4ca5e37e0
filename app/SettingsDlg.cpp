// The settings dialog.
#include "app/SettingsDlg.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "store/RegistryKey.h"
#include "store/Settings.h"

CSettingsDlg* g_pSettingsDlg = nullptr;

namespace {

const ToolTipText kTips[] = {
    {IDC_PERIOD, "How often the server is checked for mail (in minutes)"},
    {IDC_PERIODSPIN, "How often the server is checked for mail (in minutes)"},
    {IDC_REPLYTIMEOUT, "How long to wait for the POP3 server to respond (in seconds)"},
    {IDC_REPLYTIMEOUTSPIN, "How long to wait for the POP3 server to respond (in seconds)"},
    {IDC_BALLOONTIMEOUT, "How long the balloon help is displayed (in seconds)"},
    {IDC_BALLOONTIMEOUTSPIN, "How long the balloon help is displayed (in seconds)"},
    {IDC_SHOWINTRO, "Tick box to show intro splash screen"},
    {IDC_SHOWBALLOON, "Tick box to show Balloon Help on arrival of new mail"},
    {IDC_BALLOONCLICK, "Tick box to view mail when balloon clicked"},
    {IDC_RUNONSTARTUP, "Tick box to run Tidewell when you login"},
    {IDC_SOUNDFILE, "Wav to play when new mail arrives"},
    {IDC_BROWSE, "Browse to select for wav sound file"},
    {IDC_SOUND, "Tick box to sound the arrival of new mail (if balloon enabled)"},
    {IDOK, "Saves any changes made and closes the dialog"},
    {IDCANCEL, "Closes the dialog without saving any changes made"},
    {IDC_SETDEFAULTS, "Put settings back to their defaults"},
};

struct Range {
  int low, high;
  const char* refusal;  // OK's message for a number outside
};
constexpr Range kPeriodRange{0, kMaxPeriodMinutes, "The check period must be from 0 to 1440 minutes."};
constexpr Range kReplyTimeoutRange{5, 60, "The reply timeout must be from 5 to 60 seconds."};
constexpr Range kBalloonTimeoutRange{10, 60, "The balloon timeout must be from 10 to 60 seconds."};

// The edit's whole text as a number within the range.
bool InRange(const std::string& text, Range range, int& value) {
  if (text.empty() || text.size() > 9) return false;
  char* end = nullptr;
  const long number = strtol(text.c_str(), &end, 10);
  if (*end != '\0' || number < range.low || number > range.high) return false;
  value = static_cast<int>(number);
  return true;
}

// A number the up-down cannot hold is not replaced behind the user's back: OK
// says what is allowed and leaves the dialog open on that field. A disabled
// field keeps the up-down's own, valid, number.
bool Accept(HWND dialog, const CUpDown& spin, Range range, int& value) {
  CEdit edit;
  edit.Attach(reinterpret_cast<HWND>(SendMessageA(spin.hwnd(), UDM_GETBUDDY, 0, 0)));
  value = spin.GetPos();
  if (!edit.hwnd() || !edit.IsEnabled() || InRange(edit.GetText(), range, value)) return true;
  MessageBoxA(dialog, range.refusal, "Settings", MB_OK | MB_ICONEXCLAMATION);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit.hwnd()), TRUE);
  edit.SetSel(0, -1);
  return false;
}

// The range first, so that a hand-edited value out of it shows as its nearest end.
void SetSpin(CUpDown& spin, Range range, int value) {
  spin.SetRange(range.low, range.high);
  spin.SetPos(std::min(std::max(value, range.low), range.high));
}

int Setting(SettingId id) {
  return g_pSettings->GetSetting(id);
}

// Room for any path the system can give (32,767 characters and the terminator).
constexpr DWORD kPathRoom = 32768;

// The path, or its short form when only that fits what a stored text can hold;
// empty when neither fits.
std::string StorablePath(const std::string& path) {
  const size_t limit = static_cast<size_t>(CRegistryKey::kMaxText);
  if (path.size() <= limit) return path;
  std::vector<char> shortPath(kPathRoom, '\0');
  DWORD length = GetShortPathNameA(path.c_str(), shortPath.data(), kPathRoom);
  if (length == 0 || length >= kPathRoom || length > limit) return std::string();
  return std::string(shortPath.data(), length);
}

struct FileChoice {
  bool chosen = false;
  bool failed = false;  // the dialog did not open at all
  std::string path;
};

// One open-file dialog for a wave file, starting in folder (none: the
// system's choice) with name in the file box.
FileChoice AskForWave(HWND owner, const std::string& folder, const std::string& name) {
  std::vector<char> file(kPathRoom, '\0');
  name.copy(file.data(), std::min(name.size(), file.size() - 1));
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = "Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0";
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = kPathRoom;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = "Sound Wav File";
  ofn.lpstrDefExt = "wav";
  // Otherwise the chosen folder becomes the working directory and stays in use for the life of the program.
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  FileChoice choice;
  choice.chosen = GetOpenFileNameA(&ofn) != FALSE;
  choice.failed = !choice.chosen && CommDlgExtendedError() != 0;
  if (choice.chosen) choice.path = file.data();
  return choice;
}

// The folder part of a path when it names an existing folder, else empty.
std::string ExistingFolder(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  // "C:\" keeps its backslash: "C:" alone is the drive's current folder.
  const std::string folder = path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
  return folder;
}

}  // namespace

CSettingsDlg::CSettingsDlg(HWND parent) : CDialog(IDD_SETTINGS, parent) {}

BOOL CSettingsDlg::OnInitDialog() {
  m_soundFile.Attach(GetItem(IDC_SOUNDFILE));
  m_browse.Attach(GetItem(IDC_BROWSE));
  m_runOnStartup.Attach(GetItem(IDC_RUNONSTARTUP));
  m_balloonClick.Attach(GetItem(IDC_BALLOONCLICK));
  m_showBalloon.Attach(GetItem(IDC_SHOWBALLOON));
  m_sound.Attach(GetItem(IDC_SOUND));
  m_showIntro.Attach(GetItem(IDC_SHOWINTRO));
  m_replyTimeout.Attach(GetItem(IDC_REPLYTIMEOUTSPIN));
  m_balloonTimeout.Attach(GetItem(IDC_BALLOONTIMEOUTSPIN));
  m_period.Attach(GetItem(IDC_PERIODSPIN));
  m_balloonTimeoutEdit.Attach(GetItem(IDC_BALLOONTIMEOUT));

  SetSpin(m_period, kPeriodRange, Setting(Period));
  m_showIntro.SetCheck(Setting(ShowIntro) != 0);
  m_sound.SetCheck(Setting(Sound) != 0);
  m_showBalloon.SetCheck(Setting(BalloonHelp) != 0);
  m_balloonClick.SetCheck(Setting(BalloonClick) != 0);
  m_runOnStartup.SetCheck(Setting(RunOnStartup) != 0);
  SetSpin(m_balloonTimeout, kBalloonTimeoutRange, Setting(BalloonTimeout));
  SetSpin(m_replyTimeout, kReplyTimeoutRange, Setting(CheckTimeout));
  // What the store keeps; typing stops there instead of being cut on OK.
  m_soundFile.LimitText(CRegistryKey::kMaxText);
  m_soundFile.SetText(g_pSettings->GetSoundFile());
  // The stored choices show as they are: Sound saved on with the balloon off stays so.
  ApplyBalloonRule();
  ApplySoundRule(false);
  m_toolTip.Create(m_hWnd);
  m_bRunOnStartup = m_runOnStartup.Checked();
  return TRUE;
}

void CSettingsDlg::ApplyBalloonRule() {
  bool on = m_showBalloon.Checked();
  m_balloonTimeoutEdit.Enable(on);
  m_balloonTimeout.Enable(on);
}

// The sound plays with the balloon, so ticking one ticks both; clearing the
// balloon later leaves the sound as it is.
void CSettingsDlg::ApplySoundRule(bool tickBalloon) {
  bool on = m_sound.Checked();
  m_soundFile.Enable(on);
  m_browse.Enable(on);
  if (!on || !tickBalloon) return;
  m_showBalloon.SetCheck(true);
  ApplyBalloonRule();
}

bool CSettingsDlg::OnCommand(UINT id, UINT code, HWND ctl) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_SHOWBALLOON:
        ApplyBalloonRule();
        return true;
      case IDC_SOUND:
        ApplySoundRule(true);
        return true;
      case IDC_SETDEFAULTS:
        OnSetDefaults();
        return true;
      case IDC_BROWSE:
        OnBrowse();
        return true;
    }
  }
  return CDialog::OnCommand(id, code, ctl);
}

bool CSettingsDlg::OnNotify(NMHDR* hdr, LRESULT& /*result*/) {
  return AnswerToolTip(hdr, kTips);
}

void CSettingsDlg::OnOk() {
  int period = 0, balloonTimeout = 0, replyTimeout = 0;
  if (!Accept(m_hWnd, m_period, kPeriodRange, period) ||
      !Accept(m_hWnd, m_replyTimeout, kReplyTimeoutRange, replyTimeout) ||
      !Accept(m_hWnd, m_balloonTimeout, kBalloonTimeoutRange, balloonTimeout))
    return;
  g_pSettings->SetSetting(Period, period);
  g_pSettings->SetSetting(ShowIntro, m_showIntro.Checked() ? 1 : 0);
  g_pSettings->SetSetting(Sound, m_sound.Checked() ? 1 : 0);
  g_pSettings->SetSetting(BalloonHelp, m_showBalloon.Checked() ? 1 : 0);
  g_pSettings->SetSetting(BalloonTimeout, balloonTimeout);
  g_pSettings->SetSetting(CheckTimeout, replyTimeout);
  g_pSettings->SetSetting(BalloonClick, m_balloonClick.Checked() ? 1 : 0);
  bool runOnStartup = m_runOnStartup.Checked();
  g_pSettings->SetSetting(RunOnStartup, runOnStartup ? 1 : 0);
  g_pSettings->SetSoundFile(m_soundFile.GetText().c_str());
  // The Run-at-login entry is the user's own list: touched only when the choice changed.
  if (runOnStartup != m_bRunOnStartup) g_pSettings->SetRunOnStartup(runOnStartup);
  EndDialog(IDOK);
}

void CSettingsDlg::OnSetDefaults() {
  SetSpin(m_period, kPeriodRange, g_pSettings->GetDefault(Period));
  m_showIntro.SetCheck(g_pSettings->GetDefault(ShowIntro) != 0);
  m_sound.SetCheck(g_pSettings->GetDefault(Sound) != 0);
  m_showBalloon.SetCheck(g_pSettings->GetDefault(BalloonHelp) != 0);
  SetSpin(m_balloonTimeout, kBalloonTimeoutRange, g_pSettings->GetDefault(BalloonTimeout));
  SetSpin(m_replyTimeout, kReplyTimeoutRange, g_pSettings->GetDefault(CheckTimeout));
  m_balloonClick.SetCheck(g_pSettings->GetDefault(BalloonClick) != 0);
  m_runOnStartup.SetCheck(g_pSettings->GetDefault(RunOnStartup) != 0);
  m_soundFile.SetText("");
  ApplyBalloonRule();
  ApplySoundRule(true);
}

void CSettingsDlg::OnBrowse() {
  const std::string current = m_soundFile.GetText();
  FileChoice choice = AskForWave(m_hWnd, std::string(), current);
  // The dialog opens nothing, and says nothing, when it cannot start from the
  // text (not a valid file name): it starts from the text's folder, or afresh.
  if (choice.failed) choice = AskForWave(m_hWnd, ExistingFolder(current), std::string());
  if (choice.failed) {
    MessageBoxA(m_hWnd, "The file dialog could not be opened.", "Settings", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // A choice made after this dialog was ended ("Exit" meanwhile) no longer counts.
  if (!choice.chosen || !IsOpen()) return;
  std::string path = StorablePath(choice.path);
  if (path.empty()) {
    MessageBoxA(m_hWnd,
                "The path of this file is too long to be stored. Please choose a file with a shorter path.",
                "Settings", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_soundFile.SetText(path);
}
