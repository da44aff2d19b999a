// The search component over an editor window of its own, no viewer around it.
// The program beside the editor stand-in runs it over the stand-in; the one
// beside the real control runs the same cases over Scintilla 5.
#include <gtest/gtest.h>

#include <algorithm>

#include "EditorStandIn.h"
#include "LineByLine.h"
#include "TestFiles.h"
#include "abi/ScintillaInterface.h"
#include "search/DocumentSearch.h"
#include "search/Pattern.h"

namespace lumen {
namespace {

using namespace sci;
using test::IndicatorRanges;
using Ranges = std::vector<std::pair<int, int>>;

class DocumentSearchTest : public ::testing::Test {
 protected:
  DocumentSearchTest()
      : library_(LoadLibraryW((test::ProgramFolder() + L"\\SciLexer.dll").c_str())),
        editor_(CreateWindowExW(0, L"Scintilla", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr)),
        search_({[this] { ++panelHidden_; }, [this](const MatchCount& count) { shown_ = count; },
                 [this](bool wanted) { turnsWanted_ = wanted; }, {}, {}}) {
    search_.SetEditor(EditorControl(editor_));
    Sci(SCI_SETCODEPAGE, SC_CP_UTF8);
  }
  ~DocumentSearchTest() override {
    DestroyWindow(editor_);
    FreeLibrary(library_);
  }

  void SetUp() override { ASSERT_NE(editor_, nullptr) << "no editor control beside the program"; }

