// The View Mail window's status bar: the account count in the first pane, and
// in the second the selected, deleted or item count, whichever is set first.
#pragma once
#include <string>

#include "framework/ControlBars.h"

// "%d %s%s": the number, the noun and "s" unless it is 1; empty for 0.
std::string FormatCount(int count, const char* noun);

class CCountStatusBar : public CStatusBar {
 public:
  // Three panes: 80 pixels, 120 pixels (at 96 DPI; at the parent's DPI) and the rest.
  bool Create(HWND parent, UINT id = kStatusBarId);
  // The panes at a new DPI (the parent's WM_DPICHANGED).
  bool SetDpi(int dpi);

  void SetAccountCount(int count);
  void SetItemCount(int count);
  void SetSelectedCount(int count);
  void SetDeletedCount(int count);
  // Items, selected and deleted are gone; the account count stays.
  void ClearCounts();
  // What the second pane shows.
  const std::string& CountText() const;

 private:
  void ShowCount() { SetText(1, CountText().c_str()); }

  std::string m_accounts, m_items, m_selected, m_deleted;
};
