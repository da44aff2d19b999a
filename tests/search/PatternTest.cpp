// The find bar's regular expressions, as a table: syntax, options, positions
// in bytes, empty matches, and patterns that would hang a backtracking engine.
#include <gtest/gtest.h>

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

TEST(Pattern, FindsTheLeftmostMatchOfEachConstruct) {
  const Case cases[] = {
      {"b+", "aabbbc", 2, 5},
      {"b*", "aabbbc", 0, 0},  // empty at the first position
      {"a.c", "xxabc", 2, 5},
      {"[0-9]+", "ab 123 c", 3, 6},
      {"[^a-z ]+", "ab 1x2", 3, 4},
      {"\\d\\s\\w", "a 1 z", 2, 5},
      {"\\D+", "12ab3", 2, 4},
      {"^ab", "ab ab", 0, 2},
      {"^ab", "xab", -1, -1},
      {"ab$", "ab ab", 3, 5},
      {"cat|dog", "hotdog cat", 3, 6},
      {"(ab)+", "xababab", 1, 7},
      {"(?:a|b)c", "xbc", 1, 3},
      {"a{2,3}", "aaaa", 0, 3},
      {"a{2,}", "aaaaa", 0, 5},
      {"a{2}", "a aa", 2, 4},
      {"a+?", "aaa", 0, 1},
      {"a{2,3}?", "aaaa", 0, 2},
      {"x{", "ax{", 1, 3},  // a brace that starts no count is itself
      {"\\.\\*", "a.*b", 1, 3},
      {"\\bis\\b", "this is", 5, 7},
      {"\\Bis", "is this", 5, 7},
      {"\\t", "a\tb", 1, 2},
      {"gr\xC3\xBC\xC3\x9F", "Gr\xC3\x9C\xC3\x9F gr\xC3\xBC\xC3\x9F", 7, 13},  // bytes, not characters
      {"gr\xC3\xBC\xC3\x9F", "Gr\xC3\x9C\xC3\x9F gr\xC3\xBC\xC3\x9F", 0, 6, false},
      {"gr.\xC3\x9F", "gr\xC3\xBC\xC3\x9F", 0, 6},  // . takes a whole character
      {"[\xC3\xA4-\xC3\xB6]", "a\xC3\xB6", 1, 3},
      {"WORD", "a word", 2, 6, false},
      {"[A-Z]+", "abc", 0, 3, false},
      {"word", "words word", 6, 10, true, true},
      {"wor", "words", -1, -1, true, true},
      {"\xC3\xA4", "a\xC3\xA4", -1, -1, true, true},  // letters of any script are word characters
      {"x", "\xFF x", 2, 3},  // a byte that is no character is stepped over
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " in " + c.line);
    const auto pattern = Pattern::Compile(c.pattern, c.matchCase, c.wholeWord);
    ASSERT_TRUE(pattern.has_value());
    const auto found = pattern->Find(c.line, 0);
    if (c.start < 0) {
      EXPECT_FALSE(found.has_value());
      continue;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(static_cast<int>(found->start), c.start);
    EXPECT_EQ(static_cast<int>(found->end), c.end);
  }
  const auto fromLater = Pattern::Compile("ab", true, false)->Find("ab ab", 1);
  ASSERT_TRUE(fromLater.has_value());
  EXPECT_EQ(fromLater->start, 3u);
}

TEST(Pattern, RefusesWhatIsNoPatternOrTooLarge) {
  for (const char* invalid : {"(", ")", "a)", "[a", "[z-a]", "*a", "a**", "+", "\\", "\\q", "a{3,2}", "a{1001}",
                              "(a{1000}){1000}", "x|*"}) {
    EXPECT_FALSE(Pattern::Compile(invalid, true, false).has_value()) << invalid;
  }
  EXPECT_FALSE(Pattern::Compile(std::string(300, '(') + std::string(300, ')'), true, false).has_value())
      << "nesting too deep for the compiler's stack";
  EXPECT_TRUE(Pattern::Compile(std::string(10000, 'a'), true, false).has_value()) << "long but plain";
  EXPECT_TRUE(Pattern::Compile("", true, false).has_value());
}

// Patterns that take exponential time in a backtracking engine run in time
// proportional to the line here, and long lines need no deep stack.
TEST(Pattern, RunsHostilePatternsInLinearTime) {
  const std::string line(2 * 1024 * 1024, 'a');
  for (const char* hostile : {"(a*)*b", "(a|aa)+$x", "(a+)+b", "a*a*a*a*a*a*b"}) {
    const auto pattern = Pattern::Compile(hostile, true, false);
    ASSERT_TRUE(pattern.has_value()) << hostile;
    EXPECT_FALSE(pattern->Find(line, 0).has_value()) << hostile;
  }
  const auto found = Pattern::Compile("(a|b)*$", true, false)->Find(line, 0);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->end, line.size());
}

}  // namespace
}  // namespace lumen
