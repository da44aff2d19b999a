#include "search/Pattern.h"

#include <windows.h>

#include <algorithm>

namespace lumen {
namespace {

using Op = Pattern::Op;
using Instruction = Pattern::Instruction;
using Range = std::pair<uint32_t, uint32_t>;

constexpr uint32_t kLastCodePoint = 0x10FFFF;
constexpr int kDeepestNesting = 200;
constexpr size_t kLargestProgram = 50000;
constexpr int kLargestCount = 1000;
constexpr uint32_t kUnbounded = UINT32_MAX;

// One UTF-8 character at `at`; a byte that starts no valid sequence counts
// as a character of its own, outside Unicode, so that nothing but . matches it.
uint32_t Decode(std::string_view text, size_t at, size_t& length) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
  const uint8_t lead = byte(0);
  length = 1;
  if (lead < 0x80) return lead;
  const size_t need = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
  if (need == 0 || at + need > text.size()) return 0x110000 + lead;
  uint32_t value = lead & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
  for (size_t i = 1; i < need; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0x110000 + lead;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  const uint32_t smallest = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
  if (value < smallest || value > kLastCodePoint || (value >= 0xD800 && value <= 0xDFFF)) return 0x110000 + lead;
  length = need;
  return value;
}

// The control's word characters: ASCII letters, digits and _, and every
// character beyond ASCII.
bool IsWordCharacter(uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         (c >= 0x80 && c <= kLastCodePoint);
}

uint32_t Fold(uint32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c > 0xFFFF) return c;
  wchar_t unit = static_cast<wchar_t>(c);
  CharLowerBuffW(&unit, 1);
  return unit;
}

const std::vector<Range> kDigits = {{'0', '9'}};
const std::vector<Range> kWords = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}, {0x80, kLastCodePoint}};
const std::vector<Range> kSpaces = {{'\t', '\r'}, {' ', ' '}, {0xA0, 0xA0}, {0x2000, 0x200A}, {0x3000, 0x3000}};

std::vector<Range> Complement(std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end());
  std::vector<Range> result;
  uint32_t next = 0;
  for (const auto& [low, high] : ranges) {
    if (low > next) result.emplace_back(next, low - 1);
    next = std::max(next, high == kUnbounded ? high : high + 1);
  }
  if (next <= kLastCodePoint) result.emplace_back(next, kLastCodePoint);
  return result;
}

}  // namespace

// Recursive descent straight into the program; fragments are copied for
// counted repetition, within the program's limit.
class PatternCompiler {
 public:
  PatternCompiler(std::string_view text, Pattern& pattern) : text_(text), pattern_(pattern) {}

  bool Run(bool wholeWord) {
    if (wholeWord) Emit({Op::NoWordBefore});
    if (!Alternation(0) || at_ != text_.size()) return false;
    if (wholeWord) Emit({Op::NoWordAfter});
    Emit({Op::Match});
    return !failed_;
  }

 private:
  std::vector<Instruction>& program() { return pattern_.program_; }
  size_t Emit(Instruction instruction) {
    if (program().size() >= kLargestProgram) {
      failed_ = true;
      return program().size();
    }
    program().push_back(instruction);
    return program().size() - 1;
  }
  bool AtEnd() const { return at_ >= text_.size(); }
  uint32_t TakeCharacter() {
    size_t length = 0;
    const uint32_t codePoint = Decode(text_, at_, length);
    at_ += length;
    return codePoint;
  }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

  bool Alternation(int depth) {
    if (depth > kDeepestNesting) return false;
    const size_t start = program().size();
    if (!Sequence(depth)) return false;
    std::vector<size_t> jumps;
    while (Peek() == '|' && !failed_) {
      ++at_;
      // Split before what came so far, to it or to the next alternative.
      program().insert(program().begin() + static_cast<std::ptrdiff_t>(start), Instruction{Op::Split});
      Relocate(start + 1, 1);
      for (size_t& jump : jumps) ++jump;
      jumps.push_back(Emit({Op::Jump}));
      program()[start].x = static_cast<uint32_t>(start + 1);
      program()[start].y = static_cast<uint32_t>(program().size());
      if (!Sequence(depth)) return false;
    }
    for (size_t jump : jumps) program()[jump].x = static_cast<uint32_t>(program().size());
    return !failed_;
  }

  // Targets at or after `from` move by `by` when instructions are inserted there.
  void Relocate(size_t from, size_t by) {
    for (size_t i = from; i < program().size(); ++i) {
      Instruction& instruction = program()[i];
      if (instruction.op == Op::Split || instruction.op == Op::Jump) {
        if (instruction.x >= from - 1) instruction.x += static_cast<uint32_t>(by);
        if (instruction.op == Op::Split && instruction.y >= from - 1) instruction.y += static_cast<uint32_t>(by);
      }
    }
    if (program().size() > kLargestProgram) failed_ = true;
  }

