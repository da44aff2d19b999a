// Encoding detection, conversion to UTF-8, and the UTF-8 validity test, which
// must agree exactly with the platform's strict UTF-8 decoder it replaces.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

#include "text/Encoding.h"

namespace lumen {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char byte : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

// UTF-16 or UTF-32 code units as bytes in the given order.
std::string Units(std::initializer_list<uint32_t> units, int width, bool bigEndian) {
  std::string bytes;
  for (uint32_t unit : units) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (bigEndian ? width - 1 - i : i);
      bytes += static_cast<char>((unit >> shift) & 0xFF);
    }
  }
  return bytes;
}

constexpr char kMarkUtf8[] = "\xEF\xBB\xBF";

TEST(EncodingDetection, MarksCountOnlyWhereTheLengthFitsTheirWidth) {
  struct Case {
    std::string bytes;
    Encoding expected;
  };
  const Case cases[] = {
      {Bytes({0xFF, 0xFE}), Encoding::Utf16LE},  // the mark alone
      {Bytes({0xFF, 0xFE, 0x00, 0x00}), Encoding::Utf32LE},
      {Bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00}), Encoding::Utf16LE},  // six bytes hold no UTF-32
      {Bytes({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x41}), Encoding::Utf32BE},
      {Bytes({0xFE, 0xFF, 0x00, 0x41}), Encoding::Utf16BE},
      {Bytes({0xEF, 0xBB, 0xBF, 0x41}), Encoding::Utf8},
      {Bytes({0xEF, 0xBB, 0xBF}), Encoding::Utf8},
      {Bytes({0xEF, 0xBB, 0xBF, 0xFF}), Encoding::Utf8},  // the mark wins over invalid bytes after it
      {Bytes({0xFF, 0xFE, 0x41}), Encoding::Ansi},        // odd length: no UTF-16 mark
      {"A", Encoding::Utf8},
      {"int main() { return 0; }\r\n", Encoding::Utf8},
      {"caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC \xF0\x9F\x98\x80\n", Encoding::Utf8},
      {"caf\xE9 cr\xE8me\n", Encoding::Ansi},  // Latin-1
      {"trailing lead \xC3", Encoding::Ansi},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectEncoding(c.bytes), c.expected) << Hex(c.bytes);
  }
}

TEST(EncodingDetection, TakesMarklessUtf16TextThroughThePlatformsTextTest) {
  const std::wstring text = L"The quick brown fox jumps over the lazy dog.\r\nSecond line of text here.\r\n";
  const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  ASSERT_TRUE(IsTextUnicode(bytes.data(), static_cast<int>(bytes.size()), nullptr));
  EXPECT_EQ(DetectEncoding(bytes), Encoding::Utf16LE);
}

TEST(EncodingDetection, RefusesTwoGigabytesUnlessAMarkDecidesFirst) {
  // Only the first bytes are probed before the size is refused.
  const std::string probe = Bytes({0x41, 0x42, 0x43, 0x44});
  const size_t tooLarge = size_t{1} << 31;
  try {
    DetectEncoding(std::string_view(probe.data(), tooLarge));
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "narrow_cast<>() failed");
  }
  const std::string marked = Bytes({0xFF, 0xFE, 0x41, 0x00});
  EXPECT_EQ(DetectEncoding(std::string_view(marked.data(), tooLarge)), Encoding::Utf16LE);
}

TEST(EncodingConversion, KeepsTheMarksOfUtf16AndUtf32AsTheCharacterFeff) {
  const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    const Encoding utf32 = bigEndian ? Encoding::Utf32BE : Encoding::Utf32LE;
    const Encoding utf16 = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
    EXPECT_EQ(ConvertToUtf8(Units({0xFEFF, 0x41, 0xE9, 0x20AC, 0x1F600}, 4, bigEndian), utf32),
              kMarkUtf8 + std::string("A\xC3\xA9\xE2\x82\xAC") + grin);
    EXPECT_EQ(ConvertToUtf8(Units({0xFEFF, 0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00}, 2, bigEndian), utf16),
              kMarkUtf8 + std::string("A\xC3\xA9\xE2\x82\xAC") + grin);
    EXPECT_EQ(ConvertToUtf8(Units({0xFEFF}, 2, bigEndian), utf16), kMarkUtf8);
    EXPECT_EQ(ConvertToUtf8(Units({0xFEFF, 0x41}, 2, bigEndian) + "\x42", utf16), kMarkUtf8 + std::string("A"))
        << "an odd last byte is dropped";
    EXPECT_EQ(ConvertToUtf8(Units({0x41, 0x10FFFF}, 4, bigEndian), utf32), "A\xF4\x8F\xBF\xBF");
    // A surrogate is no character in UTF-32 either: U+FFFD, as in UTF-16.
    EXPECT_EQ(ConvertToUtf8(Units({0xFEFF, 0xD800, 0x41, 0xDFFF}, 4, bigEndian), utf32),
              kMarkUtf8 + std::string("\xEF\xBF\xBD" "A" "\xEF\xBF\xBD"));
  }
  EXPECT_EQ(ConvertToUtf8(Bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00}), Encoding::Utf16LE),
            kMarkUtf8 + std::string("\0A", 2));
}

