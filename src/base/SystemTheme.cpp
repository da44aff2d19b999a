#include "base/SystemTheme.h"

#include <cwchar>

namespace lumen {

std::optional<uint32_t> ReadRegistryNumber(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) return std::nullopt;
  return static_cast<uint32_t>(value);
}

bool IsThemeChange(UINT message, LPARAM lParam) {
  if (message == WM_THEMECHANGED || message == WM_SYSCOLORCHANGE) return true;
  if (message != WM_SETTINGCHANGE || lParam == 0) return false;
  // The area name is the sender's string: read no further than a name can be.
  const auto* area = reinterpret_cast<const wchar_t*>(lParam);
  return _wcsnicmp(area, L"ImmersiveColorSet", 18) == 0;
}

}  // namespace lumen