  bool Sequence(int depth) {
    while (!AtEnd() && Peek() != '|' && Peek() != ')' && !failed_) {
      if (!Repetition(depth)) return false;
    }
    return !failed_;
  }

  bool Repetition(int depth) {
    const size_t start = program().size();
    if (!Atom(depth)) return false;
    uint32_t least = 1, most = 1;
    if (Peek() == '*') {
      least = 0, most = kUnbounded, ++at_;
    } else if (Peek() == '+') {
      least = 1, most = kUnbounded, ++at_;
    } else if (Peek() == '?') {
      least = 0, most = 1, ++at_;
    } else if (Peek() == '{' && Counts(least, most)) {
    } else {
      return true;
    }
    const bool lazy = Peek() == '?';
    if (lazy) ++at_;
    if (Peek() == '*' || Peek() == '+' || Peek() == '?') return false;  // a quantifier of a quantifier
    return Repeat(start, least, most, lazy);
  }

  bool Counts(uint32_t& least, uint32_t& most) {
    size_t at = at_ + 1;
    const auto number = [&](uint32_t& value) {
      const size_t first = at;
      value = 0;
      while (at < text_.size() && text_[at] >= '0' && text_[at] <= '9') {
        value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(text_[at] - '0'), kLargestCount + 1);
        ++at;
      }
      return at > first;
    };
    if (!number(least)) return false;  // a brace that starts no count is a literal
    most = least;
    if (at < text_.size() && text_[at] == ',') {
      ++at;
      if (!number(most)) most = kUnbounded;
    }
    if (at >= text_.size() || text_[at] != '}') return false;
    if (least > kLargestCount || (most != kUnbounded && (most > kLargestCount || most < least))) {
      failed_ = true;
      return false;
    }
    at_ = at + 1;
    return true;
  }

  // The fragment [start, end) repeated: `least` copies, then optional ones or a loop.
  bool Repeat(size_t start, uint32_t least, uint32_t most, bool lazy) {
    const std::vector<Instruction> body(program().begin() + static_cast<std::ptrdiff_t>(start), program().end());
    program().resize(start);
    const auto copy = [&] {
      const size_t base = program().size();
      if (base + body.size() > kLargestProgram) {
        failed_ = true;
        return;
      }
      for (Instruction instruction : body) {
        if (instruction.op == Op::Split || instruction.op == Op::Jump) {
          instruction.x = static_cast<uint32_t>(instruction.x - start + base);
          if (instruction.op == Op::Split) instruction.y = static_cast<uint32_t>(instruction.y - start + base);
        }
        program().push_back(instruction);
      }
    };
    for (uint32_t i = 0; i < least && !failed_; ++i) copy();
    if (most == kUnbounded) {
      const size_t split = Emit({Op::Split});
      copy();
      Emit({Op::Jump, false, 0, static_cast<uint32_t>(split)});
      SetSplit(split, split + 1, program().size(), lazy);
    } else {
      std::vector<size_t> splits;
      for (uint32_t i = least; i < most && !failed_; ++i) {
        splits.push_back(Emit({Op::Split}));
        copy();
      }
      for (size_t split : splits) SetSplit(split, split + 1, program().size(), lazy);
    }
    return !failed_;
  }

  void SetSplit(size_t split, size_t body, size_t out, bool lazy) {
    if (split >= program().size()) return;
    program()[split].x = static_cast<uint32_t>(lazy ? out : body);
    program()[split].y = static_cast<uint32_t>(lazy ? body : out);
  }

  bool Atom(int depth) {
    const char c = Peek();
    switch (c) {
      case '(': {
        ++at_;
        if (text_.substr(at_, 2) == "?:") at_ += 2;
        if (!Alternation(depth + 1) || Peek() != ')') return false;
        ++at_;
        return true;
      }
      case '*': case '+': case '?': return false;  // nothing to repeat
      case '.': ++at_; Emit({Op::Any}); return true;
      case '^': ++at_; Emit({Op::LineStart}); return true;
      case '$': ++at_; Emit({Op::LineEnd}); return true;
      case '[': return CharacterClass();
      case '\\': return Escape();
      default:
        EmitCharacter(TakeCharacter());
        return true;
    }
  }

  void EmitCharacter(uint32_t codePoint) {
    Emit({Op::Char, false, pattern_.matchCase_ ? codePoint : Fold(codePoint)});
  }

  void EmitClass(const std::vector<Range>& ranges, bool negated) {
    const auto first = static_cast<uint32_t>(pattern_.ranges_.size());
    pattern_.ranges_.insert(pattern_.ranges_.end(), ranges.begin(), ranges.end());
    Emit({Op::Class, negated, 0, first, static_cast<uint32_t>(ranges.size())});
  }

  // A class shorthand after a backslash, or none.
  const std::vector<Range>* Shorthand(char c, bool& negated) const {
    negated = c == 'D' || c == 'W' || c == 'S';
    switch (c) {
      case 'd': case 'D': return &kDigits;
      case 'w': case 'W': return &kWords;
      case 's': case 'S': return &kSpaces;
      default: return nullptr;
    }
  }

  // The character an escape stands for; false for an unknown letter escape.
  bool EscapedCharacter(uint32_t& codePoint) {
    const char c = Peek();
    const char* const controls = "t\tn\nr\rf\fv\v0";
    for (const char* p = controls; p[0] && p[1]; p += 2) {
      if (c == p[0]) {
        ++at_;
        codePoint = static_cast<uint8_t>(p[1]);
        return true;
      }
    }
    if (c == '0') {
      ++at_;
      codePoint = 0;
      return true;
    }
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '1' && c <= '9')) return false;
    codePoint = TakeCharacter();
    return true;
  }

  bool Escape() {
    ++at_;
    if (AtEnd()) return false;
    const char c = Peek();
    bool negated = false;
    if (const auto* ranges = Shorthand(c, negated)) {
      ++at_;
      EmitClass(*ranges, negated);
      return true;
    }
    if (c == 'b' || c == 'B') {
      ++at_;
      Emit({c == 'b' ? Op::WordBoundary : Op::NotWordBoundary});
      return true;
    }
    uint32_t codePoint = 0;
    if (!EscapedCharacter(codePoint)) return false;
    EmitCharacter(codePoint);
    return true;
  }

  bool ClassCharacter(uint32_t& codePoint, std::vector<Range>& ranges, bool& wasShorthand) {
    wasShorthand = false;
    if (AtEnd()) return false;
    if (Peek() == '\\') {
      ++at_;
      if (AtEnd()) return false;
      bool negated = false;
      if (const auto* shorthand = Shorthand(Peek(), negated)) {
        ++at_;
        const std::vector<Range> added = negated ? Complement(*shorthand) : *shorthand;
        ranges.insert(ranges.end(), added.begin(), added.end());
        wasShorthand = true;
        return true;
      }
      if (Peek() == 'b') {
        ++at_;
        codePoint = '\b';
        return true;
      }
      return EscapedCharacter(codePoint);
    }
    codePoint = TakeCharacter();
    return true;
  }

  bool CharacterClass() {
    ++at_;
    const bool negated = Peek() == '^';
    if (negated) ++at_;
    std::vector<Range> ranges;
    bool first = true;
    while (!AtEnd() && (Peek() != ']' || first)) {
      first = false;
      uint32_t low = 0;
      bool shorthand = false;
      if (!ClassCharacter(low, ranges, shorthand)) return false;
      if (shorthand) continue;
      uint32_t high = low;
      if (Peek() == '-' && at_ + 1 < text_.size() && text_[at_ + 1] != ']') {
        ++at_;
        bool highShorthand = false;
        if (!ClassCharacter(high, ranges, highShorthand) || highShorthand || high < low) return false;
      }
      ranges.emplace_back(low, high);
    }
    if (AtEnd()) return false;
    ++at_;
    EmitClass(ranges, negated);
    return true;
  }

  std::string_view text_;
  size_t at_ = 0;
  Pattern& pattern_;
  bool failed_ = false;
};

