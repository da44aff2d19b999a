#pragma once
// The three walks a search makes through its document, each resumable so
// that it can go on in the turns between the host's messages: the count of
// every match, the step to the next or previous match from a place, and the
// record of which parts of the document carry the marks.
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "search/MatchWalk.h"

namespace lumen {

// The count of the document's matches, from its start, at the speed the
// bytes can be searched. Places along the way are kept, so that the number
// of any match it has passed is found from the nearest one.
class MatchTally {
 public:
  using Clock = MatchWalk::Clock;
  MatchTally(std::shared_ptr<const Searcher> searcher, std::string_view document);

  // Counts on up to `end`; true once there.
  bool Run(std::string_view document, size_t end, Clock::time_point deadline);
  // Back to where the count is known to hold up to `position`: the text
  // after it is to change.
  void Rewind(size_t position);
  size_t total() const { return total_; }
  size_t reached() const { return walk_.at(); }
  // The start of the first line the pattern was too complex for.
  std::optional<size_t> tooComplexAt() const { return tooComplexAt_; }
  // How many matches start before `position`, once the count is past it;
  // none when that is not known by `deadline`.
  std::optional<size_t> CountBefore(std::string_view document, size_t position, Clock::time_point deadline) const;

 private:
  struct Place {
    MatchWalk walk;
    size_t total;
  };
  MatchWalk walk_;
  size_t total_ = 0;
  std::vector<Place> places_;  // a megabyte or some thousands of matches apart
  std::optional<size_t> tooComplexAt_;
};

// A step from a place to the next match after it or the previous one before
// it, round the document's end to its other end when there is none.
class MatchStep {
 public:
  using Clock = MatchWalk::Clock;
  enum class Outcome { Searching, Found, None };
  // Forwards: the first match that starts at `from` or after it. Backwards:
  // the last that starts before `from`.
  MatchStep(std::shared_ptr<const Searcher> searcher, std::string_view document, size_t from, bool forward);

  Outcome Run(std::string_view document, Clock::time_point deadline);
  const Match& found() const { return found_; }
  bool forward() const { return forward_; }

 private:
  void StartPiece(std::string_view document);

  std::shared_ptr<const Searcher> searcher_;
  size_t from_;
  bool forward_;
  bool wrapped_ = false;
  MatchWalk walk_;
  // Backwards, the document is searched in pieces that grow towards its start.
  size_t pieceStart_ = 0;
  size_t pieceEnd_ = 0;
  size_t pieceSize_ = 0;
  std::optional<Match> lastInPiece_;
  Match found_;
  Outcome outcome_ = Outcome::Searching;
};

// The columns of a line whose matches are marked: from a screen before the
// one in view to two after it. The window moves a screen at a time, so that
// a small scroll keeps the marks as they are.
struct ColumnWindow {
  size_t first = 0, last = 0;  // [first, last)
  bool operator==(const ColumnWindow&) const = default;
};
ColumnWindow ColumnsAbout(size_t firstColumnInView, size_t columnsOnScreen);
// Where `column` starts in `line` (or its end): a tab runs to the next stop,
// an East Asian wide character takes two columns, any other character one.
size_t ByteAtColumn(std::string_view line, size_t column, size_t tabWidth);

// The parts of the lines in [start, end) whose matches are marked: lines of
// up to `kWideLine` bytes whole, wider ones over the window's columns only.
// The control draws every mark of a line each time it paints any of it, so
// a line's marks must stay about as many as a few screens can show.
constexpr size_t kWideLine = 2048;
struct PartsToMark {
  std::vector<std::pair<size_t, size_t>> parts;
  bool wideLines = false;  // a line was cut to the window
};
PartsToMark MarkableParts(std::string_view document, size_t start, size_t end, ColumnWindow window, size_t tabWidth);

// The parts of a document whose matches are marked, in order and apart.
class MarkedRanges {
 public:
  void Clear() { ranges_.clear(); }
  void Add(size_t start, size_t end);
  // The first part of [start, end) not marked yet.
  std::optional<std::pair<size_t, size_t>> FirstGap(size_t start, size_t end) const;

 private:
  std::vector<std::pair<size_t, size_t>> ranges_;
};

}  // namespace lumen
