#include "config/Saver.h"

#include <cwchar>
#include <stdexcept>
#include <string>

#include "config/Format.h"
#include "config/Loaders.h"
#include "base/NarrowCast.h"
#include "base/ScopeGuard.h"
#include "base/Text.h"
#include "host/Paths.h"

namespace lumen {
namespace {

using host::XMLHANDLE;

// Each step's failure raises the message that names it.
class Step {
 public:
  Step(const XmlFunctions& xml, std::string failure) : xml_(xml), failure_(std::move(failure)) {}

  void Require(bool ok) const {
    if (!ok) throw std::runtime_error(failure_);
  }
  XMLHANDLE AddChild(XMLHANDLE parent, const wchar_t* name) const {
    const XMLHANDLE child = xml_.XMLAddChildNodeW ? xml_.XMLAddChildNodeW(parent, name) : nullptr;
    Require(child != nullptr);
    return child;
  }
  void SetText(XMLHANDLE element, const wchar_t* name, const std::wstring& value) const {
    Require(xml_.XMLSetNodeAttributeW && xml_.XMLSetNodeAttributeW(element, name, value.c_str()));
  }
  void SetNumber(XMLHANDLE element, const wchar_t* name, uint32_t value) const {
    Require(xml_.XMLSetNodeDWORDAttributeW && xml_.XMLSetNodeDWORDAttributeW(element, name, value));
  }
  // Signed numbers the loader reads with its integer reader: a negative one
  // written through the DWORD writer would come back unreadable.
  void SetSignedNumber(XMLHANDLE element, const wchar_t* name, int32_t value) const {
    if (value < 0) {
      SetText(element, name, std::to_wstring(value));
    } else {
      SetNumber(element, name, static_cast<uint32_t>(value));
    }
  }
  void SetFlag(XMLHANDLE element, const wchar_t* name, bool value) const {
    Require(xml_.XMLSetNodeBoolAttributeW && xml_.XMLSetNodeBoolAttributeW(element, name, value ? TRUE : FALSE));
  }

 private:
  const XmlFunctions& xml_;
  std::string failure_;
};

constexpr char kSavingFailed[] = "Saving configuration failed";

constexpr char kHighlightFailed[] = "Saving Highlight configuration failed";
constexpr char kFileSizeLimitFailed[] = "Saving FileSizeLimit configuration failed";
constexpr char kLineNumberingFailed[] = "Saving LineNumbering configuration failed";
constexpr char kLineWrappingFailed[] = "Saving LineWrapping configuration failed";
constexpr char kTabulatorFailed[] = "Saving Tabulator configuration failed";
constexpr char kSearchSyncFailed[] = "Saving SearchSync configuration failed";
constexpr char kStyleFailed[] = "Saving XMLStyle configuration failed";
constexpr char kWordStyleFailed[] = "Saving WordStyle configuration failed";
constexpr char kKeywordsFailed[] = "Saving Keywords configuration failed";
constexpr char kColorSchemeFailed[] = "Saving ColorScheme configuration failed";
constexpr char kDarkStylesFailed[] = "Saving DarkStyles configuration failed";

void SetFileSizeLimit(const XmlFunctions& xml, const Step& step, XMLHANDLE element, uint64_t limit) {
  if (limit <= 0xFFFFFFFF) {
    step.Require(xml.XMLSetNodeDWORDValue && xml.XMLSetNodeDWORDValue(element, narrow_cast<DWORD>(limit)));
  } else {
    // A limit beyond 32 bits loads fine through the 64-bit reader; write it as
    // decimal text so that it can also be saved again.
    step.Require(xml.XMLSetNodeValueW && xml.XMLSetNodeValueW(element, std::to_wstring(limit).c_str()));
  }
}

void SaveFileSizeLimit(const XmlFunctions& xml, XMLHANDLE root, uint64_t limit) {
  const Step step(xml, kFileSizeLimitFailed);
  SetFileSizeLimit(xml, step, step.AddChild(root, format::kFileSizeLimit), limit);
}

uint32_t FontStyleBits(const WordStyle& wordStyle) {
  return (wordStyle.bold ? format::kBold : 0) | (wordStyle.italic ? format::kItalic : 0) |
         (wordStyle.underline ? format::kUnderline : 0);
}

void SaveOption(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* elementName, bool enabled,
                const char* failure) {
  const Step step(xml, failure);
  step.SetFlag(step.AddChild(root, elementName), format::kEnabled, enabled);
}

// An optional setting's value, by its kind (Settings.h), into its attribute.
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, bool value, setting::Flag) {
  step.SetFlag(element, attribute, value);
}
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, bool value, setting::OnUnlessNo) {
  step.SetFlag(element, attribute, value);
}
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, uint32_t value, setting::Number) {
  step.SetNumber(element, attribute, value);
}
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, uint64_t value, setting::Bytes) {
  step.SetText(element, attribute, std::to_wstring(value));
}
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, const std::wstring& value,
                  setting::Text) {
  step.SetText(element, attribute, value);
}
void WriteSetting(const Step& step, XMLHANDLE element, const wchar_t* attribute, bool value, setting::ShownScheme) {
  step.SetText(element, attribute, value ? format::kShownScheme : format::kLightScheme);
}

