#pragma once
// Code copied with its colours: a selection's text and the control's style
// of each of its bytes, written as the two formats other programs paste
// colours from. "HTML Format" is what browsers, mail and chat programs take;
// RTF is what word processors and the rich edit control take.
#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "abi/EditorControl.h"
#include "config/Model.h"

namespace lumen {

// How the text of one style looks in a copy.
struct CopyStyle {
  COLORREF fore = RGB(0, 0, 0);
  COLORREF back = RGB(255, 255, 255);
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const CopyStyle&) const = default;
};

struct CopyLooks {
  std::string fontName = "Consolas";  // UTF-8
  int fontSize = 10;                  // points
  CopyStyle base;                     // the page's colours: the default style's
  std::array<CopyStyle, 256> styles;  // by the control's style number
};

// The clipboard's "HTML Format": a header with the byte offsets of the HTML
// and of its fragment, then a <pre> in the font with a <span> for each run
// of one style. `text` is UTF-8; `styles` holds the style of each of its bytes.
std::string HtmlClipboardText(std::string_view text, std::string_view styles, const CopyLooks& looks);

// The same as RTF: a font table, a colour table, one group for each run of
// one style, line ends as \par, characters beyond ASCII as \u escapes.
std::string RichText(std::string_view text, std::string_view styles, const CopyLooks& looks);

// The looks the control would show with these styles (the base language's,
// then the file's language's over them), in the font of `font`.
CopyLooks LooksOfStyles(const Style& base, const Style& language, const CopyLooks& font);

// Ctrl+Shift+C: the selection on the clipboard as the control's Copy puts
// it (plain text), and with it as HTML and RTF in the colours shown, or in
// those of `base` and `language` when given. A selection beyond
// `kMostColouredBytes` is not copied: styling and writing it would hold the
// host (256 KB not yet styled took 90 ms, 2 MB 0.7 s; the control's own copy
// of a big file takes seconds).
constexpr size_t kMostColouredBytes = size_t{128} << 10;
enum class CopyOutcome { Copied, NothingSelected, TooBig };
CopyOutcome CopyWithColours(const EditorControl& editor, HWND owner, const std::optional<Style>& base = std::nullopt,
                     const std::optional<Style>& language = std::nullopt);

}  // namespace lumen
