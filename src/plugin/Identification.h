#pragma once
// Whether the plug-in handles a file: by its whole name, its extension, or
// (when some language has aliases) a modeline or "#!" line among its first lines.
#include <objidl.h>

#include <optional>
#include <string>
#include <vector>

#include "abi/HostRecords.h"
#include "text/Encoding.h"

namespace lumen {

// Lower-cases `extension` and compares it, whole, with the configured ones.
bool IsHandledExtension(const std::wstring& extension, const std::vector<std::wstring>& configured);

// Identification reads no more of a file than this, and only when neither its
// name nor its extension decides.
inline constexpr size_t kIdentificationHead = 4096;

// The head's text as UTF-8, its encoding told by `rule` as the viewer tells a
// file's: a head that is not the whole file is cut after its last line end,
// so that no character is cut in two. Empty when it is no text.
std::string HeadText(std::string head, bool wholeFile, const DecodingRule& rule);

// Reads the configuration; fills the record and answers true when the file is
// claimed. With a stream, its head is read from the stream, which is put back
// where it was; otherwise from the file, shared and unchanged. Fails closed:
// any error claims nothing and leaves the record alone.
bool IdentifyFile(const wchar_t* path, HostFileInfoRecord* record, IStream* stream = nullptr);

}  // namespace lumen
