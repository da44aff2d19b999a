#pragma once
// Files in every encoding a viewer reads, built from code points: for loads
// whose outcome is the same text in UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

#include "text/Encoding.h"

namespace lumen::test {

// Appends `text` in `encoding`; ANSI takes each code point as one byte.
void AppendEncoded(std::string& bytes, Encoding encoding, std::u32string_view text);

// A log of about `size` bytes in `encoding`, after `mark`: its widest
// character `widest` straddles every megabyte, where the slices of a load
// meet, and it ends with a last line.
std::string LogAcrossSlices(Encoding encoding, std::u32string_view mark, std::u32string_view widest, size_t size);

}  // namespace lumen::test
