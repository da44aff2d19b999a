#include "plugin/PluginState.h"

#include <exception>

#include "base/Handles.h"
#include "host/Paths.h"
#include "log/Logging.h"
#include "search/SearchPanel.h"
#include "viewer/SchemeWatch.h"
#include "viewer/StreamSpool.h"
#include "viewer/ViewerWindow.h"

namespace lumen {
namespace {

HINSTANCE module = nullptr;
CRITICAL_SECTION pluginLock;
int useCount = 0;
UniqueWindowClass viewerClass;
UniqueWindowClass searchPanelClass;
UniqueWindowClass schemeWatchClass;

// Critical sections are re-entrant: a failing start-up shuts down inside it.
class PluginLock {
 public:
  PluginLock() { EnterCriticalSection(&pluginLock); }
  ~PluginLock() { LeaveCriticalSection(&pluginLock); }
  PluginLock(const PluginLock&) = delete;
  PluginLock& operator=(const PluginLock&) = delete;
};

UniqueWindowClass RegisterWindowClass(const wchar_t* name, WNDPROC procedure, int backgroundBrush) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = module;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundBrush));
  windowClass.lpszClassName = name;
  return UniqueWindowClass(windowClass);
}

// A system-wide atom named by the plug-in's own GUID, held while it is loaded.
class PresenceAtom {
 public:
  PresenceAtom() : atom_(GlobalAddAtomW(kPresenceAtomName)) {}
  ~PresenceAtom() {
    if (atom_) GlobalDeleteAtom(atom_);
  }
  PresenceAtom(const PresenceAtom&) = delete;
  PresenceAtom& operator=(const PresenceAtom&) = delete;

 private:
  ATOM atom_;
};
const PresenceAtom presenceAtom;

uint64_t HostVersion(const HostInitExRecord& record) {
  return (uint64_t{record.versionHigh} << 32) | record.versionLow;
}

// A logging library that cannot start must not keep the plug-in from working.
void StartLogging() {
  try {
    ConfigureLogging(LogFilePath());
  } catch (const std::exception&) {
  }
}

}  // namespace

void OnProcessAttach(HINSTANCE instance) {
  module = instance;
  InitializeCriticalSection(&pluginLock);
}

void OnProcessDetach() { DeleteCriticalSection(&pluginLock); }

HINSTANCE PluginModule() { return module; }

bool StartUp(const HostInitExRecord* record) {
  PluginLock lock;
  if (useCount++ > 0) return true;
  if (!viewerClass) viewerClass = RegisterWindowClass(kViewerClassName, ViewerWindowProc, COLOR_HIGHLIGHTTEXT + 1);
  if (!searchPanelClass) searchPanelClass = RegisterWindowClass(kSearchPanelClassName, SearchPanelWindowProc, COLOR_MENU + 1);
  if (!schemeWatchClass) schemeWatchClass = RegisterWindowClass(kSchemeWatchClassName, SchemeWatchWindowProc, 0);
  if (!viewerClass || !record || HostVersion(*record) < kOldestHostVersion) {
    ShutDown();
    return false;
  }
  StartLogging();
  // Spools a lumen that was stopped left in the temporary folder: a look at one small folder.
  StreamSpool::RemoveLeftovers();
  return true;
}

void ShutDown() {
  PluginLock lock;
  if (useCount <= 0 || --useCount > 0) return;
  viewerClass.reset();
  searchPanelClass.reset();
  schemeWatchClass.reset();
}

}  // namespace lumen
