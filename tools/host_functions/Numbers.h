#pragma once
// Decimal numbers as the host's integer readers accept them.
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

namespace lumen::standin {

inline std::wstring_view TrimBlanks(std::wstring_view text) {
  constexpr std::wstring_view blanks = L" \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Digits with optional surrounding blanks; a sign only for signed types.
// Empty, non-numeric or out-of-range text gives nothing.
template <typename Integer>
std::optional<Integer> ParseDecimal(std::wstring_view text) {
  static_assert(std::is_integral_v<Integer> && sizeof(Integer) <= sizeof(uint64_t));
  text = TrimBlanks(text);
  bool negative = false;
  if constexpr (std::is_signed_v<Integer>) {
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
      negative = text.front() == L'-';
      text.remove_prefix(1);
    }
  }
  if (text.empty()) return std::nullopt;
  const uint64_t largest = static_cast<uint64_t>(std::numeric_limits<Integer>::max());
  const uint64_t limit = negative ? largest + 1 : largest;
  uint64_t magnitude = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    const unsigned digit = c - L'0';
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  // Unsigned negation wraps, and C++20 converts the result modulo 2^64: exact even for the minimum.
  if (negative) return static_cast<Integer>(static_cast<int64_t>(0 - magnitude));
  return static_cast<Integer>(magnitude);
}

}  // namespace lumen::standin