  LRESULT Sci(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(editor_, message, wParam, lParam);
  }
  void Show(const std::string& text) const {
    Sci(SCI_CLEARALL);
    Sci(SCI_ADDTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  }
  std::pair<int, int> Selection() const {
    return {static_cast<int>(Sci(SCI_GETSELECTIONSTART)), static_cast<int>(Sci(SCI_GETSELECTIONEND))};
  }
  Ranges Marks() const { return IndicatorRanges(editor_); }
  // The indicator's runs that matches make: touching ones are one run.
  static Ranges Runs(const Ranges& matches) {
    Ranges runs;
    for (const auto& match : matches) {
      if (!runs.empty() && runs.back().second == match.first) {
        runs.back().second = match.second;
      } else {
        runs.push_back(match);
      }
    }
    return runs;
  }
  // The viewer tells the search of the document it shows.
  void Loaded(bool panelShown, DocumentSize size = DocumentSize::Small, bool complete = true) {
    search_.SetPanelShown(panelShown);
    search_.Shown(size, complete, DocumentSearch::Clock::now());
  }
  // The viewer's turns, until the work in hand is done.
  void RunTurns() {
    while (turnsWanted_) search_.TakeTurn(DocumentSearch::Clock::now() + std::chrono::milliseconds(25));
  }

  HMODULE library_;
  HWND editor_;
  int panelHidden_ = 0;
  MatchCount shown_;  // what the panel was last told to show
  bool turnsWanted_ = false;
  DocumentSearch search_;
};

TEST_F(DocumentSearchTest, StepsThroughNonOverlappingMatchesWrappingAtBothEnds) {
  struct Step {
    bool forward;
    std::pair<int, int> selected;
  };
  const struct {
    std::string document;
    std::wstring text;
    Ranges matches;
    std::vector<Step> steps;
  } cases[] = {
      {"aaaa", L"aa", {{0, 2}, {2, 4}}, {{true, {2, 4}}, {true, {0, 2}}}},
      {"one x two x three x", L"x", {{4, 5}, {10, 11}, {18, 19}},
       {{false, {18, 19}}, {false, {10, 11}}, {true, {18, 19}}, {true, {4, 5}}}},
      {"one x two x three x", L"three", {{12, 17}}, {{true, {12, 17}}, {false, {12, 17}}}},
      // "grüße GrÜßE": whole characters, on their UTF-8 bytes
      {"gr\xC3\xBC\xC3\x9F\x65 Gr\xC3\x9C\xC3\x9F\x45", L"\u00fc\u00df", {{2, 6}, {10, 14}}, {{true, {10, 14}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    Show(c.document);
    EXPECT_TRUE(search_.SetSearchText(c.text));
    EXPECT_EQ(Marks(), Runs(c.matches));
    EXPECT_EQ(Selection(), c.matches.front()) << "the first match is selected";
    EXPECT_EQ(shown_, (MatchCount{true, 1, c.matches.size()}));
    for (const Step& step : c.steps) {
      EXPECT_TRUE(step.forward ? search_.FindNext() : search_.FindPrevious());
      EXPECT_EQ(Selection(), step.selected);
      const size_t index = std::find(c.matches.begin(), c.matches.end(), step.selected) - c.matches.begin();
      EXPECT_EQ(shown_, (MatchCount{true, index + 1, c.matches.size()})) << "the count follows each step";
    }
  }
}

TEST_F(DocumentSearchTest, StartsOverAtTheFirstMatchWhenAnOptionChanges) {
  Show("Word word WORD words");
  search_.SetSearchText(L"word");
  EXPECT_EQ(Marks().size(), 4u) << "case is ignored by default";
  search_.FindNext();
  search_.SetMatchCase(true);
  EXPECT_EQ(Marks(), (Ranges{{5, 9}, {15, 19}}));
  EXPECT_EQ(shown_, (MatchCount{true, 1, 2})) << "an option change counts again";
  EXPECT_EQ(Selection(), std::make_pair(5, 9));
  search_.SetWholeWord(true);
  EXPECT_EQ(Marks(), (Ranges{{5, 9}}));
  search_.SetMatchCase(false);
  EXPECT_EQ(Marks(), (Ranges{{0, 4}, {5, 9}, {10, 14}}));
}

TEST_F(DocumentSearchTest, WithoutAMatchCollapsesTheSelectionClearsTheMarksAndStepsNowhere) {
  Show("alpha beta");
  search_.SetSearchText(L"beta");
  EXPECT_FALSE(search_.SetSearchText(L"betax"));
  EXPECT_TRUE(Marks().empty());
  EXPECT_EQ(shown_, (MatchCount{true, 0, 0})) << "No matches";
  const auto [start, end] = Selection();
  EXPECT_EQ(start, end);
  EXPECT_FALSE(search_.FindNext());
  EXPECT_FALSE(search_.FindPrevious());
  EXPECT_EQ(Selection(), std::make_pair(start, end));
  EXPECT_FALSE(search_.SetSearchText(L""));
  EXPECT_TRUE(Marks().empty());
  EXPECT_EQ(shown_, MatchCount{}) << "no text, no count";
}

TEST_F(DocumentSearchTest, MarksASelectedWholeWordOnlyUntilTheSearchOwnsTheMarks) {
  Show("value values value Value");
  const struct {
    int start, end;
    Ranges marks;
  } selections[] = {{1, 4, {}}, {0, 5, {{0, 5}, {13, 18}}}, {6, 8, {}}};
  for (const auto& s : selections) {
    Sci(SCI_SETSEL, s.start, s.end);
    search_.HighlightSelectedWord();
    EXPECT_EQ(Marks(), s.marks) << s.start << ".." << s.end << ": same case, whole words only";
  }
  search_.SetSearchText(L"Value");
  Sci(SCI_SETSEL, 0, 5);
  search_.HighlightSelectedWord();
  EXPECT_EQ(Marks().size(), 4u) << "the search keeps its marks";
  search_.ReleaseMarks();
  search_.HighlightSelectedWord();
  EXPECT_EQ(Marks(), (Ranges{{0, 5}, {13, 18}}));
}

TEST_F(DocumentSearchTest, AfterALoadMarksAtOnceWithThePanelShownElseSearchesAtTheNextStep) {
  Show("x1 x2");
  search_.SetSearchText(L"x");
  Show("none here x and x");
  Sci(SCI_SETSEL, 0, 0);
  Loaded(true);
  EXPECT_EQ(Marks(), (Ranges{{10, 11}, {16, 17}}));
  EXPECT_EQ(Selection(), std::make_pair(0, 0)) << "nothing is selected";
  EXPECT_EQ(shown_, (MatchCount{true, 0, 2})) << "2 matches, none selected";
  search_.FindNext();
  EXPECT_EQ(Selection(), std::make_pair(10, 11)) << "the first step selects the first match";

  Show("a x b x");
  Loaded(false);
  EXPECT_TRUE(Marks().empty()) << "nothing is searched before the next step";
  EXPECT_TRUE(search_.FindPrevious());
  EXPECT_EQ(Selection(), std::make_pair(6, 7)) << "backwards: the last match";

  Show("nothing to find");
  Loaded(false);
  Sci(SCI_SETSEL, 4, 7);
  EXPECT_FALSE(search_.FindNext());
  EXPECT_EQ(Selection(), std::make_pair(4, 7));
}

// A big file's whole document takes the place of its first part: what the
// end of the first part decided (a match cut short, a whole word, a `$`) is
// decided again in the whole text, whose marks are all made anew.
TEST_F(DocumentSearchTest, MarksADocumentThatReplacesTheShownOneFromItsStart) {
  const struct {
    const char* name;
    std::string first, whole;
    std::wstring text;
    bool regularExpression, wholeWord;
    Ranges matches;
  } cases[] = {
      {"a match across the old end", "ab nee", "ab needle x needle", L"needle", false, false, {{3, 9}, {12, 18}}},
      {"a whole word no longer whole", "a cat", "a cats cat", L"cat", false, true, {{7, 10}}},
      {"a line end that is none any more", "bat\ncat", "bat\ncats\nrat", L"t$", true, false, {{2, 3}, {11, 12}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Show(c.first);
    Loaded(true, DocumentSize::Small, false);
    search_.SetRegularExpression(c.regularExpression);
    search_.SetWholeWord(c.wholeWord);
    search_.SetSearchText(c.text);
    EXPECT_TRUE(shown_.counting) << "not final while the rest is on its way";
    auto* loader = reinterpret_cast<ILoader*>(Sci(SCI_CREATELOADER, c.whole.size()));
    ASSERT_NE(loader, nullptr);
    loader->AddData(c.whole.data(), static_cast<intptr_t>(c.whole.size()));
    void* document = loader->ConvertToDocument();
    Sci(SCI_SETDOCPOINTER, 0, reinterpret_cast<LPARAM>(document));
    Sci(SCI_RELEASEDOCUMENT, 0, reinterpret_cast<LPARAM>(document));
    Sci(SCI_SETCODEPAGE, SC_CP_UTF8);
    search_.Replaced();
    search_.Completed();
    RunTurns();
    EXPECT_EQ(Marks(), c.matches);
    EXPECT_EQ(shown_.counting, false);
    EXPECT_EQ(shown_.total, c.matches.size());
  }
}

TEST_F(DocumentSearchTest, StepsOnFromTheSelectedMatchAndMarksTheHostsTextInAnyCase) {
  Show("ab x AB x ab");
  for (const bool forward : {true, false}) {
    Sci(SCI_SETSEL, 5, 7);
    search_.FindSelectedText(L"AB", forward);
    EXPECT_EQ(Selection(), forward ? std::make_pair(10, 12) : std::make_pair(0, 2));
    EXPECT_EQ(shown_, (MatchCount{true, forward ? 3u : 1u, 3}));
  }

  search_.MarkHostFindText(L"Ab X");
  EXPECT_EQ(Marks(), (Ranges{{0, 4}, {5, 9}}));
  EXPECT_TRUE(search_.state().marksHeld);
  search_.CancelSearch();
  EXPECT_EQ(panelHidden_, 1);
  EXPECT_FALSE(search_.state().marksHeld) << "the marks stay, the selection may take them";
  EXPECT_EQ(Marks().size(), 2u);
}

TEST_F(DocumentSearchTest, SearchesRegularExpressionsLineByLineWithTheOptions) {
  Show("Cat cat\r\ncatalog c\xC3\xA4t\n^x\ncat");
  search_.SetRegularExpression(true);
  const struct {
    std::wstring pattern;
    bool matchCase, wholeWord;
    Ranges matches;
  } cases[] = {
      {L"c.t", false, false, {{0, 3}, {4, 7}, {9, 12}, {17, 21}, {25, 28}}},  // . takes all of "ä"
      {L"c.t", true, false, {{4, 7}, {9, 12}, {17, 21}, {25, 28}}},
      {L"c.t", true, true, {{4, 7}, {17, 21}, {25, 28}}},
      {L"^cat", false, false, {{0, 3}, {9, 12}, {25, 28}}},  // each line has its own start
      {L"t$", true, false, {{6, 7}, {20, 21}, {27, 28}}},  // before CR LF, LF or the end
      {L"x*", true, false, {{23, 24}}},                    // empty matches mark nothing
      {L"\\^x", true, false, {{22, 24}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(test::ToUtf8(c.pattern));
    search_.SetMatchCase(c.matchCase);
    search_.SetWholeWord(c.wholeWord);
    search_.SetSearchText(c.pattern);
    EXPECT_EQ(Marks(), c.matches);
    EXPECT_EQ(shown_, (MatchCount{true, 1, c.matches.size()}));
  }
  search_.SetMatchCase(false);
  search_.SetWholeWord(false);
  search_.SetSearchText(L"\\b");
  EXPECT_TRUE(Marks().empty());
  EXPECT_FALSE(search_.FindNext()) << "only empty matches: stepping finds nothing and ends";
  search_.SetSearchText(L"(c");
  EXPECT_EQ(shown_, (MatchCount{true, 0, 0, true})) << "Invalid pattern";
  EXPECT_TRUE(Marks().empty());
  search_.SetRegularExpression(false);
  EXPECT_EQ(Marks(), Ranges{}) << "as plain text, \"(c\" is not there";
  search_.SetSearchText(L"^x");
  EXPECT_EQ(Marks(), (Ranges{{22, 24}}));
}

// A document too big to mark whole: the lines in view and near them are
// marked, and the marks follow the view. Steps go from the selection or the
// caret, wherever the count has got to, and the count ends exact.
TEST_F(DocumentSearchTest, StepsFromThePlaceInABigDocumentAndMarksWhereTheViewIs) {
  constexpr int kLines = 3000000;
  std::string text;
  text.reserve(2 * kLines);
  for (int line = 0; line < kLines; ++line) text += "a\n";
  Show(text);
  Loaded(false, SizeOfDocument(text.size()));
  Sci(SCI_SETSEL, 0, 0);
  const auto at = [](int line) { return std::make_pair(2 * line, 2 * line + 1); };
  EXPECT_TRUE(search_.SetSearchText(L"a"));
  EXPECT_EQ(Selection(), at(0));
  EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * 20), 1) << "the lines in view are marked";
  EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * 2000000), 0) << "far from the view nothing is";

  const struct {
    const char* what;
    int selectedLine;  // -1: the caret after the line's match
    bool selectionsText, forward;
    int expectedLine;
  } steps[] = {
      {"Ctrl+F3 deep in the file", 150000, true, true, 150001},
      {"Ctrl+Shift+F3 there", 150000, true, false, 149999},
      {"F3 after a click", 2500000, false, true, 2500001},
      {"Shift+F3 after a click", 2500000, false, false, 2500000},
      {"Shift+F3 at the start: the last", 0, false, false, kLines - 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const auto [start, end] = at(step.selectedLine);
    if (step.selectionsText) {
      Sci(SCI_SETSEL, start, end);
      search_.FindSelectedText(L"a", step.forward);
    } else {
      const int caret = step.selectedLine == 0 ? 0 : end;
      Sci(SCI_SETSEL, caret, caret);
      EXPECT_TRUE(step.forward ? search_.FindNext() : search_.FindPrevious());
    }
    EXPECT_EQ(Selection(), at(step.expectedLine));
    EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * step.expectedLine), 1) << "the match shown is marked";
  }
  RunTurns();
  EXPECT_EQ(shown_, (MatchCount{true, static_cast<size_t>(kLines), static_cast<size_t>(kLines)}));
  Sci(SCI_SETFIRSTVISIBLELINE, 1000000);
  search_.ViewChanged();
  EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * 1000010), 1) << "the marks follow the view";

  // A click that selects no word while the count goes on: the marks go, and stay gone.
  search_.SetSearchText(L"a");
  search_.ReleaseMarks();
  Sci(SCI_SETSEL, 1, 2);
  search_.HighlightSelectedWord();
  RunTurns();
  EXPECT_TRUE(Marks().empty());
  EXPECT_EQ(search_.state().marks, SearchState::Marks::None);
  EXPECT_EQ(search_.state().phase, SearchState::Phase::Complete);

  Show("x a");
  Loaded(true);
  EXPECT_FALSE(turnsWanted_) << "the old document's work is dropped";
  EXPECT_EQ(Marks(), (Ranges{{2, 3}}));
}

// Every step from every place selects the true neighbour, and the count is
// exact: against the matches the control's own find gives for plain text,
// and a pattern's matches line by line for regular expressions.
TEST_F(DocumentSearchTest, StepsToTheTrueNeighbourFromEveryPlaceAndCountsExactly) {
  const std::string documents[] = {
      "Cat cat\r\ncatalog c\xC3\xA4t x\n\ncat-cat_cat catcat",
      "aaaa aa\na\r\n aAa",
      "(word) word\twords -word- _word word",
  };
  const struct {
    std::wstring text;
    bool matchCase, wholeWord, regularExpression;
  } queries[] = {
      {L"cat", false, false, false}, {L"cat", true, true, false},  {L"aa", false, false, false},
      {L"word", false, true, false}, {L"-", true, true, false},     {L"c.t", false, false, true},
      {L"\\bcat\\b", true, false, true}, {L"a+", false, false, true}, {L"(?<=a)a", true, false, true},
      {L"\\w+$", false, false, true}, {L"w(?=o)", false, true, true}, {L"^.", true, false, true},
  };
  for (const std::string& document : documents) {
    for (const auto& query : queries) {
      SCOPED_TRACE(document + " / " + test::ToUtf8(query.text) + (query.matchCase ? " case" : "") +
                   (query.wholeWord ? " word" : "") + (query.regularExpression ? " regex" : ""));
      Show(document);
      Ranges expected;
      const std::string text = test::ToUtf8(query.text);
      if (query.regularExpression) {
        const auto pattern = Pattern::Compile(text, query.matchCase, query.wholeWord);
        ASSERT_TRUE(pattern.has_value());
        for (const auto& [start, end] : test::MatchesLineByLine(*pattern, document)) {
          expected.emplace_back(static_cast<int>(start), static_cast<int>(end));
        }
      } else {
        for (int from = 0;;) {
          Sci_TextToFind find = {{from, static_cast<int>(document.size())}, text.c_str(), {0, 0}};
          if (Sci(SCI_FINDTEXT, SearchFlags(query.matchCase, query.wholeWord), reinterpret_cast<LPARAM>(&find)) < 0) break;
          expected.emplace_back(find.chrgText.cpMin, find.chrgText.cpMax);
          from = find.chrgText.cpMax;
        }
      }
      search_.SetMatchCase(query.matchCase);
      search_.SetWholeWord(query.wholeWord);
      search_.SetRegularExpression(query.regularExpression);
      search_.SetSearchText(query.text);
      RunTurns();
      EXPECT_EQ(Marks(), Runs(expected));
      EXPECT_EQ(shown_.total, expected.size());
      EXPECT_FALSE(shown_.counting);
      if (expected.empty()) continue;
      for (int place = 0; place <= static_cast<int>(document.size()); ++place) {
        if (place < static_cast<int>(document.size()) && (static_cast<unsigned char>(document[place]) & 0xC0) == 0x80) continue;
        const auto next = std::find_if(expected.begin(), expected.end(), [&](const auto& m) { return m.first >= place; });
        const auto previous = std::find_if(expected.rbegin(), expected.rend(), [&](const auto& m) { return m.first < place; });
        const auto wantedNext = next == expected.end() ? expected.front() : *next;
        const auto wantedPrevious = previous == expected.rend() ? expected.back() : *previous;
        Sci(SCI_SETSEL, place, place);
        EXPECT_TRUE(search_.FindNext());
        EXPECT_EQ(Selection(), wantedNext) << "next from " << place;
        const size_t number = static_cast<size_t>(std::find(expected.begin(), expected.end(), wantedNext) - expected.begin()) + 1;
        EXPECT_EQ(shown_.position, number) << "next from " << place;
        Sci(SCI_SETSEL, place, place);
        EXPECT_TRUE(search_.FindPrevious());
        EXPECT_EQ(Selection(), wantedPrevious) << "previous from " << place;
      }
    }
  }
}

// Both modes agree on words: quotes, dashes and no-break spaces are no word
// characters, letters of any script are.
TEST_F(DocumentSearchTest, WholeWordsAreTheSameInBothModes) {
  Show("\xE2\x80\x9Cword\xE2\x80\x9D word\xC2\xA0\xE2\x80\x94word\xE2\x80\x94 \xC3\xA4word words");
  const Ranges words = {{3, 7}, {11, 15}, {20, 24}};
  const struct {
    const wchar_t* text;
    bool regularExpression, wholeWord;
  } searches[] = {{L"word", false, true}, {L"word", true, true}, {L"\\bword\\b", true, false}};
  for (const auto& search : searches) {
    SCOPED_TRACE(test::ToUtf8(search.text));
    search_.SetRegularExpression(search.regularExpression);
    search_.SetWholeWord(search.wholeWord);
    search_.SetSearchText(search.text);
    EXPECT_EQ(Marks(), words);
  }
}

// Patterns that make backtracking engines run for ever, over a line of 2 MB:
// the search ends, each line it could not search is named, and what it
// could search is marked.
TEST_F(DocumentSearchTest, EndsOnHostilePatternsOverALongLine) {
  std::string line(2 * 1024 * 1024, 'a');
  line += "\nb";
  Show(line);
  std::wstring letters;
  while (letters.size() < 10000) letters += L"a?";
  const struct {
    std::wstring pattern;
    size_t matches;
  } cases[] = {{L"(.*)*x", 0}, {L"(a?){1000}b", 1}, {L"(a*)*b", 1}, {letters + L"b", 1}, {L"(a|aa)+$", 1}};
  search_.SetRegularExpression(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(test::ToUtf8(c.pattern.substr(0, 20)));
    search_.SetSearchText(c.pattern);
    RunTurns();
    EXPECT_FALSE(shown_.counting);
    EXPECT_FALSE(shown_.invalidPattern);
    // Either the long line was searched, or the panel names it.
    EXPECT_TRUE(shown_.total == c.matches || (shown_.tooComplexLine == 1 && shown_.total <= c.matches))
        << shown_.total << " matches, too complex on line " << shown_.tooComplexLine;
  }
}

// A match that could run the length of a long line ends within a megabyte,
// so that no piece of the work searches ever more of the line.
TEST_F(DocumentSearchTest, EndsMatchesOfALongLineWithinAMegabyte) {
  constexpr size_t kMegabyte = size_t{1} << 20;
  const std::string line = "{\"" + std::string(3 * kMegabyte, 'a') + "\"}";
  Show(line);
  search_.SetRegularExpression(true);
  search_.SetSearchText(L".*");
  RunTurns();
  EXPECT_FALSE(shown_.counting);
  EXPECT_EQ(shown_.total, 4u);
  for (int step = 0; step < 4; ++step) {
    ASSERT_TRUE(search_.FindNext());
    const auto [start, end] = Selection();
    EXPECT_LE(static_cast<size_t>(end - start), kMegabyte);
  }
}

// A wide line is marked about the columns in view (the control draws all of
// a line's marks whenever it paints it); the marks follow a sideways scroll.
TEST_F(DocumentSearchTest, MarksAWideLineAboutTheColumnsInView) {
  std::string line;
  while (line.size() < 30000) line += "ab ";
  Show("ab\n" + line + "\nab");
  const int wide = 3, afterIt = wide + static_cast<int>(line.size()) + 1;
  const auto marked = [&](int at) { return Sci(SCI_INDICATORVALUEAT, 0, at) == 1; };
  search_.SetSearchText(L"ab");
  RunTurns();
  EXPECT_EQ(shown_.total, 10002u) << "every match is counted";
  EXPECT_TRUE(marked(0) && marked(wide) && marked(afterIt));
  EXPECT_FALSE(marked(wide + 15000)) << "far to the right";
  Sci(SCI_SETXOFFSET, 15000 * Sci(SCI_TEXTWIDTH, STYLE_DEFAULT, reinterpret_cast<LPARAM>("n")));
  search_.ViewChanged();
  RunTurns();
  EXPECT_TRUE(marked(0) && marked(wide + 15000) && marked(afterIt));
  EXPECT_FALSE(marked(wide)) << "the marks scrolled away from go";
}

// Lines and columns count from 1; whatever names no line changes nothing.
TEST_F(DocumentSearchTest, GoesToALineAndColumnAndShowsItNearTheMiddle) {
  std::string text;
  for (int line = 1; line <= 200; ++line) text += "line " + std::to_string(line) + "\n";
  Show(text + "last");
  const int lastLine = static_cast<int>(Sci(SCI_GETLINECOUNT)) - 1;
  const struct {
    const wchar_t* typed;
    int line;
    int column;  // bytes into the line
  } targets[] = {{L"120", 119, 0},   {L" 7 ", 6, 0},           {L"0", 0, 0},   {L"12:3", 11, 2},
                 {L"12:400", 11, 7}, {L"99999999999", lastLine, 0}, {L"1:0", 0, 0}};
  for (const auto& t : targets) {
    SCOPED_TRACE(test::ToUtf8(t.typed));
    ASSERT_TRUE(search_.GoToLine(t.typed));
    const auto position = static_cast<WPARAM>(Sci(SCI_GETCURRENTPOS));
    EXPECT_EQ(Sci(SCI_LINEFROMPOSITION, position), t.line);
    EXPECT_EQ(static_cast<int>(position - Sci(SCI_POSITIONFROMLINE, t.line)), t.column);
    EXPECT_EQ(Selection().first, Selection().second) << "nothing selected";
    const LRESULT first = Sci(SCI_GETFIRSTVISIBLELINE), onScreen = Sci(SCI_LINESONSCREEN);
    EXPECT_LE(first, t.line);
    EXPECT_LT(t.line - first, onScreen) << "in view";
    // The view does not scroll past the end: only lines before it come to the middle.
    if (t.line + onScreen < lastLine) {
      EXPECT_LE(t.line - first, onScreen / 2 + 1) << "near the middle";
    }
  }
  const LRESULT before = Sci(SCI_GETCURRENTPOS);
  for (const wchar_t* garbage : {L"", L"abc", L"12:", L":5", L"-3", L"1:2:3", L"\u0663"}) {
    EXPECT_FALSE(search_.GoToLine(garbage)) << test::ToUtf8(garbage);
  }
  EXPECT_EQ(Sci(SCI_GETCURRENTPOS), before);
  EXPECT_EQ(test::DocumentText(editor_), text + "last") << "the document stays as it is";
}

}  // namespace
}  // namespace lumen
