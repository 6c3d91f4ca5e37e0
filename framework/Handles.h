// Scoped owners for the handle kinds the shell uses: non-copyable, movable.
#pragma once
#include <winsock2.h>
#include <windows.h>

class CScopedMenu {
 public:
  explicit CScopedMenu(HMENU h = nullptr) : m_h(h) {}
  ~CScopedMenu() { Reset(); }
  CScopedMenu(CScopedMenu&& o) noexcept : m_h(o.Release()) {}
  CScopedMenu& operator=(CScopedMenu&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  CScopedMenu(const CScopedMenu&) = delete;
  CScopedMenu& operator=(const CScopedMenu&) = delete;

  HMENU Get() const { return m_h; }
  HMENU Release() {
    HMENU h = m_h;
    m_h = nullptr;
    return h;
  }
  void Reset(HMENU h = nullptr) {
    if (m_h) DestroyMenu(m_h);
    m_h = h;
  }

 private:
  HMENU m_h;
};

class CUniqueHandle {
 public:
  explicit CUniqueHandle(HANDLE h = nullptr) : m_h(h) {}
  ~CUniqueHandle() { Reset(); }
  CUniqueHandle(CUniqueHandle&& o) noexcept : m_h(o.Release()) {}
  CUniqueHandle& operator=(CUniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;

  HANDLE Get() const { return m_h; }
  bool Valid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = m_h;
    m_h = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) CloseHandle(m_h);
    m_h = h;
  }

 private:
  HANDLE m_h;
};

// A GDI object (font, brush, bitmap) deleted with its owner. Delete it only
// after the windows that use it are gone or have been given another.
template <typename T>
class CScopedGdiObject {
 public:
  explicit CScopedGdiObject(T h = nullptr) : m_h(h) {}
  ~CScopedGdiObject() { Reset(); }
  CScopedGdiObject(CScopedGdiObject&& o) noexcept : m_h(o.Release()) {}
  CScopedGdiObject& operator=(CScopedGdiObject&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  CScopedGdiObject(const CScopedGdiObject&) = delete;
  CScopedGdiObject& operator=(const CScopedGdiObject&) = delete;

  T Get() const { return m_h; }
  T Release() {
    T h = m_h;
    m_h = nullptr;
    return h;
  }
  void Reset(T h = nullptr) {
    if (m_h) DeleteObject(m_h);
    m_h = h;
  }

 private:
  T m_h;
};

using CScopedFont = CScopedGdiObject<HFONT>;
