#pragma once
// Owners for the demo host's handles: each handle is released by the object
// that holds it, with the call that fits its kind.
#include <memory>
#include <type_traits>
#include <windows.h>

namespace lumen::demo {

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

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

}  // namespace lumen::demo
