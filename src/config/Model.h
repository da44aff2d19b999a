#pragma once
// The configuration records: plain values that own their strings and lists.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/Settings.h"

namespace lumen {

namespace style {
// What the configuration readers raise; callers fall back to their defaults.
class style_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
}  // namespace style

constexpr uint32_t kNoKeywordSet = 0xFFFFFFFF;

// How the editor shows one lexical class of a language. Negative colours,
// sizes and end-of-line fills mean "not set": the editor's value stays.
struct WordStyle {
  int32_t bgColor = -1;
  int32_t fgColor = -1;
  int32_t fontSize = -1;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::wstring fontName;
  std::wstring keywords;
  int32_t styleId = 0;
  uint32_t keywordSet = kNoKeywordSet;
  std::wstring name;
  int32_t eolFill = -1;

  bool operator==(const WordStyle&) const = default;
};

// What the viewer applies to the editor for one language.
struct Style {
  int32_t lexer = 1;
  std::vector<WordStyle> wordStyles;

  size_t wordStyleCount() const { return wordStyles.size(); }
  WordStyle wordStyle(size_t index) const { return wordStyles.at(index); }

  bool operator==(const Style&) const = default;
};

// One language as the dialog edits it and the saver writes it.
struct XMLStyle : Style {
  std::wstring name;
  std::wstring extensions;  // exactly as stored: the user's own spelling
  std::wstring names;       // file-name patterns, as stored; empty when the attribute is missing
  std::wstring aliases;     // what first lines call the language, as stored
  std::wstring content;     // the content rule for shared extensions, as stored

  bool operator==(const XMLStyle&) const = default;
};

// The look of search matches.
struct Highlight {
  uint32_t outlineAlpha = 0;
  uint32_t foregroundAlpha = 0;
  uint32_t foreground = 0;  // 0xRRGGBB

  bool operator==(const Highlight&) const = default;
};

// A highlight rule: every match of its text drawn in its colours over the
// language's, in the files of its languages (every file without any).
struct HighlightRule {
  std::wstring text;
  bool regex = false;
  bool matchCase = false;
  bool wholeWord = false;
  int32_t foreground = -1, background = -1;          // 0xRRGGBB; -1: not set
  int32_t darkForeground = -1, darkBackground = -1;  // the dark scheme's; -1: the light one's
  std::vector<std::wstring> languages;               // Style names, case aside
  bool operator==(const HighlightRule&) const = default;
};

// Which scheme the viewer shows: as the Windows apps' theme, or one of them always.
enum class SchemeMode { System, Light, Dark };
enum class Scheme { Light, Dark };

// A language's looks in the dark scheme, matched to its light language by
// `name`: lexer, extensions and keyword lists are always the light one's.
struct SchemeStyle {
  std::wstring name;
  std::vector<WordStyle> wordStyles;

  bool operator==(const SchemeStyle&) const = default;
};

// What a scheme sets besides its languages' styles, 0xRRGGBB; negative: the
// editor's own.
struct SchemeColours {
  int32_t caretLine = -1;
  int32_t caret = -1;
  int32_t selection = -1;

  bool operator==(const SchemeColours&) const = default;
};

// The optional dark scheme. A language it lacks is shown in its light styles.
struct DarkScheme {
  std::vector<SchemeStyle> styles;
  SchemeColours colours;
  int32_t highlight = -1;  // the search marks' colour; negative: the light one

  bool empty() const { return styles.empty() && colours == SchemeColours{} && highlight < 0; }
  bool operator==(const DarkScheme&) const = default;
};

struct Configuration {
  std::vector<XMLStyle> styles;
  Highlight highlight;
  uint64_t fileSizeLimit = 0;
  bool lineNumbering = false;
  bool lineWrapping = false;
  uint32_t tabWidth = 8;
  bool searchSync = false;
#define LUMEN_SETTING_MEMBER(kind, member, Reader, element, attribute) \
  setting::kind::Value member = setting::kind::Default();
  LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_MEMBER)
#undef LUMEN_SETTING_MEMBER
  SchemeMode schemeMode = SchemeMode::System;
  SchemeColours lightColours;
  DarkScheme dark;

  bool operator==(const Configuration&) const = default;
};

// Configuration colours are 0xRRGGBB, Windows and the editor take 0x00BBGGRR:
// the lowest and third bytes swap, the others stay. It is its own inverse.
constexpr uint32_t SwapRedBlue(uint32_t colour) {
  return ((colour & 0xFF) << 16) | ((colour >> 16) & 0xFF) | (colour & 0xFF00FF00);
}

}  // namespace lumen
