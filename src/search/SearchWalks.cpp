#include "search/SearchWalks.h"

#include <algorithm>
#include <cstring>

namespace lumen {
namespace {

// How far apart the tally keeps its places, in bytes and in matches:
// counting from one to a match takes a millisecond or so.
constexpr size_t kPlaceSpacing = 1 << 20;
constexpr size_t kMatchesBetweenPlaces = 32 * 1024;
constexpr int kMatchesBetweenClockReads = 64;
// Backwards, the first piece searched before the place; each next one is
// four times larger.
constexpr size_t kFirstPiece = 16 * 1024;

}  // namespace

MatchTally::MatchTally(std::shared_ptr<const Searcher> searcher, std::string_view document)
    : walk_(std::move(searcher), document, 0) {
  places_.push_back({walk_, 0});
}

bool MatchTally::Run(std::string_view document, size_t end, Clock::time_point deadline) {
  end = std::min(end, document.size());
  int sinceClock = 0;
  while (walk_.at() < end) {
    const MatchWalk::Step step = walk_.Next(document, end, deadline);
    const bool found = step.kind == MatchWalk::Step::Kind::Found;
    if (found) ++total_;
    if (step.kind == MatchWalk::Step::Kind::TooComplex && !tooComplexAt_) tooComplexAt_ = step.lineStart;
    const Place& last = places_.back();
    if (walk_.at() >= last.walk.at() + kPlaceSpacing || total_ >= last.total + kMatchesBetweenPlaces) {
      places_.push_back({walk_, total_});
    }
    if (found && ++sinceClock < kMatchesBetweenClockReads) continue;
    sinceClock = 0;
    if (Clock::now() >= deadline) break;
  }
  return walk_.at() >= end;
}

void MatchTally::Rewind(size_t position) {
  while (places_.size() > 1 && places_.back().walk.at() > position) places_.pop_back();
  walk_ = places_.back().walk;
  total_ = places_.back().total;
  if (tooComplexAt_ && *tooComplexAt_ >= walk_.at()) tooComplexAt_.reset();
}

std::optional<size_t> MatchTally::CountBefore(std::string_view document, size_t position,
                                              Clock::time_point deadline) const {
  if (position > walk_.at()) return std::nullopt;
  // The last place at or before the position, and on from there.
  const auto after = std::upper_bound(places_.begin(), places_.end(), position,
                                      [](size_t at, const Place& place) { return at < place.walk.at(); });
  const Place& place = *std::prev(after);
  MatchWalk walk = place.walk;
  size_t total = place.total;
  while (walk.at() < position) {
    const MatchWalk::Step step = walk.Next(document, position, deadline);
    if (step.kind == MatchWalk::Step::Kind::Found) ++total;
    if (step.kind != MatchWalk::Step::Kind::Found && Clock::now() >= deadline) return std::nullopt;
  }
  return total;
}

MatchStep::MatchStep(std::shared_ptr<const Searcher> searcher, std::string_view document, size_t from, bool forward)
    : searcher_(std::move(searcher)), from_(std::min(from, document.size())), forward_(forward) {
  if (forward_) {
    walk_ = MatchWalk(searcher_, document, from_, MatchWalk::From::LineStart);
  } else {
    pieceEnd_ = from_;
    pieceSize_ = kFirstPiece;
    StartPiece(document);
  }
}

void MatchStep::StartPiece(std::string_view document) {
  // Backwards: never below the place once round the end.
  const size_t floor = wrapped_ ? from_ : 0;
  pieceStart_ = pieceEnd_ > floor + pieceSize_ ? pieceEnd_ - pieceSize_ : floor;
  pieceSize_ *= 4;
  lastInPiece_.reset();
  walk_ = MatchWalk(searcher_, document, pieceStart_, MatchWalk::From::LineStart);
}

MatchStep::Outcome MatchStep::Run(std::string_view document, Clock::time_point deadline) {
  while (outcome_ == Outcome::Searching) {
    if (forward_) {
      const size_t end = wrapped_ ? from_ : document.size();
      std::optional<Match> first;
      while (!first && walk_.at() < std::min(end, document.size())) {
        const MatchWalk::Step step = walk_.Next(document, end, deadline);
        // From the line's start, matches before the place come first.
        if (step.kind == MatchWalk::Step::Kind::Found && (wrapped_ || step.match.start >= static_cast<int32_t>(from_))) {
          first = step.match;
        }
        if (!first && Clock::now() >= deadline) return outcome_;
      }
      if (first) {
        found_ = *first;
        outcome_ = Outcome::Found;
      } else if (!wrapped_ && from_ > 0) {
        wrapped_ = true;
        walk_ = MatchWalk(searcher_, document, 0);
      } else {
        outcome_ = Outcome::None;
      }
      continue;
    }
    const bool there = walk_.Run(
        document, pieceEnd_, deadline, [this](const Match& match) { lastInPiece_ = match; });
    if (!there) return outcome_;
    if (lastInPiece_) {
      found_ = *lastInPiece_;
      outcome_ = Outcome::Found;
    } else if (pieceStart_ > (wrapped_ ? from_ : 0)) {
      pieceEnd_ = pieceStart_;
      StartPiece(document);
    } else if (!wrapped_ && from_ < document.size()) {
      // Round the start: from the end back to the place.
      wrapped_ = true;
      pieceEnd_ = document.size();
      pieceSize_ = kFirstPiece;
      StartPiece(document);
    } else {
      outcome_ = Outcome::None;
    }
    if (Clock::now() >= deadline) break;
  }
  return outcome_;
}

void MarkedRanges::Add(size_t start, size_t end) {
  if (start >= end) return;
  // Every range that touches [start, end) merges into it.
  auto first = std::lower_bound(ranges_.begin(), ranges_.end(), start,
                                [](const auto& range, size_t at) { return range.second < at; });
  auto last = first;
  while (last != ranges_.end() && last->first <= end) {
    start = std::min(start, last->first);
    end = std::max(end, last->second);
    ++last;
  }
  first = ranges_.erase(first, last);
  ranges_.insert(first, {start, end});
}

std::optional<std::pair<size_t, size_t>> MarkedRanges::FirstGap(size_t start, size_t end) const {
  auto range = std::lower_bound(ranges_.begin(), ranges_.end(), start,
                                [](const auto& r, size_t at) { return r.second <= at; });
  for (; start < end; ++range) {
    if (range == ranges_.end() || range->first >= end) return std::pair{start, end};
    if (range->first > start) return std::pair{start, range->first};
    start = std::max(start, range->second);
  }
  return std::nullopt;
}

ColumnWindow ColumnsAbout(size_t firstColumnInView, size_t columnsOnScreen) {
  const size_t screen = std::max<size_t>(columnsOnScreen, 64);
  const size_t block = firstColumnInView / screen * screen;
  return {block > screen ? block - screen : 0, block + 3 * screen};
}

namespace {

// Wide in East Asian scripts: the blocks of Hangul, CJK, full-width forms and emoji.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) || (c >= 0x1F900 && c <= 0x1F9FF) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

// The first line end in [from, limit), or `limit`.
size_t LineEndBefore(std::string_view document, size_t from, size_t limit) {
  const char* bytes = document.data();
  const void* newLine = std::memchr(bytes + from, '\n', limit - from);
  const size_t newLineAt = newLine ? static_cast<size_t>(static_cast<const char*>(newLine) - bytes) : limit;
  const void* carriageReturn = std::memchr(bytes + from, '\r', newLineAt - from);
  return carriageReturn ? static_cast<size_t>(static_cast<const char*>(carriageReturn) - bytes) : newLineAt;
}

}  // namespace

size_t ByteAtColumn(std::string_view line, size_t column, size_t tabWidth) {
  tabWidth = std::max<size_t>(tabWidth, 1);
  size_t at = 0;
  for (size_t columns = 0; at < line.size() && columns < column;) {
    const auto lead = static_cast<unsigned char>(line[at]);
    if (lead == '\t') {
      columns = (columns / tabWidth + 1) * tabWidth;
      ++at;
      continue;
    }
    size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, line.size() - at);
    char32_t character = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) character = character << 6 | (static_cast<unsigned char>(line[at + i]) & 0x3F);
    columns += IsWide(character) ? 2 : 1;
    at += length;
  }
  return at;
}

