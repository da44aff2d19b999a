#pragma once
// A file as the host writes it after loading it and changing nothing: the
// form against which tests compare a file the plug-in edited, so that only
// what the plug-in did shows as a difference.
#include <stdexcept>
#include <string>

#include "host/HostApi.h"

namespace lumen::test {

// Loads and saves `path` in place through the host's XML functions.
inline void RewriteAsTheHost(const std::wstring& path) {
  const XmlFunctions xml = BindXmlFunctions();
  const host::XMLHANDLE document = xml.XMLLoadFileW ? xml.XMLLoadFileW(path.c_str()) : nullptr;
  const bool saved = document && xml.XMLSaveFileW && xml.XMLSaveFileW(document, path.c_str());
  if (document) xml.XMLFreeFile(document);
  if (!saved) throw std::runtime_error("the host cannot load and save the file");
}

}  // namespace lumen::test
