#include "search/SearchWalks.h"

#include <algorithm>

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

}  // namespace lumen
