#pragma once
// Whether the plug-in handles a file: by its extension alone.
#include <string>
#include <vector>

#include "abi/HostRecords.h"

namespace lumen {

// Lower-cases `extension` and compares it, whole, with the configured ones.
bool IsHandledExtension(const std::wstring& extension, const std::vector<std::wstring>& configured);

// Reads the configuration; fills the record and answers true when the file is
// claimed. Fails closed: any error claims nothing and leaves the record alone.
bool IdentifyFile(const wchar_t* path, HostFileInfoRecord* record);

}  // namespace lumen