TEST(EncodingConversion, DropsOnlyTheUtf8MarkAndLeavesUtf8BytesAsTheyAre) {
  EXPECT_EQ(ConvertToUtf8(Bytes({0xEF, 0xBB, 0xBF, 0x41}), Encoding::Utf8), "A");
  EXPECT_EQ(ConvertToUtf8(kMarkUtf8, Encoding::Utf8), "");
  EXPECT_EQ(ConvertToUtf8("A\xFF\xC3", Encoding::Utf8), "A\xFF\xC3");
  EXPECT_EQ(ConvertToUtf8("\xEF\xBB", Encoding::Utf8), "\xEF\xBB");
  EXPECT_EQ(Utf8TextOffset(Bytes({0xEF, 0xBB, 0xBF, 0x41})), 3u);
  EXPECT_EQ(Utf8TextOffset("\xEF\xBB"), 0u);
  EXPECT_EQ(Utf8TextOffset(""), 0u);
}

TEST(EncodingConversion, TakesAnsiThroughTheSystemCodePage) {
  switch (GetACP()) {
    case 1252:
      EXPECT_EQ(ConvertToUtf8("caf\xE9 \x80 \xFF", Encoding::Ansi), "caf\xC3\xA9 \xE2\x82\xAC \xC3\xBF");
      break;
    case 932:  // two bytes for one character
      EXPECT_EQ(ConvertToUtf8("\x82\xA0 \x93\xFA\x96\x7B", Encoding::Ansi), "\xE3\x81\x82 \xE6\x97\xA5\xE6\x9C\xAC");
      break;
    default:
      GTEST_SKIP() << "expectations are written for code pages 1252 and 932; this system has " << GetACP();
  }
}

TEST(EncodingConversion, ThrowsForWhatCannotBeText) {
  EXPECT_THROW(ConvertToUtf8(Units({0xFEFF, 0x110000}, 4, false), Encoding::Utf32LE), std::range_error);
  EXPECT_THROW(ConvertToUtf8(Units({0xFEFF, 0xFFFFFFFF}, 4, true), Encoding::Utf32BE), std::range_error);
  EXPECT_THROW(ConvertToUtf8(Bytes({0xFF, 0xFE, 0x00, 0x00, 0x41}), Encoding::Utf32LE), std::logic_error);
  EXPECT_THROW(ConvertToUtf8(Bytes({0xFF, 0xFE}), Encoding::Utf32LE), std::logic_error);
  EXPECT_THROW(ConvertToUtf8("A", Encoding::Unknown), std::runtime_error);
  EXPECT_THROW(ConvertToUtf8("A", static_cast<Encoding>(9)), std::runtime_error);
}

// What one platform call over the whole text gives; long texts are converted in pieces.
std::string WholeUtf16AsUtf8(const std::wstring& units) {
  if (units.empty()) return {};
  const int length = static_cast<int>(units.size());
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, units.data(), length, nullptr, 0, nullptr,
                                                           nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, units.data(), length, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

std::string WholeAnsiAsUtf8(const std::string& bytes) {
  const int length = static_cast<int>(bytes.size());
  std::wstring units(bytes.size(), L'\0');
  units.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, units.data(), length)));
  return WholeUtf16AsUtf8(units);
}

