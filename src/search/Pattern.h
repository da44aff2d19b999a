#pragma once
// Regular expressions of the find bar, run by our own engine: a Pike virtual
// machine over the UTF-8 bytes of one line at a time. It keeps no backtracking
// stack and recurses nowhere while matching, so its time grows with the line's
// length times the pattern's size and no pattern can exhaust the stack.
//
// Syntax: literals; . (any character); [...] and [^...] with ranges; \d \D \w
// \W \s \S \b \B; escapes \t \n \r \\ and of any punctuation; ^ and $ (the
// line's start and end); groups (...) and (?:...); alternation |; * + ? {n}
// {n,} {n,m}, each also lazy with a trailing ?. Matches never span lines.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen {

class Pattern {
 public:
  // Nothing when the pattern is not valid or needs more than the engine's
  // limits (nesting 200 deep, 50 000 instructions).
  static std::optional<Pattern> Compile(std::string_view utf8, bool matchCase, bool wholeWord);

  struct Span {
    size_t start;
    size_t end;  // exclusive; equal to start for an empty match
  };
  // The leftmost match (the earliest of the alternatives that match there)
  // starting at or after `from` in `line`, which holds no line end.
  std::optional<Span> Find(std::string_view line, size_t from) const;

  struct Thread {
    uint32_t pc;
    size_t start;
  };
  // A search in one line that can stop and go on: its threads and position.
  struct Cursor {
    std::vector<Thread> current, next, stack;
    std::vector<size_t> onList;  // the step that last added each instruction
    size_t step = 0;
    size_t at = 0;
    std::optional<Span> found;
    bool begun = false;
  };
  // Goes on with `cursor` (fresh for each search from `from`) until the search
  // ends (true; the match, if any, is in cursor.found) or about `budget`
  // instructions were run (false; call again with the same line).
  bool Resume(Cursor& cursor, std::string_view line, size_t from, size_t& budget) const;

  enum class Op : uint8_t { Char, Any, Class, Split, Jump, LineStart, LineEnd, WordBoundary, NotWordBoundary,
                            NoWordBefore, NoWordAfter, Match };
  struct Instruction {
    Op op;
    bool negated = false;  // Class
    uint32_t codePoint = 0;  // Char
    uint32_t x = 0, y = 0;  // Split: preferred, other; Jump: target; Class: first range, range count
  };

 private:
  bool InClass(const Instruction& instruction, uint32_t c, uint32_t folded) const;
  // The first place from `from` where the pattern's first byte stands; past
  // the line's end when there is none.
  size_t NextCandidate(std::string_view line, size_t from) const;

  std::vector<Instruction> program_;
  std::vector<std::pair<uint32_t, uint32_t>> ranges_;  // of all classes, folded when case is ignored
  bool matchCase_ = true;
  uint8_t firstByte_ = 0;  // the byte every match begins with, or 0
  friend class PatternCompiler;
};

}  // namespace lumen
