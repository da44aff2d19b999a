#include <windows.h>

#include "plugin/PluginState.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) lumen::OnProcessAttach(module);
  if (reason == DLL_PROCESS_DETACH) lumen::OnProcessDetach();
  return TRUE;
}