TEST(EncodingConversion, ConvertsLongTextExactlyAsOnePlatformCallOverAllOfItWould) {
  std::mt19937 generator(7);
  const size_t length = 4 * 65536 + 17;  // several pieces
  // UTF-16 with surrogates, paired and lone, also where pieces meet.
  std::wstring units(length, L'\0');
  for (wchar_t& unit : units) {
    const unsigned kind = generator() % 8;
    unit = static_cast<wchar_t>(kind == 0 ? 0xD800 + generator() % 0x400
                                : kind == 1 ? 0xDC00 + generator() % 0x400
                                : kind == 2 ? 0x80 + generator() % 0xD780
                                            : 0x20 + generator() % 0x60);
  }
  for (size_t seam : {size_t{65535}, size_t{131071}, size_t{196607}}) {
    units[seam] = 0xD83D;
    units[seam + 1] = 0xDE00;
  }
  // A stretch of ASCII with a character above it at every position of a block of eight.
  for (size_t i = 200000; i < 200400; ++i) units[i] = static_cast<wchar_t>(i % 9 == 0 ? 0xE9 : 0x41 + i % 26);
  units[length - 1] = 0xD800;  // lone at the very end
  for (bool bigEndian : {false, true}) {
    std::string bytes;
    for (wchar_t unit : units) {
      const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
      bytes += bigEndian ? high : low;
      bytes += bigEndian ? low : high;
    }
    // Compared as a whole: a failure must not print megabytes.
    EXPECT_TRUE(ConvertToUtf8(bytes, bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE) == WholeUtf16AsUtf8(units))
        << (bigEndian ? "big-endian" : "little-endian");
  }
  // ANSI bytes: a multi-byte code page must not be cut inside a character,
  // also where long stretches hold no byte below 0x40.
  std::string ansi(length, '\0');
  for (char& byte : ansi) byte = static_cast<char>(generator() % 3 == 0 ? 0x20 + generator() % 0xE0 : 0x80 + generator() % 0x80);
  // Lead and trail bytes of code page 932 across the second seam of pieces, cut in the middle of a character.
  ansi[100000] = ' ';
  std::fill(ansi.begin() + 100001, ansi.begin() + 131080, '\x82');
  std::fill(ansi.end() - 70000, ansi.end(), 'a');  // longer than a piece
  for (int b = 0; b < 256; ++b) ansi[2 * b] = static_cast<char>(b), ansi[2 * b + 1] = ' ';  // every byte, also controls
  EXPECT_TRUE(ConvertToUtf8(ansi, Encoding::Ansi) == WholeAnsiAsUtf8(ansi)) << "code page " << GetACP();
}

bool IsUtf32(Encoding encoding) { return encoding == Encoding::Utf32LE || encoding == Encoding::Utf32BE; }

// The text converted in slices cut at `cuts`; nullopt when it is refused as UTF-8.
std::optional<std::string> Sliced(std::string_view bytes, Encoding encoding, const std::vector<size_t>& cuts) {
  SliceConverter converter(encoding);
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= cuts.size(); ++i) {
    const size_t end = i < cuts.size() ? cuts[i] : bytes.size();
    if (!converter.Convert(bytes.substr(start, end - start), i == cuts.size(), out)) return std::nullopt;
    start = end;
  }
  return out;
}

TEST(SliceConversion, GivesTheWholeTextsUtf8WhereverTheSlicesAreCut) {
  const std::string utf8 = std::string(kMarkUtf8) + "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z\r\n\xE4\xB8\xAD";
  const std::initializer_list<uint32_t> utf16 = {0xFEFF, 'a', 0xE9, 0xD83D, 0xDE00, 0x20AC, 0xDC00, 'b', 0xD800};
  const std::initializer_list<uint32_t> utf32 = {0xFEFF, 'a', 0xE9, 0x1F600, 0x20AC, 'b'};
  const struct {
    const char* name;
    std::string bytes;
    Encoding encoding;
  } cases[] = {
      {"UTF-8", utf8, Encoding::Utf8},
      {"UTF-16LE", Units(utf16, 2, false), Encoding::Utf16LE},
      {"UTF-16BE", Units(utf16, 2, true), Encoding::Utf16BE},
      {"UTF-16LE, odd end", Units(utf16, 2, false) + "x", Encoding::Utf16LE},
      {"UTF-32LE", Units(utf32, 4, false), Encoding::Utf32LE},
      {"UTF-32BE", Units(utf32, 4, true), Encoding::Utf32BE},
      // Lead and trail bytes of code page 932 side by side, and bytes of every kind.
      {"ANSI", "a\x82\xA0\x82\xA2 \x93\xFA\x96\x7B\xE9\xFF\x81\x40.\x88\x9F", Encoding::Ansi},
  };
  for (const auto& c : cases) {
    const std::string whole = ConvertToUtf8(c.bytes, c.encoding);
    const size_t n = c.bytes.size();
    // Every pair of cuts, so each character is split at each of its bytes,
    // also with a slice holding only a mark or nothing at all.
    for (size_t first = 0; first <= n; ++first) {
      for (size_t second = first; second <= n; ++second) {
        EXPECT_EQ(Sliced(c.bytes, c.encoding, {first, second}), whole) << c.name << " cut at " << first << ", " << second;
      }
    }
    std::vector<size_t> everyByte(n);
    for (size_t i = 0; i < n; ++i) everyByte[i] = i + 1;
    EXPECT_EQ(Sliced(c.bytes, c.encoding, everyByte), whole) << c.name << " byte by byte";
    // Slices longer than the few bytes that join a split character.
    const size_t mark = c.encoding == Encoding::Utf8 ? 3 : c.encoding == Encoding::Ansi ? 0 : IsUtf32(c.encoding) ? 4 : 2;
    std::string repeated = c.bytes;
    while (repeated.size() < 20000) repeated += c.bytes.substr(mark);
    const std::string repeatedWhole = ConvertToUtf8(repeated, c.encoding);
    for (size_t cut = 6000; cut < 6000 + n; ++cut) {
      EXPECT_TRUE(Sliced(repeated, c.encoding, {cut, cut + 1, 16000}) == repeatedWhole) << c.name << " long, cut at " << cut;
    }
  }
}

