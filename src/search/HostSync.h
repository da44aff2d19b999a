#pragma once
// Finding the host's own find box by walking its window tree along a path of
// window class names.
#include <map>
#include <set>
#include <string>
#include <vector>
#include <windows.h>

namespace lumen {

struct WindowNode {
  HWND parent = nullptr;
  std::wstring className;
  std::set<HWND> children;  // ordered by handle value
};

using WindowTree = std::map<HWND, WindowNode>;

// Steps separated by "/"; an empty step ("//") stands for any depth.
inline constexpr wchar_t kHostFindBoxPath[] = L"//tessera.folioutilitypaneinner/#32770/#32770/ComboBox/Edit";

// What the walk asks of the window system; tests stand in for it.
class WindowQueries {
 public:
  virtual ~WindowQueries() = default;
  // The class name, or false when it cannot be read.
  virtual bool ClassName(HWND window, std::wstring& name) const = 0;
  virtual std::vector<HWND> Children(HWND window) const = 0;
};

const WindowQueries& DesktopWindows();

// Every window from `start` down. Throws std::runtime_error "GetClassName
// failed." when a window's class cannot be read (it may be gone).
WindowTree BuildWindowTree(HWND start, const WindowQueries& windows = DesktopWindows());

// The windows `path` leads to from `start`, in walk order, duplicates kept.
std::vector<HWND> FindWindowsByPath(HWND start, const WindowTree& tree, const std::wstring& path);

// The text of the lower of exactly two find boxes, if it is visible; empty otherwise.
std::wstring ReadHostFindText(HWND start);

}  // namespace lumen
