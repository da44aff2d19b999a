#pragma once
// The light and the dark scheme: which one is shown, and what a language
// looks like in the dark one.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/Model.h"

namespace lumen {

// "system", "light" or "dark" in any case; anything else is "system".
SchemeMode ParseSchemeMode(const std::wstring& text);
const wchar_t* SchemeModeText(SchemeMode mode);

// The scheme a mode shows. `appsUseLightTheme` is the Windows setting, none
// where it cannot be read: only a setting of 0 makes "system" dark.
Scheme ResolveScheme(SchemeMode mode, std::optional<uint32_t> appsUseLightTheme);

// A word style that only fills a keyword set: the control's styles stay.
constexpr int32_t kKeywordsOnly = -1;

// `light` in the dark scheme's looks: its lexer and its keyword lists (by
// their sets, whatever style they came with), the dark word styles' looks
// and nothing of the light ones'. A class the dark set leaves out takes the
// base style, not a light colour meant for a white background.
Style DarkVariant(const Style& light, const std::vector<WordStyle>& darkLooks);

}  // namespace lumen