TEST(SliceConversion, RefusesTextTakenForUtf8WhereALaterSliceProvesItIsNot) {
  EXPECT_EQ(Sliced("ab\xC3", Encoding::Utf8, {2}), std::nullopt);          // cut short at the end
  EXPECT_EQ(Sliced("ab\xC3\xA9" "c\xFF", Encoding::Utf8, {3}), std::nullopt);  // a byte no UTF-8 holds
  EXPECT_EQ(Sliced("ab\xC3\x28", Encoding::Utf8, {3}), std::nullopt);      // a sequence broken across the cut
  // A text that names its encoding with the mark keeps it: its stray bytes pass as they are.
  EXPECT_EQ(Sliced(std::string(kMarkUtf8) + "ab\xC3" "c\xFF", Encoding::Utf8, {4, 6}), "ab\xC3" "c\xFF");
  // A refusal leaves the converter as it was: told to let invalid bytes
  // pass, it converts the same slice again, with the bytes it held back.
  SliceConverter converter(Encoding::Utf8);
  std::string out;
  ASSERT_TRUE(converter.Convert("ab\xC3", false, out));
  std::string again = out;
  EXPECT_FALSE(converter.Convert("\xA9" "c\xFF", true, out));
  converter.PassInvalidUtf8();
  EXPECT_TRUE(converter.Convert("\xA9" "c\xFF", true, again));
  EXPECT_EQ(again, "ab\xC3\xA9" "c\xFF");
  // A UTF-32 text whose end breaks a unit fails as a whole one does.
  EXPECT_THROW(Sliced(Units({'a', 'b'}, 4, false) + "x", Encoding::Utf32LE, {4}), std::logic_error);
}

TEST(SliceConversion, FirstPartsAreDetectedAsTheWholeFileWouldBeUpToItsUnseenBytes) {
  const std::string ascii(64, 'a');
  const struct {
    std::string head;
    uint64_t totalSize;
    Encoding expected;
  } cases[] = {
      {Units({0xFEFF, 'a', 'b'}, 4, false), 1u << 24, Encoding::Utf32LE},
      {Units({0xFEFF, 'a', 'b'}, 4, false), (1u << 24) + 2, Encoding::Utf16LE},  // the whole length decides
      {"\xFE\xFF" + ascii, 1u << 24, Encoding::Utf16BE},
      {kMarkUtf8 + ascii, 1u << 24, Encoding::Utf8},
      {ascii + "\xE2\x82", 1u << 24, Encoding::Utf8},  // the rest of the character is beyond the head
      {ascii + "\xE2\x28", 1u << 24, Encoding::Ansi},
      {Units({'l', 'o', 'g', ' ', 'l', 'i', 'n', 'e', '\r', '\n'}, 2, false) + std::string("l\0i\0n\0e\0", 8), 1u << 24,
       Encoding::Utf16LE},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeFirstPart(c.head, c.totalSize).rest.encoding(), c.expected) << Hex(c.head);
  // A first part that is the whole file is told and converted as the whole file always was.
  for (const std::string& whole : {std::string(kMarkUtf8) + "ab\xFF", std::string("caf\xE9"), std::string("caf\xC3\xA9"),
                                   std::string("\xFF\xFE" "a", 3), Units({'h', 'i'}, 2, false), std::string("x")}) {
    const FirstPart part = DecodeFirstPart(whole, whole.size());
    EXPECT_EQ(part.rest.encoding(), DetectEncoding(whole)) << Hex(whole);
    EXPECT_EQ(part.text, ConvertToUtf8(whole, DetectEncoding(whole))) << Hex(whole);
  }
}

