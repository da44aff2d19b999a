#pragma once
#include <windows.h>

namespace lumen {

inline constexpr wchar_t kViewerClassName[] = L"tesseraviewerplugin.lumen.viewer";

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lumen