std::string SettingFailed(const wchar_t* element) { return "Saving " + WideToUtf8(element) + " configuration failed"; }

// A unique file name in `folder`, created empty; empty on failure. Made here
// rather than by GetTempFileNameW, which knows no folder deeper than MAX_PATH.
std::wstring MakeTemporaryFile(const std::wstring& folder) {
  if (folder.empty()) return {};
  const unsigned long long seed = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    wchar_t unique[24];
    std::swprintf(unique, 24, L"\\lum%llx.tmp", (seed + attempt * 0x9E3779B9ull) & 0xFFFFFFFFFFull);
    const std::wstring name = folder + unique;
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

std::wstring SystemTemporaryFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

}  // namespace

void SaveHighlight(const XmlFunctions& xml, XMLHANDLE root, const Highlight& highlight) {
  const Step step(xml, kHighlightFailed);
  const XMLHANDLE element = step.AddChild(root, format::kHighlight);
  step.SetText(element, format::kForeground, format::FormatHex(highlight.foreground, 6));
  step.SetText(element, format::kForegroundAlpha, format::FormatHex(highlight.foregroundAlpha, 2));
  step.SetText(element, format::kOutlineAlpha, format::FormatHex(highlight.outlineAlpha, 2));
}

void SaveKeywords(const XmlFunctions& xml, XMLHANDLE wordStyle, const WordStyle& keywords) {
  const Step step(xml, kKeywordsFailed);
  const XMLHANDLE element = step.AddChild(wordStyle, format::kKeywords);
  step.SetNumber(element, format::kKeywordSetId, keywords.keywordSet);
  step.Require(xml.XMLSetNodeValueW && xml.XMLSetNodeValueW(element, keywords.keywords.c_str()));
}

void SaveWordStyle(const XmlFunctions& xml, XMLHANDLE wordStyles, const WordStyle& wordStyle) {
  const Step step(xml, kWordStyleFailed);
  const XMLHANDLE element = step.AddChild(wordStyles, format::kWordStyle);
  step.SetText(element, format::kBgColor, format::FormatColour(wordStyle.bgColor));
  step.SetText(element, format::kFgColor, format::FormatColour(wordStyle.fgColor));
  step.SetText(element, format::kFontName, wordStyle.fontName);
  step.SetText(element, format::kFontSize, format::FormatOptionalNumber(wordStyle.fontSize, 1));
  step.SetNumber(element, format::kFontStyle, FontStyleBits(wordStyle));
  step.SetText(element, format::kName, wordStyle.name);
  step.SetText(element, format::kEolFill, format::FormatOptionalNumber(wordStyle.eolFill, 0));
  step.SetSignedNumber(element, format::kStyleId, wordStyle.styleId);
  if (!wordStyle.keywords.empty()) SaveKeywords(xml, element, wordStyle);
}

