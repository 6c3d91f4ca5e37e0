// The shared layout of the resizable windows.
#include "framework/WindowSizer.h"

#include <algorithm>

#include "framework/Controls.h"
#include "framework/Dpi.h"

void CWindowSizer::Attach(HWND window, HWND area) {
  m_hWnd = window;
  m_nDpi = WindowDpi(window);
  m_template = OuterSize(window);
  const SIZE inner = OuterSize(area);
  m_margin = {m_template.cx - inner.cx, m_template.cy - inner.cy};
}

SIZE CWindowSizer::DefaultSize(int widthPercent, int heightPercent) const {
  return {ScaleFromDpi(m_template.cx * widthPercent / 100, m_nDpi),
          ScaleFromDpi(m_template.cy * heightPercent / 100, m_nDpi)};
}

void CWindowSizer::Restore(SIZE stored) {
  SetWindowPos(m_hWnd, nullptr, 0, 0, ScaleToDpi(stored.cx, m_nDpi), ScaleToDpi(stored.cy, m_nDpi),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE CWindowSizer::StoredSize() const {
  const SIZE now = OuterSize(m_hWnd);
  return {ScaleFromDpi(now.cx, m_nDpi), ScaleFromDpi(now.cy, m_nDpi)};
}

SIZE CWindowSizer::AreaSize() const {
  const SIZE now = OuterSize(m_hWnd);
  return {std::max(0L, now.cx - m_margin.cx), std::max(0L, now.cy - m_margin.cy)};
}

void CWindowSizer::OnDpiChanged(int dpi) {
  if (dpi <= 0 || dpi == m_nDpi) return;
  m_margin = {MulDiv(m_margin.cx, dpi, m_nDpi), MulDiv(m_margin.cy, dpi, m_nDpi)};
  m_template = {MulDiv(m_template.cx, dpi, m_nDpi), MulDiv(m_template.cy, dpi, m_nDpi)};
  m_nDpi = dpi;
}
