#pragma once
// What Windows says about the apps' light or dark theme.
#include <cstdint>
#include <optional>
#include <windows.h>

namespace lumen {

// Where Windows keeps the user's choice for apps: 1 light, 0 dark.
inline constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

// The DWORD value `name` of `key` under `root`; none when the key or value is
// missing or holds no DWORD.
std::optional<uint32_t> ReadRegistryNumber(HKEY root, const wchar_t* key, const wchar_t* name);

// The user's apps setting, none where it cannot be read.
inline std::optional<uint32_t> AppsUseLightTheme() {
  return ReadRegistryNumber(HKEY_CURRENT_USER, kPersonalizeKey, kAppsUseLightTheme);
}

// Whether a WM_SETTINGCHANGE is the one Windows broadcasts when the light or
// dark theme changes.
bool IsThemeChange(UINT message, LPARAM lParam);

}  // namespace lumen
