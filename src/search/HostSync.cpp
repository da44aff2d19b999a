#include "search/HostSync.h"

#include <stdexcept>
#include <utility>

#include "base/Controls.h"
#include "base/Text.h"

namespace lumen {
namespace {

constexpr wchar_t kAnyDepth[] = L"%";

class Desktop : public WindowQueries {
 public:
  bool ClassName(HWND window, std::wstring& name) const override {
    wchar_t buffer[256];
    const int length = GetClassNameW(window, buffer, 256);
    if (length == 0) return false;
    name.assign(buffer, length);
    return true;
  }
  std::vector<HWND> Children(HWND window) const override {
    std::vector<HWND> children;
    for (HWND child = FindWindowExW(window, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(window, child, nullptr, nullptr)) {
      children.push_back(child);
    }
    return children;
  }
};

const WindowNode* NodeOf(const WindowTree& tree, HWND window) {
  const auto found = tree.find(window);
  return found == tree.end() ? nullptr : &found->second;
}

void AppendDescendants(const WindowTree& tree, HWND window, std::vector<HWND>& out) {
  std::vector<HWND> stack{window};
  while (!stack.empty()) {
    const HWND current = stack.back();
    stack.pop_back();
    if (const WindowNode* node = NodeOf(tree, current)) {
      for (HWND child : node->children) {
        out.push_back(child);
        stack.push_back(child);
      }
    }
  }
}

void AppendChildrenOfClass(const WindowTree& tree, HWND window, const std::wstring& className,
                           std::vector<HWND>& out) {
  if (const WindowNode* node = NodeOf(tree, window)) {
    for (HWND child : node->children) {
      const WindowNode* childNode = NodeOf(tree, child);
      if (childNode && childNode->className == className) out.push_back(child);
    }
  }
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

const WindowQueries& DesktopWindows() {
  static const Desktop desktop;
  return desktop;
}

WindowTree BuildWindowTree(HWND start, const WindowQueries& windows) {
  WindowTree tree;
  std::vector<std::pair<HWND, HWND>> stack{{start, nullptr}};
  while (!stack.empty()) {
    const auto [window, parent] = stack.back();
    stack.pop_back();
    WindowNode node;
    node.parent = parent;
    if (!windows.ClassName(window, node.className)) throw std::runtime_error("GetClassName failed.");
    for (HWND child : windows.Children(window)) {
      stack.emplace_back(child, window);
      node.children.insert(child);
    }
    tree[window] = std::move(node);
  }
  return tree;
}

std::vector<HWND> FindWindowsByPath(HWND start, const WindowTree& tree, const std::wstring& path) {
  std::vector<HWND> current{start};
  for (const std::wstring& step : Split(ReplaceAll(path, L"//", L"/%/"), L"/")) {
    std::vector<HWND> next;
    for (HWND window : current) {
      if (step == kAnyDepth) {
        AppendDescendants(tree, window, next);
      } else {
        AppendChildrenOfClass(tree, window, step, next);
      }
    }
    current = std::move(next);
  }
  return current;
}

std::wstring ReadHostFindText(HWND start) {
  const WindowTree tree = BuildWindowTree(start);
  const std::vector<HWND> found = FindWindowsByPath(start, tree, kHostFindBoxPath);
  if (found.size() != 2) return {};
  const HWND first = tree.at(found[0]).parent;
  const HWND second = tree.at(found[1]).parent;
  RECT firstBounds, secondBounds;
  if (!GetWindowRect(first, &firstBounds) || !GetWindowRect(second, &secondBounds)) return {};
  // The host keeps two find boxes; the one lower on the screen is in use.
  const HWND chosen = firstBounds.top > secondBounds.top ? first : second;
  return IsWindowVisible(chosen) ? WindowText(chosen) : std::wstring();
}

}  // namespace lumen
