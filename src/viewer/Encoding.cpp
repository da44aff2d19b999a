#include "viewer/Encoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>
#include <windows.h>

#include "base/NarrowCast.h"

namespace lumen {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);

uint32_t ReadUnit32(const unsigned char* p, bool bigEndian) {
  const uint32_t c = bigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                               : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  // A surrogate is no character: like a lone one in UTF-16 it becomes U+FFFD,
  // never the invalid UTF-8 of its number.
  return c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c;
}

size_t Utf8Length(uint32_t c) {
  if (c > 0x10FFFF) throw std::range_error("wstring_convert::to_bytes");
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

void AppendUtf8(std::string& out, uint32_t c) {
  switch (Utf8Length(c)) {
    case 1:
      out += static_cast<char>(c);
      break;
    case 2:
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      break;
    case 3:
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
      break;
    default:
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
      break;
  }
}

// Sized exactly by a first pass, which also finds values that cannot be encoded.
std::string Utf32ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() < 4 || bytes.size() % 4 != 0) {
    throw std::logic_error("Cannot convert to utf8 string - wrong input vector length");
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) size += Utf8Length(ReadUnit32(p + i, bigEndian));
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < bytes.size(); i += 4) AppendUtf8(out, ReadUnit32(p + i, bigEndian));
  return out;
}

// UTF-16 and ANSI text goes to UTF-8 through a small UTF-16 buffer, piece by
// piece: the whole text never exists in UTF-16 beside the file's bytes and
// the result.
constexpr size_t kPieceLength = size_t{1} << 16;

// The UTF-8 of the UTF-16 pieces that `forEachPiece(sink)` hands to `sink`
// (consecutive, none splitting a character): sized by a first pass, written
// by a second. Empty when a piece cannot be had or converted.
template <typename Pieces>
std::string Utf8FromUtf16Pieces(const Pieces& forEachPiece) {
  size_t size = 0;
  const bool sized = forEachPiece([&](const wchar_t* units, int count) {
    const int piece = WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
    size += static_cast<size_t>(std::max(piece, 0));
    return piece > 0;
  });
  if (!sized || size == 0) return {};
  std::string out(size, '\0');
  size_t at = 0;
  const bool written = forEachPiece([&](const wchar_t* units, int count) {
    const int room = static_cast<int>(std::min<size_t>(size - at, INT_MAX));
    const int piece = WideCharToMultiByte(CP_UTF8, 0, units, count, out.data() + at, room, nullptr, nullptr);
    at += static_cast<size_t>(std::max(piece, 0));
    return piece > 0;
  });
  if (!written) return {};
  return out;  // moved, where a conditional expression would copy
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const size_t total = bytes.size() / 2;  // an odd last byte is dropped
  std::vector<wchar_t> units(std::min(total, kPieceLength));
  return Utf8FromUtf16Pieces([&](const auto& sink) {
    for (size_t start = 0; start < total;) {
      size_t count = std::min(total - start, units.size());
      std::memcpy(units.data(), bytes.data() + 2 * start, 2 * count);
      if (bigEndian) {
        for (size_t i = 0; i < count; ++i) units[i] = static_cast<wchar_t>((units[i] << 8) | ((units[i] >> 8) & 0xFF));
      }
      // A surrogate pair stays whole: its first half starts the next piece.
      if (count > 1 && start + count < total && IsHighSurrogate(units[count - 1])) --count;
      if (!sink(units.data(), static_cast<int>(count))) return false;
      start += count;
    }
    return true;
  });
}

// Where a piece of ANSI text that starts at `start` may end: after a byte
// below 0x40, which no code page uses inside a multi-byte character.
size_t AnsiPieceEnd(std::string_view bytes, size_t start) {
  const size_t limit = start + kPieceLength;
  if (limit >= bytes.size()) return bytes.size();
  const auto isBoundary = [&](size_t i) { return static_cast<unsigned char>(bytes[i]) < 0x40; };
  for (size_t end = limit; end > start; --end) {
    if (isBoundary(end - 1)) return end;
  }
  for (size_t end = limit; end < bytes.size(); ++end) {
    if (isBoundary(end)) return end + 1;
  }
  return bytes.size();
}

std::string AnsiToUtf8(std::string_view bytes) {
  std::vector<wchar_t> units;
  return Utf8FromUtf16Pieces([&](const auto& sink) {
    for (size_t start = 0; start < bytes.size();) {
      const size_t end = AnsiPieceEnd(bytes, start);
      const int length = narrow_cast<int>(end - start);
      if (units.size() < end - start) units.resize(end - start);  // a byte gives at most one UTF-16 unit
      const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data() + start, length, units.data(), length);
      if (count <= 0 || !sink(units.data(), count)) return false;
      start = end;
    }
    return true;
  });
}

// What a lead byte allows: the length of its sequence (0: it leads none) and
// the range of the byte after it, which keeps out overlong forms, encoded
// surrogates and values above U+10FFFF.
struct LeadByte {
  uint8_t length;
  uint8_t low;
  uint8_t high;
};

constexpr std::array<LeadByte, 256> kLeadBytes = [] {
  std::array<LeadByte, 256> table{};
  for (size_t b = 0xC2; b <= 0xDF; ++b) table[b] = {2, 0x80, 0xBF};
  for (size_t b = 0xE0; b <= 0xEF; ++b) table[b] = {3, 0x80, 0xBF};
  for (size_t b = 0xF0; b <= 0xF4; ++b) table[b] = {4, 0x80, 0xBF};
  table[0xE0].low = 0xA0;
  table[0xED].high = 0x9F;
  table[0xF0].low = 0x90;
  table[0xF4].high = 0x8F;
  return table;
}();

// The length of the valid sequence at p (bytes left in `available`), or 0.
size_t ValidSequenceLength(const unsigned char* p, size_t available) {
  const LeadByte lead = kLeadBytes[p[0]];
  if (lead.length == 0 || available < lead.length || p[1] < lead.low || p[1] > lead.high) return 0;
  for (size_t i = 2; i < lead.length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  return lead.length;
}

// The top bits of eight bytes: zero when all of them are ASCII.
uint64_t HighBits(const unsigned char* p) {
  uint64_t block;
  std::memcpy(&block, p, sizeof block);
  return block & 0x8080808080808080ull;
}

}  // namespace

std::wstring EncodingLabel(int32_t code) {
  static const wchar_t* const kLabels[] = {L"UTF-32LE, ", L"UTF-32BE, ", L"UTF-16LE, ", L"UTF-16BE, ",
                                           L"UTF-8, ",    L"ANSI, ",     L"?, "};
  return code >= 0 && code <= 6 ? kLabels[code] : L"";
}

bool IsValidUtf8(const char* bytes, size_t length) {
  static_assert(std::endian::native == std::endian::little, "the first byte of a block is its lowest");
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char* const end = p + length;
  while (p < end) {
    // Source text is mostly ASCII: pass over it 32 bytes at a time, and from
    // a block with a byte above 7F go straight to that byte.
    if (end - p >= 32 && (HighBits(p) | HighBits(p + 8) | HighBits(p + 16) | HighBits(p + 24)) == 0) {
      p += 32;
      continue;
    }
    if (end - p >= 8) {
      const uint64_t high = HighBits(p);
      if (high == 0) {
        p += 8;
        continue;
      }
      p += std::countr_zero(high) / 8;
    } else if (*p < 0x80) {
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
