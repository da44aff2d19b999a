#pragma once
#include <windows.h>

namespace lumen {

inline constexpr wchar_t kSearchPanelClassName[] = L"tesseraviewerplugin.lumen.searchpanel";

LRESULT CALLBACK SearchPanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lumen