void SaveStyle(const XmlFunctions& xml, XMLHANDLE styles, const XMLStyle& style) {
  const Step step(xml, kStyleFailed);
  const XMLHANDLE element = step.AddChild(styles, format::kStyle);
  step.SetText(element, format::kExt, style.extensions);
  step.SetSignedNumber(element, format::kLexer, style.lexer);
  step.SetText(element, format::kName, style.name);
  // Optional lists: a language without them is written as before they existed.
  if (!style.names.empty()) step.SetText(element, format::kNames, style.names);
  if (!style.aliases.empty()) step.SetText(element, format::kAliases, style.aliases);
  if (!style.content.empty()) step.SetText(element, format::kContent, style.content);
  if (style.wordStyles.empty()) return;
  // Saving a language without its word styles would lose them silently.
  const XMLHANDLE wordStyles = step.AddChild(element, format::kWordStyles);
  for (const WordStyle& wordStyle : style.wordStyles) SaveWordStyle(xml, wordStyles, wordStyle);
}

namespace {

// Scheme colours are optional attributes: one not set is not written.
void SaveSchemeColours(const Step& step, XMLHANDLE element, const SchemeColours& colours) {
  if (colours.caretLine >= 0) step.SetText(element, format::kCaretLineColor, format::FormatColour(colours.caretLine));
  if (colours.caret >= 0) step.SetText(element, format::kCaretColor, format::FormatColour(colours.caret));
  if (colours.selection >= 0) step.SetText(element, format::kSelectionColor, format::FormatColour(colours.selection));
}

void SaveSchemeStyle(const XmlFunctions& xml, XMLHANDLE darkStyles, const SchemeStyle& style) {
  const Step step(xml, kStyleFailed);
  const XMLHANDLE element = step.AddChild(darkStyles, format::kStyle);
  step.SetText(element, format::kName, style.name);
  if (style.wordStyles.empty()) return;
  const XMLHANDLE wordStyles = step.AddChild(element, format::kWordStyles);
  for (const WordStyle& wordStyle : style.wordStyles) SaveWordStyle(xml, wordStyles, wordStyle);
}

void SaveDarkScheme(const XmlFunctions& xml, XMLHANDLE root, const DarkScheme& dark) {
  const Step step(xml, kDarkStylesFailed);
  const XMLHANDLE element = step.AddChild(root, format::kDarkStyles);
  if (dark.highlight >= 0) step.SetText(element, format::kHighlightColor, format::FormatColour(dark.highlight));
  SaveSchemeColours(step, element, dark.colours);
  for (const SchemeStyle& style : dark.styles) SaveSchemeStyle(xml, element, style);
}

void SaveSchemeMode(const XmlFunctions& xml, XMLHANDLE root, SchemeMode mode) {
  const Step step(xml, kColorSchemeFailed);
  step.SetText(step.AddChild(root, format::kColorScheme), format::kMode, SchemeModeText(mode));
}

}  // namespace

