#include "base/BackgroundThread.h"

#include <memory>
#include <utility>
#include <windows.h>

#include "base/Handles.h"

namespace lumen {
namespace {

struct Start {
  std::function<void()> work;
  HMODULE module = nullptr;  // one reference, let go as the thread ends
};

DWORD WINAPI ThreadMain(void* parameter) {
  HMODULE module = nullptr;
  {
    const std::unique_ptr<Start> start(static_cast<Start*>(parameter));
    module = start->module;
    // Background work gives way to the host's thread: on a machine of few
    // cores the host's messages would otherwise wait for a core.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    try {
      start->work();
    } catch (...) {
      // Nothing to tell: whoever waits for the work's result sees none.
    }
  }
  // The module may be unloaded by this very call: no code of it runs after.
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool RunInBackground(std::function<void()> work) {
  auto start = std::make_unique<Start>();
  start->work = std::move(work);
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadMain),
                          &start->module)) {
    return false;
  }
  const UniqueHandle thread(CreateThread(nullptr, 0, ThreadMain, start.get(), 0, nullptr));
  if (!thread) {
    FreeLibrary(start->module);
    return false;
  }
  static_cast<void>(start.release());  // the thread's now
  return true;
}

}  // namespace lumen
