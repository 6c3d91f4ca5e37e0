// The information window: one message's whole header block, as the server sent
// it, in a read-only text box whose size is remembered between uses.
#pragma once
#include <string>

#include "framework/ControlBars.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "pop3/ReplyLines.h"

struct MailHeader;

// The lines of a TOP reply without its status line and its final ".", each
// ended by CR LF; empty for two lines or fewer.
std::string BuildText(const ReplyLines& lines);

class CInfoDlg : public CDialog {
 public:
  explicit CInfoDlg(HWND parent = nullptr);

  // A copy: the row may go (a refresh) while the window is open.
  void SetHeader(const MailHeader& header);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnCancel() override;

 private:
  HICON m_hIcon;  // shared resource icon, not destroyed
  bool m_bLayoutReady = false;
  int m_nWidthMargin = 0;
  int m_nHeightMargin = 0;
  CEdit m_edit;
  std::string m_subject;
  ReplyLines m_lines;
  std::string m_text;
  CStatusBar m_statusBar;
};
