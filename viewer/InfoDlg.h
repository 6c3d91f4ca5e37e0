// The information window: one message's header block, decoded or as the
// server sent it, in a read-only text box, and below it the first lines of the message's
// readable text fetched on a session of its own; its size is remembered
// between uses.
#pragma once
#include <string>

#include "framework/ControlBars.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WindowSizer.h"
#include "pop3/ReplyLines.h"
#include "viewer/PreviewWorker.h"

struct MailHeader;

// The window menu's item that switches to the lines as received (below
// 0xF000 and a multiple of 16, as the system's own are).
constexpr UINT kInfoRawLinesCommand = 0x0110;

// The text pane below the header block, made by the window itself.
constexpr int kInfoTextPaneId = 1100;

// More of a header block than a user reads; a 5 MB block set in one call
// held the window (and the viewer that owns it) for most of a minute.
constexpr size_t kHeaderTextLimit = 64 * 1024;

// The lines of a TOP reply without its status line and its final ".", as
// UTF-8, each ended by CR LF; empty for two lines or fewer. Decoded: folded
// lines joined and encoded words decoded; else the lines as received. Past
// limit bytes of the reply the rest is left out and a last line says how much.
std::string BuildText(const ReplyLines& lines, size_t limit = kHeaderTextLimit, bool decoded = false);

class CInfoDlg : public CDialog {
 public:
  explicit CInfoDlg(HWND parent = nullptr);

  // A copy: the row may go (a refresh) while the window is open.
  void SetHeader(const MailHeader& header);
  // The message's text is fetched with job once the window is up; without
  // a job, or with no body lines, the window has no text pane.
  void SetPreview(PreviewJob job);

 protected:
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnDpiChanged(int dpi) override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  bool HasTextPane() const { return m_textPane != nullptr; }
  void CreateTextPane();
  void SetPaneText(const std::string& utf8);
  void Layout();
  void OnPreviewDone();
  void FillHeader();
  void OnRawLines();

  HICON m_hIcon;  // shared resource icon, not destroyed
  bool m_bLayoutReady = false;
  CWindowSizer m_sizer;
  int m_nGap = 0;
  CEdit m_edit;
  HWND m_textPane = nullptr;  // child window, destroyed with the dialog
  std::string m_subject;
  ReplyLines m_lines;
  std::string m_text;
  CStatusBar m_statusBar;
  bool m_bPreview = false;
  bool m_bRawLines = false;  // the header block as received rather than decoded
  PreviewJob m_job;
  CPreviewWorker m_preview;
};