PartsToMark MarkableParts(std::string_view document, size_t start, size_t end, ColumnWindow window, size_t tabWidth) {
  PartsToMark result;
  end = std::min(end, document.size());
  const auto add = [&](size_t from, size_t to) {
    if (from >= to) return;
    if (!result.parts.empty() && result.parts.back().second == from) {
      result.parts.back().second = to;
    } else {
      result.parts.emplace_back(from, to);
    }
  };
  size_t partStart = start;
  for (size_t lineStart = start; lineStart < end;) {
    const size_t reach = std::min(end, lineStart + kWideLine + 1);
    const size_t lineEnd = LineEndBefore(document, lineStart, reach);
    if (lineEnd < reach || reach == end) {
      lineStart = lineEnd + 1;
      continue;
    }
    // A wide line: only the part in the window.
    add(partStart, lineStart);
    const size_t wideEnd = LineEndBefore(document, reach, end);
    const std::string_view line = document.substr(lineStart, wideEnd - lineStart);
    const size_t from = ByteAtColumn(line, window.first, tabWidth);
    add(lineStart + from, lineStart + from + ByteAtColumn(line.substr(from), window.last - window.first, tabWidth));
    result.wideLines = true;
    partStart = wideEnd;
    lineStart = wideEnd + 1;
  }
  add(partStart, end);
  return result;
}

}  // namespace lumen
