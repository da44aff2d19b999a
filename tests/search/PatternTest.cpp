// The find bar's regular expressions: what the options and the control's word
// characters make of a pattern, bounded work on hostile ones, and agreement
// with PCRE2 itself over its own Perl-compatible test patterns and generated
// ones (the layer over the library may change no other meaning).
#include <gtest/gtest.h>
#include <pcre2.h>

#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include "EncodedText.h"
#include "search/Pattern.h"

namespace lumen {
namespace {

struct Case {
  const char* pattern;
  const char* line;
  int start, end;  // -1: no match
  bool matchCase = true;
  bool wholeWord = false;
};

TEST(Pattern, TakesPerlsSyntaxWithTheOptionsAndTheControlsWordCharacters) {
  const Case cases[] = {
      {"b+", "aabbbc", 2, 5},
      {"(?<=a)b", "bab", 2, 3},             // lookbehind
      {"a(?!b)", "abac", 2, 3},             // negative lookahead
      {"(a)\\1", "xaa", 1, 3},              // back-reference
      {"\\x{20AC}", "5 \xE2\x82\xAC", 2, 5},  // a code point, three bytes
      {"\\u20AC", "5 \xE2\x82\xAC", 2, 5},    // as JavaScript writes it
      {"[\\u{1F600}-\\u{1F64F}]", "a\xF0\x9F\x98\x80", 1, 5},
      {"\\u00e9t\\u00E9", "\xC3\xA9t\xC3\xA9", 0, 5},
      {"(?i)word", "a WORD", 2, 6},         // inline flag
      {"[[:digit:]]+", "ab 123", 3, 6},
      {"\\p{Lu}\\p{Ll}", "aBc", 1, 3},
      {"gr.\xC3\x9F", "gr\xC3\xBC\xC3\x9F", 0, 6},  // . takes a whole character
      {"gr\xC3\xBC\xC3\x9F", "Gr\xC3\x9C\xC3\x9F gr\xC3\xBC\xC3\x9F", 0, 6, false},
      {"[A-Z]+", "abc", 0, 3, false},
      {"^ab", "xab", -1, -1},
      {"ab$", "ab ab", 3, 5},
      {"word", "words word", 6, 10, true, true},
      {"wor", "words", -1, -1, true, true},
      // Letters, marks and digits of any script are word characters; quotes,
      // dashes and no-break spaces are not, for \b as for whole words.
      {"\xC3\xA4", "a\xC3\xA4", -1, -1, true, true},
      {"e", "e\xCC\x81", -1, -1, true, true},  // e and a combining acute: one word
      {"\\bword\\b", "\xE2\x80\x9Cword\xE2\x80\x9D", 3, 7},
      {"word", "\xE2\x80\x94word\xC2\xA0", 3, 7, true, true},
      {"\\w+", "\xC2\xABna\xC3\xAFve\xC2\xBB", 2, 8},
      {"[\\w]+", "-x1-", 1, 3},
      {"\\Q\\b\\E", "a\\bc", 1, 3},  // quoted text is itself
      {"x", "\xFF x", 2, 3},          // a byte that is no character is stepped over
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " in " + c.line);
    const auto pattern = Pattern::Compile(c.pattern, c.matchCase, c.wholeWord);
    ASSERT_TRUE(pattern.has_value());
    const Pattern::Result found = pattern->Find(c.line, 0);
    if (c.start < 0) {
      EXPECT_EQ(found.outcome, Pattern::Outcome::None);
      continue;
    }
    ASSERT_EQ(found.outcome, Pattern::Outcome::Found);
    EXPECT_EQ(static_cast<int>(found.span.start), c.start);
    EXPECT_EQ(static_cast<int>(found.span.end), c.end);
  }
  const auto fromLater = Pattern::Compile("(?<=a)b", true, false)->Find("abab", 2);
  EXPECT_EQ(fromLater.span.start, 3u) << "what comes before the start is seen";
  for (const char* invalid : {"(", "a)", "[a", "[z-a]", "*a", "\\", "\\q", "x|*", "(?<=a+)b", "\\u20", "\\u{12"}) {
    EXPECT_FALSE(Pattern::Compile(invalid, true, false).has_value()) << invalid;
  }
}

// Work the library bounds: a pattern that would backtrack for ever stops with
// TooComplex after tens of milliseconds, and long lines need no deep stack.
TEST(Pattern, StopsHostilePatternsAfterBoundedWork) {
  const std::string line(2 * 1024 * 1024, 'a');
  const std::string words = [] {
    std::string text;
    while (text.size() < 100000) text += "word ";
    return text + "!";
  }();
  EXPECT_EQ(Pattern::Compile("(\\w+\\s?)*$", true, false)->Find(words, 0).outcome, Pattern::Outcome::TooComplex);
  EXPECT_EQ(Pattern::Compile("^(a+)+$", true, false)->Find(std::string(40, 'a') + "b", 0).outcome,
            Pattern::Outcome::TooComplex);
  for (const char* hostile : {"(a*)*b", "(a+)+b", "(.*)*x"}) {
    EXPECT_NE(Pattern::Compile(hostile, true, false)->Find(line, 0).outcome, Pattern::Outcome::Found) << hostile;
  }
  EXPECT_EQ(Pattern::Compile(std::string(10000, 'a') + "|b", true, false)->Find("xb", 0).span.start, 1u)
      << "a pattern of 10 000 characters";
}

// PCRE2 itself, as the find bar would call it but for the control's word
// characters (an empty match is none); nothing when the pattern does not compile.
std::optional<Pattern::Result> Library(const std::string& pattern, bool matchCase, const std::string& line) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  const uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | (matchCase ? 0 : PCRE2_CASELESS);
  pcre2_code* code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error, &offset, nullptr);
  if (!code) return std::nullopt;
  pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
  pcre2_match_context* context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(context, 500000);
  const int found =
      pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, PCRE2_NOTEMPTY, data, context);
  Pattern::Result result;
  if (found >= 0) {
    const PCRE2_SIZE* span = pcre2_get_ovector_pointer(data);
    result = {Pattern::Outcome::Found, {span[0], std::max(span[0], span[1])}};
  }
  pcre2_match_context_free(context);
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  return result;
}