// A batch file's echo lines are written for the console: not UTF-8, it is
// read in the OEM code page where that reads better, and in the ANSI one
// where that does (the system's own text reads as it always did).
TEST(EncodingDetection, ReadsABatchFileInTheConsolesCodePageWhereItReadsBetter) {
  if (GetOEMCP() == GetACP()) GTEST_SKIP() << "the console's code page is the system's";
  const auto bytesIn = [](uint32_t codePage, const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                         bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
  };
  const auto utf8 = [](const std::wstring& text) { return ConvertToUtf8(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2), Encoding::Utf16LE); };
  DecodingRule batch;
  batch.detect = batch.consoleText = true;
  const std::wstring console = L"@echo off\r\necho Pr\u00FCfung l\u00E4uft, bitte warten\r\necho Gr\u00F6\u00DFe: 5 K\u00E4sten\r\n";
  const std::string oemBytes = bytesIn(GetOEMCP(), console);
  EXPECT_EQ(DecodeFirstPart(oemBytes, oemBytes.size(), batch).text, utf8(console));
  const std::wstring ansi = L"rem caf\u00E9 cr\u00E8me, na\u00EFve r\u00E9sum\u00E9\r\necho done\r\n";
  const std::string ansiBytes = bytesIn(GetACP(), ansi);
  EXPECT_EQ(DecodeFirstPart(ansiBytes, ansiBytes.size(), batch).text, utf8(ansi));
}

TEST(EncodingLabels, NameTheSixEncodingsAndTheUnknownOne) {
  const wchar_t* const expected[] = {L"UTF-32LE, ", L"UTF-32BE, ", L"UTF-16LE, ", L"UTF-16BE, ",
                                     L"UTF-8, ",    L"ANSI, ",     L"?, "};
  for (int32_t code = 0; code <= 6; ++code) EXPECT_EQ(EncodingLabel(code), expected[code]);
  EXPECT_EQ(EncodingLabel(-1), L"");
  EXPECT_EQ(EncodingLabel(7), L"");
}

// --- The UTF-8 validity test against the platform's decoder ---

bool PlatformAccepts(const std::string& bytes) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                             0) != 0;
}

// Collects disagreements and reports the first few, so that one fault does
// not bury the output.
class Differential {
 public:
  void Check(const std::string& bytes) {
    if (bytes.empty()) return;  // the platform call refuses empty input; nothing empty is ever tested for text
    ++checked_;
    const bool platform = PlatformAccepts(bytes);
    // Continuation bytes just past the end: a look beyond the length would complete a truncated sequence.
    const std::string padded = bytes + "\x80\x80\x80\x80";
    if (IsValidUtf8(padded.data(), bytes.size()) == platform) return;
    if (++disagreements_ <= 10) {
      ADD_FAILURE() << "platform " << (platform ? "accepts" : "rejects") << ", IsValidUtf8 does not: " << Hex(bytes);
    }
  }
  ~Differential() {
    EXPECT_EQ(disagreements_, 0u) << "of " << checked_ << " sequences";
    EXPECT_GT(checked_, 0u);
  }

 private:
  size_t checked_ = 0;
  size_t disagreements_ = 0;
};

// `value` written as a `length`-byte UTF-8 form whether or not that form is
// allowed: overlong forms, surrogates and values beyond U+10FFFF included.
std::string EncodeAnyway(uint32_t value, int length) {
  if (length == 1) return std::string(1, static_cast<char>(value));
  static const unsigned char kLeadBits[] = {0, 0, 0xC0, 0xE0, 0xF0};
  std::string bytes(static_cast<size_t>(length), '\0');
  for (int i = length - 1; i > 0; --i) {
    bytes[static_cast<size_t>(i)] = static_cast<char>(0x80 | (value & 0x3F));
    value >>= 6;
  }
  bytes[0] = static_cast<char>(kLeadBits[length] | value);
  return bytes;
}

// Each byte class of the decoder by its first and last member.
const std::vector<int> kClassEdges = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                      0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};

