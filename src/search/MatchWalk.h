#pragma once
// A walk through a document's bytes (UTF-8) for the matches of one search, a
// bounded piece of work at a time and resumable where it stopped. The count,
// the marks and the steps all walk the document this way, so that they agree
// on every match: matches do not overlap, and none is empty.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/FindHighlight.h"
#include "search/Pattern.h"

namespace lumen {

struct SearchQuery {
  std::string text;  // UTF-8
  bool matchCase = false;
  bool wholeWord = false;
  bool regularExpression = false;
  bool operator==(const SearchQuery&) const = default;
};

// What the control takes a character for when it tells words apart.
enum class CharacterClass { Space, NewLine, Word, Punctuation };
CharacterClass ClassOf(char32_t character);
// Whether [start, end) is a whole word as the control's find means it: it
// starts and ends where the class of the characters changes.
bool IsWholeWordAt(std::string_view document, size_t start, size_t end);

// A query made ready to search: plain text compared byte by byte (letters of
// ASCII in any case), or a compiled pattern.
class Searcher {
 public:
  struct Made {
    std::shared_ptr<const Searcher> searcher;  // none: no text, or an invalid pattern
    bool invalidPattern = false;
  };
  static Made For(const SearchQuery& query);

  // Where the document's matches stay as they are whatever text is added
  // after its end (while a file loads): the start of its last line for a
  // pattern, a little before the end for plain text.
  size_t SettledEnd(std::string_view document) const;
  // Whether its matches are ASCII text that any text holds where its bytes
  // hold it (plain ASCII text, not whole words): found the same in the bytes
  // of a single-byte code page as in their UTF-8.
  bool FindsAsciiBytes() const;
  // The same query knowing no start found too complex: for another document
  // (a slice of a file), whose places are not this one's, or another thread.
  std::shared_ptr<const Searcher> Fresh() const;

 private:
  friend class MatchWalk;
  // The first start in [from, limit) of the plain text, wholly in the document.
  std::optional<size_t> FindPlain(std::string_view document, size_t from, size_t limit) const;

  std::string text_;
  bool matchCase_ = true;
  // The starts a pattern was too complex at, in order: the walks of one
  // search meet the same ones, and each costs tens of milliseconds to find.
  mutable std::vector<size_t> tooComplexStarts_;
  bool wholeWord_ = false;  // checked on each match, as the control does
  std::optional<Pattern> pattern_;
};

class MatchWalk {
 public:
  using Clock = std::chrono::steady_clock;
  using OnMatch = std::function<void(const Match&)>;

  MatchWalk() = default;
  // A walk from `at`, anywhere in the document: a pattern sees the line
  // before it, up to a few kilobytes. From the line's start, the walk finds
  // the matches the walk from the document's start finds (unless the line
  // is longer than that).
  enum class From { Place, LineStart };
  MatchWalk(std::shared_ptr<const Searcher> searcher, std::string_view document, size_t at, From from = From::Place);

  size_t at() const { return at_; }

  struct Step {
    enum class Kind { Found, Passed, TooComplex } kind = Kind::Passed;
    Match match;  // Found
    size_t lineStart = 0;  // TooComplex: the line it was on
  };
  // One bounded piece of work on the matches that start before `end`: a
  // match, or a stretch passed without one, or a line the pattern was too
  // complex for (the walk goes on after it).
  Step Next(std::string_view document, size_t end, Clock::time_point deadline);
  // Walks to `end` (or the document's end) or the deadline, handing on each
  // match; true when there. `tooComplex` is told of each line left unsearched.
  bool Run(std::string_view document, size_t end, Clock::time_point deadline, const OnMatch& onMatch,
           const std::function<void(size_t lineStart)>& tooComplex = {});

 private:
  Step NextPlain(std::string_view document, size_t end);
  Step NextInPattern(std::string_view document, size_t end, Clock::time_point deadline);
  // Extends the checked part of the line towards `target`, up to a line end,
  // a byte that is no character or the document's end.
  void Check(std::string_view document, size_t target);
  void PassStop(std::string_view document);

  std::shared_ptr<const Searcher> searcher_;
  size_t at_ = 0;
  // A pattern's view of the line at_ is on: the subject runs from lineStart_
  // (a line's start, or just after a byte that is no character) to checked_;
  // stop_ says what is at checked_.
  enum class Stop { Unknown, LineEnd, NoCharacter, DocumentEnd };
  size_t lineStart_ = 0;
  bool startsLine_ = true;
  size_t checked_ = 0;
  Stop stop_ = Stop::Unknown;
  size_t window_ = 0;
  bool skippingLine_ = false;  // the pattern was too complex for this line
};

}  // namespace lumen
