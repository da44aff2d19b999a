#pragma once
// The viewer's context menu (a right click in the text, Shift+F10 or the
// menu key): what the text can do, the search, the view's toggles and the
// zoom, each entry with its key.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "text/Encoding.h"

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
  UINT command = 0;  // none: a separator, unless it opens a submenu
  UINT text = 0;     // the string table's entry
  bool checked = false;
  bool enabled = true;
  std::wstring name = {};  // after the text, in brackets, or alone: a code page's name
  std::vector<MenuEntry> submenu = {};
  bool operator==(const MenuEntry&) const = default;
};

// What the menu shows the state of.
struct MenuState {
  ViewToggles toggles;
  bool bigDocument = false;
  bool hasSelection = false;
  std::optional<EncodingChoice> encoding;  // the user's choice; none: detected
  bool canReread = false;  // a file by path or a stream shown whole: it can be read again
  bool following = false;  // the file is followed as it grows
  bool canFollow = false;  // a file by path, following on or paused
  bool canHighlight = false;  // a word selected or at the caret
  bool hasHighlights = false;
  bool hasBookmarks = false;
  bool hasQuery = false;  // the search panel has text to search for
  bool showingMatching = false, hidingMatching = false;  // the filter shown: no copy of bookmarked lines
  bool formatted = false;  // a JSON or XML document shown indented
  bool canFormat = false;  // the text shown is JSON or XML
};

// The entries, in order. Wrapping and folding are greyed for a document too
// big for them, folding also while it is off; copying needs a selection.
std::vector<MenuEntry> ContextMenuEntries(const MenuState& state);

// The Encoding entry's choices, each command IDM_ENCODING_FIRST + its index:
// Detect (none), the Unicode forms, the system's code page, then every code
// page lumen knows, by script.
struct EncodingOption {
  std::optional<EncodingChoice> choice;
  UINT text = 0;
  std::wstring name;
};
const std::vector<EncodingOption>& EncodingOptions();

// Shows the menu at `at` (screen coordinates) and returns the command
// chosen, or 0. The menu is modal: it returns once the user has chosen.
UINT ShowContextMenu(HINSTANCE module, HWND owner, POINT at, const std::vector<MenuEntry>& entries);

}  // namespace lumen
