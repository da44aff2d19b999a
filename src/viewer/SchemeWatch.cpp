#include "viewer/SchemeWatch.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "abi/HostMessages.h"
#include "abi/WindowClasses.h"
#include "base/SystemTheme.h"

namespace lumen {
namespace {

// Windows keeps a window with its thread: each thread with viewers has its own.
struct ThreadWatch {
  DWORD thread;
  HWND window;
  std::vector<HWND> viewers;
};

// Process-wide rather than thread-local: a thread-local object of the DLL
// would be destroyed at the thread's end, perhaps after the DLL has gone.
std::mutex watchesLock;
std::vector<ThreadWatch> watches;

ThreadWatch* ThisThreadsWatch() {
  const auto found = std::find_if(watches.begin(), watches.end(),
                                  [](const ThreadWatch& w) { return w.thread == GetCurrentThreadId(); });
  return found != watches.end() ? &*found : nullptr;
}

}  // namespace

LRESULT CALLBACK SchemeWatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsThemeChange(message, lParam)) return DefWindowProcW(window, message, wParam, lParam);
  std::vector<HWND> viewers;
  try {
    const std::lock_guard lock(watchesLock);
    if (const ThreadWatch* watch = ThisThreadsWatch()) viewers = watch->viewers;
  } catch (const std::exception&) {
    return 0;  // out of memory: the viewers keep their scheme until their next file
  }
  // Posted, not sent: a viewer re-styles after the broadcast, never inside it.
  for (const HWND viewer : viewers) PostMessageW(viewer, kSchemeChanged, 0, 0);
  return 0;
}

SchemeWatch::SchemeWatch(HINSTANCE module, HWND viewer) : viewer_(viewer) {
  const std::lock_guard lock(watchesLock);
  if (ThreadWatch* watch = ThisThreadsWatch()) {
    watch->viewers.push_back(viewer);
    return;
  }
  // Everything that may fail comes before the window exists.
  ThreadWatch fresh{GetCurrentThreadId(), nullptr, {viewer}};
  watches.reserve(watches.size() + 1);
  // Unowned and never shown: broadcasts reach it, the user never sees it.
  // Without the class (no plug-in start-up) viewers simply keep their scheme.
  fresh.window = CreateWindowExW(WS_EX_TOOLWINDOW, kSchemeWatchClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 module, nullptr);
  watches.push_back(std::move(fresh));
}

SchemeWatch::~SchemeWatch() {
  HWND lastWindow = nullptr;
  {
    const std::lock_guard lock(watchesLock);
    ThreadWatch* watch = ThisThreadsWatch();
    if (!watch) return;
    std::erase(watch->viewers, viewer_);
    if (!watch->viewers.empty()) return;
    lastWindow = watch->window;
    std::erase_if(watches, [](const ThreadWatch& w) { return w.thread == GetCurrentThreadId(); });
  }
  if (lastWindow) DestroyWindow(lastWindow);
}

}  // namespace lumen
