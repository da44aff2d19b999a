#pragma once
// Windows broadcasts a change of the light or dark theme to top-level windows
// only, and a viewer is a child of the host's. While viewers are open on a
// thread, a hidden top-level window of that thread hears the broadcast and
// posts kSchemeChanged to each of them.
#include <windows.h>

namespace lumen {

LRESULT CALLBACK SchemeWatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Membership of one viewer, from its creation to its destruction.
class SchemeWatch {
 public:
  SchemeWatch(HINSTANCE module, HWND viewer);
  ~SchemeWatch();
  SchemeWatch(const SchemeWatch&) = delete;
  SchemeWatch& operator=(const SchemeWatch&) = delete;

 private:
  HWND viewer_;
};

}  // namespace lumen
