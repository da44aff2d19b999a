#pragma once
// Regular expressions of the find bar: Perl's syntax as PCRE2 takes it
// (lookaround, back-references, \x{...}, inline flags, POSIX and Unicode
// classes), matched within one line at a time. Word characters and \b
// follow the editor control's rules: Unicode letters, marks and digits and
// "_" are word characters, punctuation and spaces are not. A match's work is
// bounded, so that no pattern and no line can hold the host's thread.
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
  enum class Outcome { Found, None, TooComplex };
  struct Result {
    Outcome outcome = Outcome::None;
    Span span = {0, 0};
  };
  // The leftmost match starting at or after `from` in `line`, which holds no
  // line end; the text before `from` is seen by lookbehind and \b. TooComplex
  // when the line needs more work than one call may take (tens of ms).
  Result Find(std::string_view line, size_t from) const;

 private:
  struct Compiled;
  explicit Pattern(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
  std::shared_ptr<const Compiled> compiled_;
};

// The pattern with \w, \W, \b and \B written out as the control's word
// characters; text in \Q...\E and every other escape left as it is.
std::string WithTheControlsWordCharacters(std::string_view pattern);

}  // namespace lumen
