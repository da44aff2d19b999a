#include "config/Loaders.h"


#include "config/Format.h"
#include "base/ScopeGuard.h"
#include "base/Text.h"
#include "host/Paths.h"

namespace lumen {
namespace {

using host::XMLHANDLE;
using style::style_error;

XMLHANDLE FindChild(const XmlFunctions& xml, XMLHANDLE parent, const wchar_t* name) {
  return parent && xml.XMLFindChildNodeW ? xml.XMLFindChildNodeW(parent, name) : nullptr;
}

XMLHANDLE NextChild(const XmlFunctions& xml, XMLHANDLE parent, const wchar_t* name, XMLHANDLE previous) {
  return parent && xml.XMLEnumChildNodesW ? xml.XMLEnumChildNodesW(parent, name, previous) : nullptr;
}

// Calls `visit` for each child of that name, in document order.
template <typename Visit>
void ForEachChild(const XmlFunctions& xml, XMLHANDLE parent, const wchar_t* name, Visit visit) {
  for (XMLHANDLE child = NextChild(xml, parent, name, nullptr); child; child = NextChild(xml, parent, name, child)) {
    visit(child);
  }
}

bool ReadInt(const XmlFunctions& xml, XMLHANDLE element, const wchar_t* name, int& value) {
  return xml.XMLGetNodeIntAttributeW && xml.XMLGetNodeIntAttributeW(element, name, &value);
}

bool ReadDword(const XmlFunctions& xml, XMLHANDLE element, const wchar_t* name, DWORD& value) {
  return xml.XMLGetNodeDWORDAttributeW && xml.XMLGetNodeDWORDAttributeW(element, name, &value);
}

int ReadIntOr(const XmlFunctions& xml, XMLHANDLE element, const wchar_t* name, int fallback) {
  int value = fallback;
  return ReadInt(xml, element, name, value) ? value : fallback;
}

// The element's text by the two-call length protocol; false when unreadable.
bool ReadText(const XmlFunctions& xml, XMLHANDLE element, std::wstring& text) {
  if (!xml.XMLGetNodeValueW) return false;
  DWORD length = 0;
  if (!xml.XMLGetNodeValueW(element, nullptr, &length)) return false;
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  DWORD capacity = length;
  if (!xml.XMLGetNodeValueW(element, buffer.data(), &capacity)) return false;
  text = buffer.c_str();
  return true;
}

void ReadKeywords(const XmlFunctions& xml, XMLHANDLE wordStyleElement, WordStyle& wordStyle) {
  const XMLHANDLE keywords = FindChild(xml, wordStyleElement, format::kKeywords);
  if (!keywords || !ReadText(xml, keywords, wordStyle.keywords)) return;
  DWORD set = kNoKeywordSet;
  wordStyle.keywordSet = ReadDword(xml, keywords, format::kKeywordSetId, set) ? set : kNoKeywordSet;
}

bool ReadEnabled(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* elementName) {
  const XMLHANDLE element = FindChild(xml, root, elementName);
  return element && format::IsEnabledText(ReadAttribute(xml, element, format::kEnabled));
}

XMLHANDLE RequireStyles(const XmlFunctions& xml, XMLHANDLE root, const char* message) {
  const XMLHANDLE styles = FindChild(xml, root, format::kStyles);
  if (!styles) throw style_error(message);
  return styles;
}

constexpr char kCannotCreateStyle[] = "Cannot create style from configuration file";
constexpr char kCannotExtractExtensions[] = "Cannot extract extensions from configuration file";

}  // namespace

std::wstring ReadAttribute(const XmlFunctions& xml, XMLHANDLE element, const wchar_t* name) {
  if (!element || !xml.XMLGetNodeAttributeW) return {};
  DWORD length = 0;
  if (!xml.XMLGetNodeAttributeW(element, name, nullptr, &length, 0) || length <= 1) return {};
  std::wstring buffer(length, L'\0');
  DWORD stored = length;
  if (!xml.XMLGetNodeAttributeW(element, name, buffer.data(), &stored, 0) || stored == 0) return {};
  buffer.resize(std::min<size_t>(stored - 1, buffer.size()));
  return buffer;
}

WordStyle ReadWordStyle(const XmlFunctions& xml, XMLHANDLE element) {
  WordStyle wordStyle;
  if (!ReadInt(xml, element, format::kStyleId, wordStyle.styleId)) throw style_error("Cannot parse styleID");
  wordStyle.fontSize = ReadIntOr(xml, element, format::kFontSize, -1);
  wordStyle.fgColor = format::ParseColour(ReadAttribute(xml, element, format::kFgColor));
  wordStyle.bgColor = format::ParseColour(ReadAttribute(xml, element, format::kBgColor));
  wordStyle.fontName = ReadAttribute(xml, element, format::kFontName);
  int fontStyle = 0;
  ReadInt(xml, element, format::kFontStyle, fontStyle);
  wordStyle.bold = (fontStyle & format::kBold) != 0;
  wordStyle.italic = (fontStyle & format::kItalic) != 0;
  wordStyle.underline = (fontStyle & format::kUnderline) != 0;
  wordStyle.name = ReadAttribute(xml, element, format::kName);
  wordStyle.eolFill = ReadIntOr(xml, element, format::kEolFill, -1);
  ReadKeywords(xml, element, wordStyle);
  return wordStyle;
}

std::vector<WordStyle> ReadWordStyles(const XmlFunctions& xml, XMLHANDLE styleElement) {
  std::vector<WordStyle> wordStyles;
  ForEachChild(xml, FindChild(xml, styleElement, format::kWordStyles), format::kWordStyle,
               [&](XMLHANDLE element) { wordStyles.push_back(ReadWordStyle(xml, element)); });
  return wordStyles;
}

namespace {
std::vector<SchemeStyle> ReadDarkStyles(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<SchemeStyle> styles;
  ForEachChild(xml, FindChild(xml, root, format::kDarkStyles), format::kStyle, [&](XMLHANDLE element) {
    styles.push_back({ReadAttribute(xml, element, format::kName), ReadWordStyles(xml, element)});
  });
  return styles;
}
}  // namespace

Style ReadStyle(const XmlFunctions& xml, XMLHANDLE styleElement) {
  Style style;
  style.lexer = -1;
  if (!ReadInt(xml, styleElement, format::kLexer, style.lexer)) {
    throw style_error("Cannot find lexer ID in configuration file");
  }
  style.wordStyles = ReadWordStyles(xml, styleElement);
  return style;
}

bool ExtensionListSelects(const std::wstring& upperList, const std::wstring& upperExtension) {
  if (upperExtension.empty()) return false;
  const UserLocale& locale = UserLocale::Get();
  for (size_t at = upperList.find(upperExtension); at != std::wstring::npos;
       at = upperList.find(upperExtension, at + 1)) {
    const size_t after = at + upperExtension.size();
    const wchar_t next = after < upperList.size() ? upperList[after] : L'\0';
    if ((at == 0 || locale.IsSpace(upperList[at - 1])) && !locale.IsLetterOrDigit(next)) return true;
  }
  return false;
}

namespace {

SchemeColours ReadSchemeColours(const XmlFunctions& xml, XMLHANDLE element) {
  SchemeColours colours;
  if (!element) return colours;
  colours.caretLine = format::ParseColour(ReadAttribute(xml, element, format::kCaretLineColor));
  colours.caret = format::ParseColour(ReadAttribute(xml, element, format::kCaretColor));
  colours.selection = format::ParseColour(ReadAttribute(xml, element, format::kSelectionColor));
  return colours;
}

// The dark looks of the language called `name`: the first dark Style of that
// name. None without one, or when it cannot be read.
std::optional<std::vector<WordStyle>> ReadDarkLooks(const XmlFunctions& xml, XMLHANDLE root, const std::wstring& name) {
  if (name.empty()) return std::nullopt;
  const XMLHANDLE dark = FindChild(xml, root, format::kDarkStyles);
  for (XMLHANDLE style = NextChild(xml, dark, format::kStyle, nullptr); style;
       style = NextChild(xml, dark, format::kStyle, style)) {
    if (ReadAttribute(xml, style, format::kName) == name) {
      return ReadOr<std::optional<std::vector<WordStyle>>>(std::nullopt, [&] { return ReadWordStyles(xml, style); });
    }
  }
  return std::nullopt;
}

// The language of a light Style element as `scheme` shows it.
Style ReadStyleIn(const XmlFunctions& xml, XMLHANDLE root, XMLHANDLE styleElement, Scheme scheme) {
  Style light = ReadStyle(xml, styleElement);
  if (scheme == Scheme::Light) return light;
  const auto looks = ReadDarkLooks(xml, root, ReadAttribute(xml, styleElement, format::kName));
  return looks ? DarkVariant(light, *looks) : light;
}

Style ReadStyleForExtension(const XmlFunctions& xml, XMLHANDLE root, const std::wstring& extension, Scheme scheme) {
  const std::wstring upperExtension = UserLocale::Get().ToUpper(extension);
  const XMLHANDLE styles = RequireStyles(xml, root, kCannotCreateStyle);
  for (XMLHANDLE style = NextChild(xml, styles, format::kStyle, nullptr); style;
       style = NextChild(xml, styles, format::kStyle, style)) {
    const std::wstring list = ReadAttribute(xml, style, format::kExt);
    if (!list.empty() && ExtensionListSelects(UserLocale::Get().ToUpper(list), upperExtension)) {
      return ReadStyleIn(xml, root, style, scheme);
    }
  }
  throw style_error(kCannotCreateStyle);
}

std::vector<std::wstring> ReadExtensions(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<std::wstring> extensions;
  ForEachChild(xml, RequireStyles(xml, root, kCannotExtractExtensions), format::kStyle, [&](XMLHANDLE style) {
    for (const auto& piece : Split(ReadAttribute(xml, style, format::kExt), format::kExtensionDelimiters)) {
      extensions.push_back(UserLocale::Get().ToLower(piece));
    }
  });
  if (extensions.empty()) throw style_error(kCannotExtractExtensions);
  return extensions;
}

uint64_t ReadFileSizeLimit(const XmlFunctions& xml, XMLHANDLE root) {
  const XMLHANDLE element = FindChild(xml, root, format::kFileSizeLimit);
  DWORDLONG limit = 0;
  if (!element || !xml.XMLGetNodeDWORDLONGValue || !xml.XMLGetNodeDWORDLONGValue(element, &limit)) {
    throw style_error("Cannot read FileSizeLimit node");
  }
  return static_cast<uint64_t>(limit);
}

Highlight ReadHighlight(const XmlFunctions& xml, XMLHANDLE root) {
  const XMLHANDLE element = FindChild(xml, root, format::kHighlight);
  Highlight highlight;
  if (!element || !format::ParseHex32(ReadAttribute(xml, element, format::kForeground), highlight.foreground) ||
      !format::ParseHex32(ReadAttribute(xml, element, format::kForegroundAlpha), highlight.foregroundAlpha) ||
      !format::ParseHex32(ReadAttribute(xml, element, format::kOutlineAlpha), highlight.outlineAlpha)) {
    throw style_error("Cannot read highlight node");
  }
  return highlight;
}

uint32_t ReadTabWidth(const XmlFunctions& xml, XMLHANDLE root) {
  DWORD width = format::kDefaultTabWidth;
  if (const XMLHANDLE element = FindChild(xml, root, format::kTabulator)) {
    DWORD read = width;
    if (ReadDword(xml, element, format::kWidth, read)) width = read;
  }
  return static_cast<uint32_t>(width);
}

std::vector<XMLStyle> ReadStyles(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<XMLStyle> styles;
  ForEachChild(xml, RequireStyles(xml, root, kCannotCreateStyle), format::kStyle, [&](XMLHANDLE element) {
    XMLStyle style;
    style.extensions = ReadAttribute(xml, element, format::kExt);
    style.name = ReadAttribute(xml, element, format::kName);
    style.names = ReadAttribute(xml, element, format::kNames);
    style.aliases = ReadAttribute(xml, element, format::kAliases);
    style.content = ReadAttribute(xml, element, format::kContent);
    static_cast<Style&>(style) = ReadStyle(xml, element);
    styles.push_back(std::move(style));
  });
  return styles;
}

std::vector<LanguageKeys> ReadLanguages(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<LanguageKeys> languages;
  ForEachChild(xml, RequireStyles(xml, root, kCannotCreateStyle), format::kStyle, [&](XMLHANDLE element) {
    languages.push_back({ReadAttribute(xml, element, format::kExt), ReadAttribute(xml, element, format::kNames),
                         ReadAttribute(xml, element, format::kAliases), ReadAttribute(xml, element, format::kContent),
                         ReadAttribute(xml, element, format::kName)});
  });
  return languages;
}

Style ReadStyleAt(const XmlFunctions& xml, XMLHANDLE root, size_t index, Scheme scheme) {
  const XMLHANDLE styles = RequireStyles(xml, root, kCannotCreateStyle);
  size_t at = 0;
  for (XMLHANDLE style = NextChild(xml, styles, format::kStyle, nullptr); style;
       style = NextChild(xml, styles, format::kStyle, style)) {
    if (at++ == index) return ReadStyleIn(xml, root, style, scheme);
  }
  throw style_error(kCannotCreateStyle);
}

// Options that are on unless the file turns them off.
// The optional settings, by their kind (Settings.h).
bool ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                 setting::Flag) {
  const XMLHANDLE found = FindChild(xml, root, element);
  return found && format::IsEnabledText(ReadAttribute(xml, found, attribute));
}
bool ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                 setting::OnUnlessNo) {
  const XMLHANDLE found = FindChild(xml, root, element);
  return !found || UserLocale::Get().ToUpper(ReadAttribute(xml, found, attribute)) != L"NO";
}
uint32_t ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                     setting::Number) {
  DWORD number = 0;
  const XMLHANDLE found = FindChild(xml, root, element);
  return found && ReadDword(xml, found, attribute, number) ? static_cast<uint32_t>(number) : 0;
}
uint64_t ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                     setting::Bytes) {
  const std::wstring text = ReadAttribute(xml, FindChild(xml, root, element), attribute);
  if (text.empty() || text.size() > 19 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return 0;
  return std::stoull(text);
}
std::wstring ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                         setting::Text) {
  return ReadAttribute(xml, FindChild(xml, root, element), attribute);
}
bool ReadSetting(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* element, const wchar_t* attribute,
                 setting::ShownScheme) {
  const std::wstring scheme = ReadAttribute(xml, FindChild(xml, root, element), attribute);
  return UserLocale::Get().ToUpper(scheme) == UserLocale::Get().ToUpper(format::kShownScheme);
}

