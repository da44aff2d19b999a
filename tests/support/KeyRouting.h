#pragma once
// Keys as the host routes them to a viewer: its shortcuts first, then the
// search panel's dialog keys, else the focused window's own handling.
#include <windows.h>

namespace lumen::test {

// A key press (down and up) with the given modifiers held; returns whether
// the viewer took the key-down as a shortcut. Runs the messages it queued.
bool PressKeyInViewer(HWND viewer, UINT key, bool ctrl = false, bool shift = false);

// Runs the messages already queued for this thread.
void PumpThreadMessages();

}  // namespace lumen::test
