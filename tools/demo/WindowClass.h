#pragma once
#include <windows.h>

namespace lumen::demo {

// A window class of the demo host with an arrow cursor and a system colour
// (COLOR_...) as background; throws std::runtime_error when it cannot be registered.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background);

}  // namespace lumen::demo
