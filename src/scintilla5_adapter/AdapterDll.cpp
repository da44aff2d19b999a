// The adapter's entry point. The global class "Scintilla" must exist as soon
// as LoadLibrary returns, because lumen creates its editor right after; so the
// inner libraries are loaded here, under the loader lock (they depend on
// nothing but Windows and start no threads).
#include <memory>
#include <windows.h>

#include "scintilla5_adapter/Runtime.h"

namespace {

std::unique_ptr<lumen::scintilla5::Runtime> runtime;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  using lumen::scintilla5::Runtime;
  try {
    if (reason == DLL_PROCESS_ATTACH) {
      DisableThreadLibraryCalls(module);
      runtime = std::make_unique<Runtime>(module);
      Runtime::set_current(runtime.get());
    } else if (reason == DLL_PROCESS_DETACH) {
      Runtime::set_current(nullptr);
      // At process exit the system takes everything down itself; freeing
      // libraries from here then is unsafe, so only an unload cleans up.
      if (reserved) {
        runtime.release();
      } else {
        runtime.reset();
      }
    }
    return TRUE;
  } catch (...) {
    return FALSE;  // LoadLibrary fails, and the viewer runs without an editor
  }
}
