#include "viewer/ColouredCopy.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "abi/ScintillaInterface.h"
#include "base/Handles.h"

namespace lumen {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One character of the text: its code point (U+FFFD for a byte that is no
// character, and for NUL, which neither format can hold) and its style, the
// style of its first byte.
struct Character {
  char32_t code;
  std::string_view bytes;
  const CopyStyle* style;
};

template <typename Take>
void ForEachCharacter(std::string_view text, std::string_view styles, const CopyLooks& looks, const Take& take) {
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                     : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    char32_t code = length > 1 ? lead & (0x7F >> length) : lead;
    for (size_t i = 1; i < length; ++i) {
      const auto next = at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
      if ((next & 0xC0) != 0x80) {
        length = 0;
        break;
      }
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are no characters either.
    const bool valid = length == 1 || (length == 2 && code >= 0x80) || (length == 3 && code >= 0x800 && (code < 0xD800 || code > 0xDFFF)) ||
                       (length == 4 && code >= 0x10000 && code <= 0x10FFFF);
    if (!valid) length = 1;
    const auto style = at < styles.size() ? static_cast<unsigned char>(styles[at]) : 0;
    take({valid && code != 0 ? code : kReplacement, text.substr(at, length), &looks.styles[style]});
    at += length;
  }
}

std::string Hex(COLORREF colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

std::string Utf8(char32_t code) {
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// A font name that cannot end the attribute or the RTF group it stands in.
std::string SafeFontName(std::string_view name) {
  std::string safe;
  for (const char c : name) {
    if (std::string_view("'\"<>&;\\{}").find(c) == std::string_view::npos && static_cast<unsigned char>(c) >= 0x20) {
      safe += c;
    }
  }
  return safe.empty() ? "Consolas" : safe;
}

std::string SpanStyle(const CopyStyle& style, const CopyStyle& base) {
  std::string css = "color:" + Hex(style.fore);
  if (style.back != base.back) css += ";background:" + Hex(style.back);
  if (style.bold) css += ";font-weight:bold";
  if (style.italic) css += ";font-style:italic";
  if (style.underline) css += ";text-decoration:underline";
  return css;
}

// Characters a format writes otherwise than as themselves.
struct Escape {
  char32_t code;
  const char* text;
};
constexpr Escape kHtmlEscapes[] = {{'&', "&amp;"}, {'<', "&lt;"},    {'>', "&gt;"},
                                   {'"', "&quot;"}, {'\r', "\r\n"}, {'\n', "\r\n"}};
constexpr Escape kRtfEscapes[] = {{'\\', "\\\\"},    {'{', "\\{"},           {'}', "\\}"},
                                  {'\t', "\\tab "}, {'\r', "\\par\r\n"}, {'\n', "\\par\r\n"}};

template <size_t N>
const char* EscapeOf(const Escape (&escapes)[N], char32_t code) {
  for (const Escape& escape : escapes) {
    if (escape.code == code) return escape.text;
  }
  return nullptr;
}

// The text as runs of one look: `startRun(style, ending)` where a run starts
// (`ending`: another ends there), `take(character)` for each character; a
// CR LF comes as its CR alone.
template <typename StartRun, typename Take>
void ForEachRun(std::string_view text, std::string_view styles, const CopyLooks& looks, const StartRun& startRun,
                const Take& take) {
  const CopyStyle* open = nullptr;
  bool afterCarriageReturn = false;
  ForEachCharacter(text, styles, looks, [&](const Character& c) {
    if (c.code == '\n' && afterCarriageReturn) {
      afterCarriageReturn = false;
      return;  // the CR already ended the line
    }
    afterCarriageReturn = c.code == '\r';
    if (!open || *open != *c.style) {
      startRun(static_cast<size_t>(c.style - looks.styles.data()), open != nullptr);
      open = c.style;
    }
    take(c);
  });
}

}  // namespace

std::string HtmlClipboardText(std::string_view text, std::string_view styles, const CopyLooks& looks) {
  std::string fragment = "<pre style=\"font-family:'" + SafeFontName(looks.fontName) + "',monospace;font-size:" +
                         std::to_string(std::max(looks.fontSize, 1)) + "pt;color:" + Hex(looks.base.fore) +
                         ";background:" + Hex(looks.base.back) + "\">";
  fragment.reserve(fragment.size() + 2 * text.size());
  std::array<std::string, 256> spans;  // each style's <span>, made when first needed
  bool open = false;
  const auto startRun = [&](size_t style, bool ending) {
    if (ending) fragment += "</span>";
    if (spans[style].empty()) spans[style] = "<span style=\"" + SpanStyle(looks.styles[style], looks.base) + "\">";
    fragment += spans[style];
    open = true;
  };
  ForEachRun(text, styles, looks, startRun, [&](const Character& c) {
    if (const char* escaped = EscapeOf(kHtmlEscapes, c.code)) {
      fragment += escaped;
    } else if (c.code == kReplacement) {
      fragment += Utf8(kReplacement);
    } else {
      fragment.append(c.bytes.data(), c.bytes.size());
    }
  });
  if (open) fragment += "</span>";
  fragment += "</pre>";

  const std::string before = "<html><head><meta charset=\"utf-8\"></head><body>\r\n<!--StartFragment-->";
  const std::string after = "<!--EndFragment-->\r\n</body></html>";
  constexpr const char* kHeader =
      "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\nEndFragment:%010zu\r\n";
  // Every offset is written in ten digits: the header's length is known before them.
  const size_t headerLength = std::snprintf(nullptr, 0, kHeader, size_t{0}, size_t{0}, size_t{0}, size_t{0});
  const size_t startFragment = headerLength + before.size();
  const size_t endFragment = startFragment + fragment.size();
  std::string header(headerLength + 1, '\0');
  std::snprintf(header.data(), header.size(), kHeader, headerLength, endFragment + after.size(), startFragment,
                endFragment);
  header.resize(headerLength);
  return header + before + fragment + after;
}

std::string RichText(std::string_view text, std::string_view styles, const CopyLooks& looks) {
  // Colour 0 of the table is the reader's own; ours count from 1.
  std::vector<COLORREF> colours;
  const auto colourIndex = [&](COLORREF colour) {
    const auto found = std::find(colours.begin(), colours.end(), colour);
    if (found != colours.end()) return static_cast<size_t>(found - colours.begin()) + 1;
    colours.push_back(colour);
    return colours.size();
  };
  const auto escapeCode = [](std::string& out, char32_t code) {
    const auto unicode = [&](uint32_t unit) { out += "\\u" + std::to_string(static_cast<int16_t>(unit)) + "?"; };
    if (code > 0xFFFF) {
      unicode(0xD800 + ((code - 0x10000) >> 10));
      unicode(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unicode(code);
    }
  };

  std::string body;
  body.reserve(2 * text.size());
  std::array<std::string, 256> groups;  // each style's group start, made when first needed
  bool open = false;
  const auto startRun = [&](size_t number, bool ending) {
    if (ending) body += "}";
    std::string& group = groups[number];
    if (group.empty()) {
      const CopyStyle& style = looks.styles[number];
      group = "{\\cf" + std::to_string(colourIndex(style.fore));
      if (style.back != RGB(255, 255, 255)) group += "\\highlight" + std::to_string(colourIndex(style.back));
      // Each face said either way: some readers keep a group's bold after it.
      group += style.bold ? "\\b" : "\\b0";
      group += style.italic ? "\\i" : "\\i0";
      group += style.underline ? "\\ul" : "\\ulnone";
      group += " ";
    }
    body += group;
    open = true;
  };
  ForEachRun(text, styles, looks, startRun, [&](const Character& c) {
    if (const char* escaped = EscapeOf(kRtfEscapes, c.code)) {
      body += escaped;
    } else if (c.code >= 0x20 && c.code < 0x80) {
      body += static_cast<char>(c.code);
    } else {
      escapeCode(body, c.code < 0x20 ? kReplacement : c.code);
    }
  });
  if (open) body += "}";

  std::string fontName;
  ForEachCharacter(SafeFontName(looks.fontName), {}, looks, [&](const Character& c) {
    if (c.code < 0x80) {
      fontName += static_cast<char>(c.code);
    } else {
      escapeCode(fontName, c.code);
    }
  });
  std::string table = "{\\colortbl;";
  for (const COLORREF colour : colours) {
    table += "\\red" + std::to_string(GetRValue(colour)) + "\\green" + std::to_string(GetGValue(colour)) + "\\blue" +
             std::to_string(GetBValue(colour)) + ";";
  }
  table += "}";
  return "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 " + fontName + ";}}" + table +
         "\r\n\\f0\\fs" + std::to_string(2 * std::max(looks.fontSize, 1)) + " " + body + "}";
}

namespace {

// The looks of the styles the control shows, for the style numbers in `styles`.
CopyLooks ShownLooks(const EditorControl& editor, std::string_view styles) {
  using namespace sci;
  const auto read = [&](int number) {
    return CopyStyle{static_cast<COLORREF>(editor.Send(SCI_STYLEGETFORE, number)),
                     static_cast<COLORREF>(editor.Send(SCI_STYLEGETBACK, number)),
                     editor.Send(SCI_STYLEGETBOLD, number) != 0, editor.Send(SCI_STYLEGETITALIC, number) != 0,
                     editor.Send(SCI_STYLEGETUNDERLINE, number) != 0};
  };
  CopyLooks looks;
  looks.base = read(STYLE_DEFAULT);
  char font[128] = {};
  if (editor.Send(SCI_STYLEGETFONT, STYLE_DEFAULT) < static_cast<LRESULT>(sizeof font)) {
    editor.Send(SCI_STYLEGETFONT, STYLE_DEFAULT, reinterpret_cast<LPARAM>(font));
    looks.fontName = font;
  }
  looks.fontSize = static_cast<int>(std::max<LRESULT>(editor.Send(SCI_STYLEGETSIZE, STYLE_DEFAULT), 1));
  std::array<bool, 256> used = {};
  for (const char style : styles) used[static_cast<unsigned char>(style)] = true;
  for (int number = 0; number < 256; ++number) {
    if (used[number]) looks.styles[number] = read(number);
  }
  return looks;
}

bool PutOnClipboard(UINT format, std::string_view bytes) {
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1));
  if (!memory) return false;
  auto* target = static_cast<char*>(GlobalLock(memory.get()));
  if (!target) return false;
  std::memcpy(target, bytes.data(), bytes.size());
  target[bytes.size()] = '\0';
  GlobalUnlock(memory.get());
  // The clipboard owns the memory once it has taken it.
  if (!SetClipboardData(format, memory.get())) return false;
  static_cast<void>(memory.release());
  return true;
}

}  // namespace

CopyLooks LooksOfStyles(const Style& base, const Style& language, const CopyLooks& font) {
  CopyLooks looks;
  looks.fontName = font.fontName;
  looks.fontSize = font.fontSize;
  const auto apply = [](CopyStyle& style, const WordStyle& word) {
    if (word.fgColor >= 0) style.fore = SwapRedBlue(static_cast<uint32_t>(word.fgColor));
    if (word.bgColor >= 0) style.back = SwapRedBlue(static_cast<uint32_t>(word.bgColor));
    style.bold = word.bold;
    style.italic = word.italic;
    style.underline = word.underline;
  };
  // As the control does: the default style, copied to every style, then each one's own.
  for (const WordStyle& word : base.wordStyles) {
    if (word.styleId == sci::STYLE_DEFAULT) apply(looks.base, word);
  }
  looks.styles.fill(looks.base);
  for (const WordStyle& word : language.wordStyles) {
    if (word.styleId >= 0 && word.styleId < static_cast<int32_t>(looks.styles.size())) {
      apply(looks.styles[static_cast<size_t>(word.styleId)], word);
    }
  }
  return looks;
}

namespace {

// Colours for what the control has not styled yet. Not far beyond where it
// stopped, it styles on from there; far beyond (a big file styled while
// idle), from some lines before the selection, after which it is told that
// its styles end where they ended, so that it styles the text between too.
void StyleForCopy(const EditorControl& editor, int32_t start, int32_t end) {
  using namespace sci;
  constexpr LRESULT kMostStyledOn = LRESULT{1} << 20;
  constexpr LRESULT kLinesBefore = 100;
  const LRESULT styledEnd = editor.Send(SCI_GETENDSTYLED);
  if (styledEnd >= end) return;
  if (end - styledEnd <= kMostStyledOn) {
    editor.Send(SCI_COLOURISE, styledEnd, end);
    return;
  }
  const LRESULT line = editor.Send(SCI_LINEFROMPOSITION, start);
  const LRESULT from = editor.Send(SCI_POSITIONFROMLINE, std::max<LRESULT>(line - kLinesBefore, 0));
  editor.Send(SCI_COLOURISE, std::max(from, styledEnd), end);
  editor.Send(SCI_STARTSTYLING, styledEnd, 0x7F);
}

}  // namespace

CopyOutcome CopyWithColours(const EditorControl& editor, HWND owner, const std::optional<Style>& base,
                            const std::optional<Style>& language) {
  using namespace sci;
  if (!editor.exists()) return CopyOutcome::NothingSelected;
  const auto start = static_cast<int32_t>(editor.Send(SCI_GETSELECTIONSTART));
  const auto end = static_cast<int32_t>(editor.Send(SCI_GETSELECTIONEND));
  if (end <= start) return CopyOutcome::NothingSelected;
  if (static_cast<size_t>(end - start) > kMostColouredBytes) return CopyOutcome::TooBig;
  editor.Send(SCI_COPY);  // the plain text, exactly as Copy puts it
  StyleForCopy(editor, start, end);
  std::string cells(2 * static_cast<size_t>(end - start) + 2, '\0');
  Sci_TextRange range = {{start, end}, cells.data()};
  const LRESULT length = editor.Send(SCI_GETSTYLEDTEXT, 0, reinterpret_cast<LPARAM>(&range));
  if (length <= 0) return CopyOutcome::Copied;
  std::string text, styles;
  text.reserve(static_cast<size_t>(length));
  styles.reserve(static_cast<size_t>(length));
  // Each character's byte, then its style's.
  for (size_t at = 0; at + 1 < std::min(cells.size(), static_cast<size_t>(length)); at += 2) {
    text += cells[at];
    styles += cells[at + 1];
  }
  CopyLooks looks = ShownLooks(editor, styles);
  if (base && language) looks = LooksOfStyles(*base, *language, looks);
  const std::string html = HtmlClipboardText(text, styles, looks);
  const std::string rtf = RichText(text, styles, looks);
  if (!OpenClipboard(owner)) return CopyOutcome::Copied;
  PutOnClipboard(RegisterClipboardFormatW(L"HTML Format"), html);
  PutOnClipboard(RegisterClipboardFormatW(L"Rich Text Format"), rtf);
  CloseClipboard();
  return CopyOutcome::Copied;
}

}  // namespace lumen
