#include "search/Pattern.h"

#include <pcre2.h>

#include <algorithm>
#include <string>

namespace lumen {
namespace {

// What the control takes for a word character, and a boundary between one
// and anything else (or the line's ends).
constexpr std::string_view kWordCharacters = "\\p{L}\\p{M}\\p{N}_";
const std::string kWord = "[" + std::string(kWordCharacters) + "]";
const std::string kBoundary = "(?:(?<=" + kWord + ")(?!" + kWord + ")|(?<!" + kWord + ")(?=" + kWord + "))";
const std::string kNoBoundary = "(?:(?<=" + kWord + ")(?=" + kWord + ")|(?<!" + kWord + ")(?!" + kWord + "))";

// One call's work: about 20 ms on a slow machine, however hostile the
// pattern (PCRE2 counts its backtracking steps and the depth of its stack).
constexpr uint32_t kMatchLimit = 500000;
constexpr uint32_t kDepthLimit = 500000;
constexpr PCRE2_SIZE kHeapLimitKilobytes = 64 * 1024;

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
  std::unique_ptr<pcre2_match_context, ContextFree> context;
  std::unique_ptr<pcre2_match_data, DataFree> data;  // one search at a time, on one thread
};

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

std::optional<Pattern> Pattern::Compile(std::string_view utf8, bool matchCase, bool wholeWord) {
  std::string pattern = WithTheControlsWordCharacters(utf8);
  if (wholeWord) pattern = "(?<!" + kWord + ")(?:" + pattern + ")(?!" + kWord + ")";
  // Invalid UTF-8 in the document never matches and never stops a search;
  // PCRE2_UCP gives the classes and casing of all of Unicode.
  uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
  if (!matchCase) options |= PCRE2_CASELESS;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  auto compiled = std::make_shared<Compiled>();
  compiled->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error,
                                     &errorOffset, nullptr));
  if (!compiled->code) return std::nullopt;
  compiled->context.reset(pcre2_match_context_create(nullptr));
  compiled->data.reset(pcre2_match_data_create(1, nullptr));
  if (!compiled->context || !compiled->data) return std::nullopt;
  pcre2_set_match_limit(compiled->context.get(), kMatchLimit);
  pcre2_set_depth_limit(compiled->context.get(), kDepthLimit);
  pcre2_set_heap_limit(compiled->context.get(), kHeapLimitKilobytes);
  return Pattern(std::move(compiled));
}

Pattern::Result Pattern::Find(std::string_view line, size_t from) const {
  const Compiled& compiled = *compiled_;
  const int found = pcre2_match(compiled.code.get(), reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), from, 0,
                                compiled.data.get(), compiled.context.get());
  if (found >= 0) {
    const PCRE2_SIZE* span = pcre2_get_ovector_pointer(compiled.data.get());
    // \K may put a match's start after its end: it is taken as empty there.
    return {Outcome::Found, {span[0], std::max(span[0], span[1])}};
  }
  if (found == PCRE2_ERROR_MATCHLIMIT || found == PCRE2_ERROR_DEPTHLIMIT || found == PCRE2_ERROR_HEAPLIMIT) {
    return {Outcome::TooComplex, {}};
  }
  return {};  // no match, or a failure that is no match either
}

}  // namespace lumen
