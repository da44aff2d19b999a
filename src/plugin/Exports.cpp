// The functions the host calls, under its names. Nothing may unwind into the
// host: every export turns any error into its plain fallback answer.
#include <exception>
#include <windows.h>
#include <objidl.h>

#include "dialog/ConfigDialog.h"
#include "plugin/Identification.h"
#include "plugin/PluginInfo.h"
#include "plugin/PluginState.h"
#include "viewer/ViewerWindow.h"

namespace {

template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI HBX_Init() { return FALSE; }

BOOL WINAPI HBX_USBSafe(void*) { return FALSE; }

BOOL WINAPI HBX_InitEx(const void* record) {
  return Guarded(FALSE, [&] { return lumen::StartUp(static_cast<const lumen::HostInitExRecord*>(record)) ? TRUE : FALSE; });
}

void WINAPI HBX_Uninit() {
  Guarded(0, [] {
    lumen::ShutDown();
    return 0;
  });
}

BOOL WINAPI HBX_IdentifyW(void* record) {
  if (!record) return FALSE;  // nothing to answer into
  Guarded(0, [&] {
    lumen::FillPluginInfo(*static_cast<lumen::HostPluginInfoRecord*>(record), lumen::PluginModule());
    return 0;
  });
  return TRUE;
}

BOOL WINAPI HBX_IdentifyFileW(HWND, const wchar_t* path, void* record, ULONG_PTR) {
  return Guarded(FALSE, [&] {
    return lumen::IdentifyFile(path, static_cast<lumen::HostFileInfoRecord*>(record)) ? TRUE : FALSE;
  });
}

BOOL WINAPI HBX_IdentifyFileStreamW(HWND, void* stream, const wchar_t* path, void* record) {
  return Guarded(FALSE, [&] {
    return lumen::IdentifyFile(path, static_cast<lumen::HostFileInfoRecord*>(record), static_cast<IStream*>(stream))
               ? TRUE
               : FALSE;
  });
}

HWND WINAPI HBX_CreateViewer(HWND parent, const RECT* rectangle, UINT flags) {
  return Guarded<HWND>(nullptr, [&] { return lumen::CreateViewerWindow(lumen::PluginModule(), parent, rectangle, flags); });
}

HWND WINAPI HBX_Configure(HWND parent, HWND notifyWindow, UINT notifyData) {
  return Guarded<HWND>(nullptr, [&] { return lumen::OpenConfigDialog(lumen::PluginModule(), parent, notifyWindow, notifyData); });
}

}  // extern "C"
