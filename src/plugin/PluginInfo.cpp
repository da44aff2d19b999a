#include "plugin/PluginInfo.h"

#include <cstdio>
#include <cwchar>

#include "config/Loaders.h"
#include "host/Paths.h"

namespace lumen {
namespace {

class VersionInfo {
 public:
  explicit VersionInfo(HMODULE module) {
    const std::wstring path = module ? ModuleFileName(module) : std::wstring();
    if (path.empty()) return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) {
      data_.clear();
      return;
    }
    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &translation, &length) || length != 4) {
      data_.clear();
      return;
    }
    const WORD* words = static_cast<const WORD*>(translation);
    language_ = words[0];
    codePage_ = words[1];
  }

  bool valid() const { return !data_.empty(); }

  const wchar_t* Value(const wchar_t* name) const {
    wchar_t key[128];
    std::swprintf(key, 128, L"\\StringFileInfo\\%02x%02x%02x%02x\\%ls", HIBYTE(language_), LOBYTE(language_),
                  HIBYTE(codePage_), LOBYTE(codePage_), name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), key, &value, &length) || !value) return nullptr;
    return static_cast<const wchar_t*>(value);
  }

  // Into a host buffer: nothing to do for a null buffer; no room or no value fails.
  bool CopyValue(const wchar_t* name, wchar_t* buffer, uint32_t capacity) const {
    if (!buffer) return true;
    const wchar_t* value = Value(name);
    if (capacity <= 2 || !value) return false;
    wcsncpy(buffer, value, capacity - 1);
    buffer[capacity - 1] = L'\0';
    return true;
  }

 private:
  std::vector<BYTE> data_;
  WORD language_ = 0;
  WORD codePage_ = 0;
};

void FillVersionAndTexts(HostPluginInfoRecord& record, HMODULE module) {
  const VersionInfo info(module);
  if (!info.valid()) return;
  const wchar_t* fileVersion = info.Value(L"FileVersion");
  if (!fileVersion || !ParseFileVersion(fileVersion, record.versionHigh, record.versionLow)) return;
  if (!info.CopyValue(L"LegalCopyright", record.copyright, record.copyrightCapacity) ||
      !info.CopyValue(L"InternalName", record.name, record.nameCapacity) ||
      !info.CopyValue(L"FileDescription", record.description, record.descriptionCapacity) ||
      !info.CopyValue(L"CompanyName", record.company, record.companyCapacity)) {
    return;
  }
  if (record.size >= kPluginInfoSizeWithIcon) {
    record.icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, 0, 0, 0));
  }
}

}  // namespace

std::wstring HandledExtensionList(const std::vector<std::wstring>& extensions) {
  std::wstring list;
  for (const std::wstring& extension : extensions) {
    if (extension.find(L'*') == std::wstring::npos) list += L"." + extension + L";";
  }
  if (!list.empty()) list.pop_back();
  return list;
}

void WriteExtensionList(const std::wstring& list, wchar_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return;
  if (list.empty()) {
    buffer[0] = L'\0';
  } else if (capacity > list.size()) {
    wcscpy(buffer, list.c_str());
  } else if (capacity >= 2) {
    wcscpy(buffer, L"*");  // too long for the host's buffer: everything
  }
}

bool ParseFileVersion(const wchar_t* text, uint32_t& high, uint32_t& low) {
  int a = 0, b = 0, c = 0, d = 0;
  if (std::swscanf(text, L"%d, %d, %d, %d", &a, &b, &c, &d) != 4) return false;
  high = (static_cast<uint32_t>(a) << 16) + static_cast<uint32_t>(b);
  low = (static_cast<uint32_t>(c) << 16) + static_cast<uint32_t>(d);
  return true;
}

void FillPluginInfo(HostPluginInfoRecord& record, HMODULE module) {
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  record.flags = kPluginFlags;
  if (record.extensions) {
    // Files recognised by name or first line may have any extension or none:
    // the host then asks about every file.
    const bool byNameOrContent = AnyNamesOrAliases(
        ReadOr(std::vector<LanguageKeys>(), [&] { return configuration.Languages(); }));
    const std::wstring list =
        byNameOrContent ? std::wstring(L"*")
                        : ReadOr(std::wstring(), [&] { return HandledExtensionList(configuration.Extensions()); });
    WriteExtensionList(list, record.extensions, record.extensionsCapacity);
  }
  const uint64_t limit = ReadOr(uint64_t{1}, [&] { return configuration.FileSizeLimit(); });
  for (FileSizeRange& range : record.fileSizeRanges) range = {1, limit};
  record.recordVersion = 2;
  record.plugin = kPluginGuid;
  FillVersionAndTexts(record, module);
}

}  // namespace lumen
