#pragma once
// Writes a whole configuration. The document is built completely in memory
// first; the file on disk changes only when a finished document replaces it.
#include <string>

#include "config/Model.h"
#include "host/HostApi.h"

namespace lumen {

// Throws std::runtime_error with a message naming the step that failed; the
// configuration file is then as it was.
void SaveConfiguration(const std::wstring& path, const Configuration& configuration);

void SaveHighlight(const XmlFunctions& xml, host::XMLHANDLE root, const Highlight& highlight);
void SaveStyle(const XmlFunctions& xml, host::XMLHANDLE styles, const XMLStyle& style);
void SaveWordStyle(const XmlFunctions& xml, host::XMLHANDLE wordStyles, const WordStyle& wordStyle);
void SaveKeywords(const XmlFunctions& xml, host::XMLHANDLE wordStyle, const WordStyle& keywords);
// Saves the document beside the configuration file and moves it into place.
bool WriteDocument(const XmlFunctions& xml, host::XMLHANDLE document, const std::wstring& path);

}  // namespace lumen
