// One owner for every kind of handle: non-copyable, movable, freed with its
// owner. A traits type names the handle type, its empty value, which values
// hold something to free, and how to free it.
#pragma once
#include <winsock2.h>
#include <windows.h>

template <typename Traits>
class CScopedHandle {
 public:
  using Type = typename Traits::Type;

  CScopedHandle() = default;
  explicit CScopedHandle(Type h) : m_h(h) {}
  ~CScopedHandle() { Reset(); }
  CScopedHandle(CScopedHandle&& o) noexcept : m_h(o.Release()) {}
  CScopedHandle& operator=(CScopedHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  CScopedHandle(const CScopedHandle&) = delete;
  CScopedHandle& operator=(const CScopedHandle&) = delete;

  Type Get() const { return m_h; }
  bool Valid() const { return Traits::Valid(m_h); }
  // For the calls that hand a new handle back through a pointer: what was
  // held is freed first.
  Type* Put() {
    Reset();
    return &m_h;
  }
  Type Release() {
    Type h = m_h;
    m_h = Traits::Empty();
    return h;
  }
  void Reset(Type h = Traits::Empty()) {
    if (Valid()) Traits::Free(m_h);
    m_h = h;
  }

 private:
  Type m_h = Traits::Empty();
};

// A handle that is empty when zero and is freed by one call.
template <typename T, auto FreeFunction>
struct FreedWith {
  using Type = T;
  static constexpr T Empty() { return T{}; }
  static bool Valid(T h) { return h != T{}; }
  static void Free(T h) { FreeFunction(h); }
};

// Kernel handles: CreateFile's failure value is not one to close either.
struct KernelHandleTraits : FreedWith<HANDLE, CloseHandle> {
  static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
};

using CUniqueHandle = CScopedHandle<KernelHandleTraits>;
using CScopedMenu = CScopedHandle<FreedWith<HMENU, DestroyMenu>>;
// A GDI object (font, brush, bitmap): delete one only after the windows that
// use it are gone or have been given another.
template <typename T>
using CScopedGdiObject = CScopedHandle<FreedWith<T, DeleteObject>>;
using CScopedFont = CScopedGdiObject<HFONT>;
