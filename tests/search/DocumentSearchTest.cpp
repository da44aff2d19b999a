// The search component over an editor window of its own, no viewer around it.
// The program beside the editor stand-in runs it over the stand-in; the one
// beside the real control runs the same cases over Scintilla 5.
#include <gtest/gtest.h>

#include <algorithm>

#include "EditorStandIn.h"
#include "TestFiles.h"
#include "abi/ScintillaInterface.h"
#include "search/DocumentSearch.h"

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
                 [this](bool wanted) { turnsWanted_ = wanted; }}) {
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
  Ranges Matches() const {
    Ranges ranges;
    for (const Match& match : search_.matches()) ranges.emplace_back(match.start, match.end);
    return ranges;
  }
  Ranges Marks() const { return IndicatorRanges(editor_); }
  // The viewer's turns, until the marking in hand is done.
  void RunTurns() {
    while (turnsWanted_) search_.ContinueMarking(MatchScan::Clock::now() + std::chrono::milliseconds(25));
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
    EXPECT_EQ(Matches(), c.matches);
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
  EXPECT_EQ(Matches().size(), 4u) << "case is ignored by default";
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
  search_.AfterLoad(true);
  EXPECT_EQ(Marks(), (Ranges{{10, 11}, {16, 17}}));
  EXPECT_EQ(Selection(), std::make_pair(0, 0)) << "nothing is selected";
  EXPECT_EQ(shown_, (MatchCount{true, 0, 2})) << "2 matches, none selected";
  search_.FindNext();
  EXPECT_EQ(Selection(), std::make_pair(10, 11)) << "the first step selects the first match";

  Show("a x b x");
  search_.AfterLoad(false);
  EXPECT_TRUE(search_.matches().empty()) << "no match of the previous document is kept";
  EXPECT_TRUE(search_.FindPrevious());
  EXPECT_EQ(Selection(), std::make_pair(6, 7)) << "backwards: the last match";

  Show("nothing to find");
  search_.AfterLoad(false);
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
    search_.SetRegularExpression(c.regularExpression);
    search_.SetWholeWord(c.wholeWord);
    search_.SetSearchText(c.text);
    search_.SetDocumentComplete(false);
    EXPECT_TRUE(shown_.counting) << "not final while the rest is on its way";
    auto* loader = reinterpret_cast<ILoader*>(Sci(SCI_CREATELOADER, c.whole.size()));
    ASSERT_NE(loader, nullptr);
    loader->AddData(c.whole.data(), static_cast<intptr_t>(c.whole.size()));
    void* document = loader->ConvertToDocument();
    Sci(SCI_SETDOCPOINTER, 0, reinterpret_cast<LPARAM>(document));
    Sci(SCI_RELEASEDOCUMENT, 0, reinterpret_cast<LPARAM>(document));
    Sci(SCI_SETCODEPAGE, SC_CP_UTF8);
    search_.DocumentReplaced();
    search_.SetDocumentComplete(true);
    RunTurns();
    EXPECT_EQ(Matches(), c.matches);
    EXPECT_EQ(Marks(), c.matches);
    EXPECT_EQ(shown_.counting, false);
    EXPECT_EQ(shown_.total, c.matches.size());
  }
}

TEST_F(DocumentSearchTest, StepsOnFromTheSelectedMatchAndMarksTheHostsTextInAnyCase) {
  Show("ab x AB x ab");
  search_.SetSearchText(L"ab");
  search_.StepFrom(5, true);
  EXPECT_EQ(Selection(), std::make_pair(10, 12));
  search_.StepFrom(5, false);
  EXPECT_EQ(Selection(), std::make_pair(0, 2));

  search_.MarkHostFindText(L"Ab X");
  EXPECT_EQ(Marks(), (Ranges{{0, 4}, {5, 9}}));
  EXPECT_TRUE(search_.marksAreSearch());
  search_.CancelSearch();
  EXPECT_EQ(panelHidden_, 1);
  EXPECT_FALSE(search_.marksAreSearch()) << "the marks stay, the selection may take them";
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
    EXPECT_EQ(Matches(), c.matches);
    EXPECT_EQ(shown_, (MatchCount{true, 1, c.matches.size()}));
  }
  search_.SetMatchCase(false);
  search_.SetWholeWord(false);
  search_.SetSearchText(L"\\b");
  EXPECT_TRUE(Matches().empty());
  EXPECT_FALSE(search_.FindNext()) << "only empty matches: stepping finds nothing and ends";
  search_.SetSearchText(L"(c");
  EXPECT_EQ(shown_, (MatchCount{true, 0, 0, true})) << "Invalid pattern";
  EXPECT_TRUE(Marks().empty());
  search_.SetRegularExpression(false);
  EXPECT_EQ(Matches(), Ranges{}) << "as plain text, \"(c\" is not there";
  search_.SetSearchText(L"^x");
  EXPECT_EQ(Matches(), (Ranges{{22, 24}}));
}

// Two million matches take more than one turn: the lines in view are marked
// at once, a step beyond the marked part finds the true next match, the turns
// finish the count, and a new document drops the marking in hand.
TEST_F(DocumentSearchTest, MarksABigDocumentInTurnsAndStepsBeyondTheMarkedPart) {
  constexpr size_t kLines = 2000000;
  std::string text;
  text.reserve(2 * kLines);
  for (size_t line = 0; line < kLines; ++line) text += "a\n";
  Show(text);
  search_.SetSearchText(L"a");
  ASSERT_TRUE(turnsWanted_) << "all of it in one turn";
  EXPECT_TRUE(shown_.counting);
  EXPECT_EQ(shown_.position, 1u);
  const size_t listed = Matches().size();
  ASSERT_LT(listed, kLines);
  EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * 20), 1) << "the lines in view are marked";

  EXPECT_TRUE(search_.FindPrevious()) << "before the first: the last, though not yet counted";
  const int lastStart = static_cast<int>(2 * (kLines - 1));
  EXPECT_EQ(Selection(), std::make_pair(lastStart, lastStart + 1));
  EXPECT_EQ(shown_.position, 0u) << "its number is not known yet";
  EXPECT_TRUE(search_.FindNext());
  EXPECT_EQ(Selection(), std::make_pair(0, 1)) << "past the last: the first";

  search_.StepFrom(search_.matches().back().start, true);
  EXPECT_EQ(Selection(), std::make_pair(static_cast<int>(2 * listed), static_cast<int>(2 * listed + 1)));
  EXPECT_EQ(shown_.position, listed + 1);
  RunTurns();
  EXPECT_EQ(Matches().size(), kLines);
  EXPECT_EQ(shown_, (MatchCount{true, listed + 1, kLines}));
  EXPECT_EQ(Sci(SCI_INDICATORVALUEAT, 0, 2 * (kLines - 1)), 1) << "the last line is marked too";

  search_.SetSearchText(L"a");
  ASSERT_TRUE(turnsWanted_);
  Show("x a");
  search_.AfterLoad(true);
  EXPECT_FALSE(turnsWanted_) << "the old document's marking is dropped";
  EXPECT_EQ(Matches(), (Ranges{{2, 3}}));
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
