#pragma once
// The library's process-wide state: its module, the use count under the
// plug-in lock, and the two window classes.
#include <windows.h>

#include "abi/HostRecords.h"

namespace lumen {

// Names the global atom the loaded library holds.
inline constexpr wchar_t kPresenceAtomName[] = L"{5B8E3F21-7C4A-4D2E-9A61-3E0F5C7B9D14}";

// The host version from which the plug-in starts: 9.1.3.0.
constexpr uint64_t kOldestHostVersion = 0x0009000100030000;

void OnProcessAttach(HINSTANCE module);
void OnProcessDetach();
HINSTANCE PluginModule();

// The host's start-up and shut-down; only the transitions of the use count
// between 0 and 1 register or unregister the classes.
bool StartUp(const HostInitExRecord* record);
void ShutDown();

}  // namespace lumen
