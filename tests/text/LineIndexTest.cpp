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

// Lines of every kind: empty ones, short ones, one longer than a block; in
// UTF-16 with characters whose bytes hold a '\n' byte that ends no line
// (U+0A0D, U+0A00 before U+0100).
std::string GeneratedLines(unsigned seed, LineEnd end) {
  std::mt19937 random(seed);
  std::u16string units;
  while (units.size() * end.width < 5 * LineIndex::kBlock) {
    const unsigned kind = random() % 20;
    const size_t length = kind == 0 ? 0 : kind == 1 ? LineIndex::kBlock + random() % 1000 : random() % 200;
    for (size_t i = 0; i < length; ++i) {
      const unsigned letter = random() % 28;
      if (end.width == 2 && letter == 26) {
        units += u"\u0A0D";
      } else if (end.width == 2 && letter == 27) {
        units += u"\u0A00\u0100";
      } else {
        units += static_cast<char16_t>('a' + letter % 26);
      }
    }
    units += u'\n';
  }
  units += u"no line end at the end";
  std::string text;
  for (const char16_t unit : units) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    if (end.width == 1) {
      text += low;
    } else {
      text += end.bigEndian ? high : low;
      text += end.bigEndian ? low : high;
    }
  }
  return text;
}

void Index(LineIndex& index, const std::string& text, unsigned seed, LineEnd end) {
  std::mt19937 random(seed);
  for (size_t at = 0; at < text.size();) {
    size_t piece = std::min<size_t>(1 + random() % (3 * LineIndex::kBlock), text.size() - at);
    if (at + piece < text.size()) piece += piece % end.width;  // whole units, as the worker adds them
    index.Add(std::string_view(text).substr(at, piece));
    at += piece;
  }
  index.Finish();
}

TEST(LineIndex, FindsEveryLineStartAndEveryPlacesLine) {
  for (const LineEnd end : {kByteLineEnd, kUtf16LeLineEnd, kUtf16BeLineEnd})
  for (const unsigned seed : {1u, 2u, 3u}) {
    const std::string text = GeneratedLines(seed, end);
    std::vector<size_t> starts = {0};
    const std::string lineEnd = end == kByteLineEnd ? "\n" : end.bigEndian ? std::string("\0\n", 2) : std::string("\n\0", 2);
    for (size_t at = 0; at + end.width <= text.size(); at += end.width) {
      if (text.compare(at, end.width, lineEnd) == 0) starts.push_back(at + end.width);
    }
    LineIndex index(end);
    Index(index, text, seed, end);
    ASSERT_TRUE(index.complete());
    ASSERT_EQ(index.lines(), starts.size());
    ASSERT_EQ(index.indexedBytes(), text.size());
    EXPECT_EQ(CountLineEnds(text, end), starts.size() - 1);
    for (size_t line = 0; line < starts.size(); ++line) {
      const auto lookup = index.ForLine(line);
      ASSERT_TRUE(lookup) << line;
      const auto block = std::string_view(text).substr(lookup->blockStart, LineIndex::kBlock);
      EXPECT_EQ(lookup->blockStart + AfterLineEnds(block, lookup->lineEndsToPass, end).value(), starts[line]) << line;
      if (line > 0) EXPECT_EQ(AfterLineEnd(text, starts[line - 1], end), starts[line]) << line;
      const auto place = index.ForOffset(starts[line]);
      ASSERT_TRUE(place);
      const auto before = std::string_view(text).substr(place->blockStart, starts[line] - place->blockStart);
      EXPECT_EQ(place->lineAtBlockStart + CountLineEnds(before, end), line) << line;
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
