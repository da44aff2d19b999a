#include "viewer/ContextMenu.h"

#include <memory>
#include <string>

#include "resources/resource.h"

namespace lumen {

std::vector<MenuEntry> ContextMenuEntries(const ViewToggles& toggles, bool bigDocument, bool hasSelection) {
  return {
      {IDM_COPY, IDS_MENU_COPY, false, hasSelection},
      {IDA_COPY_WITH_COLOURS, IDS_MENU_COPY_WITH_COLOURS, false, hasSelection},
      {IDM_SELECT_ALL, IDS_MENU_SELECT_ALL},
      {},
      {IDM_SHOW_FIND, IDS_MENU_FIND},
      {IDA_FIND_NEXT_F3, IDS_MENU_FIND_NEXT},
      {IDA_FIND_PREVIOUS_SHIFT_F3, IDS_MENU_FIND_PREVIOUS},
      {IDA_GO_TO_LINE, IDS_MENU_GO_TO_LINE},
      {},
      {IDA_WRAP_LINES, IDS_MENU_WRAP_LINES, toggles.wrapLines && !bigDocument, !bigDocument},
      {IDA_SHOW_WHITESPACE, IDS_MENU_SHOW_WHITESPACE, toggles.whitespace},
      {IDA_INDENTATION_GUIDES, IDS_MENU_INDENTATION_GUIDES, toggles.indentationGuides},
      {IDA_FOLD_ALL, IDS_MENU_FOLD_ALL, false, toggles.folding && !bigDocument},
      {IDA_UNFOLD_ALL, IDS_MENU_UNFOLD_ALL, false, toggles.folding && !bigDocument},
      {},
      {IDM_ZOOM_IN, IDS_MENU_ZOOM_IN},
      {IDM_ZOOM_OUT, IDS_MENU_ZOOM_OUT},
      {IDM_RESET_ZOOM, IDS_MENU_RESET_ZOOM},
  };
}

UINT ShowContextMenu(HINSTANCE module, HWND owner, POINT at, const std::vector<MenuEntry>& entries) {
  struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
  };
  const std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer> menu(CreatePopupMenu());
  if (!menu) return 0;
  for (const MenuEntry& entry : entries) {
    if (entry.command == 0) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, entry.text, reinterpret_cast<wchar_t*>(&text), 0);
    const std::wstring label(text ? text : L"", text ? static_cast<size_t>(length) : 0);
    const UINT flags = MF_STRING | (entry.checked ? MF_CHECKED : 0) | (entry.enabled ? 0 : MF_GRAYED);
    AppendMenuW(menu.get(), flags, entry.command, label.c_str());
  }
  // The menu's own loop pumps the host's messages meanwhile, as any menu does.
  return static_cast<UINT>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
}

}  // namespace lumen
