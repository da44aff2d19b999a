#pragma once
// Regular expressions of the find bar: Perl's syntax as PCRE2 takes it
// (lookaround, back-references, \x{...} and \uHHHH, inline flags, POSIX and
// Unicode classes), matched within one line at a time. Word characters and \b
// follow the editor control's rules: Unicode letters, marks and digits and
// "_" are word characters, punctuation and spaces are not. A match's work is
// bounded, so that no pattern and no line can hold the host's thread.
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

namespace lumen {

class Pattern {
 public:
  // Nothing when the pattern is not valid.
  static std::optional<Pattern> Compile(std::string_view utf8, bool matchCase, bool wholeWord);

  struct Span {
    size_t start;
    size_t end;  // exclusive; equal to start for an empty match
  };
  // Found: the leftmost match that is not empty, in `span`.
  // None: no match starts at `from` or after it.
  // Cut: a match may start at span.start and run on past the subject's end:
  //   search again from there with more of the line.
  // TooComplex: a start needed more work than one search may do (tens of ms).
  // Interrupted: the deadline came; search again from span.start.
  enum class Outcome { Found, None, Cut, TooComplex, Interrupted };
  struct Result {
    Outcome outcome = Outcome::None;
    Span span = {0, 0};
  };
  // What the subject is a part of.
  struct Subject {
    bool startsLine = true;  // else ^ does not match at its start
    bool endsLine = true;    // else $ does not match at its end
    bool cut = false;        // the line goes on after it: see Cut
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    // A start already found too complex: TooComplex there at once.
    size_t tooComplexStart = static_cast<size_t>(-1);
  };
  // Searches `subject`, valid UTF-8 without a line end, from `from`; the text
  // before `from` is seen by lookbehind and \b.
  Result Find(std::string_view subject, size_t from, const Subject& about) const;
  // Searches a whole line, which may hold bytes that are no character: they
  // match nothing, and the parts between them are searched each on its own.
  Result Find(std::string_view line, size_t from) const;

 public:
  struct Compiled;

 private:
  explicit Pattern(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
  std::shared_ptr<const Compiled> compiled_;
};

// What this thread kept to search with patterns: a worker that searched
// lets it go before it ends.
void ReleaseThreadPatternState();

// How many of the first bytes of `text` are valid UTF-8, as the library
// means it: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t ValidUtf8Length(std::string_view text);

// The pattern with \w, \W, \b and \B written out as the control's word
// characters and \uHHHH as \x{HHHH}; text in \Q...\E and every other escape
// left as it is.
std::string WithTheControlsWordCharacters(std::string_view pattern);

}  // namespace lumen
