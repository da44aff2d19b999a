#pragma once
// The viewer's window class and its creation for the host.
#include <cstdint>
#include <windows.h>

#include "abi/WindowClasses.h"

namespace lumen {

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A viewer over the parent's client area; null when it cannot be made.
HWND CreateViewerWindow(HINSTANCE module, HWND parent, const RECT* rectangle, uint32_t flags);

}  // namespace lumen
