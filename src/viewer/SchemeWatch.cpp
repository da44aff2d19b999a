#include "viewer/SchemeWatch.h"

#include <algorithm>
#include <vector>

#include "abi/HostMessages.h"
#include "abi/WindowClasses.h"
#include "base/Handles.h"
#include "base/SystemTheme.h"

namespace lumen {
namespace {

// Windows keeps a window with its thread: each thread with viewers has its own.
struct ThreadWatch {
  std::vector<HWND> viewers;
  UniqueWindow window;
};

ThreadWatch& ThisThread() {
  thread_local ThreadWatch watch;
  return watch;
}

}  // namespace

LRESULT CALLBACK SchemeWatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsThemeChange(message, lParam)) {
    // Posted, not sent: a viewer re-styles after the broadcast, never inside it.
    for (const HWND viewer : ThisThread().viewers) PostMessageW(viewer, kSchemeChanged, 0, 0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

SchemeWatch::SchemeWatch(HINSTANCE module, HWND viewer) : viewer_(viewer) {
  ThreadWatch& watch = ThisThread();
  watch.viewers.push_back(viewer);
  if (!watch.window) {
    // Unowned and never shown: broadcasts reach it, the user never sees it.
    // Without the class (no plug-in start-up) viewers simply keep their scheme.
    watch.window.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kSchemeWatchClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, module, nullptr));
  }
}

SchemeWatch::~SchemeWatch() {
  ThreadWatch& watch = ThisThread();
  std::erase(watch.viewers, viewer_);
  if (watch.viewers.empty()) watch.window.reset();
}

}  // namespace lumen
