// The filter of a text's lines against the lines a plain reading of the same
// text picks: the same lines in the same order, the same runs, over slices
// of the file, with and without context, showing or hiding the matches.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "search/LineFilter.h"

namespace lumen {
namespace {

using Clock = std::chrono::steady_clock;

// Lines of words over a few of the search's slices, a needle in some; the
// last line has no line end. With `longLines`, every fourth line is of one
// to three megabytes: a slice holds a few lines, its edges within a match's context.
std::vector<std::string> GeneratedLines(bool longLines) {
  std::mt19937 random(11);
  const char* words[] = {"hay", "stack", "needle", "needles", "x", "straw", "neeedle7"};
  std::vector<std::string> lines;
  size_t size = 0;
  while (size < (size_t{9} << 20)) {
    std::string line;
    if (longLines && lines.size() % 4 == 3) line.assign((size_t{1} << 20) + random() % (size_t{2} << 20), 'h');
    for (unsigned word = line.empty() ? random() % 10 : 0; word > 0; --word) {
      const unsigned pick = random() % 60;
      line += std::string(pick == 0 ? words[2] : pick == 1 ? words[3] : pick == 2 ? words[6] : words[pick % 2 ? 0 : 5]) + " ";
    }
    size += line.size() + 1;
    lines.push_back(std::move(line));
  }
  lines.back() += "needle neeedle7 at the end";
  return lines;
}

TEST(LineFilter, ShowsTheLinesAPlainReadingPicks) {
 for (const bool longLines : {false, true}) {
  const std::vector<std::string> lines = GeneratedLines(longLines);
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  text.pop_back();
  auto bytes = std::make_shared<const HeldText>(text);
  const FileText file{L"", Encoding::Utf8, 0, 0, text.size(), bytes};
  const struct {
    SearchQuery query;
    std::regex pattern;
  } queries[] = {{{"needle", true, false, false}, std::regex("needle")},
                 {{"ne+dle\\d", true, false, true}, std::regex("ne+dle\\d")}};
  for (const auto& [query, pattern] : queries) {
    for (const auto& [mode, context] : {std::pair{LineFilter::Mode::Matching, 0u}, {LineFilter::Mode::Matching, 1u},
                                        {LineFilter::Mode::Matching, 3u}, {LineFilter::Mode::NotMatching, 0u}}) {
      SCOPED_TRACE(query.text + " " + std::to_string(context) + (mode == LineFilter::Mode::Matching ? "" : " hiding") +
                   (longLines ? " long lines" : ""));
      // The plain reading: the lines picked, and the runs they make.
      std::vector<bool> picked(lines.size(), mode == LineFilter::Mode::NotMatching);
      for (size_t line = 0; line < lines.size(); ++line) {
        // (The long lines hold no words; std::regex would overflow its stack on them.)
        if (lines[line].find(' ') == std::string::npos || !std::regex_search(lines[line], pattern)) continue;
        if (mode == LineFilter::Mode::NotMatching) {
          picked[line] = false;
          continue;
        }
        for (size_t around = line >= context ? line - context : 0; around <= line + context && around < lines.size(); ++around) {
          picked[around] = true;
        }
      }
      std::string expected;
      std::vector<FilterRun> runs;
      uint64_t shown = 0;
      for (size_t line = 0; line < lines.size(); ++line) {
        if (!picked[line]) continue;
        expected += lines[line] + "\n";
        if (!runs.empty() && runs.back().fileLine + runs.back().count == line) {
          ++runs.back().count;
        } else {
          runs.push_back({shown, line, 1});
        }
        ++shown;
      }
      std::string written;
      const auto filter = LineFilter::Start(file, Searcher::For(query).searcher, {mode, context},
                                            [&](std::string_view piece) {
                                              written += piece;
                                              return true;
                                            });
      ASSERT_TRUE(filter && filter->Wait(Clock::now() + std::chrono::seconds(60)));
      EXPECT_EQ(filter->state(), LineFilter::State::Done);
      EXPECT_TRUE(written == expected) << written.size() << " bytes against " << expected.size();
      ASSERT_EQ(filter->Runs(), runs);
      ASSERT_FALSE(runs.empty());
      EXPECT_EQ(filter->shownLines(), shown);
      // The map both ways, and the gaps between runs.
      for (const FilterRun& run : {runs.front(), runs[runs.size() / 2], runs.back()}) {
        EXPECT_EQ(filter->FileLineOf(run.shownLine + run.count - 1), run.fileLine + run.count - 1);
        EXPECT_EQ(filter->ShownLineOf(run.fileLine), run.shownLine);
        EXPECT_EQ(filter->GapBefore(run.shownLine), run.fileLine > 0);
        EXPECT_FALSE(filter->GapBefore(run.shownLine + 1) && run.count > 1);
      }
      EXPECT_FALSE(filter->FileLineOf(shown));
    }
  }
 }
}

// A text that grows: the filter goes on over what came, whole lines only,
// its runs and lines counted on from the last.
TEST(LineFilter, GoesOnOverWhatTheTextGained) {
  const std::string first = "a1\nb\nb\nb\n";
  const std::string grown = first + "b\na2\nb\nb\na3 still being writ";
  auto bytes = std::make_shared<const HeldText>(grown);
  std::string written;
  const auto filter = LineFilter::Start({L"", Encoding::Utf8, 0, 0, first.size(), bytes},
                                        Searcher::For({"a", true, false, false}).searcher,
                                        {LineFilter::Mode::Matching, 1}, [&](std::string_view piece) {
                                          written += piece;
                                          return true;
                                        });
  ASSERT_TRUE(filter && filter->Wait(Clock::now() + std::chrono::seconds(10)));
  EXPECT_EQ(written, "a1\nb\n");
  EXPECT_FALSE(filter->Continue({L"", Encoding::Utf8, 0, filter->bytesRead(), filter->bytesRead(), bytes}));
  ASSERT_TRUE(filter->Continue({L"", Encoding::Utf8, 0, filter->bytesRead(), grown.size(), bytes}));
  ASSERT_TRUE(filter->Wait(Clock::now() + std::chrono::seconds(10)));
  EXPECT_EQ(written, "a1\nb\nb\na2\nb\n");
  EXPECT_EQ(filter->Runs(), (std::vector<FilterRun>{{0, 0, 2}, {2, 4, 3}}));
  EXPECT_EQ(filter->bytesRead(), grown.rfind('\n') + 1);  // the line being written waits
}

// At most so many runs: the filter stops there and says so.
TEST(LineFilter, StopsAtItsMostRuns) {
  auto bytes = std::make_shared<const HeldText>("a\nb\na\nb\na\nb\n");
  const FileText file{L"", Encoding::Utf8, 0, 0, bytes->size(), bytes};
  std::string written;
  const auto filter = LineFilter::Start(file, Searcher::For({"a", true, false, false}).searcher,
                                        {LineFilter::Mode::Matching, 0, 2}, [&](std::string_view piece) {
                                          written += piece;
                                          return true;
                                        });
  ASSERT_TRUE(filter && filter->Wait(Clock::now() + std::chrono::seconds(10)));
  EXPECT_EQ(filter->state(), LineFilter::State::Cut);
  EXPECT_EQ(written, "a\na\n");
}

}  // namespace
}  // namespace lumen
