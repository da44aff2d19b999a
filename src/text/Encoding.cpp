#include "text/Encoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <map>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>
#include <windows.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/Sync.h"
#include "base/NarrowCast.h"
#include "text/CharsetDetection.h"

namespace lumen {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
constexpr size_t kMostBytesTestedForUtf16 = size_t{1} << 20;

// The top bits of eight bytes: zero when all of them are ASCII.
uint64_t HighBits(const unsigned char* p) {
  uint64_t block;
  std::memcpy(&block, p, sizeof block);
  return block & 0x8080808080808080ull;
}

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

// Writes the UTF-8 of `c` at `out` and returns the end.
char* WriteUtf8(char* out, uint32_t c) {
  switch (Utf8Length(c)) {
    case 1:
      *out++ = static_cast<char>(c);
      break;
    case 2:
      *out++ = static_cast<char>(0xC0 | (c >> 6));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
      break;
    case 3:
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
      break;
    default:
      *out++ = static_cast<char>(0xF0 | (c >> 18));
      *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
      break;
  }
  return out;
}

// Sized exactly by a first pass, which also finds values that cannot be encoded.
std::string Utf32ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() < 4 || bytes.size() % 4 != 0) {
    throw std::logic_error("Cannot convert to utf8 string - wrong input vector length");
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) size += Utf8Length(ReadUnit32(p + i, bigEndian));
  std::string out(size, '\0');
  char* at = out.data();
  for (size_t i = 0; i < bytes.size(); i += 4) at = WriteUtf8(at, ReadUnit32(p + i, bigEndian));
  return out;
}

// UTF-16 goes to UTF-8 straight from the file's bytes, in two passes (the
// size, then the text) without any buffer between. A lone surrogate becomes
// U+FFFD, as WideCharToMultiByte(CP_UTF8) makes it.
template <bool BigEndian>
uint32_t UnitAt(const unsigned char* p) {
  return BigEndian ? (uint32_t{p[0]} << 8) | p[1] : (uint32_t{p[1]} << 8) | p[0];
}

// Whether the eight units at p are all below 0x80; if so, `ascii` holds
// them as eight bytes.
template <bool BigEndian>
bool EightAscii(const unsigned char* p, uint64_t& ascii) {
#if defined(__SSE2__)
  __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  if (BigEndian) units = _mm_or_si128(_mm_srli_epi16(units, 8), _mm_slli_epi16(units, 8));
  const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(high, _mm_setzero_si128())) != 0xFFFF) return false;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&ascii), _mm_packus_epi16(units, units));
  return true;
#else
  ascii = 0;
  for (int k = 0; k < 8; ++k) {
    const uint32_t unit = UnitAt<BigEndian>(p + 2 * k);
    if (unit >= 0x80) return false;
    ascii |= uint64_t{unit} << (8 * k);
  }
  return true;
#endif
}

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Walks `count` units at p: runs of eight ASCII units go to `ascii(bytes)`
// as eight bytes, every other character to `other(code point)`.
template <bool BigEndian, typename Ascii, typename Other>
void WalkUtf16(const unsigned char* p, size_t count, Ascii ascii, Other other) {
  const unsigned char* const end = p + 2 * count;
  while (p < end) {
    uint64_t eight;
    if (end - p >= 16 && EightAscii<BigEndian>(p, eight)) {
      ascii(eight);
      p += 16;
      continue;
    }
    const uint32_t unit = UnitAt<BigEndian>(p);
    if (unit < 0x80) {
      other(unit);
      p += 2;
    } else if (IsHighSurrogate(unit) && end - p >= 4 && IsLowSurrogate(UnitAt<BigEndian>(p + 2))) {
      other(0x10000 + ((unit - 0xD800) << 10) + (UnitAt<BigEndian>(p + 2) - 0xDC00));
      p += 4;
    } else {
      other(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? 0xFFFD : unit);
      p += 2;
    }
  }
}

