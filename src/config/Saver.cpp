#include "config/Saver.h"

#include <stdexcept>
#include <string>

#include "config/Format.h"
#include "config/NarrowCast.h"
#include "config/ScopeGuard.h"
#include "host/Paths.h"

namespace lumen {
namespace {

using host::XMLHANDLE;

// Each step's failure raises the message that names it.
class Step {
 public:
  Step(const XmlFunctions& xml, const char* failure) : xml_(xml), failure_(failure) {}

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
  const char* failure_;
};

constexpr char kSavingFailed[] = "Saving configuration failed";

void SaveFileSizeLimit(const XmlFunctions& xml, XMLHANDLE root, uint64_t limit) {
  const Step step(xml, "Saving FileSizeLimit configuration failed");
  const XMLHANDLE element = step.AddChild(root, format::kFileSizeLimit);
  if (limit <= 0xFFFFFFFF) {
    step.Require(xml.XMLSetNodeDWORDValue && xml.XMLSetNodeDWORDValue(element, narrow_cast<DWORD>(limit)));
  } else {
    // A limit beyond 32 bits loads fine through the 64-bit reader; write it as
    // decimal text so that it can also be saved again.
    step.Require(xml.XMLSetNodeValueW && xml.XMLSetNodeValueW(element, std::to_wstring(limit).c_str()));
  }
}

void SaveOption(const XmlFunctions& xml, XMLHANDLE root, const wchar_t* elementName, bool enabled,
                const char* failure) {
  const Step step(xml, failure);
  step.SetFlag(step.AddChild(root, elementName), format::kEnabled, enabled);
}

// A unique file name in `folder`, created empty by the platform; empty on failure.
std::wstring MakeTemporaryFile(const std::wstring& folder) {
  wchar_t name[MAX_PATH] = {};
  if (folder.empty() || !GetTempFileNameW(folder.c_str(), L"lum", 0, name)) return {};
  return name;
}

std::wstring SystemTemporaryFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

}  // namespace

void SaveHighlight(const XmlFunctions& xml, XMLHANDLE root, const Highlight& highlight) {
  const Step step(xml, "Saving Highlight configuration failed");
  const XMLHANDLE element = step.AddChild(root, format::kHighlight);
  step.SetText(element, format::kForeground, format::FormatHex(highlight.foreground, 6));
  step.SetText(element, format::kForegroundAlpha, format::FormatHex(highlight.foregroundAlpha, 2));
  step.SetText(element, format::kOutlineAlpha, format::FormatHex(highlight.outlineAlpha, 2));
}

void SaveKeywords(const XmlFunctions& xml, XMLHANDLE wordStyle, const WordStyle& keywords) {
  const Step step(xml, "Saving Keywords configuration failed");
  const XMLHANDLE element = step.AddChild(wordStyle, format::kKeywords);
  step.SetNumber(element, format::kKeywordSetId, keywords.keywordSet);
  step.Require(xml.XMLSetNodeValueW && xml.XMLSetNodeValueW(element, keywords.keywords.c_str()));
}

void SaveWordStyle(const XmlFunctions& xml, XMLHANDLE wordStyles, const WordStyle& wordStyle) {
  const Step step(xml, "Saving WordStyle configuration failed");
  const XMLHANDLE element = step.AddChild(wordStyles, format::kWordStyle);
  const uint32_t fontStyle = (wordStyle.bold ? format::kBold : 0) | (wordStyle.italic ? format::kItalic : 0) |
                             (wordStyle.underline ? format::kUnderline : 0);
  step.SetText(element, format::kBgColor, format::FormatColour(wordStyle.bgColor));
  step.SetText(element, format::kFgColor, format::FormatColour(wordStyle.fgColor));
  step.SetText(element, format::kFontName, wordStyle.fontName);
  step.SetText(element, format::kFontSize, format::FormatOptionalNumber(wordStyle.fontSize, 1));
  step.SetNumber(element, format::kFontStyle, fontStyle);
  step.SetText(element, format::kName, wordStyle.name);
  step.SetText(element, format::kEolFill, format::FormatOptionalNumber(wordStyle.eolFill, 0));
  step.SetSignedNumber(element, format::kStyleId, wordStyle.styleId);
  if (!wordStyle.keywords.empty()) SaveKeywords(xml, element, wordStyle);
}

void SaveStyle(const XmlFunctions& xml, XMLHANDLE styles, const XMLStyle& style) {
  const Step step(xml, "Saving XMLStyle configuration failed");
  const XMLHANDLE element = step.AddChild(styles, format::kStyle);
  step.SetText(element, format::kExt, style.extensions);
  step.SetSignedNumber(element, format::kLexer, style.lexer);
  step.SetText(element, format::kName, style.name);
  if (style.wordStyles.empty()) return;
  // Saving a language without its word styles would lose them silently.
  const XMLHANDLE wordStyles = step.AddChild(element, format::kWordStyles);
  for (const WordStyle& wordStyle : style.wordStyles) SaveWordStyle(xml, wordStyles, wordStyle);
}

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
  SaveOption(xml, root, format::kLineNumbering, configuration.lineNumbering,
             "Saving LineNumbering configuration failed");
  SaveOption(xml, root, format::kLineWrapping, configuration.lineWrapping, "Saving LineWrapping configuration failed");
  {
    const Step tabulator(xml, "Saving Tabulator configuration failed");
    tabulator.SetNumber(tabulator.AddChild(root, format::kTabulator), format::kWidth, configuration.tabWidth);
  }
  SaveOption(xml, root, format::kSearchSync, configuration.searchSync, "Saving SearchSync configuration failed");

  const XMLHANDLE styles = step.AddChild(root, format::kStyles);
  // A configuration without languages would claim no file at all: never saved.
  step.Require(!configuration.styles.empty());
  for (const XMLStyle& style : configuration.styles) SaveStyle(xml, styles, style);

  step.Require(WriteDocument(xml, root, path));
}

}  // namespace lumen