SchemeMode ReadSchemeMode(const XmlFunctions& xml, XMLHANDLE root) {
  return ParseSchemeMode(ReadAttribute(xml, FindChild(xml, root, format::kColorScheme), format::kMode));
}

int32_t ReadDarkHighlight(const XmlFunctions& xml, XMLHANDLE root) {
  return format::ParseColour(ReadAttribute(xml, FindChild(xml, root, format::kDarkStyles), format::kHighlightColor));
}

DarkScheme ReadDarkScheme(const XmlFunctions& xml, XMLHANDLE root) {
  DarkScheme dark;
  dark.styles = ReadDarkStyles(xml, root);
  dark.colours = ReadSchemeColours(xml, FindChild(xml, root, format::kDarkStyles));
  dark.highlight = ReadDarkHighlight(xml, root);
  return dark;
}

}  // namespace

std::vector<SharedExtension> ReadSharedExtensions(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<SharedExtension> shared;
  ForEachChild(xml, FindChild(xml, root, format::kSharedExtensions), format::kExtension, [&](XMLHANDLE element) {
    SharedExtension entry{ReadAttribute(xml, element, format::kExt), {}, ReadAttribute(xml, element, format::kOtherwise)};
    if (entry.extension.empty()) return;
    ForEachChild(xml, element, format::kRule, [&](XMLHANDLE rule) {
      ExtensionRule read{ReadAttribute(xml, rule, format::kName), ReadAttribute(xml, rule, format::kContent)};
      if (!read.language.empty() && !read.content.empty()) entry.rules.push_back(std::move(read));
    });
    shared.push_back(std::move(entry));
  });
  return shared;
}