std::optional<Pattern> Pattern::Compile(std::string_view utf8, bool matchCase, bool wholeWord) {
  Pattern pattern;
  pattern.matchCase_ = matchCase;
  if (!PatternCompiler(utf8, pattern).Run(wholeWord)) return std::nullopt;
  // A pattern that must begin with one ASCII character lets the search skip
  // to where that character is (folded when case is ignored).
  const Instruction& first = pattern.program_.front();
  if (first.op == Op::Char && first.codePoint > 0 && first.codePoint < 0x80) {
    pattern.firstByte_ = static_cast<uint8_t>(first.codePoint);
  }
  return pattern;
}

bool Pattern::InClass(const Instruction& instruction, uint32_t c, uint32_t folded) const {
  const auto* range = ranges_.data() + instruction.x;
  const auto inside = [&](uint32_t value) {
    for (uint32_t i = 0; i < instruction.y; ++i) {
      if (value >= range[i].first && value <= range[i].second) return true;
    }
    return false;
  };
  if (inside(c) || matchCase_) return inside(c);
  if (inside(folded)) return true;
  if (c >= 'a' && c <= 'z') return inside(c - 32);
  if (c < 0x80 || c > 0xFFFF) return false;
  wchar_t unit = static_cast<wchar_t>(c);
  CharUpperBuffW(&unit, 1);
  return inside(unit);
}

