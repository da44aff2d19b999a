#pragma once
// Readers of the configuration file. Each one binds the host's XML functions,
// loads the file, reads what it answers for and frees the document: nothing is
// cached, so every caller sees the file as it is at that moment.
#include <string>
#include <vector>

#include "config/Model.h"
#include "host/HostApi.h"

namespace lumen {

// The language whose extension list holds `extension` (first one wins).
// Throws style::style_error, or the colour parser's standard errors.
Style LoadStyleForExtension(const std::wstring& path, const std::wstring& extension);
// Every extension of every language, lower-cased, in document order.
std::vector<std::wstring> LoadExtensions(const std::wstring& path);
uint64_t LoadFileSizeLimit(const std::wstring& path);
Highlight LoadHighlight(const std::wstring& path);
// The options never fail: a missing or broken file gives false and 8.
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

// Whether `upperList` holds `upperExtension` as an entry: at the start or after
// white space, and followed by the end or a character that is no letter or digit.
bool ExtensionListSelects(const std::wstring& upperList, const std::wstring& upperExtension);

}  // namespace lumen
