#include "search/MatchScan.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace lumen {
namespace {

using namespace sci;

// How much of the document one find covers: small enough that a find that
// meets no match returns soon, large enough that its overhead does not count.
constexpr size_t kPiece = 256 * 1024;
// The control compares the text at every start of a find's range: a long text
// over a document that nearly repeats it costs their lengths' product. A
// piece is cut so that this stays about this many comparisons.
constexpr size_t kComparisonsPerFind = size_t{16} << 20;
// How many matches pass between two looks at the clock.
constexpr int kMatchesBetweenClockReads = 64;

std::string_view Document(const EditorControl& editor, size_t length) {
  const auto* bytes = reinterpret_cast<const char*>(editor.Send(SCI_GETCHARACTERPOINTER));
  return bytes ? std::string_view(bytes, length) : std::string_view();
}

size_t LineEndLength(std::string_view document, size_t lineEnd) {
  if (lineEnd >= document.size()) return 1;
  return document.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1;
}

}  // namespace

void MatchScan::Start(const EditorControl& editor, std::string text, int flags) {
  editor_ = editor;
  text_ = std::move(text);
  flags_ = flags;
  pattern_.reset();
  next_ = 0;
  length_ = static_cast<size_t>(std::max<LRESULT>(editor.Send(SCI_GETLENGTH), 0));
  end_ = text_.empty() ? 0 : length_;
  piece_ = std::clamp<size_t>(kComparisonsPerFind / std::max<size_t>(text_.size(), 1), 1, kPiece);
  lineKnown_ = false;
  tooComplexAt_.reset();
  active_ = true;
}

void MatchScan::Start(const EditorControl& editor, Pattern pattern) {
  Start(editor, std::string(), 0);
  pattern_ = std::move(pattern);
  end_ = length_;
  piece_ = kPiece;
}

bool MatchScan::Run(Clock::time_point deadline, const OnMatch& onMatch, const std::function<bool()>& enough,
                    size_t atLeast) {
  int sinceClock = 0;
  size_t handed = 0;
  while (!done()) {
    if (enough && enough()) return false;
    const auto match = NextMatch(std::min(end_, next_ + piece_));
    if (match) onMatch(*match);
    if (match && ++handed <= atLeast) continue;
    // A piece without a match took long enough to be worth a look at the clock.
    if (!match || ++sinceClock >= kMatchesBetweenClockReads) {
      sinceClock = 0;
      if (Clock::now() >= deadline) break;
    }
  }
  return done();
}

bool MatchScan::Restart() {
  if (!active_ || !editor_.exists()) return false;
  length_ = static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETLENGTH), 0));
  end_ = text_.empty() && !pattern_ ? 0 : length_;
  next_ = 0;
  lineKnown_ = false;
  tooComplexAt_.reset();
  return true;
}

std::optional<Match> MatchScan::NextMatch(size_t limit) {
  return pattern_ ? NextPatternMatch(limit) : NextPlainMatch(limit);
}

std::optional<Match> MatchScan::NextPlainMatch(size_t limit) {
  // A match that starts before `limit` ends within this reach (case folding
  // may change a few characters' lengths in bytes).
  const size_t reach = std::min(length_, limit + text_.size() + text_.size() / 4 + 8);
  Sci_TextToFind find = {{static_cast<int32_t>(next_), static_cast<int32_t>(reach)}, text_.c_str(),
                         {0, 0}};
  if (editor_.Send(SCI_FINDTEXT, static_cast<WPARAM>(flags_), &find) == -1) {
    next_ = limit;
    return std::nullopt;
  }
  const Match match{find.chrgText.cpMin, find.chrgText.cpMax};
  // An empty match would be found again and again at the same place.
  next_ = match.end > match.start ? static_cast<size_t>(match.end) : static_cast<size_t>(match.start) + 1;
  if (match.end <= match.start) return std::nullopt;
  return match;
}

std::optional<Match> MatchScan::NextPatternMatch(size_t limit) {
  const std::string_view document = Document(editor_, length_);
  if (document.empty()) {
    next_ = end_;
    return std::nullopt;
  }
  if (next_ >= limit) return std::nullopt;
  // One search in one line a call: the walk looks at the clock between them.
  if (!lineKnown_) {
    lineStart_ = next_;
    lineEnd_ = std::min(document.find_first_of("\r\n", next_), document.size());
    lineKnown_ = true;
  }
  const std::string_view line = document.substr(lineStart_, lineEnd_ - lineStart_);
  if (next_ <= lineEnd_) {
    const Pattern::Result found = pattern_->Find(line, next_ - lineStart_);
    const size_t start = lineStart_ + found.span.start, end = lineStart_ + found.span.end;
    if (found.outcome == Pattern::Outcome::Found && end > start) {
      next_ = end;
      return Match{static_cast<int32_t>(start), static_cast<int32_t>(end)};
    }
    if (found.outcome == Pattern::Outcome::Found && start < lineEnd_) {
      // Past an empty match by one whole character.
      next_ = start + 1;
      while (next_ < lineEnd_ && (static_cast<uint8_t>(document[next_]) & 0xC0) == 0x80) ++next_;
      return std::nullopt;
    }
    if (found.outcome == Pattern::Outcome::TooComplex && !tooComplexAt_) tooComplexAt_ = lineStart_;
  }
  next_ = lineEnd_ + LineEndLength(document, lineEnd_);
  lineKnown_ = false;
  return std::nullopt;
}

std::optional<Match> MatchScan::LastMatch(Clock::time_point deadline) const {
  // Small pieces first: where matches are many, the last is found at once.
  for (size_t piece = 256;; piece *= 4) {
    const size_t start = piece < end_ ? end_ - piece : 0;
    std::optional<Match> last;
    // Only a piece searched to its end tells which match is the last.
    if (!Within(start, end_, [&](const Match& match) { last = match; }, deadline)) return std::nullopt;
    if (last || start == 0) return last;
  }
}

bool MatchScan::Within(size_t start, size_t end, const OnMatch& onMatch, Clock::time_point deadline) const {
  if (!active_) return true;
  MatchScan part = *this;
  part.next_ = start;
  part.end_ = std::min(end, end_);
  part.lineKnown_ = false;
  if (part.pattern_ && start > 0) {
    // A pattern scan starts at a line's start, so that ^ and \b see the line.
    const std::string_view document = Document(editor_, length_);
    const size_t before = document.find_last_of("\r\n", start - 1);
    part.next_ = before == std::string_view::npos ? 0 : before + 1;
  }
  while (!part.done()) {
    if (Clock::now() >= deadline) return false;
    if (const auto match = part.NextMatch(std::min(part.end_, part.next_ + part.piece_))) onMatch(*match);
  }
  return true;
}

}  // namespace lumen
