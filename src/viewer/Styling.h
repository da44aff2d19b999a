#pragma once
// The configuration turned into editor settings: lexer, styles and keywords,
// the line-number margin, wrapping, tab width and the search's options, each
// read from the snapshot of the event that applies it.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/Loaders.h"
#include "abi/EditorControl.h"
#include "search/DocumentEvents.h"

namespace lumen {

// Lexer 1, no word styles: what stands in for any style that cannot be had.
Style PlainTextStyle();

// The scheme the configuration asks for now: its mode, and for "system" the
// Windows apps' theme. Without a dark set there is only the light scheme.
Scheme ActiveScheme(const ConfigurationSnapshot& configuration);

// The language for a file extension; plain text when there is none or the
// configuration cannot be read.
Style StyleForExtension(const ConfigurationSnapshot& configuration, const std::wstring& extension,
                        Scheme scheme = Scheme::Light);

// The language of a file from its path and the edge lines of its text (name,
// modeline, extension, "#!" line); plain text when none is found.
Style StyleForFile(const ConfigurationSnapshot& configuration, const std::wstring& path, const EdgeLines& lines,
                   Scheme scheme = Scheme::Light);

// The name of that language (its Style's `name`); empty for plain text.
std::wstring LanguageOfFile(const ConfigurationSnapshot& configuration, const std::wstring& path, const EdgeLines& lines);

void ApplyStyle(const EditorControl& editor, const Style& style);
// The language of the pseudo extension "*", under every file's own.
void ApplyBaseStyle(const EditorControl& editor, const ConfigurationSnapshot& configuration,
                    Scheme scheme = Scheme::Light);
// The caret, the caret line and the selection in the scheme's colours; those
// it leaves out get the control's own, except that a dark scheme's caret
// takes the text's colour (a black caret would vanish). After the styles.
// `selectionColoured`: whether an earlier call coloured the selection; the
// result says whether this one did.
bool ApplySchemeColours(const EditorControl& editor, const ConfigurationSnapshot& configuration, Scheme scheme,
                        bool selectionColoured);

// A big document: the control styles at once only what it shows, and the
// rest while idle (only what is shown while it loads), and does not wrap it.
// A jump to the end of a big file must wait neither until everything before
// it has been lexed nor until it has been wrapped (5.6 s for 64 MB under
// Wine; any editor's large-file mode drops wrapping likewise).
void ApplyStylingMode(const EditorControl& editor, DocumentSize size, bool loading);

// In a big document a line beyond this is not lexed: the control lexes (and
// lays out) a line whole for every screen that shows any of it.
inline constexpr size_t kLongestLexedLine = 16 * 1024;
// Whether `text`, which follows an unfinished line of `openLine` bytes, holds
// a line longer than kLongestLexedLine; `openLine` becomes the length of the
// text's own unfinished last line. Lines end at LF.
bool HoldsUnlexedLine(std::string_view text, size_t& openLine);

// The digits the line-number margin is measured on: one more than the count needs.
std::string MarginSampleText(int64_t lineCount);
// The line numbers' margin: the control's own numbers, or, for a window onto
// a file of `fileLines` lines, numbers lumen writes (NumberFileLines).
void UpdateLineNumberMargin(const EditorControl& editor, bool lineNumbering,
                            std::optional<uint64_t> fileLines = std::nullopt);
// The file's numbers for the control's lines [first, last), the window's
// first line being the file's `firstLine` (from 0).
void NumberFileLines(const EditorControl& editor, intptr_t first, intptr_t last,
                     const std::function<uint64_t(intptr_t line)>& numberOf);

// The configured option, or `current` when there is no configuration path.
bool LineNumbering(const ConfigurationSnapshot& configuration, bool current);
// Folding where the language's lexer folds: the lexer's fold properties (set
// again after each lexer), a margin of fold marks that a click folds or
// unfolds; off, no margin. Turned off where it was on (`wasEnabled`), every
// fold is opened: the control lexes the whole document for that, seconds for
// a big one with a 3.x control, so a document never folded is not asked.
void ApplyFolding(const EditorControl& editor, bool enabled, bool wasEnabled);

// The configured wrapping, except for a big document. `chosen`: the user's
// toggle, which holds over the configured value.
void ApplyWrapping(const EditorControl& editor, const ConfigurationSnapshot& configuration, bool bigDocument,
                   std::optional<bool> chosen = std::nullopt);
void ApplyTabWidth(const EditorControl& editor, const ConfigurationSnapshot& configuration);

// The search marks' look, in the dark scheme's own colour where it has one;
// none when the configuration cannot give it.
std::optional<Highlight> ConfiguredHighlight(const ConfigurationSnapshot& configuration,
                                             Scheme scheme = Scheme::Light);
bool SearchSyncEnabled(const ConfigurationSnapshot& configuration);

}  // namespace lumen
