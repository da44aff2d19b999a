#include "SampleFiles.h"

#include <array>
#include <windows.h>

namespace lumen::benchmark {
namespace {

// Lines of a made-up C++ file; "#" becomes a running number. Two of them
// hold letters beyond ASCII (6 % of the UTF-8 bytes), more than most
// source files have.
constexpr std::array<const wchar_t*, 24> kLines = {
    L"// Größe und Maße prüfen: value ≤ limit → 20 € 😀\n",
    L"static int compute_value_#(const std::vector<int>& items, int limit) {\n",
    L"  int total = 0;\n",
    L"  for (size_t index = 0; index < items.size(); ++index) {\n",
    L"    if (items[index] > limit) continue;  // skip the large ones\n",
    L"    total += items[index] * # % 97;\n",
    L"  }\n",
    L"  return total;\n",
    L"}\n",
    L"\n",
    L"/* Résumé: the café's naïve façade, #° ± 2 */\n",
    L"#define BUFFER_SIZE_# (1024 * 4)\r\n",
    L"namespace detail_# {\n",
    L"struct Record {\n",
    L"  std::string name;\n",
    L"  uint64_t offset = 0;\n",
    L"  bool Matches(std::string_view text) const { return name == text; }\n",
    L"};\n",
    L"}  // namespace detail_#\n",
    L"\n",
    L"void Report(const char* what, int code) {\n",
    L"  std::fprintf(stderr, \"%s failed with %d\\n\", what, code);\n",
    L"}\n",
    L"\n",
};

std::wstring Numbered(const wchar_t* line, size_t number) {
  std::wstring text = line;
  const std::wstring digits = std::to_wstring(number);
  for (size_t at = text.find(L'#'); at != std::wstring::npos; at = text.find(L'#', at + digits.size())) {
    text.replace(at, 1, digits);
  }
  return text;
}

std::string Encode(const std::wstring& text, SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Utf16LE:
      return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    case SampleEncoding::Ansi: {
      std::string bytes;
      for (wchar_t c : text) bytes += c <= 0xFF ? static_cast<char>(c) : '?';  // Latin-1 letters stay single bytes
      return bytes;
    }
    case SampleEncoding::Utf8:
    default: {
      const int length = static_cast<int>(text.size());
      std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr,
                                                                nullptr)),
                        '\0');
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                          nullptr);
      return bytes;
    }
  }
}

}  // namespace

const char* SampleEncodingName(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Utf16LE: return "UTF-16LE";
    case SampleEncoding::Ansi: return "ANSI";
    case SampleEncoding::AnsiLate: return "ANSI late";
    case SampleEncoding::Utf8:
    default: return "UTF-8";
  }
}

std::string SampleText(SampleEncoding encoding, size_t size) {
  if (encoding == SampleEncoding::AnsiLate) {
    std::string text = SampleText(SampleEncoding::Utf8, size);
    const size_t late = text.find('\n', size / 10 * 9);
    if (late != std::string::npos) text[late] = '\xE9';  // where a line ended
    return text;
  }
  std::string text = encoding == SampleEncoding::Utf16LE ? std::string("\xFF\xFE", 2) : std::string();
  text.reserve(size);
  for (size_t line = 0;; ++line) {
    const std::string encoded = Encode(Numbered(kLines[line % kLines.size()], line), encoding);
    if (text.size() + encoded.size() > size) break;
    text += encoded;
  }
  // Whole lines only, then blanks: a cut character would change the encoding found.
  const std::string blank = Encode(L" ", encoding);
  while (text.size() + blank.size() <= size) text += blank;
  return text;
}

}  // namespace lumen::benchmark