std::vector<HighlightRule> ReadHighlightRules(const XmlFunctions& xml, XMLHANDLE root) {
  std::vector<HighlightRule> rules;
  const auto colour = [&](XMLHANDLE element, const wchar_t* name) {
    const std::wstring text = ReadAttribute(xml, element, name);
    try {
      return text.empty() ? -1 : format::ParseColour(text) & 0xFFFFFF;
    } catch (const std::exception&) {
      return -1;
    }
  };
  ForEachChild(xml, FindChild(xml, root, format::kHighlightRules), format::kRule, [&](XMLHANDLE element) {
    HighlightRule rule;
    rule.text = ReadAttribute(xml, element, format::kRuleText);
    if (rule.text.empty()) return;
    rule.regex = format::IsEnabledText(ReadAttribute(xml, element, format::kRuleRegex));
    rule.matchCase = format::IsEnabledText(ReadAttribute(xml, element, format::kRuleMatchCase));
    rule.wholeWord = format::IsEnabledText(ReadAttribute(xml, element, format::kRuleWholeWord));
    rule.foreground = colour(element, format::kFgColor);
    rule.background = colour(element, format::kBgColor);
    rule.darkForeground = colour(element, format::kDarkFgColor);
    rule.darkBackground = colour(element, format::kDarkBgColor);
    rule.languages = Split(ReadAttribute(xml, element, format::kRuleLanguages), L" \t\r\n,;");
    rules.push_back(std::move(rule));
  });
  return rules;
}

