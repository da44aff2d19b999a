#include "search/Pattern.h"

#include <pcre2.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <string>

namespace lumen {
namespace {

// What the control takes for a word character, and a boundary between one
// and anything else (or the line's ends).
constexpr std::string_view kWordCharacters = "\\p{L}\\p{M}\\p{N}_";
const std::string kWord = "[" + std::string(kWordCharacters) + "]";
const std::string kBoundary = "(?:(?<=" + kWord + ")(?!" + kWord + ")|(?<!" + kWord + ")(?=" + kWord + "))";
constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";
const std::string kNoBoundary = "(?:(?<=" + kWord + ")(?=" + kWord + ")|(?<!" + kWord + ")(?!" + kWord + "))";

// One call's work: about 20 ms on a slow machine, however hostile the
// pattern (PCRE2 counts its backtracking steps and the depth of its stack).
constexpr uint32_t kMatchLimit = 200000;
constexpr uint32_t kDepthLimit = 500000;
constexpr PCRE2_SIZE kHeapLimitKilobytes = 64 * 1024;
constexpr uint64_t kFrameBytesPerStart = uint64_t{kMatchLimit} * 144;

// Between two looks at the clock, the search tries this many starts.
constexpr uint32_t kStartsBetweenClockReads = 8;

}  // namespace

struct Pattern::Compiled {
  struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
  };
  struct ContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
  };
  struct DataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
  };
  std::unique_ptr<pcre2_code, CodeFree> code;
  // The limits and the callout, which each thread's copy takes (ThreadMatch).
  std::unique_ptr<pcre2_match_context, ContextFree> context;
  uint64_t serial = 0;  // tells one compiled pattern from another made at the same address
  // The search in hand, as its callout at each start sees it.
  struct Watch {
    std::chrono::steady_clock::time_point deadline;
    size_t from = 0;
    size_t lastStart = 0;
    uint32_t starts = 0;
    size_t tooComplexStart = static_cast<size_t>(-1);
  };
};

namespace {

// Called at each start the search tries: past the deadline, the search stops
// before a start later than its first, so that it always gets on.
int AtStart(pcre2_callout_block* block, void* data) {
  auto& watch = *static_cast<Pattern::Compiled::Watch*>(data);
  watch.lastStart = block->start_match;
  if (block->start_match == watch.tooComplexStart) return PCRE2_ERROR_MATCHLIMIT;
  if (block->start_match <= watch.from || ++watch.starts % kStartsBetweenClockReads != 0) return 0;
  return std::chrono::steady_clock::now() >= watch.deadline ? PCRE2_ERROR_CALLOUT : 0;
}

// What a thread's searches with one pattern need of their own: the match
// data and a match context whose callout sees the thread's watch. A big
// file's workers search with the same pattern at once.
struct ThreadMatch {
  uint64_t serial = 0;
  std::unique_ptr<pcre2_match_data, Pattern::Compiled::DataFree> data;
  std::unique_ptr<pcre2_match_context, Pattern::Compiled::ContextFree> context;
  Pattern::Compiled::Watch watch;
};

// A plain pointer: a thread-local object with a destructor would run it at
// the thread's exit, possibly after the host has unloaded this library.
// Workers free theirs as they end (ReleaseThreadPatternState); the host's
// thread keeps its one.
thread_local ThreadMatch* threadMatch = nullptr;

// The thread's, made anew when the thread searches with another pattern;
// null when it cannot be made.
ThreadMatch* ThreadMatchFor(const Pattern::Compiled& compiled) {
  if (!threadMatch) threadMatch = new (std::nothrow) ThreadMatch();
  if (!threadMatch) return nullptr;
  ThreadMatch& match = *threadMatch;
  if (match.serial != compiled.serial || !match.data || !match.context) {
    match.serial = 0;
    match.data.reset(pcre2_match_data_create(1, nullptr));
    match.context.reset(pcre2_match_context_copy(compiled.context.get()));
    if (!match.data || !match.context) return nullptr;
    pcre2_set_callout(match.context.get(), AtStart, &match.watch);
    match.serial = compiled.serial;
  }
  return &match;
}

// The code point's digits after a \u: "HHHH" or "{H...}" at the start of
// `rest`, and how much of `rest` they take.
struct HexEscape {
  std::string_view digits;
  size_t length;
};
std::optional<HexEscape> HexDigitsAfterU(std::string_view rest) {
  const auto hex = [](std::string_view digits) {
    return !digits.empty() && digits.find_first_not_of(kHexDigits) == std::string_view::npos;
  };
  if (rest.starts_with('{')) {
    const size_t close = rest.find('}');
    if (close == std::string_view::npos || !hex(rest.substr(1, close - 1))) return std::nullopt;
    return HexEscape{rest.substr(1, close - 1), close + 1};
  }
  if (rest.size() < 4 || !hex(rest.substr(0, 4))) return std::nullopt;
  return HexEscape{rest.substr(0, 4), 4};
}

}  // namespace

