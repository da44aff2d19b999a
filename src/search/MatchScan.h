#pragma once
// A walk through the document for every match of a search, a piece at a time:
// each call goes on where the last one stopped, so that marking a million
// matches in a big file can be spread over many short turns of the host's
// message loop.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "abi/EditorControl.h"
#include "search/FindHighlight.h"
#include "search/Pattern.h"

namespace lumen {

class MatchScan {
 public:
  using Clock = std::chrono::steady_clock;
  using OnMatch = std::function<void(const Match&)>;

  // From the document's start: plain text with the control's find flags, or a pattern.
  void Start(const EditorControl& editor, std::string text, int flags);
  void Start(const EditorControl& editor, Pattern pattern);
  void Stop() { active_ = false; }
  // The editor shows another document now: a walk that was under way or
  // done starts over at its start. False when there was none.
  bool Restart();

  bool active() const { return active_; }
  // The start of the first line a pattern was too complex to search.
  std::optional<size_t> tooComplexAt() const { return tooComplexAt_; }
  size_t length() const { return length_; }  // of the document walked
  bool done() const { return !active_ || next_ >= end_; }

  // Hands on matches in document order until the document is done, `deadline`
  // has passed or `enough` says so; true when the document is done.
  // The first `atLeast` matches are handed on whatever the clock says.
  bool Run(Clock::time_point deadline, const OnMatch& onMatch, const std::function<bool()>& enough = {},
           size_t atLeast = 0);
  // The matches of [start, end) only, leaving the walk where it is; those
  // found until `deadline`. True when the piece was searched to its end.
  bool Within(size_t start, size_t end, const OnMatch& onMatch, Clock::time_point deadline) const;
  // The document's last match, found from its end in growing pieces: as the
  // walk from the start finds it, unless the pattern's matches overlap. None
  // when there is none or it is not found by `deadline`.
  std::optional<Match> LastMatch(Clock::time_point deadline) const;

 private:
  // The next match from next_, or none when the piece up to `limit` holds none
  // (next_ has then moved on).
  std::optional<Match> NextMatch(size_t limit);
  std::optional<Match> NextPlainMatch(size_t limit);
  std::optional<Match> NextPatternMatch(size_t limit);

  EditorControl editor_;
  bool active_ = false;
  std::string text_;
  int flags_ = 0;
  std::optional<Pattern> pattern_;
  size_t next_ = 0;
  size_t end_ = 0;     // where the walk ends
  size_t length_ = 0;  // the document's length
  size_t piece_ = 0;   // how much of the document one find covers
  // The line of a pattern scan that holds next_: [lineStart_, lineEnd_).
  size_t lineStart_ = 0;
  size_t lineEnd_ = 0;
  bool lineKnown_ = false;
  // Where the first line starts that the pattern could not search in the
  // work one call may do.
  std::optional<size_t> tooComplexAt_;
};

}  // namespace lumen
