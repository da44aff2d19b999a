#pragma once
// Owners for every kind of handle lumen and its tools hold: each handle is
// released by the object that holds it, with the call that fits its kind.
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <windows.h>

namespace lumen {

// A child window may already be gone with its parent: destroy only what still exists.
struct WindowDestroyer {
  void operator()(HWND window) const {
    if (IsWindow(window)) DestroyWindow(window);
  }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct LibraryFreer {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct GlobalFreer {
  void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
// FindFirstFile's handle; INVALID_HANDLE_VALUE on failure (see UniqueFindHandle).
struct FindCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;
using UniqueGlobal = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, GlobalFreer>;
// A folder's listing; empty when FindFirstFile failed.
class UniqueFindHandle {
 public:
  explicit UniqueFindHandle(HANDLE search) : search_(search == INVALID_HANDLE_VALUE ? nullptr : search) {}
  HANDLE get() const { return search_.get(); }
  explicit operator bool() const { return static_cast<bool>(search_); }

 private:
  std::unique_ptr<void, FindCloser> search_;
};

// A kernel handle (file, pipe, process, thread). Files answer
// INVALID_HANDLE_VALUE on failure and the others null: both read as empty.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A registered window class, unregistered when the object goes. Empty when
// registration failed.
class UniqueWindowClass {
 public:
  UniqueWindowClass() = default;
  explicit UniqueWindowClass(const WNDCLASSEXW& description)
      : atom_(RegisterClassExW(&description)), name_(atom_ ? description.lpszClassName : L""),
        module_(description.hInstance) {}
  ~UniqueWindowClass() { reset(); }
  UniqueWindowClass(UniqueWindowClass&& other) noexcept
      : atom_(std::exchange(other.atom_, ATOM{0})), name_(std::move(other.name_)), module_(other.module_) {}
  UniqueWindowClass& operator=(UniqueWindowClass&& other) noexcept {
    if (this != &other) {
      reset();
      atom_ = std::exchange(other.atom_, ATOM{0});
      name_ = std::move(other.name_);
      module_ = other.module_;
    }
    return *this;
  }
  UniqueWindowClass(const UniqueWindowClass&) = delete;
  UniqueWindowClass& operator=(const UniqueWindowClass&) = delete;

  ATOM atom() const { return atom_; }
  explicit operator bool() const { return atom_ != 0; }
  void reset() {
    if (atom_) UnregisterClassW(name_.c_str(), module_);
    atom_ = 0;
  }

 private:
  ATOM atom_ = 0;
  std::wstring name_;
  HINSTANCE module_ = nullptr;
};

}  // namespace lumen
