#pragma once
// The values the configuration dialog shows and reads back, without windows:
// font sizes, numbers typed by the user, font face names and the language a
// dialog starts on.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/Model.h"

namespace lumen {

// The font size combo's fixed entries; the empty first one means "not set".
inline constexpr std::array<const wchar_t*, 17> kFontSizes = {
    L"", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12", L"14", L"16", L"18", L"20", L"22", L"24", L"26", L"28"};

// A size as the combo shows it: empty when not set.
std::wstring FontSizeText(int32_t fontSize);

// Decimal digits only, as a number that fits 32 signed bits; nothing for any
// other text (empty, signs, blanks, letters, too large).
std::optional<int32_t> ParseDecimal(const std::wstring& text);

// Sorted by UTF-16 code units, each name once.
std::vector<std::wstring> SortedUniqueNames(std::vector<std::wstring> names);

// Every font face of the system, sorted and without repeats. Made once per
// process on first use (thread-safe); fonts installed later appear after a restart.
const std::vector<std::wstring>& FontFaceNames();

// The language whose first extension is `extension` (lower-cased, as a viewer
// reports it); the first language when none is, or `extension` is empty.
size_t StartLanguage(const std::vector<XMLStyle>& styles, const std::wstring& extension);

}  // namespace lumen