std::optional<Pattern::Span> Pattern::Find(std::string_view line, size_t from) const {
  Cursor cursor;
  size_t budget = SIZE_MAX;
  Resume(cursor, line, from, budget);
  return cursor.found;
}

size_t Pattern::NextCandidate(std::string_view line, size_t from) const {
  for (size_t at = from; at < line.size(); ++at) {
    const auto byte = static_cast<uint8_t>(line[at]);
    if (byte == firstByte_ || (!matchCase_ && byte >= 'A' && byte <= 'Z' && byte + 32 == firstByte_)) return at;
  }
  return line.size() + 1;
}

bool Pattern::Resume(Cursor& cursor, std::string_view line, size_t from, size_t& budget) const {
  auto& [current, next, stack, onList, step, at, found, begun] = cursor;

  // Characters around a position, for the assertions.
  const auto before = [&](size_t position) -> uint32_t {
    if (position == 0) return 0;
    size_t back = position - 1;
    while (back > 0 && position - back < 4 && (static_cast<uint8_t>(line[back]) & 0xC0) == 0x80) --back;
    size_t length = 0;
    const uint32_t c = Decode(line, back, length);
    return back + length == position ? c : 0x110000 + static_cast<uint8_t>(line[position - 1]);
  };
  const auto after = [&](size_t position) -> uint32_t {
    size_t length = 0;
    return position < line.size() ? Decode(line, position, length) : 0;
  };
  // Follows jumps, splits and assertions from `pc` without recursion; threads
  // reach `list` in priority order.
  const auto add = [&](std::vector<Thread>& list, uint32_t pc, size_t start, size_t position) {
    stack.push_back({pc, start});
    bool haveAround = false;
    bool wordBefore = false, wordAfter = false;
    while (!stack.empty()) {
      const Thread thread = stack.back();
      stack.pop_back();
      if (onList[thread.pc] == step) continue;
      onList[thread.pc] = step;
      if (budget > 0) --budget;
      const Instruction& instruction = program_[thread.pc];
      if (!haveAround && instruction.op >= Op::WordBoundary && instruction.op <= Op::NoWordAfter) {
        wordBefore = position > 0 && IsWordCharacter(before(position));
        wordAfter = position < line.size() && IsWordCharacter(after(position));
        haveAround = true;
      }
      bool passes = true;
      switch (instruction.op) {
        case Op::Jump: stack.push_back({instruction.x, thread.start}); continue;
        case Op::Split:
          stack.push_back({instruction.y, thread.start});
          stack.push_back({instruction.x, thread.start});
          continue;
        case Op::LineStart: passes = position == 0; break;
        case Op::LineEnd: passes = position == line.size(); break;
        case Op::WordBoundary: passes = wordBefore != wordAfter; break;
        case Op::NotWordBoundary: passes = wordBefore == wordAfter; break;
        case Op::NoWordBefore: passes = !wordBefore; break;
        case Op::NoWordAfter: passes = !wordAfter; break;
        default: list.push_back(thread); continue;
      }
      if (passes) stack.push_back({thread.pc + 1, thread.start});
    }
  };

  if (!begun) {
    begun = true;
    onList.assign(program_.size(), SIZE_MAX);
    at = from;
    ++step;
    add(current, 0, from, from);
  }
  for (;;) {
    if (budget == 0) return false;  // to be resumed where it stands
    size_t length = 1;
    const uint32_t c = at < line.size() ? Decode(line, at, length) : 0;
    const uint32_t folded = matchCase_ ? c : Fold(c);
    ++step;
    for (const Thread& thread : current) {
      if (budget > 0) --budget;
      const Instruction& instruction = program_[thread.pc];
      if (instruction.op == Op::Match) {
        found = Span{thread.start, at};
        break;  // lower priorities give way
      }
      if (at >= line.size()) continue;
      bool matches = instruction.op == Op::Any;
      if (instruction.op == Op::Char) {
        matches = instruction.codePoint == folded;
      } else if (instruction.op == Op::Class) {
        matches = InClass(instruction, c, folded) != instruction.negated;
      }
      if (matches) add(next, thread.pc + 1, thread.start, at + length);
    }
    // A match that starts later has the lowest priority, and none once one is found.
    size_t start = at + length;
    if (!found && at < line.size() && next.empty() && firstByte_ != 0) {
      // Nothing under way: the next start is where the pattern's first byte is.
      start = NextCandidate(line, start);
      if (start > line.size()) return true;
    }
    if (!found && at < line.size()) add(next, 0, start, start);
    current.swap(next);
    next.clear();
    if (at >= line.size() || (found && current.empty())) return true;
    at = start == at + length ? at + length : start;
  }
}

}  // namespace lumen
