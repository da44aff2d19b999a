// The search over a big file's own bytes agrees with the search over the same
// text as a document: the same count, and the same match for a step from any
// place, forwards and backwards, round the ends, in UTF-8 and in a code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <random>
#include <string>

#include "base/Text.h"
#include "search/FileSearch.h"
#include "search/SearchWalks.h"

namespace lumen {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring WriteTemporary(const std::string& bytes, const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

// Lines of words, some of them the needles, over a few of the search's slices.
std::string Text(const std::string& accented) {
  std::mt19937 random(7);
  const char* words[] = {"needle", "Needle", "needles", "hay", "stack", "x"};
  std::string text;
  while (text.size() < (size_t{9} << 20) + 12345) {
    for (unsigned word = random() % 12; word > 0; --word) text += std::string(words[random() % 6]) + " ";
    if (random() % 7 == 0) text += accented;
    text += '\n';
  }
  return text;
}

// The match at `start` of the document as a place in the file, and back.
FilePlace PlaceIn(const std::string& document, size_t position) {
  const size_t lineEnd = position == 0 ? std::string::npos : document.rfind('\n', position - 1);
  const size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  return {lineStart, position - lineStart};
}

TEST(FileSearch, CountsAndStepsAsTheDocumentIsSearched) {
  const std::string utf8 = Text("caf\xC3\xA9 needle\xC3\xA9");
  const std::wstring path = WriteTemporary(utf8, L"lumen-file-search.txt");
  const FileText file{path, Encoding::Utf8, 0, 0, utf8.size()};
  for (const SearchQuery& query : {SearchQuery{"needle", false, false, false}, SearchQuery{"needle", true, true, false},
                                   SearchQuery{"ne+dle\\b", true, false, true}}) {
    const auto searcher = Searcher::For(query).searcher;
    MatchTally tally(searcher, utf8);
    ASSERT_TRUE(tally.Run(utf8, utf8.size(), Clock::time_point::max()));
    const auto count = FileCount::Start(file, searcher);
    ASSERT_TRUE(count && count->Wait(Clock::now() + std::chrono::seconds(30)));
    EXPECT_EQ(count->total(), tally.total()) << query.text;
    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
      const size_t from = round == 0 ? 0 : round == 1 ? utf8.size() : random() % utf8.size();
      for (const bool forward : {true, false}) {
        MatchStep expected(searcher, utf8, from, forward);
        ASSERT_EQ(expected.Run(utf8, Clock::time_point::max()), MatchStep::Outcome::Found);
        const auto step = FileStep::Start(file, searcher, PlaceIn(utf8, from), forward);
        ASSERT_TRUE(step && step->Wait(Clock::now() + std::chrono::seconds(30)));
        ASSERT_EQ(step->outcome(), FileStep::Outcome::Found);
        EXPECT_EQ(step->found().place, PlaceIn(utf8, static_cast<size_t>(expected.found().start)))
            << query.text << " from " << from << (forward ? " forwards" : " backwards");
        EXPECT_EQ(count->CountBefore(step->number()), tally.CountBefore(utf8, static_cast<size_t>(expected.found().start), Clock::time_point::max()));
      }
    }
  }
}

// A start too complex in one slice says nothing of the same place in the
// next: each slice is searched knowing only its own.
TEST(FileSearch, ALineTooComplexInOneSliceHidesNothingInTheNext) {
  std::string text = std::string(60, 'a') + "c\n";  // (a|aa)+$ backtracks beyond any limit here
  while (text.size() < (size_t{4} << 20) - 2) text += "x\n";
  text.resize((size_t{4} << 20) - 2);
  text += "x\na\n";  // the line at the next slice's very start matches
  const std::wstring path = WriteTemporary(text, L"lumen-file-search-complex.txt");
  const auto searcher = Searcher::For({"(a|aa)+$", true, false, true}).searcher;
  const auto step = FileStep::Start({path, Encoding::Utf8, 0, 0, text.size()}, searcher, {0, 0}, true);
  ASSERT_TRUE(step && step->Wait(Clock::now() + std::chrono::seconds(30)));
  ASSERT_EQ(step->outcome(), FileStep::Outcome::Found);
  EXPECT_EQ(step->found().place.lineStart, text.size() - 2);
}

// In a code page the file's places are its bytes' lines, the columns the
// text's: the same matches as in the text converted whole.
TEST(FileSearch, FindsInACodePageWhatItsTextHolds) {
  const std::string ansi = Text("caf\xE9 needle\xE9");
  const std::wstring path = WriteTemporary(ansi, L"lumen-file-search-1252.txt");
  const FileText file{path, Encoding::Ansi, 1252, 0, ansi.size()};
  std::string utf8;
  SliceConverter(Encoding::Ansi, 1252).Convert(ansi, true, utf8);
  // ASCII text is counted in the file's bytes, any other converted.
  for (const char* text : {"needle", "Needle", "\xC3\xA9 needle\xC3\xA9"}) {
    const auto each = Searcher::For({text, true, false, false}).searcher;
    MatchTally tally(each, utf8);
    ASSERT_TRUE(tally.Run(utf8, utf8.size(), Clock::time_point::max()));
    const auto count = FileCount::Start(file, each);
    ASSERT_TRUE(count && count->Wait(Clock::now() + std::chrono::seconds(30)));
    EXPECT_EQ(count->total(), tally.total()) << text;
  }
  const auto searcher = Searcher::For({"\xC3\xA9 needle\xC3\xA9", false, false, false}).searcher;
  const auto step = FileStep::Start(file, searcher, {0, 0}, false);
  ASSERT_TRUE(step && step->Wait(Clock::now() + std::chrono::seconds(30)));
  ASSERT_EQ(step->outcome(), FileStep::Outcome::Found);
  // The last line with the accent: its bytes' start in the file.
  const size_t last = ansi.rfind("caf\xE9");
  const size_t lineStart = ansi.rfind('\n', last) + 1;
  EXPECT_EQ(step->found().place.lineStart, lineStart);
  EXPECT_EQ(step->found().place.column, last - lineStart + 3) << "UTF-8 bytes into the line, words before it";
}

// In UTF-16 of either byte order, after its mark, the same matches as in
// the text as UTF-8; the places are the file's bytes.
TEST(FileSearch, FindsInUtf16WhatItsTextHolds) {
  const std::string utf8 = Text("caf\xC3\xA9 needle\xC3\xA9");
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                                      static_cast<int>(wide.size()))));
  for (const bool bigEndian : {false, true}) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const wchar_t unit : wide) {
      const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
      bytes += bigEndian ? high : low;
      bytes += bigEndian ? low : high;
    }
    const std::wstring path = WriteTemporary(bytes, L"lumen-file-search-utf16.txt");
    const FileText file{path, bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE, 0, 2, bytes.size()};
    for (const char* text : {"needle", "\xC3\xA9 needle\xC3\xA9"}) {
      const auto each = Searcher::For({text, true, false, false}).searcher;
      MatchTally tally(each, utf8);
      ASSERT_TRUE(tally.Run(utf8, utf8.size(), Clock::time_point::max()));
      const auto count = FileCount::Start(file, each);
      ASSERT_TRUE(count && count->Wait(Clock::now() + std::chrono::seconds(30)));
      EXPECT_EQ(count->total(), tally.total()) << text << bigEndian;
    }
    const auto searcher = Searcher::For({"\xC3\xA9 needle\xC3\xA9", false, false, false}).searcher;
    const auto step = FileStep::Start(file, searcher, {2, 0}, false);
    ASSERT_TRUE(step && step->Wait(Clock::now() + std::chrono::seconds(30)));
    ASSERT_EQ(step->outcome(), FileStep::Outcome::Found);
    const size_t last = utf8.rfind("caf\xC3\xA9"), lineStart = utf8.rfind('\n', last) + 1;
    // The line's text is ASCII up to the word: two bytes a character.
    EXPECT_EQ(step->found().place.lineStart, 2 + 2 * (wide.size() - Utf8ToWide(utf8.substr(lineStart)).size()));
    EXPECT_EQ(step->found().place.column, last - lineStart + 3);
  }
}

