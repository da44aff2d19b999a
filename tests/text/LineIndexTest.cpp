// The sparse index of a big file's lines against a plain count of the same
// text: every line's start and every place's line agree, whatever the pieces
// the worker added and however the lines fall on the blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/LineIndex.h"

namespace lumen {
namespace {

// Lines of every kind: empty ones, short ones, one longer than a block.
std::string GeneratedLines(unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < 5 * LineIndex::kBlock) {
    const unsigned kind = random() % 20;
    const size_t length = kind == 0 ? 0 : kind == 1 ? LineIndex::kBlock + random() % 1000 : random() % 200;
    text.append(length, static_cast<char>('a' + random() % 26));
    text += '\n';
  }
  text += "no line end at the end";
  return text;
}

void Index(LineIndex& index, const std::string& text, unsigned seed) {
  std::mt19937 random(seed);
  for (size_t at = 0; at < text.size();) {
    const size_t piece = std::min<size_t>(1 + random() % (3 * LineIndex::kBlock), text.size() - at);
    index.Add(std::string_view(text).substr(at, piece));
    at += piece;
  }
  index.Finish();
}

TEST(LineIndex, FindsEveryLineStartAndEveryPlacesLine) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    const std::string text = GeneratedLines(seed);
    std::vector<size_t> starts = {0};
    for (size_t at = 0; at < text.size(); ++at) {
      if (text[at] == '\n') starts.push_back(at + 1);
    }
    LineIndex index;
    Index(index, text, seed);
    ASSERT_TRUE(index.complete());
    ASSERT_EQ(index.lines(), starts.size());
    ASSERT_EQ(index.indexedBytes(), text.size());
    EXPECT_EQ(CountLineEnds(text), starts.size() - 1);
    for (size_t line = 0; line < starts.size(); ++line) {
      const auto lookup = index.ForLine(line);
      ASSERT_TRUE(lookup) << line;
      const auto block = std::string_view(text).substr(lookup->blockStart, LineIndex::kBlock);
      EXPECT_EQ(lookup->blockStart + AfterLineEnds(block, lookup->lineEndsToPass).value(), starts[line]) << line;
      const auto place = index.ForOffset(starts[line]);
      ASSERT_TRUE(place);
      const auto before = std::string_view(text).substr(place->blockStart, starts[line] - place->blockStart);
      EXPECT_EQ(place->lineAtBlockStart + CountLineEnds(before), line) << line;
    }
    EXPECT_FALSE(index.ForLine(starts.size())) << "beyond the last line";
    EXPECT_FALSE(index.ForOffset(text.size() + 1)) << "beyond the last byte";
  }
}

TEST(LineIndex, KnowsOnlyWhatItHasPassed) {
  LineIndex index;
  index.Add("one\ntwo\nthr");
  EXPECT_TRUE(index.ForLine(2));
  EXPECT_FALSE(index.ForLine(3));
  EXPECT_FALSE(index.complete());
  EXPECT_EQ(index.lines(), 3u);
  EXPECT_FALSE(AfterLineEnds("a\nb", 2));
  EXPECT_EQ(AfterLineEnds("a\nb\n", 2), 4u);
  EXPECT_EQ(AfterLineEnds("abc", 0), 0u);
}

}  // namespace
}  // namespace lumen