template <bool BigEndian>
std::string Utf16ToUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t count = bytes.size() / 2;  // an odd last byte is dropped
  size_t size = 0;
  WalkUtf16<BigEndian>(p, count, [&](uint64_t) { size += 8; }, [&](uint32_t c) { size += Utf8Length(c); });
  std::string out(size, '\0');
  char* at = out.data();
  WalkUtf16<BigEndian>(
      p, count,
      [&](uint64_t eight) {
        std::memcpy(at, &eight, 8);
        at += 8;
      },
      [&](uint32_t c) { at = WriteUtf8(at, c); });
  return out;
}

// The upper halves (0xA0 to 0xFF) of the code pages lumen reads itself, as
// the standards' tables give them (Python's codecs made these); below 0xA0
// they are ASCII and the C1 controls.
constexpr std::array<uint16_t, 96> kIso8859_10Upper = {
    0x00A0, 0x0104, 0x0112, 0x0122, 0x012A, 0x0128, 0x0136, 0x00A7, 0x013B, 0x0110, 0x0160, 0x0166,
    0x017D, 0x00AD, 0x016A, 0x014A, 0x00B0, 0x0105, 0x0113, 0x0123, 0x012B, 0x0129, 0x0137, 0x00B7,
    0x013C, 0x0111, 0x0161, 0x0167, 0x017E, 0x2015, 0x016B, 0x014B, 0x0100, 0x00C1, 0x00C2, 0x00C3,
    0x00C4, 0x00C5, 0x00C6, 0x012E, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x0116, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x0145, 0x014C, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x0168, 0x00D8, 0x0172, 0x00DA, 0x00DB,
    0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x0101, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x012F,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x0117, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x0146, 0x014D, 0x00F3,
    0x00F4, 0x00F5, 0x00F6, 0x0169, 0x00F8, 0x0173, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x0138,
};
constexpr std::array<uint16_t, 96> kIso8859_16Upper = {
    0x00A0, 0x0104, 0x0105, 0x0141, 0x20AC, 0x201E, 0x0160, 0x00A7, 0x0161, 0x00A9, 0x0218, 0x00AB,
    0x0179, 0x00AD, 0x017A, 0x017B, 0x00B0, 0x00B1, 0x010C, 0x0142, 0x017D, 0x201D, 0x00B6, 0x00B7,
    0x017E, 0x010D, 0x0219, 0x00BB, 0x0152, 0x0153, 0x0178, 0x017C, 0x00C0, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0106, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x0143, 0x00D2, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x015A, 0x0170, 0x00D9, 0x00DA, 0x00DB,
    0x00DC, 0x0118, 0x021A, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x0107, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x0111, 0x0144, 0x00F2, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x015B, 0x0171, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0119, 0x021B, 0x00FF,
};

const std::array<uint16_t, 96>* OwnUpperHalf(uint32_t codePage) {
  if (codePage == kIso8859_10) return &kIso8859_10Upper;
  if (codePage == kIso8859_16) return &kIso8859_16Upper;
  return nullptr;
}

wchar_t OwnCharacter(const std::array<uint16_t, 96>& upper, unsigned char byte) {
  return byte < 0xA0 ? static_cast<wchar_t>(byte) : static_cast<wchar_t>(upper[byte - 0xA0]);
}

// In a code page of one byte per character, every byte stands for itself:
// a table of each byte's UTF-8, made once, converts the text in two passes.
struct ByteTable {
  std::array<std::array<char, 3>, 256> utf8{};
  std::array<uint8_t, 256> length{};
};

std::optional<ByteTable> MakeByteTable(UINT codePage) {
  const std::array<uint16_t, 96>* own = OwnUpperHalf(codePage);
  CPINFO info = {};
  if (!own && (!GetCPInfo(codePage, &info) || info.MaxCharSize != 1)) return std::nullopt;
  ByteTable made;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t unit = 0;
    if (own) {
      unit = OwnCharacter(*own, static_cast<unsigned char>(b));
    } else if (MultiByteToWideChar(codePage, 0, &byte, 1, &unit, 1) != 1) {
      return std::nullopt;
    }
    const int written = WideCharToMultiByte(CP_UTF8, 0, &unit, 1, made.utf8[b].data(), 3, nullptr, nullptr);
    if (written < 1) return std::nullopt;
    made.length[b] = static_cast<uint8_t>(written);
    // Runs of ASCII are copied as they are.
    if (b < 0x80 && (written != 1 || made.utf8[b][0] != byte)) return std::nullopt;
  }
  return made;
}

