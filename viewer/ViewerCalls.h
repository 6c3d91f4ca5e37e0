// CViewerCalls: the View Mail window's own operations that its workers use.
// The window carries each out on its own thread while the calling worker
// waits (it sends itself a message); a test puts a recording stand-in here.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <memory>

struct MailItem;

class CViewerCalls {
 public:
  virtual ~CViewerCalls() = default;

  virtual void SetTitle(const char* text) = 0;
  // Takes the item over, inserts it as a row at its sorted place
  // (CViewMailCore::InsertItem) and writes the row's texts. An item that
  // cannot be delivered is freed.
  virtual void InsertRow(std::unique_ptr<MailItem> item) = 0;
  // A message box owned by the window; a null caption gives the program's
  // name. Returns the button pressed, 0 when no box could be shown.
  virtual int ShowMessage(const char* text, const char* caption, UINT type) = 0;
  // Posts a private message (WM_FETCH_DONE, WM_DELETE_DONE) without waiting.
  virtual void Post(UINT message) = 0;
};
