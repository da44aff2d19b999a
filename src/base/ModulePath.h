#pragma once
// A module's full path, however long: GetModuleFileNameW cuts a path at the
// buffer it is given and says so only by filling it.
#include <string>
#include <windows.h>

namespace lumen {

// Empty when the module is unknown or its path longer than Windows allows.
std::wstring ModuleFileName(HMODULE module);

}  // namespace lumen