bool WriteDocument(const XmlFunctions& xml, XMLHANDLE document, const std::wstring& path) {
  if (!xml.XMLSaveFileW) return false;
  // Beside the configuration file, a finished document replaces it by a rename
  // on the same volume: the file is always either the old or the new one.
  std::wstring temporary;
  bool sameFolder = true;
  ScopeGuard name(
      [&] {
        temporary = MakeTemporaryFile(DropLastComponent(path));
        if (temporary.empty()) {
          sameFolder = false;
          temporary = MakeTemporaryFile(SystemTemporaryFolder());
        }
      },
      [&] {
        if (!temporary.empty()) DeleteFileW(temporary.c_str());
      });
  if (temporary.empty() || !xml.XMLSaveFileW(document, temporary.c_str())) return false;
  if (sameFolder) {
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  return CopyFileW(temporary.c_str(), path.c_str(), FALSE) != 0;
}

namespace {

// What `read` finds in the file as it is now; nothing when it cannot be loaded.
template <typename Read>
auto ReadFromTheFile(const XmlFunctions& xml, const std::wstring& path, Read read) {
  XMLHANDLE root = nullptr;
  ScopeGuard document([&] { root = xml.XMLLoadFileW ? xml.XMLLoadFileW(path.c_str()) : nullptr; },
                      [&] {
                        if (xml.XMLFreeFile) xml.XMLFreeFile(root);
                      });
  return root ? read(xml, root) : decltype(read(xml, root)){};
}

void SaveSharedExtensions(const Step& step, XMLHANDLE root, const std::vector<SharedExtension>& shared) {
  if (shared.empty()) return;
  const XMLHANDLE list = step.AddChild(root, format::kSharedExtensions);
  for (const SharedExtension& entry : shared) {
    const XMLHANDLE element = step.AddChild(list, format::kExtension);
    step.SetText(element, format::kExt, entry.extension);
    if (!entry.otherwise.empty()) step.SetText(element, format::kOtherwise, entry.otherwise);
    for (const ExtensionRule& rule : entry.rules) {
      const XMLHANDLE ruleElement = step.AddChild(element, format::kRule);
      step.SetText(ruleElement, format::kName, rule.language);
      step.SetText(ruleElement, format::kContent, rule.content);
    }
  }
}

void SaveHighlightRules(const Step& step, XMLHANDLE root, const std::vector<HighlightRule>& rules) {
  if (rules.empty()) return;
  const XMLHANDLE list = step.AddChild(root, format::kHighlightRules);
  const auto yesNo = [](bool on) { return std::wstring(on ? L"yes" : L"no"); };
  for (const HighlightRule& rule : rules) {
    const XMLHANDLE element = step.AddChild(list, format::kRule);
    step.SetText(element, format::kRuleText, rule.text);
    step.SetText(element, format::kRuleRegex, yesNo(rule.regex));
    step.SetText(element, format::kRuleMatchCase, yesNo(rule.matchCase));
    step.SetText(element, format::kRuleWholeWord, yesNo(rule.wholeWord));
    for (const auto& [name, colour] : {std::pair{format::kFgColor, rule.foreground}, {format::kBgColor, rule.background},
                                       {format::kDarkFgColor, rule.darkForeground},
                                       {format::kDarkBgColor, rule.darkBackground}}) {
      if (colour >= 0) step.SetText(element, name, format::FormatColour(colour));
    }
    std::wstring languages;
    for (const std::wstring& language : rule.languages) languages += (languages.empty() ? L"" : L" ") + language;
    if (!languages.empty()) step.SetText(element, format::kRuleLanguages, languages);
  }
}

}  // namespace

void SaveConfiguration(const std::wstring& path, const Configuration& configuration) {
  const XmlFunctions xml = BindXmlFunctions();
  XMLHANDLE root = nullptr;
  ScopeGuard document([&] { root = xml.XMLCreateFile ? xml.XMLCreateFile() : nullptr; },
                      [&] {
                        if (xml.XMLFreeFile) xml.XMLFreeFile(root);
                      });
  const Step step(xml, kSavingFailed);
  step.Require(root && xml.XMLSetNodeNameW && xml.XMLSetNodeNameW(root, format::kRoot));

  SaveHighlight(xml, root, configuration.highlight);
  SaveFileSizeLimit(xml, root, configuration.fileSizeLimit);
  SaveOption(xml, root, format::kLineNumbering, configuration.lineNumbering, kLineNumberingFailed);
  SaveOption(xml, root, format::kLineWrapping, configuration.lineWrapping, kLineWrappingFailed);
  {
    const Step tabulator(xml, kTabulatorFailed);
    tabulator.SetNumber(tabulator.AddChild(root, format::kTabulator), format::kWidth, configuration.tabWidth);
  }
  SaveOption(xml, root, format::kSearchSync, configuration.searchSync, kSearchSyncFailed);
  // What a file without them means is written only where it differs.
#define LUMEN_SETTING_SAVE(kind, member, Reader, element, attribute)                                   \
  if (configuration.member != setting::kind::Default()) {                                              \
    const Step setting(xml, SettingFailed(element));                                                   \
    WriteSetting(setting, setting.AddChild(root, element), attribute, configuration.member, setting::kind{}); \
  }
  LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_SAVE)
#undef LUMEN_SETTING_SAVE
  if (configuration.schemeMode != SchemeMode::System) SaveSchemeMode(xml, root, configuration.schemeMode);

  const XMLHANDLE styles = step.AddChild(root, format::kStyles);
  // A configuration without languages would claim no file at all: never saved.
  step.Require(!configuration.styles.empty());
  SaveSchemeColours(step, styles, configuration.lightColours);
  for (const XMLStyle& style : configuration.styles) SaveStyle(xml, styles, style);
  if (!configuration.dark.empty()) SaveDarkScheme(xml, root, configuration.dark);
  // The rules are edited in the file only: those of the file replaced stay.
  SaveHighlightRules(step, root, ReadFromTheFile(xml, path, ReadHighlightRules));
  SaveSharedExtensions(step, root, ReadFromTheFile(xml, path, ReadSharedExtensions));

  step.Require(WriteDocument(xml, root, path));
}