std::string WithTheControlsWordCharacters(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size());
  bool quoted = false;  // inside \Q...\E
  bool inClass = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (quoted) {
      if (c == '\\' && i + 1 < pattern.size() && pattern[i + 1] == 'E') quoted = false;
      out += c;
      continue;
    }
    if (c == '[' && !inClass) {
      inClass = true;
      out += c;
      // A ']' first in the class, after an optional '^', is itself.
      if (i + 1 < pattern.size() && pattern[i + 1] == '^') out += pattern[++i];
      if (i + 1 < pattern.size() && pattern[i + 1] == ']') out += pattern[++i];
      continue;
    }
    if (c == '[' && inClass && i + 1 < pattern.size() && pattern[i + 1] == ':') {
      const size_t end = pattern.find(":]", i + 2);  // a POSIX class inside
      if (end != std::string_view::npos) {
        out.append(pattern.substr(i, end + 2 - i));
        i = end + 1;
        continue;
      }
    }
    if (c == ']' && inClass) inClass = false;
    if (c != '\\' || i + 1 == pattern.size()) {
      out += c;
      continue;
    }
    const char escaped = pattern[++i];
    if (escaped == 'Q') quoted = true;
    if (escaped == 'u') {
      // \uHHHH and \u{H...}, as JavaScript, Java and C# write a code point, are PCRE2's \x{...}.
      if (const std::optional<HexEscape> codePoint = HexDigitsAfterU(pattern.substr(i + 1))) {
        out += "\\x{" + std::string(codePoint->digits) + "}";
        i += codePoint->length;
        continue;
      }
    }
    if (escaped == 'w') {
      out += inClass ? std::string(kWordCharacters) : kWord;
    } else if (escaped == 'W' && !inClass) {
      out += "[^" + std::string(kWordCharacters) + "]";
    } else if (escaped == 'b' && !inClass) {
      out += kBoundary;
    } else if (escaped == 'B' && !inClass) {
      out += kNoBoundary;
    } else {
      out += '\\';
      out += escaped;
    }
  }
  return out;
}

namespace {

bool Compiles(const std::string& pattern, uint32_t options) {
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options | PCRE2_UTF | PCRE2_UCP, &error, &errorOffset, nullptr);
  pcre2_code_free(code);
  return code != nullptr;
}

}  // namespace

