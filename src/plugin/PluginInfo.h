#pragma once
// The plug-in's answer to the host's information call.
#include <string>
#include <vector>
#include <windows.h>

#include "abi/HostRecords.h"

namespace lumen {

constexpr uint32_t kPluginFlags = 0x00021415;
// The plug-in's own identity towards the host.
constexpr GUID kPluginGuid = {0x6f1d2c84, 0x3b7e, 0x4a95, {0x8c, 0x21, 0x5e, 0x9a, 0x47, 0xd0, 0x13, 0xb6}};

// ".c;.h;.cpp" from c, h, cpp; extensions holding "*" are left out.
std::wstring HandledExtensionList(const std::vector<std::wstring>& extensions);

// Copies the list, or "*" when it does not fit, or nothing with a capacity
// below 2; an empty list is written as an empty string.
void WriteExtensionList(const std::wstring& list, wchar_t* buffer, uint32_t capacity);

// Reads "%d, %d, %d, %d" (blanks match any white space) into the two version
// words of the host's record; false unless all four numbers are there.
bool ParseFileVersion(const wchar_t* text, uint32_t& high, uint32_t& low);

// Fills the whole record from the configuration and the version resource of
// `module`; steps that cannot be done leave their fields as the host set them.
void FillPluginInfo(HostPluginInfoRecord& record, HMODULE module);

}  // namespace lumen