// The text between two places, either first, as UTF-8, cut at a character
// where it is longer than asked for.
TEST(FileSearch, GivesTheTextBetweenTwoPlaces) {
  const std::string ansi = "one\ncaf\xE9 two\nthree caf\xE9\nfour";  // as UTF-8: "caf\xC3\xA9"
  const std::wstring path = WriteTemporary(ansi, L"lumen-text-between.txt");
  SharedFile file = *SharedFile::Open(path);
  const FileText text{path, Encoding::Ansi, 1252, 0, ansi.size()};
  const struct {
    FilePlace from, to;
    size_t most;
    const char* expected;
    bool cut;
  } cases[] = {
      {{4, 0}, {13, 11}, 100, "caf\xC3\xA9 two\nthree caf\xC3\xA9", false},
      {{13, 11}, {4, 0}, 100, "caf\xC3\xA9 two\nthree caf\xC3\xA9", false},  // backwards
      {{4, 2}, {4, 6}, 100, "f\xC3\xA9 ", false},
      {{4, 0}, {13, 11}, 4, "caf", true},  // not half of the accented letter
      {{0, 0}, {ansi.size(), 0}, 100, "one\ncaf\xC3\xA9 two\nthree caf\xC3\xA9\nfour", false},
      {{0, 0}, {ansi.size(), 0}, 7, "one\ncaf", true},
  };
  for (const auto& each : cases) {
    bool cut = false;
    EXPECT_EQ(TextBetween(file, text, each.from, each.to, each.most, cut), each.expected) << each.most;
    EXPECT_EQ(cut, each.cut) << each.expected;
  }
}

}  // namespace
}  // namespace lumen