TEST(Utf8Validity, NamedClassesOfInvalidSequences) {
  const std::string valid[] = {"A", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                               "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", std::string("\0", 1)};
  const std::string invalid[] = {
      "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // overlong
      "\xED\xA0\x80", "\xED\xBF\xBF",                             // encoded surrogates
      "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80",  // beyond U+10FFFF
      "\x80", "\xBF", "A\x80",                                     // stray continuations
      "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xE2\x82" "A",         // truncated
      "\xFE", "\xFF",
  };
  for (const std::string& bytes : valid) EXPECT_TRUE(IsValidUtf8(bytes.data(), bytes.size())) << Hex(bytes);
  for (const std::string& bytes : invalid) EXPECT_FALSE(IsValidUtf8(bytes.data(), bytes.size())) << Hex(bytes);
  EXPECT_TRUE(IsValidUtf8(nullptr, 0));
}

TEST(Utf8Validity, AgreesWithThePlatformOnEveryShortSequence) {
  Differential differential;
  for (int a = 0; a < 256; ++a) {
    differential.Check(Bytes({a}));
    for (int b = 0; b < 256; ++b) differential.Check(Bytes({a, b}));
  }
  // Three bytes: every lead and second byte, the third from each byte class.
  for (int a = 0x80; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c : kClassEdges) differential.Check(Bytes({a, b, c}));
    }
  }
  for (int a : kClassEdges) {
    for (int b : kClassEdges) {
      for (int c : kClassEdges) {
        for (int d : kClassEdges) differential.Check(Bytes({a, b, c, d}));
      }
    }
  }
}

TEST(Utf8Validity, AgreesWithThePlatformAroundEveryCodePointBoundary) {
  const uint32_t boundaries[] = {0x00,   0x7F,    0x80,    0x7FF,    0x800,    0xFFF,   0x1000,
                                 0xD7FF, 0xD800,  0xDBFF,  0xDC00,   0xDFFF,   0xE000,  0xFFFD,
                                 0xFFFF, 0x10000, 0x3FFFF, 0x40000,  0xFFFFF,  0x100000, 0x10FFFF,
                                 0x110000, 0x13FFFF, 0x140000, 0x1FFFFF};
  Differential differential;
  for (uint32_t boundary : boundaries) {
    for (uint32_t value = boundary == 0 ? 0 : boundary - 1; value <= boundary + 1; ++value) {
      for (int length = 1; length <= 4; ++length) {
        if (length == 1 && value > 0x7F) continue;
        if (value >= (uint32_t{1} << (length == 1 ? 7 : 5 * length + 1))) continue;  // does not fit the form
        const std::string form = EncodeAnyway(value, length);
        // The form alone, each truncation of it, one continuation too many,
        // and within ASCII at each position of an eight-byte block.
        for (size_t cut = 1; cut <= form.size(); ++cut) differential.Check(form.substr(0, cut));
        differential.Check(form + "\x80");
        for (size_t before = 0; before < 9; ++before) {
          differential.Check(std::string(before, 'a') + form + std::string(9 - before, 'z'));
          differential.Check(std::string(before, 'a') + form.substr(0, form.size() - 1));
        }
      }
    }
  }
}

TEST(Utf8Validity, AgreesWithThePlatformOnRandomBytes) {
  std::mt19937 generator(20241208);  // fixed: a failure must be repeatable
  // Mostly the bytes that make decisions: leads and continuations.
  const auto randomByte = [&]() -> int {
    const unsigned kind = generator() % 10;
    if (kind < 3) return static_cast<int>(0x20 + generator() % 0x5F);  // ASCII
    if (kind < 6) return static_cast<int>(0x80 + generator() % 0x40);  // continuation
    if (kind < 9) return static_cast<int>(0xC0 + generator() % 0x38);  // lead, C0 to F7
    return static_cast<int>(generator() % 256);
  };
  Differential differential;
  for (int round = 0; round < 200000; ++round) {
    std::string bytes(1 + generator() % 24, '\0');
    for (char& byte : bytes) byte = static_cast<char>(randomByte());
    differential.Check(bytes);
  }
  // Long valid text with one damaged byte somewhere: the fast ASCII path
  // must stop at every position.
  const std::string pieces[] = {"int x = 0;\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\t// note\r\n"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    while (text.size() < 200) text += pieces[generator() % 5];
    differential.Check(text);
    text[generator() % text.size()] = static_cast<char>(randomByte());
    differential.Check(text);
    differential.Check(text.substr(0, generator() % text.size() + 1));
  }
}

}  // namespace
}  // namespace lumen
