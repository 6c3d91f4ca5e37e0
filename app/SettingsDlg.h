// The settings dialog: the check period, the reply and balloon time-outs, the
// intro, balloon, sound and Run-at-login options and the sound file; stored on OK.
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ToolTip.h"

class CSettingsDlg : public CDialog {
 public:
  explicit CSettingsDlg(HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnNotify(NMHDR* hdr, LRESULT& result) override;
  void OnOk() override;

 private:
  void ApplyBalloonRule();
  // Enables the sound's controls; with tickBalloon also ticks the balloon when the sound is on.
  void ApplySoundRule(bool tickBalloon);
  void OnSetDefaults();
  void OnBrowse();

  CEdit m_soundFile;
  CButton m_browse;
  CButton m_runOnStartup, m_balloonClick, m_showBalloon, m_sound, m_showIntro;
  CUpDown m_replyTimeout, m_balloonTimeout, m_period;
  CEdit m_balloonTimeoutEdit;
  CToolTip m_toolTip;
  bool m_bRunOnStartup = false;  // the box's state when the dialog opened
};

extern CSettingsDlg* g_pSettingsDlg;
