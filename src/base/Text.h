#pragma once
// Text helpers of the configuration: splitting, and case and character classes
// in the user's default locale. Casing goes through Windows because the C++
// runtime we build with knows only the "C" locale.
#include <string>
#include <vector>

namespace lumen {

// The pieces between any characters of `delimiters`, in order, without empty pieces.
std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiters);

// The user's default locale, captured once when the library loads and then
// only read, so identification may run on any thread.
class UserLocale {
 public:
  UserLocale();
  static const UserLocale& Get();

  // Each UTF-16 unit is mapped on its own.
  std::wstring ToLower(std::wstring text) const;
  std::wstring ToUpper(std::wstring text) const;
  bool IsLetterOrDigit(wchar_t c) const;
  bool IsSpace(wchar_t c) const;

 private:
  std::wstring MapCase(std::wstring text, unsigned long flags) const;
  std::wstring name_;
};

// The editor's document is UTF-8, and so are the keyword lists and font names it takes.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

}  // namespace lumen
