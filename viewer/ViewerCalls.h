// CViewerCalls: the View Mail window's own operations that its workers use.
// The window carries each out on its own thread (through its CWindowCalls)
// while the calling worker waits, but for the rows, which it takes at its own
// pace, and the posted ends; a test puts a recording stand-in here.
#pragma once

#include <winsock2.h>
#include <windows.h>

class CViewerCalls {
 public:
  virtual ~CViewerCalls() = default;

  virtual void SetTitle(const char* text) = 0;
  // A row waits in the core (CViewMailCore::InsertWaitingRows); the worker
  // goes on at once. The window puts the waiting rows into its list in
  // batches, a few times a second, not one repaint per row.
  virtual void RowsWaiting() = 0;
  // A message box owned by the window; a null caption gives the program's
  // name. Returns the button pressed, 0 when no box could be shown.
  virtual int ShowMessage(const char* text, const char* caption, UINT type) = 0;
  // Leaves a worker's end (WM_FETCH_DONE, WM_DELETE_DONE) for the window's
  // thread without waiting.
  virtual void Post(UINT message) = 0;
};