// Subject escapes of pcre2test: \x{...}, \xhh and \\; false for any other.
bool Unescape(const std::string& text, std::string& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] != 'x') return false;
    uint32_t c = 0;
    size_t j = i + 2;
    const bool braced = j < text.size() && text[j] == '{';
    if (braced) ++j;
    size_t digits = 0;
    for (; j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j])) && (braced || digits < 2); ++j) {
      c = c * 16 + static_cast<uint32_t>(std::stoi(std::string(1, text[j]), nullptr, 16));
      ++digits;
    }
    if (braced && (j >= text.size() || text[j] != '}')) return false;
    if (digits == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i = braced ? j : j - 1;
    test::AppendEncoded(out, Encoding::Utf8, std::u32string(1, static_cast<char32_t>(c)));
  }
  return true;
}

struct Example {
  std::string pattern;
  bool matchCase;
  std::vector<std::string> lines;
};

// The one-line patterns of a pcre2test input whose only modifiers are i and
// utf, with their subjects.
std::vector<Example> Examples(const std::string& file) {
  std::ifstream in(file);
  std::vector<Example> examples;
  bool taking = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      taking = false;
    } else if (line[0] == '/') {
      const size_t end = line.rfind('/');
      const std::string modifiers = end > 0 ? line.substr(end + 1) : "x";
      bool usable = end > 0;
      bool matchCase = true;
      std::stringstream list(modifiers);
      for (std::string modifier; std::getline(list, modifier, ',');) {
        if (modifier == "i") matchCase = false;
        else if (modifier != "utf" && !modifier.empty()) usable = false;
      }
      taking = usable;
      if (usable) examples.push_back({line.substr(1, end - 1), matchCase, {}});
    } else if (taking && (line[0] == ' ' || line[0] == '\t')) {
      std::string subject;
      const size_t text = line.find_first_not_of(" \t");
      if (text != std::string::npos && Unescape(line.substr(text), subject)) examples.back().lines.push_back(subject);
    }
  }
  return examples;
}

bool HoldsAMark(const std::string& text) {
  // Combining marks are word characters to the control and not to PCRE2's \w:
  // the two may differ only where a line holds one.
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]), next = static_cast<unsigned char>(text[i + 1]);
    if ((lead == 0xCC || lead == 0xCD) && next >= 0x80) return true;
  }
  return false;
}

void ExpectAgreement(const std::string& pattern, bool matchCase, const std::string& line, int& compared) {
  const auto ours = Pattern::Compile(pattern, matchCase, false);
  const std::optional<Pattern::Result> library = Library(pattern, matchCase, line);
  ASSERT_EQ(ours.has_value(), library.has_value()) << "/" << pattern << "/";
  if (!ours || HoldsAMark(line)) return;
  const Pattern::Result found = ours->Find(line, 0);
  ++compared;
  ASSERT_EQ(found.outcome == Pattern::Outcome::Found, library->outcome == Pattern::Outcome::Found)
      << "/" << pattern << "/ on " << line;
  if (found.outcome == Pattern::Outcome::Found) {
    EXPECT_EQ(found.span.start, library->span.start) << "/" << pattern << "/ on " << line;
    EXPECT_EQ(found.span.end, library->span.end) << "/" << pattern << "/ on " << line;
  }
}

TEST(Pattern, AgreesWithPcre2OnItsOwnPerlCompatibleTests) {
  int compared = 0;
  for (const char* name : {"testinput1", "testinput4"}) {
    const std::vector<Example> examples = Examples(std::string(LUMEN_PCRE2_TESTDATA) + "/" + name);
    ASSERT_FALSE(examples.empty()) << "no examples in " << name;
    for (const Example& example : examples) {
      for (const std::string& line : example.lines) {
        ExpectAgreement(example.pattern, example.matchCase, line, compared);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
  EXPECT_GT(compared, 1500) << "lines compared";
}

TEST(Pattern, AgreesWithPcre2OnGeneratedPatterns) {
  const std::vector<std::string> atoms = {"a", "b", ".", "\\w", "\\W", "[ab]", "[\\w-]", "\\d", "\\s",
                                          "\\Qa.\\E", "[^a]", "\xC3\xA9", "x", "(a|\\w)"};
  // Assertions take no quantifier (PCRE2 refuses one after \b).
  const std::vector<std::string> assertions = {"\\b", "\\B", "(?=a)", "(?<=b)", "^", "$"};
  const std::vector<std::string> quantifiers = {"", "", "*", "+", "?", "{1,2}", "*?"};
  std::mt19937 random(20261209);
  const auto pick = [&](const auto& items) { return items[random() % items.size()]; };
  int compared = 0;
  for (int index = 0; index < 3000; ++index) {
    std::string pattern;
    const int atomsInPattern = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < atomsInPattern; ++i) {
      pattern += random() % 4 == 0 ? pick(assertions) : pick(atoms) + pick(quantifiers);
    }
    if (random() % 5 == 0) pattern = "(" + pattern + ")|" + pick(atoms);
    std::string line;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) line += pick(std::vector<std::string>{"a", "b", " ", "x", "-", "\xC3\xA9", "1"});
    ExpectAgreement(pattern, random() % 2 == 0, line, compared);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(compared, 2500);
}

}  // namespace
}  // namespace lumen
