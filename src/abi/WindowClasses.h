#pragma once
// The names of lumen's window classes, as the host and other programs see them.

namespace lumen {

inline constexpr wchar_t kViewerClassName[] = L"tesseraviewerplugin.lumen.viewer";
inline constexpr wchar_t kSearchPanelClassName[] = L"tesseraviewerplugin.lumen.searchpanel";
// The hidden top-level window that hears Windows' theme broadcasts for the viewers.
inline constexpr wchar_t kSchemeWatchClassName[] = L"tesseraviewerplugin.lumen.schemewatch";

}  // namespace lumen