ConfigurationSnapshot::ConfigurationSnapshot(const std::wstring& path) : xml_(BindXmlFunctions()) {
  root_ = xml_.XMLLoadFileW ? xml_.XMLLoadFileW(path.c_str()) : nullptr;
}

ConfigurationSnapshot::ConfigurationSnapshot(NoPath, std::string error) : pathError_(std::move(error)) {}

ConfigurationSnapshot ConfigurationSnapshot::OfPlugin() {
  try {
    return ConfigurationSnapshot(ConfigFilePath());
  } catch (const std::logic_error& error) {
    return ConfigurationSnapshot(NoPath{}, error.what());
  }
}

std::shared_ptr<const ConfigurationSnapshot> ConfigurationSnapshot::SharedOfPlugin() {
  try {
    return std::make_shared<const ConfigurationSnapshot>(ConfigFilePath());
  } catch (const std::logic_error& error) {
    return std::shared_ptr<const ConfigurationSnapshot>(new ConfigurationSnapshot(NoPath{}, error.what()));
  }
}

ConfigurationSnapshot::~ConfigurationSnapshot() {
  if (xml_.XMLFreeFile && hasPath()) xml_.XMLFreeFile(root_);
}

XMLHANDLE ConfigurationSnapshot::Root() const {
  if (!hasPath()) throw std::logic_error(pathError_);
  return root_;
}

