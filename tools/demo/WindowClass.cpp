#include "WindowClass.h"

#include <stdexcept>
#include <string>

#include "Text.h"

namespace lumen::demo {

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  windowClass.lpszClassName = name;
  if (!RegisterClassExW(&windowClass)) throw std::runtime_error("cannot register the window class " + Utf8(name));
}

}  // namespace lumen::demo
