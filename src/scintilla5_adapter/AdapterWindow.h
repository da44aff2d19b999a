#pragma once
// A window of the adapter's class "Scintilla": it speaks the 3.x interface to
// its parent and hosts one real Scintilla 5 control that fills its client
// area. Messages pass through to the inner control, translated where 5.x
// differs; the inner control's notifications go to the parent in the 3.x
// layout, as if this window had sent them.
#include <windows.h>

namespace lumen::scintilla5 {

LRESULT CALLBACK AdapterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lumen::scintilla5
