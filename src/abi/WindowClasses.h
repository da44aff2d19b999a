#pragma once
// The names of lumen's window classes, as the host and other programs see them.

namespace lumen {

inline constexpr wchar_t kViewerClassName[] = L"tesseraviewerplugin.lumen.viewer";
inline constexpr wchar_t kSearchPanelClassName[] = L"tesseraviewerplugin.lumen.searchpanel";

}  // namespace lumen
