#include "search/SearchPanel.h"

namespace lumen {

LRESULT CALLBACK SearchPanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace lumen
