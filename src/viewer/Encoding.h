#pragma once
// Telling a file's encoding and turning its bytes into the editor's UTF-8.
#include <cstddef>
#include <cstdint>
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

// Byte order marks first (by the file's length), then the platform's UTF-16
// text test, then UTF-8 validity; ANSI otherwise. Throws std::runtime_error
// "narrow_cast<>() failed" for 2^31 bytes or more.
Encoding DetectEncoding(std::string_view bytes);

// Exactly the byte sequences MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS)
// accepts: no overlong forms, no encoded surrogates, nothing above U+10FFFF,
// no stray or truncated sequences. Fast on ASCII.
bool IsValidUtf8(const char* bytes, size_t length);

// The text for the editor. A UTF-8 file's mark is dropped; the marks of
// UTF-16 and UTF-32 files stay as U+FEFF. Throws std::logic_error for UTF-32
// of a length that is no multiple of 4, std::range_error for a UTF-32 value
// above U+10FFFF, std::runtime_error for an unknown code.
std::string ConvertToUtf8(std::string_view bytes, Encoding encoding);

// Where a UTF-8 file's text starts within its bytes: after the mark, if any.
size_t Utf8TextOffset(std::string_view bytes);

// The encoding of a file of `totalSize` bytes from its first bytes only: the
// marks count by the whole file's length, the platform's UTF-16 test reads
// the head, and a head that is UTF-8 so far makes the file UTF-8 until a
// later byte proves it is not (SliceConverter tells).
Encoding DetectEncodingOfHead(std::string_view head, uint64_t totalSize);

// Converts a text handed over in consecutive slices exactly as ConvertToUtf8
// converts it whole: a character that a slice splits (a UTF-8 sequence, a
// surrogate pair, a DBCS lead byte, a mark) waits for the rest of it.
class SliceConverter {
 public:
  explicit SliceConverter(Encoding encoding) : encoding_(encoding) {}

  // Appends the UTF-8 of `slice`, with what was held back before it, to
  // `out`; `last` for the final one. False when the text so far is not valid
  // UTF-8 though taken for it. Throws as ConvertToUtf8 does.
  bool Convert(std::string_view slice, bool last, std::string& out);
  Encoding encoding() const { return encoding_; }

 private:
  // How much of `bytes` converts now; the rest may belong to the next slice.
  size_t CompleteLength(std::string_view bytes, bool last) const;
  // Converts what of `bytes` is complete and holds the rest back.
  bool ConvertComplete(std::string_view bytes, bool last, std::string& out);
  // Converts text that holds whole characters only.
  bool ConvertText(std::string_view text, std::string& out);

  Encoding encoding_;
  std::string held_;  // bytes of a character that the last slice split
  bool first_ = true;  // before any text: a UTF-8 mark is still to be dropped
};

}  // namespace lumen
