#pragma once
// Where the lines of a file too big to give the control whole begin, counted
// by a worker as it reads the file: for each block of 64 KB, how many lines
// end before it. A line's start, or the line of a place, is then found by
// reading one block, whatever the file's size; a 10 GB file's index takes
// about a megabyte and a quarter. Lines end at '\n': the byte in UTF-8 and
// in every code page lumen reads a big file in, the unit of two bytes in UTF-16.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Sync.h"
#include "text/Encoding.h"

namespace lumen {

// How a line ends in a text's bytes: the byte '\n', or the UTF-16 unit of
// '\n' in either byte order. Bytes of UTF-16 are given from a unit's start.
struct LineEnd {
  uint8_t width = 1;
  bool bigEndian = false;
  bool operator==(const LineEnd&) const = default;
};
inline constexpr LineEnd kByteLineEnd{1, false};
inline constexpr LineEnd kUtf16LeLineEnd{2, false};
inline constexpr LineEnd kUtf16BeLineEnd{2, true};
constexpr LineEnd LineEndOf(Encoding encoding) {
  return encoding == Encoding::Utf16LE ? kUtf16LeLineEnd : encoding == Encoding::Utf16BE ? kUtf16BeLineEnd : kByteLineEnd;
}

// How many line ends `bytes` holds, sixteen bytes at a time.
uint64_t CountLineEnds(std::string_view bytes, LineEnd end = kByteLineEnd);
// Where the line after the `count`th line end of `bytes` starts; none when
// `bytes` holds fewer. 0 for a count of 0.
std::optional<size_t> AfterLineEnds(std::string_view bytes, uint64_t count, LineEnd end = kByteLineEnd);
// Whether a line of `bytes` (ended by '\n' or by their end) is longer than `longest` bytes.
bool HoldsLineLongerThan(std::string_view bytes, size_t longest);
// Where the first line end at or after `from` ends; none when there is none.
std::optional<size_t> AfterLineEnd(std::string_view bytes, size_t from, LineEnd end = kByteLineEnd);

class LineIndex {
 public:
  static constexpr uint64_t kBlock = uint64_t{1} << 16;

  explicit LineIndex(LineEnd end = kByteLineEnd) : end_(end) {}

  // The worker's side. The file's next bytes, in order from its start, in
  // any pieces.
  void Add(std::string_view bytes);
  // No more bytes come: the file ends (or could not be read on) there.
  void Finish();
  // More bytes may come after all: the file grew.
  void Reopen();

  // Any thread's.
  uint64_t indexedBytes() const;
  // The lines counted so far: one more than the line ends passed.
  uint64_t lines() const;
  bool complete() const;

  // Where to read for a place: the start of a block, the line it is on
  // there, and how many line ends to pass in it.
  struct Lookup {
    uint64_t blockStart = 0;
    uint64_t lineAtBlockStart = 0;  // 0-based
    uint64_t lineEndsToPass = 0;
  };
  // For the start of `line` (0-based): none when the index has not passed
  // its start yet.
  std::optional<Lookup> ForLine(uint64_t line) const;
  // For the line of `offset`: its block; none when not indexed yet.
  std::optional<Lookup> ForOffset(uint64_t offset) const;

 private:
  LineEnd end_;
  mutable Lock lock_;
  std::vector<uint64_t> linesBefore_;  // of each block begun, the line ends before it
  uint64_t bytes_ = 0;
  uint64_t lineEnds_ = 0;
  bool complete_ = false;
};

}  // namespace lumen
