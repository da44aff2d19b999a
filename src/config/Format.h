#pragma once
// The configuration document: element and attribute names, defaults and value
// syntaxes, in one place. Names are case-sensitive.
#include <cstdint>
#include <optional>
#include <string>

namespace lumen::format {

inline constexpr wchar_t kRoot[] = L"Config";
inline constexpr wchar_t kHighlight[] = L"Highlight";
inline constexpr wchar_t kForeground[] = L"Foreground";
inline constexpr wchar_t kForegroundAlpha[] = L"ForegroundAlpha";
inline constexpr wchar_t kOutlineAlpha[] = L"OutlineAlpha";
inline constexpr wchar_t kFileSizeLimit[] = L"FileSizeLimit";
inline constexpr wchar_t kLineNumbering[] = L"LineNumbering";
inline constexpr wchar_t kLineWrapping[] = L"LineWrapping";
inline constexpr wchar_t kTabulator[] = L"Tabulator";
inline constexpr wchar_t kSearchSync[] = L"SearchSync";
// The optional settings' elements are in Settings.h. The words of CopyColours' Scheme:
inline constexpr wchar_t kShownScheme[] = L"shown";
inline constexpr wchar_t kLightScheme[] = L"light";
inline constexpr wchar_t kEnabled[] = L"Enabled";
inline constexpr wchar_t kWidth[] = L"Width";
inline constexpr wchar_t kStyles[] = L"Styles";
inline constexpr wchar_t kStyle[] = L"Style";
inline constexpr wchar_t kExt[] = L"ext";
inline constexpr wchar_t kNames[] = L"names";
inline constexpr wchar_t kAliases[] = L"aliases";
inline constexpr wchar_t kContent[] = L"content";
inline constexpr wchar_t kLexer[] = L"lexer";
inline constexpr wchar_t kName[] = L"name";
inline constexpr wchar_t kWordStyles[] = L"WordStyles";
inline constexpr wchar_t kWordStyle[] = L"WordStyle";
inline constexpr wchar_t kBgColor[] = L"bgColor";
inline constexpr wchar_t kFgColor[] = L"fgColor";
inline constexpr wchar_t kFontName[] = L"fontName";
inline constexpr wchar_t kFontSize[] = L"fontSize";
inline constexpr wchar_t kFontStyle[] = L"fontStyle";
inline constexpr wchar_t kEolFill[] = L"eolFill";
inline constexpr wchar_t kStyleId[] = L"styleID";
inline constexpr wchar_t kKeywords[] = L"Keywords";
inline constexpr wchar_t kKeywordSetId[] = L"id";
inline constexpr wchar_t kColorScheme[] = L"ColorScheme";
inline constexpr wchar_t kMode[] = L"Mode";
inline constexpr wchar_t kDarkStyles[] = L"DarkStyles";
inline constexpr wchar_t kCaretLineColor[] = L"caretLineColor";
inline constexpr wchar_t kCaretColor[] = L"caretColor";
inline constexpr wchar_t kSelectionColor[] = L"selectionColor";
inline constexpr wchar_t kHighlightColor[] = L"highlightColor";
// Highlight rules: <HighlightRules><Rule Text=".." .../></HighlightRules>.
inline constexpr wchar_t kHighlightRules[] = L"HighlightRules";
inline constexpr wchar_t kRule[] = L"Rule";
inline constexpr wchar_t kRuleText[] = L"Text";
inline constexpr wchar_t kRuleRegex[] = L"Regex";
inline constexpr wchar_t kRuleMatchCase[] = L"MatchCase";
inline constexpr wchar_t kRuleWholeWord[] = L"WholeWord";
inline constexpr wchar_t kDarkFgColor[] = L"darkFgColor";
inline constexpr wchar_t kDarkBgColor[] = L"darkBgColor";
inline constexpr wchar_t kRuleLanguages[] = L"Languages";
// Extensions decided by content: <SharedExtensions><Extension ext=".." otherwise="..">
// <Rule name=".." content=".."/></Extension></SharedExtensions>.
inline constexpr wchar_t kSharedExtensions[] = L"SharedExtensions";
inline constexpr wchar_t kExtension[] = L"Extension";
inline constexpr wchar_t kOtherwise[] = L"otherwise";

// The extension list is cut at these for identification. Both line-end
// characters: the dialog's edit ends its lines with CR LF.
inline constexpr wchar_t kExtensionDelimiters[] = L"\r\n\t .";
// The pseudo extension of the base language applied under every file's own.
inline constexpr wchar_t kBaseExtension[] = L"*";

inline constexpr uint32_t kDefaultTabWidth = 8;

// Bits of a word style's fontStyle attribute.
inline constexpr uint32_t kBold = 1;
inline constexpr uint32_t kItalic = 2;
inline constexpr uint32_t kUnderline = 4;

// Hexadecimal in the manner of strtoll(..., 16): leading white space, a sign,
// an optional 0x, then digits up to the first non-digit. Empty when there is
// no digit or the value leaves the signed 64-bit range.
std::optional<int64_t> ParseHex64(const std::wstring& text);

// A Highlight value: the hexadecimal number must lie in 0..FFFFFFFF.
bool ParseHex32(const std::wstring& text, uint32_t& value);

// A word-style colour: empty text is -1 (not set); otherwise a signed 32-bit
// hexadecimal number. Throws std::invalid_argument "invalid stoi argument"
// without a digit and std::out_of_range "stoi argument out of range" outside
// -80000000..7FFFFFFF.
int32_t ParseColour(const std::wstring& text);

// Booleans are true exactly when the text, upper-cased, is "YES".
bool IsEnabledText(const std::wstring& text);

// Upper-case hexadecimal, zero-padded on the left to at least `width` digits.
std::wstring FormatHex(uint32_t value, unsigned width);

// Colour attribute text: six hexadecimal digits, or empty when not set.
std::wstring FormatColour(int32_t colour);

// Decimal text when `value` is at least `minimum`, else empty (not set).
std::wstring FormatOptionalNumber(int32_t value, int32_t minimum);

}  // namespace lumen::format
