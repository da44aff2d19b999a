#pragma once
// Readers of the configuration file. An event (a load, a reload, an
// identification, the plug-in information, the dialog's opening) takes one
// snapshot: the file loaded once and freed with the snapshot. Nothing is kept
// between events, so every event sees the file as it is at that moment.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/Model.h"
#include "config/Recognition.h"
#include "config/Schemes.h"
#include "host/HostApi.h"
#include "text/Encoding.h"

namespace lumen {

class ConfigurationSnapshot {
 public:
  // The file at `path` as it is now; a missing or broken file reads as a
  // document without elements.
  explicit ConfigurationSnapshot(const std::wstring& path);
  // The plug-in's configuration file. When the host cannot tell where it is,
  // every reader throws the std::logic_error that says so.
  static ConfigurationSnapshot OfPlugin();
  // The same, to be kept by an event that goes on over several messages (a
  // big file's load).
  static std::shared_ptr<const ConfigurationSnapshot> SharedOfPlugin();
  ~ConfigurationSnapshot();
  // Returned and initialised in place only: one owner frees the document.
  ConfigurationSnapshot(const ConfigurationSnapshot&) = delete;
  ConfigurationSnapshot& operator=(const ConfigurationSnapshot&) = delete;

  bool hasPath() const { return pathError_.empty(); }

  // The language whose extension list holds `extension` (first one wins), in
  // the looks of `scheme`. Throws style::style_error, or the colour parser's
  // standard errors; a dark set that cannot be read gives the light looks.
  Style StyleForExtension(const std::wstring& extension, Scheme scheme = Scheme::Light) const;
  // Every extension of every language, lower-cased, in document order.
  std::vector<std::wstring> Extensions() const;
  uint64_t FileSizeLimit() const;
  Highlight SearchHighlight() const;
  // The options never fail on a file: a missing or broken one gives false and 8.
  bool LineNumbering() const;
  bool LineWrapping() const;
  uint32_t TabWidth() const;
  bool SearchSync() const;
  // The optional settings (Settings.h), each as its kind reads it.
#define LUMEN_SETTING_READER(kind, member, Reader, element, attribute) setting::kind::Value Reader() const;
  LUMEN_OPTIONAL_SETTINGS(LUMEN_SETTING_READER)
#undef LUMEN_SETTING_READER
  std::vector<XMLStyle> Styles() const;
  // What each Style element is recognised by, in document order; throws
  // style::style_error without a Styles element.
  std::vector<LanguageKeys> Languages() const;
  // The IgnoredEndings list, split; empty without one.
  std::vector<std::wstring> IgnoredEndings() const;
  // How files are decoded as the configuration asks: its detection setting
  // and default code page (one Windows does not have is none); without a
  // configuration, with detection.
  DecodingRule Decoding() const;
  // The language of the Style element at `index` of Languages().
  Style StyleAt(size_t index, Scheme scheme = Scheme::Light) const;
  // The ColorScheme setting; "system" when it is missing.
  SchemeMode SchemeModeSetting() const;
  // Whether there is a dark set at all: without one, dark is the light scheme.
  bool HasDarkScheme() const;
  // The caret, caret line and selection colours of a scheme; throws the
  // colour parser's errors.
  SchemeColours Colours(Scheme scheme) const;
  // The dark scheme's search colour, negative when it has none of its own.
  int32_t DarkHighlight() const;
  // The HighlightRules, in document order: those without text left out, a
  // colour that does not parse not set.
  std::vector<HighlightRule> HighlightRules() const;
  // The SharedExtensions, in document order: rules without content left out.
  std::vector<SharedExtension> SharedExtensions() const;
  Configuration Whole() const;

 private:
  struct NoPath {};
  explicit ConfigurationSnapshot(NoPath, std::string error);
  // The loaded document's root, or the path's error when there is no path.
  host::XMLHANDLE Root() const;

  XmlFunctions xml_ = {};
  host::XMLHANDLE root_ = nullptr;
  std::string pathError_;
};

// What `read` answers, or `fallback` when the configuration cannot give it:
// the readers' own errors and the standard logic errors (no path, a colour
// that does not parse) fall back; anything else goes on.
template <typename T, typename Read>
T ReadOr(T fallback, Read read) {
  try {
    return read();
  } catch (const style::style_error&) {
  } catch (const std::logic_error&) {
  }
  return fallback;
}

// One reader on a snapshot of the file at `path`.
Style LoadStyleForExtension(const std::wstring& path, const std::wstring& extension);
std::vector<std::wstring> LoadExtensions(const std::wstring& path);
uint64_t LoadFileSizeLimit(const std::wstring& path);
Highlight LoadHighlight(const std::wstring& path);
bool LoadLineNumbering(const std::wstring& path);
bool LoadLineWrapping(const std::wstring& path);
uint32_t LoadTabWidth(const std::wstring& path);
bool LoadSearchSync(const std::wstring& path);
std::vector<XMLStyle> LoadStyles(const std::wstring& path);
Configuration LoadConfiguration(const std::wstring& path);

// The whole configuration from a document already loaded, read as
// LoadConfiguration reads it from the file.
Configuration ReadConfiguration(const XmlFunctions& xml, host::XMLHANDLE root);

// The parts the loaders are built from.
std::wstring ReadAttribute(const XmlFunctions& xml, host::XMLHANDLE element, const wchar_t* name);
Style ReadStyle(const XmlFunctions& xml, host::XMLHANDLE styleElement);
std::vector<WordStyle> ReadWordStyles(const XmlFunctions& xml, host::XMLHANDLE styleElement);
WordStyle ReadWordStyle(const XmlFunctions& xml, host::XMLHANDLE wordStyleElement);
std::vector<HighlightRule> ReadHighlightRules(const XmlFunctions& xml, host::XMLHANDLE root);
std::vector<SharedExtension> ReadSharedExtensions(const XmlFunctions& xml, host::XMLHANDLE root);

// Whether `upperList` holds `upperExtension` as an entry: at the start or after
// white space, and followed by the end or a character that is no letter or digit.
bool ExtensionListSelects(const std::wstring& upperList, const std::wstring& upperExtension);

}  // namespace lumen
