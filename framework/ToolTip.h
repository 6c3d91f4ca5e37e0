// Tooltips for the controls of a dialog: every child is a tool known by its
// window, and the dialog answers the tip request (TTN_NEEDTEXTA) from a table.
#pragma once
#include <cstddef>

#include "framework/Controls.h"

struct ToolTipText {
  int id;  // control id
  const char* text;
};

class CToolTip : public CControl {
 public:
  // A tooltip window owned by the dialog (and destroyed with it) that covers
  // every control the dialog has now.
  bool Create(HWND dialog);
};

// Answers a tip request for a control named in the table; false, and no tip,
// for any other notification or control.
bool AnswerToolTip(NMHDR* hdr, const ToolTipText* table, std::size_t count);
template <std::size_t N>
bool AnswerToolTip(NMHDR* hdr, const ToolTipText (&table)[N]) {
  return AnswerToolTip(hdr, table, N);
}
