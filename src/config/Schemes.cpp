#include "config/Schemes.h"

#include <cwctype>

namespace lumen {

SchemeMode ParseSchemeMode(const std::wstring& text) {
  std::wstring lower;
  for (const wchar_t c : text) lower += static_cast<wchar_t>(std::towlower(c));
  if (lower == L"light") return SchemeMode::Light;
  if (lower == L"dark") return SchemeMode::Dark;
  return SchemeMode::System;
}

const wchar_t* SchemeModeText(SchemeMode mode) {
  switch (mode) {
    case SchemeMode::Light:
      return L"light";
    case SchemeMode::Dark:
      return L"dark";
    case SchemeMode::System:
      break;
  }
  return L"system";
}

Scheme ResolveScheme(SchemeMode mode, std::optional<uint32_t> appsUseLightTheme) {
  if (mode == SchemeMode::Light) return Scheme::Light;
  if (mode == SchemeMode::Dark) return Scheme::Dark;
  return appsUseLightTheme == 0u ? Scheme::Dark : Scheme::Light;
}

Style DarkVariant(const Style& light, const std::vector<WordStyle>& darkLooks) {
  Style dark;
  dark.lexer = light.lexer;
  for (const WordStyle& w : light.wordStyles) {
    if (w.keywords.empty()) continue;
    WordStyle keywords;
    keywords.styleId = kKeywordsOnly;
    keywords.keywords = w.keywords;
    keywords.keywordSet = w.keywordSet;
    dark.wordStyles.push_back(std::move(keywords));
  }
  for (WordStyle looks : darkLooks) {
    looks.keywords.clear();
    looks.keywordSet = kNoKeywordSet;
    dark.wordStyles.push_back(std::move(looks));
  }
  return dark;
}

}  // namespace lumen
