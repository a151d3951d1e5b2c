// One owner for a system handle: closed once, on every way out, and moved
// rather than copied. Traits name the handle's "none" value and its closer.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <utility>

namespace corvanta {

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  Handle get() const { return h_; }
  bool valid() const { return h_ != Traits::None(); }
  explicit operator bool() const { return valid(); }
  Handle release() { return std::exchange(h_, Traits::None()); }
  void reset(Handle h = Traits::None()) {
    if (valid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::None();
};

struct KernelHandleTraits {  // tokens, processes, threads, events
  static HANDLE None() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
template <typename Gdi>
struct GdiObjectTraits {  // fonts, brushes, pens, bitmaps
  static Gdi None() { return nullptr; }
  static void Close(Gdi h) { DeleteObject(h); }
};
struct MemoryDcTraits {
  static HDC None() { return nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
struct ImageListTraits {
  static HIMAGELIST None() { return nullptr; }
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct MenuTraits {
  static HMENU None() { return nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};

using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<HPEN, GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

}  // namespace corvanta