Style ConfigurationSnapshot::StyleForExtension(const std::wstring& extension, Scheme scheme) const {
  return ReadStyleForExtension(xml_, Root(), extension, scheme);
}
std::vector<std::wstring> ConfigurationSnapshot::Extensions() const { return ReadExtensions(xml_, Root()); }
uint64_t ConfigurationSnapshot::FileSizeLimit() const { return ReadFileSizeLimit(xml_, Root()); }
Highlight ConfigurationSnapshot::SearchHighlight() const { return ReadHighlight(xml_, Root()); }
bool ConfigurationSnapshot::LineNumbering() const { return ReadEnabled(xml_, Root(), format::kLineNumbering); }
bool ConfigurationSnapshot::LineWrapping() const { return ReadEnabled(xml_, Root(), format::kLineWrapping); }
uint32_t ConfigurationSnapshot::TabWidth() const { return ReadTabWidth(xml_, Root()); }
bool ConfigurationSnapshot::SearchSync() const { return ReadEnabled(xml_, Root(), format::kSearchSync); }
#define LUMEN_SETTING_READER(kind, member, Reader, element, attribute)         \
  setting::kind::Value ConfigurationSnapshot::Reader() const {                 \
    return ReadSetting(xml_, Root(), element, attribute, setting::kind{}); \
  }
LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_READER)
#undef LUMEN_SETTING_READER
std::vector<std::wstring> ConfigurationSnapshot::IgnoredEndings() const {
  return Split(IgnoredEndingsText(), L" \t\r\n.");
}
DecodingRule ConfigurationSnapshot::Decoding() const {
  DecodingRule rule;
  rule.detect = !hasPath() || EncodingDetection();
  const uint32_t fallback = hasPath() ? DefaultCodePage() : 0;
  rule.fallbackCodePage = fallback != 0 && IsReadableCodePage(fallback) ? fallback : 0;
  return rule;
}
std::vector<XMLStyle> ConfigurationSnapshot::Styles() const { return ReadStyles(xml_, Root()); }
std::vector<LanguageKeys> ConfigurationSnapshot::Languages() const { return ReadLanguages(xml_, Root()); }
Style ConfigurationSnapshot::StyleAt(size_t index, Scheme scheme) const {
  return ReadStyleAt(xml_, Root(), index, scheme);
}
SchemeMode ConfigurationSnapshot::SchemeModeSetting() const { return ReadSchemeMode(xml_, Root()); }
bool ConfigurationSnapshot::HasDarkScheme() const { return FindChild(xml_, Root(), format::kDarkStyles) != nullptr; }
SchemeColours ConfigurationSnapshot::Colours(Scheme scheme) const {
  const XMLHANDLE root = Root();
  return ReadSchemeColours(xml_, FindChild(xml_, root, scheme == Scheme::Dark ? format::kDarkStyles : format::kStyles));
}
int32_t ConfigurationSnapshot::DarkHighlight() const { return ReadDarkHighlight(xml_, Root()); }
std::vector<HighlightRule> ConfigurationSnapshot::HighlightRules() const { return ReadHighlightRules(xml_, Root()); }
std::vector<SharedExtension> ConfigurationSnapshot::SharedExtensions() const {
  return ReadSharedExtensions(xml_, Root());
}
Configuration ConfigurationSnapshot::Whole() const { return ReadConfiguration(xml_, Root()); }

Style LoadStyleForExtension(const std::wstring& path, const std::wstring& extension) {
  return ConfigurationSnapshot(path).StyleForExtension(extension);
}
std::vector<std::wstring> LoadExtensions(const std::wstring& path) { return ConfigurationSnapshot(path).Extensions(); }
uint64_t LoadFileSizeLimit(const std::wstring& path) { return ConfigurationSnapshot(path).FileSizeLimit(); }
Highlight LoadHighlight(const std::wstring& path) { return ConfigurationSnapshot(path).SearchHighlight(); }
bool LoadLineNumbering(const std::wstring& path) { return ConfigurationSnapshot(path).LineNumbering(); }
bool LoadLineWrapping(const std::wstring& path) { return ConfigurationSnapshot(path).LineWrapping(); }
bool LoadSearchSync(const std::wstring& path) { return ConfigurationSnapshot(path).SearchSync(); }
uint32_t LoadTabWidth(const std::wstring& path) { return ConfigurationSnapshot(path).TabWidth(); }
std::vector<XMLStyle> LoadStyles(const std::wstring& path) { return ConfigurationSnapshot(path).Styles(); }
Configuration LoadConfiguration(const std::wstring& path) { return ConfigurationSnapshot(path).Whole(); }

Configuration ReadConfiguration(const XmlFunctions& xml, XMLHANDLE root) {
  Configuration configuration;
  configuration.styles = ReadStyles(xml, root);
  configuration.fileSizeLimit = ReadFileSizeLimit(xml, root);
  configuration.highlight = ReadHighlight(xml, root);
  configuration.lineNumbering = ReadEnabled(xml, root, format::kLineNumbering);
  configuration.lineWrapping = ReadEnabled(xml, root, format::kLineWrapping);
  configuration.tabWidth = ReadTabWidth(xml, root);
  configuration.searchSync = ReadEnabled(xml, root, format::kSearchSync);
#define LUMEN_SETTING_READ(kind, member, Reader, element, attribute) \
  configuration.member = ReadSetting(xml, root, element, attribute, setting::kind{});
  LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_READ)
#undef LUMEN_SETTING_READ
  configuration.schemeMode = ReadSchemeMode(xml, root);
  configuration.lightColours = ReadSchemeColours(xml, FindChild(xml, root, format::kStyles));
  configuration.dark = ReadDarkScheme(xml, root);
  return configuration;
}

}  // namespace lumen
