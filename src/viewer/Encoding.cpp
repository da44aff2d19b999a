#include "viewer/Encoding.h"

#include <cstring>
#include <stdexcept>
#include <windows.h>

#include "config/NarrowCast.h"

namespace lumen {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);

uint32_t ReadUnit32(const unsigned char* p, bool bigEndian) {
  return bigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                   : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c > 0x10FFFF) throw std::range_error("wstring_convert::to_bytes");
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf32ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() < 4 || bytes.size() % 4 != 0) {
    throw std::logic_error("Cannot convert to utf8 string - wrong input vector length");
  }
  std::string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < bytes.size(); i += 4) AppendUtf8(out, ReadUnit32(p + i, bigEndian));
  return out;
}

std::string WideToUtf8(const wchar_t* units, size_t count) {
  if (count == 0) return {};
  const int length = narrow_cast<int>(count);
  const int size = WideCharToMultiByte(CP_UTF8, 0, units, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, units, length, out.data(), size, nullptr, nullptr);
  return out;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::wstring units(bytes.size() / 2, L'\0');  // an odd last byte is dropped
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  if (bigEndian) {
    for (wchar_t& unit : units) unit = static_cast<wchar_t>((unit << 8) | ((unit >> 8) & 0xFF));
  }
  return WideToUtf8(units.data(), units.size());
}

std::string AnsiToUtf8(std::string_view bytes) {
  const int length = narrow_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), size);
  return WideToUtf8(wide.data(), wide.size());
}

// The length of the valid sequence starting with `lead` at p (bytes left in
// `available`), or 0 when it is not one.
size_t ValidSequenceLength(const unsigned char* p, size_t available) {
  const unsigned char lead = p[0];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (available < length || p[1] < low || p[1] > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

std::wstring EncodingLabel(int32_t code) {
  static const wchar_t* const kLabels[] = {L"UTF-32LE, ", L"UTF-32BE, ", L"UTF-16LE, ", L"UTF-16BE, ",
                                           L"UTF-8, ",    L"ANSI, ",     L"?, "};
  return code >= 0 && code <= 6 ? kLabels[code] : L"";
}

bool IsValidUtf8(const char* bytes, size_t length) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char* const end = p + length;
  while (p < end) {
    // Source text is mostly ASCII: skip it eight bytes at a time.
    while (end - p >= 8) {
      uint64_t block;
      std::memcpy(&block, p, 8);
      if (block & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p >= end) break;
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const size_t sequence = ValidSequenceLength(p, static_cast<size_t>(end - p));
    if (sequence == 0) return false;
    p += sequence;
  }
  return true;
}

Encoding DetectEncoding(std::string_view bytes) {
  const size_t n = bytes.size();
  if (n >= 4 && n % 4 == 0) {
    if (StartsWith(bytes, std::string_view("\xFF\xFE\x00\x00", 4))) return Encoding::Utf32LE;
    if (StartsWith(bytes, std::string_view("\x00\x00\xFE\xFF", 4))) return Encoding::Utf32BE;
  }
  if (StartsWith(bytes, kUtf8Mark)) return Encoding::Utf8;
  if (n >= 2 && n % 2 == 0) {
    if (StartsWith(bytes, "\xFF\xFE")) return Encoding::Utf16LE;
    if (StartsWith(bytes, "\xFE\xFF")) return Encoding::Utf16BE;
  }
  const int length = narrow_cast<int>(n);
  if (IsTextUnicode(bytes.data(), length, nullptr)) return Encoding::Utf16LE;
  return IsValidUtf8(bytes.data(), n) ? Encoding::Utf8 : Encoding::Ansi;
}

size_t Utf8TextOffset(std::string_view bytes) { return StartsWith(bytes, kUtf8Mark) ? kUtf8Mark.size() : 0; }

std::string ConvertToUtf8(std::string_view bytes, Encoding encoding) {
  switch (encoding) {
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
      return Utf32ToUtf8(bytes, encoding == Encoding::Utf32BE);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
      return Utf16ToUtf8(bytes, encoding == Encoding::Utf16BE);
    case Encoding::Utf8:
      return std::string(bytes.substr(Utf8TextOffset(bytes)));
    case Encoding::Ansi:
      return AnsiToUtf8(bytes);
    default:
      throw std::runtime_error("Cannot detect correct encoding");
  }
}

}  // namespace lumen
