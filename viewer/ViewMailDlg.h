// The View Mail window: every waiting message of every active account in a
// sortable list, with a toolbar and a status bar. It runs its own modal loop
// on the viewer thread; its workers reach it only through CViewerCalls, which
// it carries out on that thread through its CWindowCalls.
#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "framework/ControlBars.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/ListView.h"
#include "framework/WindowCalls.h"
#include "framework/WindowSizer.h"
#include "viewer/CountStatusBar.h"
#include "viewer/ViewMailCore.h"
#include "viewer/ViewerCalls.h"

class CAccountList;
class CSettings;

// The columns were spread over a maximised window; their widths from before
// wait in the settings. Kept for the life of the process.
extern bool g_bColumnsMaximised;

class CViewMailDlg : public CDialog, public CViewerCalls {
 public:
  CViewMailDlg(CAccountList& accounts, CSettings& settings);
  ~CViewMailDlg() override;

  // Any thread: the check cycle has let go of the servers.
  void StartFetch() { m_core.StartFetch(); }
  // Any thread: ends the window at once, without deleting anything more (the
  // program is closing). Message boxes it shows are answered No or Cancel.
  void EndNow();
  // The window's thread, once its loop has returned: stops the worker and
  // waits for it (its calls to the window are refused by now).
  void EndWorkers() { m_core.StopWorkers(INFINITE); }

  // CViewerCalls, from the workers.
  void SetTitle(const char* text) override;
  void RowsWaiting() override {}  // the rows timer takes them
  int ShowMessage(const char* text, const char* caption, UINT type) override;
  void Post(UINT message) override;

  CViewMailCore& core() { return m_core; }

 protected:
  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
  bool PreTranslateMessage(MSG& msg) override;
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND ctl) override;
  bool OnNotify(NMHDR* hdr, LRESULT& result) override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnDpiChanged(int dpi) override;
  void OnCancel() override;

 private:
  void CreateToolBar();
  void LoadSortMarks();
  void InsertColumns();
  int StoredColumnWidth(int column, int fallback) const;
  void StoreColumnWidths();
  void SetSortMark(bool on);
  void OnColumnClick(int column);
  void OnListClick(bool right);
  void ShowInfo();
  void MarkSelected(bool mark);
  void SelectAll(bool select);
  void Refresh();
  void OnFetchDone();
  void OnDeleteDone();
  bool AnswerToolTip(NMHDR* hdr);
  // Repaints a row whose texts changed.
  void ShowRow(int row);
  // The rows the worker has left, all at once.
  void ShowWaitingRows();
  // The list holds no rows of its own (it is drawn from the model), only
  // which rows are selected and focused, by row number: when rows move
  // (new ones land above them, a sort) these go with their messages.
  struct RowStates {
    std::vector<const MailItem*> selected;
    const MailItem* focused = nullptr;
  };
  RowStates SaveRowStates() const;
  void RestoreRowStates(const RowStates& states);
  // LVN_GETDISPINFOW: a row's text from the model.
  void AnswerRowText(NMLVDISPINFOW& info) const;
  // LVN_ODFINDITEMW: the row the user's typing names, or -1.
  int FindRowByText(const NMLVFINDITEMW& find) const;
  std::vector<int> SelectedRows() const;

  CViewMailCore m_core;
  CListView m_list;
  CToolBar m_toolBar;
  CCountStatusBar m_statusBar;
  HICON m_hIcon;                                   // shared resource icon, not destroyed
  CScopedGdiObject<HBITMAP> m_sortDown, m_sortUp;  // header marks, at the window's DPI
  CWindowSizer m_sizer;
  int m_nDpi = 96;
  int m_nColumnCount = 0;
  bool m_bLayoutReady = false;
  bool m_bRefreshPending = false;
  bool m_bRestoringStates = false;  // the selected count is shown once at the end
  int m_nClickedItem = -1;
  const MailItem* m_pClickedItem = nullptr;  // the row clicked last, for when rows moved since
  CSettings& m_settings;
  // The workers' calls, run on the window's thread; open while the window is.
  CWindowCalls m_calls;
  // The window EndNow posts to; cleared when it is destroyed.
  std::atomic<HWND> m_hCallTarget{nullptr};
  std::atomic<bool> m_bEndRequested{false};
};
