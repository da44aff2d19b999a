// The walks through a document: a long line searched a piece at a time finds
// what a search of the whole line finds, and the marks of a wide line stay
// about the columns in view.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "LineByLine.h"
#include "search/SearchWalks.h"

namespace lumen {
namespace {

using Ranges = std::vector<std::pair<size_t, size_t>>;

// Lines of tens of kilobytes, so that matches, lookarounds and line ends fall
// on the ends of the pieces the walk gives the library: its matches are a
// search of each whole line's.
TEST(MatchWalk, SearchesALongLineInPiecesAsIfWhole) {
  std::mt19937 random(25);
  const char* pieces[] = {"a", "b", " ", "ab", "\xC3\xA9", "aaaa", "\n", "bbbbbbbb"};
  const char* patterns[] = {"a+b", "b$", "^a", "\\bab\\b", "a(?=b)", "(?<=\\xE9)a", "[ab]{5000}", "b{8} ?a", "a.*?\\n?b"};
  for (int round = 0; round < 4; ++round) {
    std::string document;
    while (document.size() < 40000) {
      const int kind = std::uniform_int_distribution<int>(0, 7)(random);
      // Rounds of few line ends give lines of tens of kilobytes.
      if (kind == 6 && round % 2 == 0) continue;
      document += pieces[kind];
    }
    for (const char* source : patterns) {
      SCOPED_TRACE(std::string(source) + " round " + std::to_string(round));
      const auto pattern = Pattern::Compile(source, true, false);
      ASSERT_TRUE(pattern.has_value());
      const Ranges expected = test::MatchesLineByLine(*pattern, document);
      const auto searcher = Searcher::For({source, true, false, true}).searcher;
      MatchWalk walk(searcher, document, 0);
      Ranges walked;
      EXPECT_TRUE(walk.Run(document, document.size(), MatchWalk::Clock::time_point::max(), [&](const Match& match) {
        walked.emplace_back(static_cast<size_t>(match.start), static_cast<size_t>(match.end));
      }));
      EXPECT_EQ(walked, expected);
    }
  }
}

TEST(MarkableParts, TakeWideLinesAboutTheColumnsInView) {
  EXPECT_EQ(ColumnsAbout(0, 100), (ColumnWindow{0, 300}));
  EXPECT_EQ(ColumnsAbout(150, 100), (ColumnWindow{0, 400})) << "a screen before the one in view";
  EXPECT_EQ(ColumnsAbout(250, 100), (ColumnWindow{100, 500}));
  EXPECT_EQ(ColumnsAbout(0, 10), (ColumnWindow{0, 192})) << "never fewer than 64 columns a screen";

  const struct {
    std::string line;
    size_t column, byte;
  } columns[] = {
      {"abc", 2, 2},         {"abc", 9, 3},          {"\tx", 1, 1},   {"\tx", 4, 1},
      {"\tx", 5, 2},         {"a\tx", 4, 2},         {"\xC3\xA9x", 1, 2}, {"\xE6\x97\xA5x", 1, 3},
      {"\xE6\x97\xA5x", 2, 3}, {"\xE6\x97\xA5x", 3, 4}, {"\xF0\x9F\x98\x80x", 2, 4},
  };
  for (const auto& c : columns) {
    EXPECT_EQ(ByteAtColumn(c.line, c.column, 4), c.byte) << c.line << " column " << c.column;
  }

  const std::string wide(10000, 'x');
  const std::string document = "short\n" + wide + "\r\nshort\n" + wide;
  const size_t second = 6, third = second + wide.size() + 2, fourth = third + 6;
  const PartsToMark atStart = MarkableParts(document, 0, document.size(), {0, 300}, 4);
  EXPECT_TRUE(atStart.wideLines);
  EXPECT_EQ(atStart.parts, (Ranges{{0, second + 300}, {third - 2, fourth + 300}}));
  const PartsToMark scrolled = MarkableParts(document, 0, document.size(), {5000, 5300}, 4);
  EXPECT_EQ(scrolled.parts, (Ranges{{0, second}, {second + 5000, second + 5300}, {third - 2, fourth},
                                    {fourth + 5000, fourth + 5300}}));
  const PartsToMark narrow = MarkableParts("a\nb\rc", 0, 5, {100, 400}, 4);
  EXPECT_FALSE(narrow.wideLines) << "short lines are marked whole, wherever the view is";
  EXPECT_EQ(narrow.parts, (Ranges{{0, 5}}));
}

}  // namespace
}  // namespace lumen