namespace {

// Writes into a loaded document only what differs between the configuration
// it was read as and the edited one, into the elements the loaders read each
// value from (the same host lookups find the same elements). Everything else
// in the document stays as it is, in its place.
class DocumentPatch {
 public:
  DocumentPatch(const XmlFunctions& xml, XMLHANDLE root) : xml_(xml), root_(root) {}

  // Whether anything was written: values that differ only in how "not set"
  // is spelled write nothing.
  bool changed() const { return changes_ > 0; }

  void Apply(const Configuration& before, const Configuration& after) {
    PatchHighlight(before.highlight, after.highlight);
    if (before.fileSizeLimit != after.fileSizeLimit) {
      const Step step(xml_, kFileSizeLimitFailed);
      SetFileSizeLimit(xml_, step, FindOrAdd(step, root_, format::kFileSizeLimit), after.fileSizeLimit);
      ++changes_;
    }
    PatchOption(format::kLineNumbering, before.lineNumbering, after.lineNumbering, kLineNumberingFailed);
    PatchOption(format::kLineWrapping, before.lineWrapping, after.lineWrapping, kLineWrappingFailed);
    if (before.tabWidth != after.tabWidth) {
      const Step step(xml_, kTabulatorFailed);
      step.SetNumber(FindOrAdd(step, root_, format::kTabulator), format::kWidth, after.tabWidth);
      ++changes_;
    }
    PatchOption(format::kSearchSync, before.searchSync, after.searchSync, kSearchSyncFailed);
#define LUMEN_SETTING_PATCH(kind, member, Reader, element, attribute)                                \
  if (before.member != after.member) {                                                               \
    const Step step(xml_, SettingFailed(element));                                                   \
    WriteSetting(step, FindOrAdd(step, root_, element), attribute, after.member, setting::kind{}); \
    ++changes_;                                                                                      \
  }
    LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_PATCH)
#undef LUMEN_SETTING_PATCH
    if (before.schemeMode != after.schemeMode) {
      const Step step(xml_, kColorSchemeFailed);
      step.SetText(FindOrAdd(step, root_, format::kColorScheme), format::kMode, SchemeModeText(after.schemeMode));
      ++changes_;
    }
    if (before.styles != after.styles || before.lightColours != after.lightColours) {
      const Step step(xml_, kSavingFailed);
      const XMLHANDLE styles = Find(root_, format::kStyles);
      step.Require(styles != nullptr);
      PatchSchemeColours(styles, before.lightColours, after.lightColours);
      PatchEach(step, styles, format::kStyle, before.styles, after.styles,
                [&](XMLHANDLE element, const XMLStyle& b, const XMLStyle& a) { PatchStyle(element, b, a); });
    }
    if (before.dark != after.dark) PatchDarkScheme(before.dark, after.dark);
  }

