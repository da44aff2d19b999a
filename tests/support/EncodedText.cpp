#include "EncodedText.h"

#include <vector>

namespace lumen::test {

void AppendEncoded(std::string& bytes, Encoding encoding, std::u32string_view text) {
  for (const char32_t c : text) {
    if (encoding == Encoding::Ansi) {
      bytes += static_cast<char>(c);
    } else if (encoding == Encoding::Utf8) {
      if (c < 0x80) {
        bytes += static_cast<char>(c);
      } else if (c < 0x800) {
        bytes += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
      } else if (c < 0x10000) {
        bytes += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))};
      } else {
        bytes += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                  static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
      }
    } else {
      const bool wide = encoding == Encoding::Utf32LE || encoding == Encoding::Utf32BE;
      const bool bigEndian = encoding == Encoding::Utf16BE || encoding == Encoding::Utf32BE;
      std::vector<uint32_t> units = {static_cast<uint32_t>(c)};
      if (!wide && c >= 0x10000) units = {0xD800 + ((c - 0x10000) >> 10), 0xDC00 + ((c - 0x10000) & 0x3FF)};
      const int width = wide ? 4 : 2;
      for (const uint32_t unit : units) {
        for (int i = 0; i < width; ++i) bytes += static_cast<char>(unit >> (8 * (bigEndian ? width - 1 - i : i)));
      }
    }
  }
}

std::string LogAcrossSlices(Encoding encoding, std::u32string_view mark, std::u32string_view widest, size_t size) {
  constexpr size_t kMegabyte = size_t{1} << 20;
  std::string bytes;
  AppendEncoded(bytes, encoding, mark);
  for (size_t boundary = kMegabyte; bytes.size() < size; boundary += kMegabyte) {
    while (bytes.size() + 64 < std::min(boundary, size)) AppendEncoded(bytes, encoding, U"a line of a big log\r\n");
    while (bytes.size() + 1 < std::min(boundary, size)) AppendEncoded(bytes, encoding, U"x");
    AppendEncoded(bytes, encoding, widest);
  }
  AppendEncoded(bytes, encoding, U"\nthe last line");
  return bytes;
}

}  // namespace lumen::test
