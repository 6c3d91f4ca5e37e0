// The View Mail window's status bar.
#include "viewer/CountStatusBar.h"

#include <cstdio>

#include "framework/Dpi.h"

std::string FormatCount(int count, const char* noun) {
  if (count == 0) return std::string();
  char text[256];
  snprintf(text, sizeof text, "%d %s%s", count, noun, count == 1 ? "" : "s");
  return text;
}

bool CCountStatusBar::Create(HWND parent, UINT id) {
  return CStatusBar::Create(parent, id) && SetDpi(WindowDpi(parent));
}

bool CCountStatusBar::SetDpi(int dpi) {
  // The texts grow with the screen's scale, and so must their panes: "1 account" must not lose its end.
  const int edges[] = {ScaleToDpi(80, dpi), ScaleToDpi(80 + 120, dpi), -1};
  return SetParts(3, edges);
}

void CCountStatusBar::SetAccountCount(int count) {
  m_accounts = FormatCount(count, "account");
  SetText(0, m_accounts.c_str());
}

void CCountStatusBar::SetItemCount(int count) {
  m_items = FormatCount(count, "item");
  ShowCount();
}

void CCountStatusBar::SetSelectedCount(int count) {
  m_selected = FormatCount(count, "selected item");
  ShowCount();
}

void CCountStatusBar::SetDeletedCount(int count) {
  m_deleted = FormatCount(count, "deleted item");
  ShowCount();
}

void CCountStatusBar::ClearCounts() {
  m_items.clear();
  m_selected.clear();
  m_deleted.clear();
  ShowCount();
}

const std::string& CCountStatusBar::CountText() const {
  if (!m_selected.empty()) return m_selected;
  if (!m_deleted.empty()) return m_deleted;
  return m_items;
}
