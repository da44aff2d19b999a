#include "base/Text.h"

#include <climits>
#include <stdexcept>
#include <windows.h>

namespace lumen {

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiters) {
  std::vector<std::wstring> pieces;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of(delimiters, start);
    const size_t stop = end == std::wstring::npos ? text.size() : end;
    if (stop > start) pieces.push_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return pieces;
}

namespace {
std::wstring UserDefaultLocaleName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  return GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0 ? name : L"";
}

WORD CharacterType(wchar_t c) {
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE1, &c, 1, &type) ? type : 0;
}

int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::runtime_error("narrow_cast<>() failed");
  return static_cast<int>(size);
}
}  // namespace

// Built at library load, before any thread of the host can call us.
static const UserLocale userLocale;

UserLocale::UserLocale() : name_(UserDefaultLocaleName()) {}

const UserLocale& UserLocale::Get() { return userLocale; }

std::wstring UserLocale::MapCase(std::wstring text, unsigned long flags) const {
  const wchar_t* locale = name_.empty() ? LOCALE_NAME_USER_DEFAULT : name_.c_str();
  // One unit at a time: a mapping never changes the length or pairs units up.
  for (wchar_t& c : text) {
    wchar_t mapped = c;
    if (LCMapStringEx(locale, flags, &c, 1, &mapped, 1, nullptr, nullptr, 0) == 1) c = mapped;
  }
  return text;
}

std::wstring UserLocale::ToLower(std::wstring text) const { return MapCase(std::move(text), LCMAP_LOWERCASE); }
std::wstring UserLocale::ToUpper(std::wstring text) const { return MapCase(std::move(text), LCMAP_UPPERCASE); }
bool UserLocale::IsLetterOrDigit(wchar_t c) const { return (CharacterType(c) & (C1_ALPHA | C1_DIGIT)) != 0; }
bool UserLocale::IsSpace(wchar_t c) const { return (CharacterType(c) & C1_SPACE) != 0; }

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
  return out;
}

}  // namespace lumen
