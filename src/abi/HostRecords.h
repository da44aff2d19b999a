#pragma once
// The host's records as the plug-in reads and writes them (64-bit layouts).
#include <cstddef>
#include <cstdint>
#include <windows.h>

#include "abi/HostMessages.h"

namespace lumen {

// Passed to HBX_InitEx; only the host's version is read.
struct HostInitExRecord {
  uint8_t unused[16];
  uint32_t versionHigh;  // first part << 16 | second part
  uint32_t versionLow;   // third part << 16 | fourth part
};

// Files the host may give the plug-in, by size in bytes.
struct FileSizeRange {
  uint64_t smallest;
  uint64_t largest;
};

// Passed to HBX_IdentifyW: the plug-in's flags, version, texts and icon.
struct HostPluginInfoRecord {
  uint32_t size;
  uint32_t flags;
  uint32_t versionHigh;
  uint32_t versionLow;
  wchar_t* extensions;
  wchar_t* name;
  wchar_t* description;
  wchar_t* copyright;
  wchar_t* company;
  uint32_t extensionsCapacity;
  uint32_t nameCapacity;
  uint32_t descriptionCapacity;
  uint32_t copyrightCapacity;
  uint32_t companyCapacity;
  uint32_t reserved;
  FileSizeRange fileSizeRanges[2];  // the host reads two; the plug-in gives both the same
  uint32_t recordVersion;
  GUID plugin;
  uint8_t reservedAfterPlugin[12];
  HICON icon;  // written only when size is at least 160
};

// Written when the plug-in claims a file.
using HostFileInfoRecord = HostTextRecord;

static_assert(offsetof(HostInitExRecord, versionHigh) == 16 && offsetof(HostInitExRecord, versionLow) == 20);
static_assert(offsetof(HostPluginInfoRecord, extensions) == 16 && offsetof(HostPluginInfoRecord, company) == 48);
static_assert(offsetof(HostPluginInfoRecord, extensionsCapacity) == 56);
static_assert(offsetof(HostPluginInfoRecord, companyCapacity) == 72);
static_assert(offsetof(HostPluginInfoRecord, fileSizeRanges) == 80 && sizeof(FileSizeRange) == 16);
static_assert(offsetof(HostPluginInfoRecord, recordVersion) == 112 && offsetof(HostPluginInfoRecord, plugin) == 116);
static_assert(offsetof(HostPluginInfoRecord, icon) == 144);

// The record size from which the host has room for the plug-in's icon.
constexpr uint32_t kPluginInfoSizeWithIcon = 160;

}  // namespace lumen