 private:
  XMLHANDLE Find(XMLHANDLE parent, const wchar_t* name) const {
    return xml_.XMLFindChildNodeW ? xml_.XMLFindChildNodeW(parent, name) : nullptr;
  }
  // Where the file lacks the element, it is added as a full save writes it.
  XMLHANDLE FindOrAdd(const Step& step, XMLHANDLE parent, const wchar_t* name) const {
    const XMLHANDLE found = Find(parent, name);
    return found ? found : step.AddChild(parent, name);
  }

  // The i-th child of that name holds the i-th record, as the loaders read
  // them; records beyond those of `before` are new, and `patchOne` is not
  // called for them.
  template <typename Record, typename PatchOne>
  void PatchEach(const Step& step, XMLHANDLE parent, const wchar_t* name, const std::vector<Record>& before,
                 const std::vector<Record>& after, PatchOne patchOne) const {
    XMLHANDLE element = nullptr;
    for (size_t index = 0; index < before.size() && index < after.size(); ++index) {
      element = xml_.XMLEnumChildNodesW ? xml_.XMLEnumChildNodesW(parent, name, element) : nullptr;
      step.Require(element != nullptr);
      if (before[index] != after[index]) patchOne(element, before[index], after[index]);
    }
  }

  void SetColour(const Step& step, XMLHANDLE element, const wchar_t* name, int32_t before, int32_t after) {
    SetText(step, element, name, format::FormatColour(before), format::FormatColour(after));
  }

  void PatchSchemeColours(XMLHANDLE element, const SchemeColours& before, const SchemeColours& after) {
    const Step step(xml_, kSavingFailed);
    SetColour(step, element, format::kCaretLineColor, before.caretLine, after.caretLine);
    SetColour(step, element, format::kCaretColor, before.caret, after.caret);
    SetColour(step, element, format::kSelectionColor, before.selection, after.selection);
  }

  // The dialog only edits dark languages or adds them at the end.
  void PatchDarkScheme(const DarkScheme& before, const DarkScheme& after) {
    const Step step(xml_, kDarkStylesFailed);
    const XMLHANDLE element = FindOrAdd(step, root_, format::kDarkStyles);
    SetColour(step, element, format::kHighlightColor, before.highlight, after.highlight);
    PatchSchemeColours(element, before.colours, after.colours);
    PatchEach(step, element, format::kStyle, before.styles, after.styles,
              [&](XMLHANDLE style, const SchemeStyle& b, const SchemeStyle& a) {
                SetText(step, style, format::kName, b.name, a.name);
                PatchWordStyles(style, b.wordStyles, a.wordStyles);
              });
    for (size_t index = before.styles.size(); index < after.styles.size(); ++index) {
      SaveSchemeStyle(xml_, element, after.styles[index]);
      ++changes_;
    }
  }

  void PatchWordStyles(XMLHANDLE style, const std::vector<WordStyle>& before, const std::vector<WordStyle>& after) {
    if (before == after) return;
    const XMLHANDLE wordStyles = Find(style, format::kWordStyles);
    Step(xml_, kStyleFailed).Require(wordStyles != nullptr);
    PatchEach(Step(xml_, kWordStyleFailed), wordStyles, format::kWordStyle, before, after,
              [&](XMLHANDLE wordStyle, const WordStyle& b, const WordStyle& a) { PatchWordStyle(wordStyle, b, a); });
  }

  void SetText(const Step& step, XMLHANDLE element, const wchar_t* name, const std::wstring& before,
               const std::wstring& after) {
    if (before == after) return;
    step.SetText(element, name, after);
    ++changes_;
  }
  void SetSignedNumber(const Step& step, XMLHANDLE element, const wchar_t* name, int32_t before, int32_t after) {
    if (before == after) return;
    step.SetSignedNumber(element, name, after);
    ++changes_;
  }

