#pragma once
// The one way lumen talks to the editor control: window messages to a window
// that may not exist (no editor library), in which case nothing is sent.
#include <cstdint>
#include <string>
#include <windows.h>

#include "abi/ScintillaInterface.h"

namespace lumen {

// The most text a document of the control holds: it counts in 32 bits, and
// lumen gives a document a byte more room than its text (see LoaderFactory).
inline constexpr size_t kLargestDocument = size_t{INT32_MAX} - 1;

class EditorControl {
 public:
  explicit EditorControl(HWND window = nullptr) : window_(window) {}

  HWND window() const { return window_; }
  bool exists() const { return window_ != nullptr; }

  // The control's answer, or 0 without a control.
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return window_ ? SendMessageW(window_, message, wParam, lParam) : 0;
  }
  template <typename T>
  LRESULT Send(UINT message, WPARAM wParam, T* pointer) const {
    return Send(message, wParam, reinterpret_cast<LPARAM>(pointer));
  }
  // Text arguments are zero-terminated byte strings (UTF-8 or the ANSI code page).
  LRESULT SendText(UINT message, WPARAM wParam, const std::string& text) const {
    return Send(message, wParam, text.c_str());
  }

 private:
  HWND window_;
};

}  // namespace lumen
