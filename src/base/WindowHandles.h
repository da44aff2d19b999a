#pragma once
// Shared owners for window and GDI handles: the handle is released with the
// last owner, by DestroyWindow or DeleteObject.
#include <memory>
#include <type_traits>
#include <windows.h>

namespace lumen {

using SharedWindow = std::shared_ptr<std::remove_pointer_t<HWND>>;
using SharedFont = std::shared_ptr<std::remove_pointer_t<HFONT>>;

inline SharedWindow OwnWindow(HWND window) {
  return window ? SharedWindow(window, [](HWND w) { DestroyWindow(w); }) : SharedWindow();
}
inline SharedFont OwnFont(HFONT font) {
  return font ? SharedFont(font, [](HFONT f) { DeleteObject(f); }) : SharedFont();
}

// The system's message font (from the non-client metrics), or none when the
// metrics cannot be read.
SharedFont CreateMessageFont();

// Width of a single line of text as DrawTextW measures it on the window's
// device context, "&" counted as a character; -1 when it cannot be measured.
int MeasureTextWidth(HWND window, const std::wstring& text);
int MeasureTextHeight(HWND window, const std::wstring& text);

// A string of the module's table; empty when it is missing.
std::wstring LoadResourceString(HINSTANCE module, UINT id);

}  // namespace lumen
