#include "config/Format.h"

#include <limits>
#include <stdexcept>

#include "base/Text.h"

namespace lumen::format {
namespace {

bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::optional<int64_t> ParseHex64(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // A "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
  if (i + 2 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
      HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : uint64_t{std::numeric_limits<int64_t>::max()};
  uint64_t magnitude = 0;
  size_t digits = 0;
  for (; i < text.size() && HexDigit(text[i]) >= 0; ++i, ++digits) {
    if (magnitude > (limit >> 4)) return std::nullopt;
    magnitude = (magnitude << 4) | static_cast<uint64_t>(HexDigit(text[i]));
    if (magnitude > limit) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  if (negative) return magnitude == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  return static_cast<int64_t>(magnitude);
}

bool ParseHex32(const std::wstring& text, uint32_t& value) {
  const std::optional<int64_t> parsed = ParseHex64(text);
  if (!parsed || *parsed < 0 || *parsed > int64_t{0xFFFFFFFF}) return false;
  value = static_cast<uint32_t>(*parsed);
  return true;
}

int32_t ParseColour(const std::wstring& text) {
  if (text.empty()) return -1;
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ++i;
  if (i >= text.size() || HexDigit(text[i]) < 0) throw std::invalid_argument("invalid stoi argument");
  const std::optional<int64_t> parsed = ParseHex64(text);
  if (!parsed || *parsed < std::numeric_limits<int32_t>::min() || *parsed > std::numeric_limits<int32_t>::max()) {
    throw std::out_of_range("stoi argument out of range");
  }
  return static_cast<int32_t>(*parsed);
}

bool IsEnabledText(const std::wstring& text) { return UserLocale::Get().ToUpper(text) == L"YES"; }

std::wstring FormatHex(uint32_t value, unsigned width) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

std::wstring FormatColour(int32_t colour) {
  return colour < 0 ? std::wstring() : FormatHex(static_cast<uint32_t>(colour), 6);
}

std::wstring FormatOptionalNumber(int32_t value, int32_t minimum) {
  return value < minimum ? std::wstring() : std::to_wstring(value);
}

}  // namespace lumen::format
