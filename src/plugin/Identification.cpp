#include "plugin/Identification.h"

#include <algorithm>
#include <exception>

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
  try {
    const std::wstring extension = FileExtension(path);
    if (!IsHandledExtension(extension, LoadExtensions(ConfigFilePath()))) return false;
  } catch (const std::exception&) {
    return false;
  }
  if (record) {
    record->two = 2;
    record->two8 = 2;
    record->zero16 = 0;
    if (record->text && record->textCapacity != 0) record->text[0] = L'\0';
  }
  return true;
}

}  // namespace lumen