// The table of a code page (0: the system's), or null for one whose
// characters may take two bytes (those go through the platform piece by
// piece). Made once per code page; the loader's thread reads them too.
const ByteTable* SingleByteTable(uint32_t codePage) {
  static Lock lock;
  static std::map<uint32_t, std::optional<ByteTable>> tables;
  const uint32_t key = codePage == 0 ? CP_ACP : codePage;
  const Lock::Held held(lock);
  auto found = tables.find(key);
  if (found == tables.end()) found = tables.emplace(key, MakeByteTable(key)).first;
  return found->second ? &*found->second : nullptr;
}

// Every code page of one byte per character keeps ASCII as it is: runs of
// eight ASCII bytes are copied whole.
std::string SingleByteToUtf8(std::string_view bytes, const ByteTable& table) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t size = 0;
  for (size_t i = 0; i < n;) {
    if (n - i >= 8 && HighBits(p + i) == 0) {
      size += 8;
      i += 8;
    } else {
      size += table.length[p[i++]];
    }
  }
  std::string out(size, '\0');
  char* at = out.data();
  for (size_t i = 0; i < n;) {
    if (n - i >= 8 && HighBits(p + i) == 0) {
      std::memcpy(at, p + i, 8);
      at += 8;
      i += 8;
      continue;
    }
    const uint8_t length = table.length[p[i]];
    std::memcpy(at, table.utf8[p[i]].data(), length);
    at += length;
    ++i;
  }
  return out;
}

// A multi-byte code page goes to UTF-8 through a small UTF-16 buffer, piece
// by piece: the whole text never exists in UTF-16 beside the file's bytes
// and the result.
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

}  // namespace

bool IsReadableCodePage(uint32_t codePage) { return OwnUpperHalf(codePage) || IsValidCodePage(codePage); }

bool IsSingleByteCodePage(uint32_t codePage) {
  CPINFO info = {};
  return OwnUpperHalf(codePage) || (GetCPInfo(codePage == 0 ? CP_ACP : codePage, &info) && info.MaxCharSize == 1);
}

std::wstring CodePageToWide(std::string_view bytes, uint32_t codePage, bool whole) {
  if (const std::array<uint16_t, 96>* own = OwnUpperHalf(codePage)) {
    std::wstring text(bytes.size(), L'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [&](char c) { return OwnCharacter(*own, static_cast<unsigned char>(c)); });
    return text;
  }
  const int length = narrow_cast<int>(bytes.size());
  const DWORD flags = whole ? MB_ERR_INVALID_CHARS : 0;
  const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), length, text.data(), size);
  return text;
}