  void PatchHighlight(const Highlight& before, const Highlight& after) {
    if (before == after) return;
    const XMLHANDLE element = Find(root_, format::kHighlight);
    if (!element) {
      SaveHighlight(xml_, root_, after);
      ++changes_;
      return;
    }
    const Step step(xml_, kHighlightFailed);
    SetText(step, element, format::kForeground, format::FormatHex(before.foreground, 6),
            format::FormatHex(after.foreground, 6));
    SetText(step, element, format::kForegroundAlpha, format::FormatHex(before.foregroundAlpha, 2),
            format::FormatHex(after.foregroundAlpha, 2));
    SetText(step, element, format::kOutlineAlpha, format::FormatHex(before.outlineAlpha, 2),
            format::FormatHex(after.outlineAlpha, 2));
  }

  void PatchOption(const wchar_t* name, bool before, bool after, const char* failure) {
    if (before == after) return;
    const Step step(xml_, failure);
    step.SetFlag(FindOrAdd(step, root_, name), format::kEnabled, after);
    ++changes_;
  }

  void PatchStyle(XMLHANDLE element, const XMLStyle& before, const XMLStyle& after) {
    const Step step(xml_, kStyleFailed);
    SetText(step, element, format::kExt, before.extensions, after.extensions);
    SetSignedNumber(step, element, format::kLexer, before.lexer, after.lexer);
    SetText(step, element, format::kName, before.name, after.name);
    SetText(step, element, format::kNames, before.names, after.names);
    SetText(step, element, format::kAliases, before.aliases, after.aliases);
    SetText(step, element, format::kContent, before.content, after.content);
    PatchWordStyles(element, before.wordStyles, after.wordStyles);
  }

  void PatchWordStyle(XMLHANDLE element, const WordStyle& before, const WordStyle& after) {
    const Step step(xml_, kWordStyleFailed);
    SetText(step, element, format::kBgColor, format::FormatColour(before.bgColor), format::FormatColour(after.bgColor));
    SetText(step, element, format::kFgColor, format::FormatColour(before.fgColor), format::FormatColour(after.fgColor));
    SetText(step, element, format::kFontName, before.fontName, after.fontName);
    SetText(step, element, format::kFontSize, format::FormatOptionalNumber(before.fontSize, 1),
            format::FormatOptionalNumber(after.fontSize, 1));
    if (FontStyleBits(before) != FontStyleBits(after)) {
      // Bits the model does not know stay as the file has them.
      int inFile = 0;
      if (xml_.XMLGetNodeIntAttributeW) xml_.XMLGetNodeIntAttributeW(element, format::kFontStyle, &inFile);
      const auto known = static_cast<int32_t>(format::kBold | format::kItalic | format::kUnderline);
      step.SetSignedNumber(element, format::kFontStyle, (inFile & ~known) | static_cast<int32_t>(FontStyleBits(after)));
      ++changes_;
    }
    SetText(step, element, format::kName, before.name, after.name);
    SetText(step, element, format::kEolFill, format::FormatOptionalNumber(before.eolFill, 0),
            format::FormatOptionalNumber(after.eolFill, 0));
    SetSignedNumber(step, element, format::kStyleId, before.styleId, after.styleId);
    if (before.keywords != after.keywords || before.keywordSet != after.keywordSet) {
      PatchKeywords(element, before, after);
    }
  }

  void PatchKeywords(XMLHANDLE wordStyle, const WordStyle& before, const WordStyle& after) {
    const XMLHANDLE element = Find(wordStyle, format::kKeywords);
    if (!element) {
      // As a full save: an empty list writes no element.
      if (!after.keywords.empty()) {
        SaveKeywords(xml_, wordStyle, after);
        ++changes_;
      }
      return;
    }
    const Step step(xml_, kKeywordsFailed);
    if (before.keywordSet != after.keywordSet) {
      step.SetNumber(element, format::kKeywordSetId, after.keywordSet);
      ++changes_;
    }
    if (before.keywords != after.keywords) {
      step.Require(xml_.XMLSetNodeValueW && xml_.XMLSetNodeValueW(element, after.keywords.c_str()));
      ++changes_;
    }
  }

