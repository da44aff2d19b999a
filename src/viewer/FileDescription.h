#pragma once
// The one-line description of the file shown that the host puts in its
// status bar: the encoding, then the host's own format filled with the line
// count and the size, then what is going on ("loading 40 %", "deleted").
#include <cstdint>
#include <string>

#include "host/HostApi.h"
#include "viewer/ShownDocument.h"

namespace lumen {

// "UTF-8, ", "ANSI, " for the system's code page as always, "Windows-1251, "
// for another, with "(chosen)" where the user chose it.
std::wstring DescribedEncoding(const ShownFile& file);

// The whole description; the host's format string 24051 through `host`.
std::wstring FileDescription(const HostHelperApi& host, const ShownFile& file, int64_t lines, uint64_t bytes,
                             const std::wstring& notes);

}  // namespace lumen
