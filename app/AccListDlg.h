// The accounts list: every account that is not deleted, with Add, Edit,
// Delete and Enable/Disable (buttons and a context menu). Each change is
// stored at once; closing stores only the column widths.
#pragma once
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ListView.h"
#include "framework/ToolTip.h"

class CAccount;

class CAccListDlg : public CDialog {
 public:
  explicit CAccListDlg(HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnNotify(NMHDR* hdr, LRESULT& result) override;
  void OnCancel() override;
  void OnDpiChanged(int dpi) override;

 private:
  void OnAdd();
  void OnEdit();
  void OnDelete();
  void OnChange();
  void OnContextMenu();
  void UpdateButtons(bool focusList = true);
  void SetRowTexts(int row, const CAccount& account);
  void FitColumns();
  // The selected row and its slot; false when no row is selected.
  bool Selected(int& row, int& slot) const;
  bool Confirm(const std::string& question);
  void Warn(const char* message);

  CButton m_delete, m_edit, m_change;
  CListView m_list;
  CToolTip m_toolTip;
  int m_nDpi = 96;  // the list's column widths are at this DPI; the settings keep them at 96
};

extern CAccListDlg* g_pAccListDlg;