  const XmlFunctions& xml_;
  XMLHANDLE root_;
  int changes_ = 0;
};

// The edit maps record by record onto the file only when no language or word
// style came or went; dark languages may also have been added at the end.
template <typename Language>
bool SameWordStyleCounts(const std::vector<Language>& a, const std::vector<Language>& b) {
  for (size_t index = 0; index < a.size() && index < b.size(); ++index) {
    if (a[index].wordStyles.size() != b[index].wordStyles.size()) return false;
  }
  return true;
}

bool SameShape(const Configuration& a, const Configuration& b) {
  return a.styles.size() == b.styles.size() && SameWordStyleCounts(a.styles, b.styles) &&
         a.dark.styles.size() <= b.dark.styles.size() && SameWordStyleCounts(a.dark.styles, b.dark.styles);
}

// "Not set" in the one form it reads back as, whatever value spelled it.
Configuration AsWritten(Configuration configuration) {
  const auto canonical = [](std::vector<WordStyle>& wordStyles) {
    for (WordStyle& w : wordStyles) {
      if (w.bgColor < 0) w.bgColor = -1;
      if (w.fgColor < 0) w.fgColor = -1;
      if (w.fontSize < 1) w.fontSize = -1;
      if (w.eolFill < 0) w.eolFill = -1;
      if (w.keywords.empty()) w.keywordSet = kNoKeywordSet;
    }
  };
  for (XMLStyle& style : configuration.styles) canonical(style.wordStyles);
  for (SchemeStyle& style : configuration.dark.styles) canonical(style.wordStyles);
  for (int32_t* colour : {&configuration.lightColours.caretLine, &configuration.lightColours.caret,
                          &configuration.lightColours.selection, &configuration.dark.colours.caretLine,
                          &configuration.dark.colours.caret, &configuration.dark.colours.selection,
                          &configuration.dark.highlight}) {
    if (*colour < 0) *colour = -1;
  }
  return configuration;
}

bool ReadsAs(const XmlFunctions& xml, XMLHANDLE root, const Configuration& expected, bool exactly) {
  try {
    const Configuration read = ReadConfiguration(xml, root);
    return exactly ? read == expected : AsWritten(read) == AsWritten(expected);
  } catch (const std::exception&) {
    return false;
  }
}

// False when the file cannot serve as the base of the edit: missing, not
// loadable, no longer what `original` was read from, or not patched into
// what `edited` holds.
bool SaveOverTheFile(const std::wstring& path, const Configuration& original, const Configuration& edited) {
  const XmlFunctions xml = BindXmlFunctions();
  XMLHANDLE root = nullptr;
  ScopeGuard document([&] { root = xml.XMLLoadFileW ? xml.XMLLoadFileW(path.c_str()) : nullptr; },
                      [&] {
                        if (xml.XMLFreeFile) xml.XMLFreeFile(root);
                      });
  if (!root || !ReadsAs(xml, root, original, true)) return false;
  DocumentPatch patch(xml, root);
  patch.Apply(original, edited);
  if (!patch.changed()) return true;
  // A lookup the host failed would have added a second element that readers
  // never reach: only a document that reads as the edit is written.
  if (!ReadsAs(xml, root, edited, false)) return false;
  Step(xml, kSavingFailed).Require(WriteDocument(xml, root, path));
  return true;
}

}  // namespace

void SaveConfigurationEdits(const std::wstring& path, const Configuration& original, const Configuration& edited) {
  if (edited == original) return;  // the file stays untouched, its time included
  if (edited.styles.empty()) throw std::runtime_error(kSavingFailed);
  if (SameShape(original, edited) && SaveOverTheFile(path, original, edited)) return;
  SaveConfiguration(path, edited);
}

}  // namespace lumen
