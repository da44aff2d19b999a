#pragma once
// The viewer's context menu (a right click in the text, Shift+F10 or the
// menu key): what the text can do, the search, the view's toggles and the
// zoom, each entry with its key.
#include <windows.h>

#include <vector>

namespace lumen {

// How the view shows the text beyond its colours; each toggle lasts while
// the viewer lives.
struct ViewToggles {
  bool wrapLines = false;
  bool whitespace = false;  // spaces, tabs and line ends shown
  bool indentationGuides = false;
  bool folding = false;  // a fold margin where the lexer folds
  bool operator==(const ViewToggles&) const = default;
};

struct MenuEntry {
  UINT command = 0;  // none: a separator
  UINT text = 0;     // the string table's entry
  bool checked = false;
  bool enabled = true;
  bool operator==(const MenuEntry&) const = default;
};

// The entries, in order. Wrapping and folding are greyed for a document too
// big for them, folding also while it is off; copying needs a selection.
std::vector<MenuEntry> ContextMenuEntries(const ViewToggles& toggles, bool bigDocument, bool hasSelection);

// Shows the menu at `at` (screen coordinates) and returns the command
// chosen, or 0. The menu is modal: it returns once the user has chosen.
UINT ShowContextMenu(HINSTANCE module, HWND owner, POINT at, const std::vector<MenuEntry>& entries);

}  // namespace lumen
