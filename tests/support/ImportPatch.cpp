#include "ImportPatch.h"

#include <cstring>

namespace lumen::test {

ImportPatch::ImportPatch(HMODULE module, const char* dllName, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dllName) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      slot_ = reinterpret_cast<void**>(&addresses->u1.Function);
      original_ = *slot_;
      Write(replacement);
      return;
    }
  }
}

ImportPatch::~ImportPatch() {
  if (slot_) Write(original_);
}

void ImportPatch::Write(void* value) {
  DWORD protection = 0;
  VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
  *slot_ = value;
  VirtualProtect(slot_, sizeof(void*), protection, &protection);
}

}  // namespace lumen::test
