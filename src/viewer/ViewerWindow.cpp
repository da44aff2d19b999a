#include "viewer/ViewerWindow.h"

#include <exception>
#include <memory>
#include <new>

#include "log/Trace.h"
#include "base/ProcedureScope.h"
#include "viewer/SourceViewerWindow.h"

namespace lumen {
namespace {

SourceViewerWindow* ViewerOf(HWND window) {
  return reinterpret_cast<SourceViewerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam) {
  TraceMessage("WM_CREATE", WM_CREATE, wParam, lParam);
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  auto viewer = std::make_unique<SourceViewerWindow>(create->hInstance, window,
                                                     static_cast<const ViewerCreateData*>(create->lpCreateParams));
  const HWND editor = viewer->editorWindow();
  // The window owns its object from here until WM_DESTROY.
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer.release()));
  ShowWindow(editor, SW_SHOW);
  return 0;
}

// The object leaves its window at WM_DESTROY, also one a host sends without
// destroying it. The host may destroy the viewer from inside one of the
// viewer's own calls: the object outlives the window until they have returned.
LRESULT OnDestroy(HWND window) {
  SourceViewerWindow* viewer = ViewerOf(window);
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  viewer->OnWindowDestroyed();
  ProcedureScope::DeleteWhenUnwound([viewer] { delete viewer; });
  return 0;
}

}  // namespace

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ProcedureScope scope;
  try {
    if (message == WM_CREATE) return OnCreate(window, wParam, lParam);
    if (!ViewerOf(window)) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DESTROY) return OnDestroy(window);
    return ViewerOf(window)->HandleMessage(message, wParam, lParam);
  } catch (const std::exception&) {
    // Out of memory or a window that failed: the host gets a plain "no".
    return message == WM_CREATE ? -1 : 0;
  }
}

HWND CreateViewerWindow(HINSTANCE module, HWND parent, const RECT* rectangle, uint32_t flags) {
  RECT client = {};
  GetClientRect(parent, &client);
  ViewerCreateData data = {flags, rectangle};
  return CreateWindowExW(WS_EX_NOPARENTNOTIFY, kViewerClassName, L"",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, client.left, client.top,
                         client.right - client.left, client.bottom - client.top, parent, nullptr, module, &data);
}

}  // namespace lumen