std::optional<Pattern> Pattern::Compile(std::string_view utf8, bool matchCase, bool wholeWord) {
  std::string pattern = WithTheControlsWordCharacters(utf8);
  // A pattern such as "a)(b" is no pattern, though it is one in a group.
  if (wholeWord && !Compiles(pattern, 0)) return std::nullopt;
  if (wholeWord) pattern = "(?<!" + kWord + ")(?:" + pattern + ")(?!" + kWord + ")";
  // A callout in front of the first branch runs at each start the search
  // tries: there the clock is looked at. Settings such as (*CRLF) stay first.
  size_t front = 0;
  while (pattern.compare(front, 2, "(*") == 0 && pattern.find(')', front) != std::string::npos) {
    front = pattern.find(')', front) + 1;
  }
  pattern.insert(front, "(?C1)");
  // The subject is valid UTF-8, checked by the caller once for all its
  // searches; PCRE2_UCP gives the classes and casing of all of Unicode.
  uint32_t options = PCRE2_UTF | PCRE2_UCP;
  if (!matchCase) options |= PCRE2_CASELESS;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  auto compiled = std::make_shared<Compiled>();
  compiled->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error,
                                     &errorOffset, nullptr));
  if (!compiled->code) return std::nullopt;
  compiled->context.reset(pcre2_match_context_create(nullptr));
  if (!compiled->context) return std::nullopt;
  static std::atomic<uint64_t> patternsMade{0};
  compiled->serial = ++patternsMade;
  // Each backtracking step copies a frame that holds every group's place: a
  // pattern of a thousand groups gets as many bytes of work, not as many steps.
  uint32_t groups = 0;
  pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
  const uint64_t frameBytes = 128 + 16 * (uint64_t{groups} + 1);
  const auto matchLimit = static_cast<uint32_t>(std::clamp<uint64_t>(kFrameBytesPerStart / frameBytes, 1000, kMatchLimit));
  pcre2_set_match_limit(compiled->context.get(), matchLimit);
  pcre2_set_depth_limit(compiled->context.get(), kDepthLimit);
  pcre2_set_heap_limit(compiled->context.get(), kHeapLimitKilobytes);
  return Pattern(std::move(compiled));
}

void ReleaseThreadPatternState() {
  delete threadMatch;
  threadMatch = nullptr;
}

size_t ValidUtf8Length(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The second byte's range shuts out overlong forms, surrogates and code
    // points past U+10FFFF.
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (i + length > text.size() || bytes[i + 1] < low || bytes[i + 1] > high) return i;
    for (size_t k = 2; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return i;
    }
    i += length;
  }
  return i;
}

Pattern::Result Pattern::Find(std::string_view subject, size_t from, const Subject& about) const {
  const Compiled& compiled = *compiled_;
  ThreadMatch* const thread = ThreadMatchFor(compiled);
  if (!thread) return {};
  Compiled::Watch& watch = thread->watch;
  watch = {about.deadline, from, from, 0, about.tooComplexStart};
  uint32_t options = PCRE2_NO_UTF_CHECK | PCRE2_NOTEMPTY;
  if (!about.startsLine) options |= PCRE2_NOTBOL;
  if (!about.endsLine) options |= PCRE2_NOTEOL;
  if (about.cut) options |= PCRE2_PARTIAL_HARD;
  const int found = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                                from, options, thread->data.get(), thread->context.get());
  if (found >= 0) {
    const PCRE2_SIZE* span = pcre2_get_ovector_pointer(thread->data.get());
    // \K may put a match's start after its end: it is taken as empty there.
    return {Outcome::Found, {span[0], std::max(span[0], span[1])}};
  }
  switch (found) {
    case PCRE2_ERROR_PARTIAL: {
      const size_t start = pcre2_get_startchar(thread->data.get());
      return {Outcome::Cut, {start, start}};
    }
    case PCRE2_ERROR_CALLOUT:
      return {Outcome::Interrupted, {watch.lastStart, watch.lastStart}};
    case PCRE2_ERROR_MATCHLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
      return {Outcome::TooComplex, {watch.lastStart, watch.lastStart}};
    default:
      return {};  // no match, or a failure that is no match either
  }
}

Pattern::Result Pattern::Find(std::string_view line, size_t from) const {
  // Bytes that are no character split the line into parts searched apart.
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = start;
    end += ValidUtf8Length(line.substr(start));
    if (from <= end) {
      Result found = Find(line.substr(start, end - start), std::max(from, start) - start,
                          Subject{start == 0, end == line.size(), false});
      if (found.outcome != Outcome::None) {
        found.span.start += start;
        found.span.end += start;
        return found;
      }
    }
    if (end >= line.size()) break;
    start = end + 1;  // past the byte that is no character
  }
  return {};
}

}  // namespace lumen
