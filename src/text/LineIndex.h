#pragma once
// Where the lines of a file too big to give the control whole begin, counted
// by a worker as it reads the file: for each block of 64 KB, how many lines
// end before it. A line's start, or the line of a place, is then found by
// reading one block, whatever the file's size; a 10 GB file's index takes
// about a megabyte and a quarter. Lines end at '\n', the byte that ends a
// line in UTF-8 and in every code page lumen reads a big file in.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Sync.h"

namespace lumen {

// How many '\n' `bytes` holds, sixteen bytes at a time.
uint64_t CountLineEnds(std::string_view bytes);
// Where the line after the `count`th '\n' of `bytes` starts; none when
// `bytes` holds fewer. 0 for a count of 0.
std::optional<size_t> AfterLineEnds(std::string_view bytes, uint64_t count);

class LineIndex {
 public:
  static constexpr uint64_t kBlock = uint64_t{1} << 16;

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
  mutable Lock lock_;
  std::vector<uint64_t> linesBefore_;  // of each block begun, the line ends before it
  uint64_t bytes_ = 0;
  uint64_t lineEnds_ = 0;
  bool complete_ = false;
};

}  // namespace lumen
