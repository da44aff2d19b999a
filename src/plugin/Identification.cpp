#include "plugin/Identification.h"

#include <algorithm>

#include "config/Loaders.h"
#include "base/Text.h"
#include "host/Paths.h"

namespace lumen {

bool IsHandledExtension(const std::wstring& extension, const std::vector<std::wstring>& configured) {
  const std::wstring lower = UserLocale::Get().ToLower(extension);
  return std::find(configured.begin(), configured.end(), lower) != configured.end();
}

bool IdentifyFile(const wchar_t* path, HostFileInfoRecord* record) {
  if (!path) return false;
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  const auto extensions = ReadOr(std::vector<std::wstring>(), [&] { return configuration.Extensions(); });
  if (!IsHandledExtension(FileExtension(path), extensions)) return false;
  if (record) {
    StampTextRecord(*record);
    if (record->text && record->textCapacity != 0) record->text[0] = L'\0';
  }
  return true;
}

}  // namespace lumen
