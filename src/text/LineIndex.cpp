#include "text/LineIndex.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumen {

namespace {

uint64_t CountByteLineEnds(std::string_view bytes) {
  uint64_t count = 0;
  size_t at = 0;
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  while (bytes.size() - at >= 16) {
    // Up to 255 rounds add their matches in bytes, then the bytes are summed.
    __m128i sums = _mm_setzero_si128();
    const size_t rounds = std::min<size_t>((bytes.size() - at) / 16, 255);
    for (size_t round = 0; round < rounds; ++round, at += 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
      sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(chunk, newline));
    }
    const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
    count += static_cast<uint64_t>(_mm_cvtsi128_si32(total)) +
             static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
  }
#endif
  for (; at < bytes.size(); ++at) count += bytes[at] == '\n';
  return count;
}

bool IsUnitLineEnd(std::string_view bytes, size_t at, bool bigEndian) {
  return bytes[at + (bigEndian ? 1 : 0)] == '\n' && bytes[at + (bigEndian ? 0 : 1)] == '\0';
}

uint64_t CountUnitLineEnds(std::string_view bytes, bool bigEndian) {
  uint64_t count = 0;
  size_t at = 0;
#if defined(__SSE2__)
  // The unit as the processor loads two bytes: the low byte first.
  const __m128i newline = _mm_set1_epi16(static_cast<short>(bigEndian ? 0x0A00 : 0x000A));
  while (bytes.size() - at >= 16) {
    __m128i sums = _mm_setzero_si128();
    const size_t rounds = std::min<size_t>((bytes.size() - at) / 16, 255);
    for (size_t round = 0; round < rounds; ++round, at += 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
      sums = _mm_sub_epi16(sums, _mm_cmpeq_epi16(chunk, newline));
    }
    // Each lane holds at most 255: summed in pairs, then the four sums.
    const __m128i pairs = _mm_madd_epi16(sums, _mm_set1_epi16(1));
    const __m128i high = _mm_add_epi32(pairs, _mm_srli_si128(pairs, 8));
    count += static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_add_epi32(high, _mm_srli_si128(high, 4))));
  }
#endif
  for (; at + 1 < bytes.size(); at += 2) count += IsUnitLineEnd(bytes, at, bigEndian);
  return count;
}

}  // namespace

bool HoldsLineLongerThan(std::string_view bytes, size_t longest) {
  for (size_t start = 0; start < bytes.size();) {
    const void* found = std::memchr(bytes.data() + start, '\n', bytes.size() - start);
    const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - bytes.data()) : bytes.size();
    if (end - start > longest) return true;
    start = end + 1;
  }
  return false;
}

uint64_t CountLineEnds(std::string_view bytes, LineEnd end) {
  return end.width == 2 ? CountUnitLineEnds(bytes, end.bigEndian) : CountByteLineEnds(bytes);
}

std::optional<size_t> AfterLineEnd(std::string_view bytes, size_t from, LineEnd end) {
  if (end.width == 1) {
    if (from >= bytes.size()) return std::nullopt;
    const void* found = std::memchr(bytes.data() + from, '\n', bytes.size() - from);
    if (!found) return std::nullopt;
    return static_cast<size_t>(static_cast<const char*>(found) - bytes.data()) + 1;
  }
  for (size_t at = from + (from & 1); at + 1 < bytes.size(); at += 2) {
    if (IsUnitLineEnd(bytes, at, end.bigEndian)) return at + 2;
  }
  return std::nullopt;
}

std::optional<size_t> AfterLineEnds(std::string_view bytes, uint64_t count, LineEnd end) {
  size_t at = 0;
  // Whole stretches are counted fast; the one that holds the line end is walked.
  constexpr size_t kStretch = 4096;
  while (count > 0) {
    const size_t stretch = std::min(kStretch, bytes.size() - at);
    if (stretch == 0) return std::nullopt;
    const uint64_t ends = CountLineEnds(bytes.substr(at, stretch), end);
    if (ends < count) {
      count -= ends;
      at += stretch;
      continue;
    }
    for (;;) {
      at = *AfterLineEnd(bytes, at, end);
      if (--count == 0) return at;
    }
  }
  return at;
}

void LineIndex::Add(std::string_view bytes) {
  // Counted before the lock is taken: readers wait for no reading.
  uint64_t at = indexedBytes();
  struct Piece {
    bool startsBlock;
    uint64_t ends;
  };
  std::vector<Piece> pieces;
  pieces.reserve(bytes.size() / kBlock + 2);
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(kBlock - at % kBlock, bytes.size() - done));
    pieces.push_back({at % kBlock == 0, CountLineEnds(bytes.substr(done, piece), end_)});
    done += piece;
    at += piece;
  }
  const Lock::Held held(lock_);
  for (const Piece& piece : pieces) {
    if (piece.startsBlock) linesBefore_.push_back(lineEnds_);
    lineEnds_ += piece.ends;
  }
  bytes_ += bytes.size();
}

void LineIndex::Finish() {
  const Lock::Held held(lock_);
  complete_ = true;
}

void LineIndex::Reopen() {
  const Lock::Held held(lock_);
  complete_ = false;
}

uint64_t LineIndex::indexedBytes() const {
  const Lock::Held held(lock_);
  return bytes_;
}

uint64_t LineIndex::lines() const {
  const Lock::Held held(lock_);
  return lineEnds_ + 1;
}

bool LineIndex::complete() const {
  const Lock::Held held(lock_);
  return complete_;
}

std::optional<LineIndex::Lookup> LineIndex::ForLine(uint64_t line) const {
  if (line == 0) return Lookup{};
  const Lock::Held held(lock_);
  if (line > lineEnds_) return std::nullopt;
  // The block that holds the line's `line`th line end: the last one with fewer before it.
  const auto after = std::lower_bound(linesBefore_.begin(), linesBefore_.end(), line);
  const size_t block = static_cast<size_t>(after - linesBefore_.begin()) - 1;
  return Lookup{block * kBlock, linesBefore_[block], line - linesBefore_[block]};
}

std::optional<LineIndex::Lookup> LineIndex::ForOffset(uint64_t offset) const {
  const Lock::Held held(lock_);
  if (offset > bytes_) return std::nullopt;
  const uint64_t block = offset / kBlock;
  if (block >= linesBefore_.size()) return Lookup{offset, lineEnds_, 0};  // the index's very end
  return Lookup{block * kBlock, linesBefore_[block], 0};
}

}  // namespace lumen