namespace {

std::string AnsiToUtf8(std::string_view bytes, uint32_t codePage) {
  if (const ByteTable* table = SingleByteTable(codePage)) return SingleByteToUtf8(bytes, *table);
  std::vector<wchar_t> units;
  return Utf8FromUtf16Pieces([&](const auto& sink) {
    for (size_t start = 0; start < bytes.size();) {
      const size_t end = AnsiPieceEnd(bytes, start);
      const int length = narrow_cast<int>(end - start);
      if (units.size() < end - start) units.resize(end - start);  // a byte gives at most one UTF-16 unit
      const int count = MultiByteToWideChar(codePage == 0 ? CP_ACP : codePage, 0, bytes.data() + start, length,
                                            units.data(), length);
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

std::optional<Encoding> MarkedOrWideEncoding(std::string_view head, uint64_t totalSize) {
  const uint64_t n = totalSize;
  if (n >= 4 && n % 4 == 0) {
    if (StartsWith(head, std::string_view("\xFF\xFE\x00\x00", 4))) return Encoding::Utf32LE;
    if (StartsWith(head, std::string_view("\x00\x00\xFE\xFF", 4))) return Encoding::Utf32BE;
  }
  if (StartsWith(head, kUtf8Mark)) return Encoding::Utf8;
  if (n >= 2 && n % 2 == 0) {
    if (StartsWith(head, "\xFF\xFE")) return Encoding::Utf16LE;
    if (StartsWith(head, "\xFE\xFF")) return Encoding::Utf16BE;
  }
  // A whole file is tested as it is; of a head, the whole units only.
  const std::string_view tested = head.size() >= n ? head : head.substr(0, head.size() & ~size_t{1});
  if (IsTextUnicode(tested.data(), narrow_cast<int>(tested.size()), nullptr)) return Encoding::Utf16LE;
  return std::nullopt;
}

Encoding DetectEncoding(std::string_view bytes) {
  if (const std::optional<Encoding> decided = MarkedOrWideEncoding(bytes, bytes.size())) return *decided;
  return IsValidUtf8(bytes.data(), bytes.size()) ? Encoding::Utf8 : Encoding::Ansi;
}

bool HoldsBackUnfinishedEnd(Encoding encoding, const DecodingRule& rule) {
  return encoding != Encoding::Ansi && (encoding != Encoding::Utf8 || rule.detect);
}

size_t Utf8TextOffset(std::string_view bytes) { return StartsWith(bytes, kUtf8Mark) ? kUtf8Mark.size() : 0; }

std::optional<Encoding> UnmarkedUtf16(std::string_view head, uint64_t totalSize) {
  if (totalSize % 2 != 0 || head.size() < 2) return std::nullopt;
  const std::string_view tested = head.substr(0, std::min<size_t>(head.size(), kMostBytesTestedForUtf16) & ~size_t{1});
  size_t zerosAtEven = 0, zerosAtOdd = 0;
  for (size_t i = 0; i < tested.size(); i += 2) {
    zerosAtEven += tested[i] == 0;
    zerosAtOdd += tested[i + 1] == 0;
  }
  const size_t units = tested.size() / 2;
  // The zeros of ASCII halves on one side; a few on the other may be
  // characters such as U+4E00, but never a unit of two zeros in most.
  const auto oneSided = [units](size_t zeros, size_t otherZeros) {
    return zeros > 0 && zeros * 8 >= units && otherZeros * 8 <= zeros;
  };
  const bool littleEndian = oneSided(zerosAtOdd, zerosAtEven), bigEndian = oneSided(zerosAtEven, zerosAtOdd);
  if (littleEndian == bigEndian) return std::nullopt;
  // Text, not binary data: no unit of two zero bytes beyond a final one.
  for (size_t i = 0; i + 2 < tested.size(); i += 2) {
    if (tested[i] == 0 && tested[i + 1] == 0) return std::nullopt;
  }
  return littleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
}

uint32_t LegacyCodePage(std::string_view bytes, const DecodingRule& rule) {
  const uint32_t fallback = rule.fallbackCodePage != 0 ? rule.fallbackCodePage : GetACP();
  if (!rule.detect) return rule.fallbackCodePage;
  uint32_t chosen = ChooseCodePage(bytes, fallback);
  if (rule.consoleText && GetOEMCP() != chosen && ReadsBetterIn(bytes, GetOEMCP(), chosen)) chosen = GetOEMCP();
  // The system's own is read as it always was.
  return chosen == GetACP() && rule.fallbackCodePage == 0 ? 0 : chosen;
}

FirstPart DecodeFirstPart(std::string_view head, uint64_t totalSize, const DecodingRule& rule) {
  const bool whole = head.size() >= totalSize;
  if (rule.chosen) {
    FirstPart part{{}, SliceConverter(rule.chosen->form, rule.chosen->codePage)};
    // A choice of UTF-8 shows bytes that are not UTF-8 as they are.
    part.rest.PassInvalidUtf8();
    part.rest.Convert(head, whole, part.text);
    return part;
  }
  std::optional<Encoding> form = MarkedOrWideEncoding(head, totalSize);
  if (!form && rule.detect) form = UnmarkedUtf16(head, totalSize);
  FirstPart part{{}, SliceConverter(form.value_or(Encoding::Utf8))};
  // UTF-8 is told by converting: its check is the conversion's own. A whole
  // file's unfinished last character (caught while a program writes it) is
  // held back, unless nothing else is there.
  const bool last = whole && !HoldsBackUnfinishedEnd(part.rest.encoding(), rule);
  if (part.rest.Convert(head, last, part.text) && !(part.text.empty() && part.rest.held() > 0)) {
    if (whole) part.heldBack = part.rest.held();
    return part;
  }
  part = {{}, SliceConverter(Encoding::Ansi, LegacyCodePage(head, rule))};
  part.rest.Convert(head, whole, part.text);
  return part;
}

size_t SliceConverter::CompleteLength(std::string_view bytes, bool last) const {
  if (last) return bytes.size();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  switch (encoding_) {
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
      return n - n % 4;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      const size_t even = n - n % 2;
      const uint32_t lastUnit = even < 2                            ? 0
                                : encoding_ == Encoding::Utf16BE ? UnitAt<true>(p + even - 2)
                                                                 : UnitAt<false>(p + even - 2);
      return IsHighSurrogate(lastUnit) ? even - 2 : even;
    }
    case Encoding::Utf8:
      if (first_ && n < kUtf8Mark.size() && kUtf8Mark.starts_with(bytes)) return 0;
      // Back to the last character's first byte: its sequence may go on.
      for (size_t back = 1; back <= std::min<size_t>(n, 4); ++back) {
        const unsigned char byte = p[n - back];
        if ((byte & 0xC0) == 0x80) continue;
        return kLeadBytes[byte].length > back ? n - back : n;
      }
      return n;
    case Encoding::Ansi:
      if (SingleByteTable(codePage_)) return n;
      // After a byte below 0x40, which no code page uses inside a character.
      for (size_t end = n; end > 0; --end) {
        if (p[end - 1] < 0x40) return end;
      }
      return 0;
    default:
      return n;
  }
}

bool SliceConverter::Convert(std::string_view slice, bool last, std::string& out) {
  const SliceConverter before = *this;
  if (!ConvertWithHeld(slice, last, out)) {
    *this = before;
    return false;
  }
  return true;
}

bool SliceConverter::ConvertWithHeld(std::string_view slice, bool last, std::string& out) {
  if (!held_.empty()) {
    // The held bytes join only the start of the slice, enough to end their
    // character: copying the whole slice would cost about as much as
    // converting it.
    constexpr size_t kJoinedBytes = 4096;
    std::string joined = std::exchange(held_, {});
    const size_t heldLength = joined.size();
    joined.append(slice.substr(0, kJoinedBytes));
    if (joined.size() - heldLength < slice.size() && CompleteLength(joined, false) <= heldLength) {
      joined.append(slice.substr(joined.size() - heldLength));  // no character ends that soon
    }
    if (joined.size() - heldLength == slice.size()) return ConvertComplete(joined, last, out);
    const size_t complete = CompleteLength(joined, false);
    if (!ConvertText(std::string_view(joined).substr(0, complete), out)) return false;
    slice.remove_prefix(complete - heldLength);
  }
  return ConvertComplete(slice, last, out);
}

bool SliceConverter::ConvertComplete(std::string_view bytes, bool last, std::string& out) {
  const size_t complete = CompleteLength(bytes, last);
  const std::string_view text = bytes.substr(0, complete);
  held_.assign(bytes.substr(complete));
  return ConvertText(text, out);
}

bool SliceConverter::ConvertText(std::string_view text, std::string& out) {
  if (text.empty()) return true;
  if (encoding_ == Encoding::Utf8) {
    if (first_ && Utf8TextOffset(text) > 0) {
      text.remove_prefix(Utf8TextOffset(text));
      checked_ = false;
    }
    first_ = false;
    if (checked_ && !IsValidUtf8(text.data(), text.size())) return false;
    out.append(text);
    return true;
  }
  first_ = false;
  out.append(ConvertToUtf8(text, encoding_, codePage_));
  return true;
}

std::string ConvertToUtf8(std::string_view bytes, Encoding encoding, uint32_t codePage) {
  switch (encoding) {
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
      return Utf32ToUtf8(bytes, encoding == Encoding::Utf32BE);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
      return encoding == Encoding::Utf16BE ? Utf16ToUtf8<true>(bytes) : Utf16ToUtf8<false>(bytes);
    case Encoding::Utf8:
      return std::string(bytes.substr(Utf8TextOffset(bytes)));
    case Encoding::Ansi:
      return AnsiToUtf8(bytes, codePage);
    default:
      throw std::runtime_error("Cannot detect correct encoding");
  }
}

}  // namespace lumen
