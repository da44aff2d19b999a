#include "dialog/StyleValues.h"

#include <algorithm>
#include <limits>
#include <windows.h>

#include "config/Format.h"
#include "base/Text.h"

namespace lumen {

std::wstring FontSizeText(int32_t fontSize) { return fontSize >= 1 ? std::to_wstring(fontSize) : std::wstring(); }

std::optional<int32_t> ParseDecimal(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::vector<std::wstring> SortedUniqueNames(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

namespace {
int CALLBACK CollectFaceName(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM names) {
  reinterpret_cast<std::vector<std::wstring>*>(names)->emplace_back(font->lfFaceName);
  return 1;
}

std::vector<std::wstring> EnumerateFontFaces() {
  std::vector<std::wstring> names;
  LOGFONTW everyFace = {};
  everyFace.lfCharSet = DEFAULT_CHARSET;  // with no face name: every face of every character set
  if (HDC screen = GetDC(nullptr)) {
    EnumFontFamiliesExW(screen, &everyFace, CollectFaceName, reinterpret_cast<LPARAM>(&names), 0);
    ReleaseDC(nullptr, screen);
  }
  return SortedUniqueNames(std::move(names));
}
}  // namespace

const std::vector<std::wstring>& FontFaceNames() {
  static const std::vector<std::wstring> names = EnumerateFontFaces();
  return names;
}

size_t StartLanguage(const std::vector<XMLStyle>& styles, const std::wstring& extension) {
  if (extension.empty()) return 0;
  for (size_t index = 0; index < styles.size(); ++index) {
    const auto pieces = Split(styles[index].extensions, format::kExtensionDelimiters);
    if (!pieces.empty() && UserLocale::Get().ToLower(pieces.front()) == extension) return index;
  }
  return 0;
}

}  // namespace lumen
