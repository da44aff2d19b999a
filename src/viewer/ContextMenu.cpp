#include "viewer/ContextMenu.h"

#include <memory>
#include <string>

#include "resources/resource.h"
#include "text/CharsetDetection.h"

namespace lumen {
namespace {

constexpr size_t kFirstUnicodeForm = 1;
constexpr size_t kFirstCodePageByScript = 5;

MenuEntry EncodingMenu(const std::optional<EncodingChoice>& current, bool enabled) {
  MenuEntry menu{0, IDS_MENU_ENCODING, false, enabled};
  const std::vector<EncodingOption>& options = EncodingOptions();
  for (size_t index = 0; index < options.size(); ++index) {
    const EncodingOption& option = options[index];
    // Detect, the Unicode forms and the system's, the code pages by script.
    if (index == kFirstUnicodeForm || index == kFirstCodePageByScript) menu.submenu.push_back({});
    menu.submenu.push_back({static_cast<UINT>(IDM_ENCODING_FIRST + index), option.text, option.choice == current,
                            enabled, option.name});
  }
  return menu;
}

std::wstring LoadedString(HINSTANCE module, UINT id) {
  const wchar_t* text = nullptr;
  const int length = id ? LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0) : 0;
  return std::wstring(text ? text : L"", text ? static_cast<size_t>(length) : 0);
}

// "Cyrillic (KOI8-R)"; a key after a tab stays last.
std::wstring Label(HINSTANCE module, const MenuEntry& entry) {
  std::wstring label = LoadedString(module, entry.text);
  if (entry.name.empty()) return label;
  if (label.empty()) return entry.name;
  const size_t tab = label.find(L'\t');
  label.insert(tab == std::wstring::npos ? label.size() : tab, L" (" + entry.name + L")");
  return label;
}

struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

UniqueMenu MakeMenu(HINSTANCE module, const std::vector<MenuEntry>& entries) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return nullptr;
  for (const MenuEntry& entry : entries) {
    const UINT state = (entry.checked ? MF_CHECKED : 0) | (entry.enabled ? 0 : MF_GRAYED);
    if (!entry.submenu.empty()) {
      // The submenu belongs to the menu once appended.
      UniqueMenu submenu = MakeMenu(module, entry.submenu);
      if (submenu && AppendMenuW(menu.get(), MF_POPUP | state, reinterpret_cast<UINT_PTR>(submenu.get()),
                                 Label(module, entry).c_str())) {
        submenu.release();
      }
    } else if (entry.command == 0) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu.get(), MF_STRING | state, entry.command, Label(module, entry).c_str());
    }
  }
  return menu;
}

}  // namespace

const std::vector<EncodingOption>& EncodingOptions() {
  static const std::vector<EncodingOption> options = [] {
    std::vector<EncodingOption> made = {
        {std::nullopt, IDS_ENCODING_DETECT, L""},
        {EncodingChoice{Encoding::Utf8}, 0, L"UTF-8"},
        {EncodingChoice{Encoding::Utf16LE}, 0, L"UTF-16 LE"},
        {EncodingChoice{Encoding::Utf16BE}, 0, L"UTF-16 BE"},
        {EncodingChoice{Encoding::Ansi, 0}, IDS_ENCODING_SYSTEM, CodePageName(GetACP())},
    };
    for (const CodePage& page : KnownCodePages()) {
      made.push_back({EncodingChoice{Encoding::Ansi, page.number},
                      static_cast<UINT>(IDS_SCRIPT_FIRST + static_cast<int>(page.script)), page.name});
    }
    return made;
  }();
  return options;
}

std::vector<MenuEntry> ContextMenuEntries(const MenuState& state) {
  const ViewToggles& toggles = state.toggles;
  const bool bigDocument = state.bigDocument, hasSelection = state.hasSelection;
  return {
      {IDM_COPY, IDS_MENU_COPY, false, hasSelection},
      {IDA_COPY_WITH_COLOURS, IDS_MENU_COPY_WITH_COLOURS, false, hasSelection},
      {IDM_SELECT_ALL, IDS_MENU_SELECT_ALL},
      {},
      {IDM_SHOW_FIND, IDS_MENU_FIND},
      {IDA_FIND_NEXT_F3, IDS_MENU_FIND_NEXT},
      {IDA_FIND_PREVIOUS_SHIFT_F3, IDS_MENU_FIND_PREVIOUS},
      {IDA_GO_TO_LINE, IDS_MENU_GO_TO_LINE},
      {IDA_FILTER_MATCHING, IDS_MENU_FILTER_MATCHING, state.showingMatching, state.hasQuery || state.showingMatching},
      {IDA_FILTER_HIDING, IDS_MENU_FILTER_HIDING, state.hidingMatching, state.hasQuery || state.hidingMatching},
      {IDM_HIGHLIGHT, IDS_MENU_HIGHLIGHT, false, state.canHighlight},
      {IDM_CLEAR_HIGHLIGHTS, IDS_MENU_CLEAR_HIGHLIGHTS, false, state.hasHighlights},
      {},
      {IDA_TOGGLE_BOOKMARK, IDS_MENU_TOGGLE_BOOKMARK},
      {IDA_NEXT_BOOKMARK, IDS_MENU_NEXT_BOOKMARK, false, state.hasBookmarks},
      {IDM_BOOKMARK_MATCHES, IDS_MENU_BOOKMARK_MATCHES, false, state.hasQuery},
      {IDM_COPY_BOOKMARKED_LINES, IDS_MENU_COPY_BOOKMARKED_LINES, false,
       state.hasBookmarks && !state.showingMatching && !state.hidingMatching},
      {IDM_CLEAR_BOOKMARKS, IDS_MENU_CLEAR_BOOKMARKS, false, state.hasBookmarks},
      {},
      {IDA_WRAP_LINES, IDS_MENU_WRAP_LINES, toggles.wrapLines && !bigDocument, !bigDocument},
      {IDA_SHOW_WHITESPACE, IDS_MENU_SHOW_WHITESPACE, toggles.whitespace},
      {IDA_INDENTATION_GUIDES, IDS_MENU_INDENTATION_GUIDES, toggles.indentationGuides},
      {IDA_FOLD_ALL, IDS_MENU_FOLD_ALL, false, toggles.folding && !bigDocument},
      {IDA_UNFOLD_ALL, IDS_MENU_UNFOLD_ALL, false, toggles.folding && !bigDocument},
      {IDA_FORMAT, IDS_MENU_FORMAT, state.formatted, state.canFormat || state.formatted},
      {},
      EncodingMenu(state.encoding, state.canReread),
      {IDA_FOLLOW_CHANGES, IDS_MENU_FOLLOW_CHANGES, state.following, state.canFollow},
      {},
      {IDM_ZOOM_IN, IDS_MENU_ZOOM_IN},
      {IDM_ZOOM_OUT, IDS_MENU_ZOOM_OUT},
      {IDM_RESET_ZOOM, IDS_MENU_RESET_ZOOM},
  };
}

UINT ShowContextMenu(HINSTANCE module, HWND owner, POINT at, const std::vector<MenuEntry>& entries) {
  const UniqueMenu menu = MakeMenu(module, entries);
  if (!menu) return 0;
  // The menu's own loop pumps the host's messages meanwhile, as any menu does.
  return static_cast<UINT>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
}

}  // namespace lumen
