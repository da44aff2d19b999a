#pragma once
// Writes a configuration: a whole one built anew, or what the dialog edited
// into the file it was loaded from. The document is finished in memory first;
// the file on disk changes only when a finished document replaces it.
#include <string>

#include "config/Model.h"
#include "host/HostApi.h"

namespace lumen {

// Throws std::runtime_error with a message naming the step that failed; the
// configuration file is then as it was.
void SaveConfiguration(const std::wstring& path, const Configuration& configuration);

// Saves what was edited over the file that `original` was loaded from: only
// the values that differ are written, into the elements they were read from;
// every other element, attribute and comment of the file stays in its place,
// and where the file lacks an element it is added as a full save writes it.
// Nothing is written when nothing differs. Falls back to SaveConfiguration
// when the file cannot be loaded, no longer reads as `original`, or would not
// read as `edited` once patched. Throws as SaveConfiguration does.
void SaveConfigurationEdits(const std::wstring& path, const Configuration& original, const Configuration& edited);

void SaveHighlight(const XmlFunctions& xml, host::XMLHANDLE root, const Highlight& highlight);
void SaveStyle(const XmlFunctions& xml, host::XMLHANDLE styles, const XMLStyle& style);
void SaveWordStyle(const XmlFunctions& xml, host::XMLHANDLE wordStyles, const WordStyle& wordStyle);
void SaveKeywords(const XmlFunctions& xml, host::XMLHANDLE wordStyle, const WordStyle& keywords);
// Saves the document beside the configuration file and moves it into place.
bool WriteDocument(const XmlFunctions& xml, host::XMLHANDLE document, const std::wstring& path);

}  // namespace lumen
