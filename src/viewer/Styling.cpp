#include "viewer/Styling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "config/Format.h"
#include "config/Loaders.h"
#include "host/Paths.h"
#include "base/SystemTheme.h"
#include "base/Text.h"
#include "text/Compression.h"

namespace lumen {

using namespace sci;

namespace {

// Style and keyword-set numbers come from a file the user edits, and the
// control indexes its tables with them unchecked: a number outside its tables
// would write outside them (or grow them without end), so it is not sent.
bool IsEditorStyle(int32_t id) { return id >= 0 && id <= STYLE_MAX; }
bool IsKeywordSet(uint32_t set) { return set <= KEYWORDSET_MAX; }

// The control's selection colour before anyone sets one.
constexpr LRESULT kDefaultSelectionBack = 0xC0C0C0;

void ApplyWordStyle(const EditorControl& editor, const WordStyle& w) {
  const bool styled = IsEditorStyle(w.styleId);
  const WPARAM s = static_cast<WPARAM>(w.styleId);
  if (styled) {
    if (w.bgColor >= 0) editor.Send(SCI_STYLESETBACK, s, SwapRedBlue(static_cast<uint32_t>(w.bgColor)));
    if (w.fgColor >= 0) editor.Send(SCI_STYLESETFORE, s, SwapRedBlue(static_cast<uint32_t>(w.fgColor)));
    if (w.fontSize >= 0) editor.Send(SCI_STYLESETSIZE, s, w.fontSize);
    editor.Send(SCI_STYLESETITALIC, s, w.italic);
    editor.Send(SCI_STYLESETBOLD, s, w.bold);
    editor.Send(SCI_STYLESETUNDERLINE, s, w.underline);
    if (!w.fontName.empty()) editor.SendText(SCI_STYLESETFONT, s, WideToUtf8(w.fontName));
  }
  if (!w.keywords.empty() && IsKeywordSet(w.keywordSet)) {
    editor.SendText(SCI_SETKEYWORDS, w.keywordSet, WideToUtf8(w.keywords));
  }
  if (styled && w.eolFill >= 0) editor.Send(SCI_STYLESETEOLFILLED, s, w.eolFill != 0);
}

}  // namespace

Style PlainTextStyle() { return Style{SCLEX_NULL, {}}; }

Scheme ActiveScheme(const ConfigurationSnapshot& configuration) {
  if (!ReadOr(false, [&] { return configuration.HasDarkScheme(); })) return Scheme::Light;
  const SchemeMode mode = ReadOr(SchemeMode::System, [&] { return configuration.SchemeModeSetting(); });
  return ResolveScheme(mode, mode == SchemeMode::System ? AppsUseLightTheme() : std::nullopt);
}

Style StyleForExtension(const ConfigurationSnapshot& configuration, const std::wstring& extension, Scheme scheme) {
  if (extension.empty()) return PlainTextStyle();
  return ReadOr(PlainTextStyle(), [&] { return configuration.StyleForExtension(extension, scheme); });
}

namespace {
std::optional<Recognition> ChosenLanguage(const ConfigurationSnapshot& configuration,
                                          const std::vector<LanguageKeys>& languages, const std::wstring& shownPath,
                                          const EdgeLines& lines) {
  // A compressed file's text is the language of the name it has inside: app.log.1.gz is a log.
  const std::wstring path = NameInside(shownPath);
  const auto ignoredEndings = ReadOr(std::vector<std::wstring>(), [&] { return configuration.IgnoredEndings(); });
  const auto shared = ReadOr(std::vector<SharedExtension>(), [&] { return configuration.SharedExtensions(); });
  const auto chosen =
      ChooseLanguage(languages, path.substr(FileNameStart(path)), FileExtension(path), lines, ignoredEndings, shared);
  if (chosen || !ReadOr(false, [&] { return configuration.ClaimTextFiles(); })) return chosen;
  // A text claimed for its content: XML or JSON by its start, else plain.
  const std::optional<size_t> shaped = LanguageOfShape(languages, ShapeOfText(lines.head));
  return shaped ? std::optional<Recognition>(Recognition{*shaped, RecognisedBy::Content}) : std::nullopt;
}
}  // namespace

Style StyleForFile(const ConfigurationSnapshot& configuration, const std::wstring& path, const EdgeLines& lines,
                   Scheme scheme) {
  const auto languages = ReadOr(std::vector<LanguageKeys>(), [&] { return configuration.Languages(); });
  const auto chosen = ChosenLanguage(configuration, languages, path, lines);
  if (!chosen) return PlainTextStyle();
  return ReadOr(PlainTextStyle(), [&] { return configuration.StyleAt(chosen->language, scheme); });
}

std::wstring LanguageOfFile(const ConfigurationSnapshot& configuration, const std::wstring& path,
                            const EdgeLines& lines) {
  const auto languages = ReadOr(std::vector<LanguageKeys>(), [&] { return configuration.Languages(); });
  const auto chosen = ChosenLanguage(configuration, languages, path, lines);
  return chosen && chosen->language < languages.size() ? languages[chosen->language].name : std::wstring();
}

void ApplyStyle(const EditorControl& editor, const Style& style) {
  editor.Send(SCI_STYLECLEARALL);
  editor.Send(SCI_SETLEXER, static_cast<WPARAM>(style.lexer));
  editor.Send(SCI_SETSTYLEBITS, 7);
  for (const WordStyle& wordStyle : style.wordStyles) ApplyWordStyle(editor, wordStyle);
}

void ApplyBaseStyle(const EditorControl& editor, const ConfigurationSnapshot& configuration, Scheme scheme) {
  if (editor.exists()) ApplyStyle(editor, StyleForExtension(configuration, format::kBaseExtension, scheme));
}

bool ApplySchemeColours(const EditorControl& editor, const ConfigurationSnapshot& configuration, Scheme scheme,
                        bool selectionColoured) {
  if (!editor.exists()) return selectionColoured;
  const SchemeColours colours = ReadOr(SchemeColours{}, [&] { return configuration.Colours(scheme); });
  const auto editorColour = [](int32_t colour) { return SwapRedBlue(static_cast<uint32_t>(colour)); };
  editor.Send(SCI_SETCARETLINEVISIBLE, colours.caretLine >= 0);
  if (colours.caretLine >= 0) {
    editor.Send(SCI_SETCARETLINEBACK, editorColour(colours.caretLine));
    // Also while the search panel has the keyboard: the line of the match shows.
    editor.Send(SCI_SETCARETLINEVISIBLEALWAYS, 1);
  }
  LRESULT caret = 0;  // the control's own black
  if (colours.caret >= 0) {
    caret = editorColour(colours.caret);
  } else if (scheme == Scheme::Dark) {
    caret = editor.Send(SCI_STYLEGETFORE, STYLE_DEFAULT);
  }
  editor.Send(SCI_SETCARETFORE, caret);
  // No message gives the control its own selection colours back exactly (its
  // further selections have another default): an editor never coloured is
  // left as it is.
  if (colours.selection >= 0) {
    editor.Send(SCI_SETSELBACK, 1, editorColour(colours.selection));
  } else if (selectionColoured) {
    editor.Send(SCI_SETSELBACK, 1, kDefaultSelectionBack);
  }
  return colours.selection >= 0;
}

void ApplyStylingMode(const EditorControl& editor, DocumentSize size, bool loading) {
  const WPARAM mode = loading                       ? SC_IDLESTYLING_TOVISIBLE
                      : size == DocumentSize::Big ? SC_IDLESTYLING_ALL
                                                  : SC_IDLESTYLING_NONE;
  editor.Send(SCI_SETIDLESTYLING, mode);
}

bool HoldsUnlexedLine(std::string_view text, size_t& openLine) {
  size_t start = 0;
  while (start < text.size()) {
    const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
    const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : text.size();
    openLine += end - start;
    if (openLine > kLongestLexedLine) return true;
    if (!found) return false;
    openLine = 0;
    start = end + 1;
  }
  return false;
}

std::string MarginSampleText(int64_t lineCount) {
  // Single precision, as the margin has always been measured.
  const float lines = static_cast<float>(std::max<int64_t>(std::llabs(lineCount), 1));
  const int digits = static_cast<int>(std::floor(std::log10(lines)));
  return std::string(static_cast<size_t>(digits + 2), '9');
}

void UpdateLineNumberMargin(const EditorControl& editor, bool lineNumbering, std::optional<uint64_t> fileLines) {
  LRESULT width = 0;
  editor.Send(SCI_SETMARGINTYPEN, 0, fileLines ? SC_MARGIN_RTEXT : SC_MARGIN_NUMBER);
  if (lineNumbering) {
    const int64_t lines = fileLines ? static_cast<int64_t>(*fileLines) : editor.Send(SCI_GETLINECOUNT);
    width = editor.SendText(SCI_TEXTWIDTH, STYLE_LINENUMBER, MarginSampleText(lines));
  }
  editor.Send(SCI_SETMARGINWIDTHN, 0, width);
  editor.Send(SCI_SETMARGINWIDTHN, 1, 4);
}

void NumberFileLines(const EditorControl& editor, intptr_t first, intptr_t last,
                     const std::function<uint64_t(intptr_t line)>& numberOf) {
  for (intptr_t line = first; line < last; ++line) {
    const std::string number = std::to_string(numberOf(line) + 1);
    editor.Send(SCI_MARGINSETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(number.c_str()));
    editor.Send(SCI_MARGINSETSTYLE, static_cast<WPARAM>(line), STYLE_LINENUMBER);
  }
}

void ApplyFolding(const EditorControl& editor, bool enabled, bool wasEnabled) {
  if (!editor.exists()) return;
  const char* value = enabled ? "1" : "0";
  for (const char* property : {"fold", "fold.comment", "fold.preprocessor", "fold.html", "fold.xml"}) {
    editor.Send(SCI_SETPROPERTY, reinterpret_cast<WPARAM>(property), reinterpret_cast<LPARAM>(value));
  }
  editor.Send(SCI_SETPROPERTY, reinterpret_cast<WPARAM>("fold.compact"), reinterpret_cast<LPARAM>("0"));
  constexpr int kFoldMargin = 2;
  editor.Send(SCI_SETMARGINTYPEN, kFoldMargin, SC_MARGIN_SYMBOL);
  editor.Send(SCI_SETMARGINMASKN, kFoldMargin, SC_MASK_FOLDERS);
  editor.Send(SCI_SETMARGINSENSITIVEN, kFoldMargin, 1);
  const LRESULT width = enabled ? std::max<LRESULT>(editor.Send(SCI_TEXTHEIGHT, 0) * 3 / 4, 12) : 0;
  editor.Send(SCI_SETMARGINWIDTHN, kFoldMargin, width);
  // Boxes with a plus or a minus, joined by lines, in the text's colours.
  const struct {
    int number, symbol;
  } marks[] = {{30, 12}, {31, 14}, {29, 9}, {28, 10}, {25, 13}, {26, 15}, {27, 11}};
  const LRESULT back = editor.Send(SCI_STYLEGETBACK, STYLE_DEFAULT), fore = editor.Send(SCI_STYLEGETFORE, STYLE_DEFAULT);
  for (const auto& mark : marks) {
    editor.Send(SCI_MARKERDEFINE, mark.number, mark.symbol);
    editor.Send(SCI_MARKERSETFORE, mark.number, back);
    editor.Send(SCI_MARKERSETBACK, mark.number, fore);
  }
  editor.Send(SCI_SETFOLDFLAGS, enabled ? SC_FOLDFLAG_LINEAFTER_CONTRACTED : 0);
  editor.Send(SCI_SETAUTOMATICFOLD, SC_AUTOMATICFOLD_SHOW | SC_AUTOMATICFOLD_CLICK | SC_AUTOMATICFOLD_CHANGE);
  if (!enabled && wasEnabled) editor.Send(SCI_FOLDALL, SC_FOLDACTION_EXPAND);
}

bool LineNumbering(const ConfigurationSnapshot& configuration, bool current) {
  return configuration.hasPath() ? configuration.LineNumbering() : current;
}

void ApplyWrapping(const EditorControl& editor, const ConfigurationSnapshot& configuration, bool bigDocument,
                   std::optional<bool> chosen) {
  const bool wrap = !bigDocument && chosen.value_or(configuration.hasPath() && configuration.LineWrapping());
  editor.Send(SCI_SETWRAPMODE, wrap ? SC_WRAP_WORD : SC_WRAP_NONE);
  if (!wrap) {
    // The horizontal range starts small and grows to the widest line shown.
    editor.Send(SCI_SETSCROLLWIDTH, 5);
    editor.Send(SCI_SETSCROLLWIDTHTRACKING, 1);
  }
}

void ApplyTabWidth(const EditorControl& editor, const ConfigurationSnapshot& configuration) {
  if (configuration.hasPath()) editor.Send(SCI_SETTABWIDTH, configuration.TabWidth());
}

std::optional<Highlight> ConfiguredHighlight(const ConfigurationSnapshot& configuration, Scheme scheme) {
  auto highlight = ReadOr<std::optional<Highlight>>(std::nullopt, [&] { return configuration.SearchHighlight(); });
  if (highlight && scheme == Scheme::Dark) {
    const int32_t dark = ReadOr(-1, [&] { return configuration.DarkHighlight(); });
    if (dark >= 0) highlight->foreground = static_cast<uint32_t>(dark);
  }
  return highlight;
}

bool SearchSyncEnabled(const ConfigurationSnapshot& configuration) {
  return ReadOr(false, [&] { return configuration.SearchSync(); });
}

}  // namespace lumen
