#pragma once
// Telling a file's encoding and turning its bytes into the editor's UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumen {

enum class Encoding : int32_t {
  Utf32LE = 0,
  Utf32BE = 1,
  Utf16LE = 2,
  Utf16BE = 3,
  Utf8 = 4,
  Ansi = 5,
  Unknown = 6,
};

// "UTF-8, " and so on; empty for a code outside the known ones.
std::wstring EncodingLabel(int32_t code);

// The encoding that the byte order mark of a file of `totalSize` bytes names
// (a mark counts only where the file's length fits its units), or else the
// platform's UTF-16 text test over `head`, the file's first bytes (all of them
// when head.size() == totalSize); none when neither decides, leaving UTF-8 if
// the bytes are valid UTF-8 and ANSI otherwise. Throws std::runtime_error
// "narrow_cast<>() failed" for a whole file of 2^31 bytes or more.
std::optional<Encoding> MarkedOrWideEncoding(std::string_view head, uint64_t totalSize);

// The encoding of a whole file: MarkedOrWideEncoding, then UTF-8 validity.
Encoding DetectEncoding(std::string_view bytes);

// Exactly the byte sequences MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS)
// accepts: no overlong forms, no encoded surrogates, nothing above U+10FFFF,
// no stray or truncated sequences. Fast on ASCII.
bool IsValidUtf8(const char* bytes, size_t length);

// ISO-8859-10 (Nordic and Baltic) and ISO-8859-16 (South-East European),
// which Windows has no code page for: lumen reads them itself, under the
// numbers .NET gives them.
inline constexpr uint32_t kIso8859_10 = 28600;
inline constexpr uint32_t kIso8859_16 = 28606;
// Whether lumen can read text in `codePage`: Windows' own or one of the above.
bool IsReadableCodePage(uint32_t codePage);
// Whether each character of `codePage` (0: the system's) is one byte.
bool IsSingleByteCodePage(uint32_t codePage);
// `bytes` read in `codePage` as UTF-16; empty where the platform cannot.
// `whole`: fails on bytes that are no character of the code page.
std::wstring CodePageToWide(std::string_view bytes, uint32_t codePage, bool whole = false);

// The text for the editor. A UTF-8 file's mark is dropped; the marks of
// UTF-16 and UTF-32 files stay as U+FEFF. ANSI text is read in `codePage`,
// 0 for the system's. Throws std::logic_error for UTF-32 of a length that is
// no multiple of 4, std::range_error for a UTF-32 value above U+10FFFF,
// std::runtime_error for an unknown code.
std::string ConvertToUtf8(std::string_view bytes, Encoding encoding, uint32_t codePage = 0);

// UTF-16 without a mark that the platform's test misses: short text of
// mostly ASCII, and any big-endian text. Its zero bytes (the high halves of
// ASCII letters) stand at one side of the units only; such bytes are also
// valid UTF-8, but no text holds a NUL between its letters.
std::optional<Encoding> UnmarkedUtf16(std::string_view head, uint64_t totalSize);

// The user's choice of how to read a file: a Unicode form, or ANSI in a
// code page (0: the system's).
struct EncodingChoice {
  Encoding form = Encoding::Utf8;
  uint32_t codePage = 0;
  bool operator==(const EncodingChoice&) const = default;
};

// How a file's encoding is decided. The default is the first version's rule:
// a mark, the platform's UTF-16 test, UTF-8, else the system's code page.
struct DecodingRule {
  bool detect = false;            // unmarked UTF-16 and the charset detector too
  uint32_t fallbackCodePage = 0;  // instead of the system's; 0: the system's
  std::optional<EncodingChoice> chosen;  // the user's, over everything else
  // A batch file: its echo lines are for the console, whose code page is the
  // OEM one, which it is read in where that reads better.
  bool consoleText = false;
};

// Whether the last bytes of a file in `encoding`, where they end no
// character yet, wait unshown for the rest of it (a program still writing
// the file): UTF-16 and UTF-32 units, and UTF-8 sequences when the encoding
// is detected. Where detection is off a cut UTF-8 sequence makes the file
// ANSI, as it always did; ANSI text ends where its bytes end.
bool HoldsBackUnfinishedEnd(Encoding encoding, const DecodingRule& rule);

// Where a UTF-8 file's text starts within its bytes: after the mark, if any.
size_t Utf8TextOffset(std::string_view bytes);

// Converts a text handed over in consecutive slices exactly as ConvertToUtf8
// converts it whole: a character that a slice splits (a UTF-8 sequence, a
// surrogate pair, a DBCS lead byte, a mark) waits for the rest of it. Text
// taken for UTF-8 is checked, unless it began with the UTF-8 mark: a file
// that names its encoding keeps it, its stray bytes shown as they are.
class SliceConverter {
 public:
  explicit SliceConverter(Encoding encoding, uint32_t codePage = 0) : encoding_(encoding), codePage_(codePage) {}

  // Appends the UTF-8 of `slice`, with what was held back before it, to
  // `out`; `last` for the final one. False when the slice is not valid UTF-8
  // though taken for it: `out` then holds part of it at most, and the
  // converter stands where it stood before the call. Throws as ConvertToUtf8.
  bool Convert(std::string_view slice, bool last, std::string& out);
  // From now on invalid UTF-8 passes as it is instead of failing.
  void PassInvalidUtf8() { checked_ = false; }
  Encoding encoding() const { return encoding_; }
  uint32_t codePage() const { return codePage_; }  // of ANSI text; 0: the system's
  // The bytes of a character the last slice began but did not end.
  size_t held() const { return held_.size(); }

 private:
  // How much of `bytes` converts now; the rest may belong to the next slice.
  size_t CompleteLength(std::string_view bytes, bool last) const;
  bool ConvertWithHeld(std::string_view slice, bool last, std::string& out);
  // Converts what of `bytes` is complete and holds the rest back.
  bool ConvertComplete(std::string_view bytes, bool last, std::string& out);
  // Converts text that holds whole characters only.
  bool ConvertText(std::string_view text, std::string& out);

  Encoding encoding_;
  uint32_t codePage_;
  std::string held_;  // bytes of a character that the last slice split
  bool first_ = true;  // before any text: a UTF-8 mark is still to be dropped
  bool checked_ = true;  // UTF-8 must be valid
};

// A file's first part (or the whole of a small one) as text, and the
// converter that goes on with the rest of it.
struct FirstPart {
  std::string text;
  SliceConverter rest;
  // Of a whole file, the last bytes that end no character yet and are not
  // shown: a file caught while a program writes it.
  size_t heldBack = 0;
};
// Tells the encoding of a file of `totalSize` bytes from `head` (its first
// bytes, or all of them) by `rule` and converts them in one pass: a head that
// is not valid UTF-8 is ANSI. Throws as ConvertToUtf8 does.
FirstPart DecodeFirstPart(std::string_view head, uint64_t totalSize, const DecodingRule& rule = {});

// The code page for bytes that proved not to be UTF-8, by `rule`.
uint32_t LegacyCodePage(std::string_view bytes, const DecodingRule& rule);

}  // namespace lumen
