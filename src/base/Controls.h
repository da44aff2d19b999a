#pragma once
// Small helpers for windows and their controls: the message font, text
// measurement, window text and size, and resource strings.
#include <string>
#include <windows.h>

#include "base/Handles.h"

namespace lumen {

// The system's message font (from the non-client metrics), or none when the
// metrics cannot be read.
UniqueFont CreateMessageFont();

// Width of a single line of text as DrawTextW measures it on the window's
// device context, "&" counted as a character; -1 when it cannot be measured.
int MeasureTextWidth(HWND window, const std::wstring& text);
int MeasureTextHeight(HWND window, const std::wstring& text);

// The window's whole text; empty for no window.
std::wstring WindowText(HWND window);
// The height of the window's frame; 0 for no window.
int WindowHeight(HWND window);

// A string of the module's table; empty when it is missing.
std::wstring LoadResourceString(HINSTANCE module, UINT id);

}  // namespace lumen
