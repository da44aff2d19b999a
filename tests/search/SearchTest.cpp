#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::IndicatorRanges;
using test::ViewerHarness;
using Ranges = std::vector<std::pair<int, int>>;

// The ranges the last repaint of the indicator filled; adjacent matches would
// read as one range through the control's own indicator queries.
Ranges LastPaintedMatches(const test::EditorStandIn& editorLog, HWND editor) {
  Ranges filled;
  for (const test::EditorMessage& m : editorLog.Messages(editor)) {
    if (m.message == SCI_INDICATORCLEARRANGE) filled.clear();
    if (m.message == SCI_INDICATORFILLRANGE) filled.emplace_back(static_cast<int>(m.wParam), m.wParam + m.lParam);
  }
  return filled;
}

class Search : public ::testing::Test {
 protected:
  void Open(const std::string& text) { ASSERT_EQ(viewer.OpenText(text, L"a.txt"), 1); }
  void ShowPanel() { viewer.Send(WM_COMMAND, 1914); }
  std::pair<int, int> Selection() const { return viewer.Selection(); }
  void Click(int id) const { SendMessageW(GetDlgItem(viewer.panel(), id), BM_CLICK, 0, 0); }
  ViewerHarness viewer;
};

TEST_F(Search, TypingFindsEveryMatchAndSelectsTheFirst) {
  Open("aaaa");
  ShowPanel();
  test::EditorStandIn editorLog;
  viewer.TypeSearchText(L"aa");
  EXPECT_EQ(LastPaintedMatches(editorLog, viewer.editor()), (Ranges{{0, 2}, {2, 4}})) << "matches never overlap";
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  Click(2);  // Find next
  EXPECT_EQ(Selection(), std::make_pair(2, 4));
  Click(2);
  EXPECT_EQ(Selection(), std::make_pair(0, 2)) << "wraps to the first";
}

TEST_F(Search, StepsThroughMatchesWrappingAtBothEnds) {
  Open("one x two x three x");
  ShowPanel();
  viewer.TypeSearchText(L"x");
  EXPECT_EQ(Selection(), std::make_pair(4, 5));
  Click(3);  // Find previous after typing: the last match
  EXPECT_EQ(Selection(), std::make_pair(18, 19));
  Click(3);
  EXPECT_EQ(Selection(), std::make_pair(10, 11));

  viewer.TypeSearchText(L"three");
  Click(2);
  EXPECT_EQ(Selection(), std::make_pair(12, 17)) << "one match: next keeps it";
  Click(3);
  EXPECT_EQ(Selection(), std::make_pair(12, 17)) << "and previous too";
}

TEST_F(Search, StartsOverWhenAnOptionChanges) {
  Open("Word word WORD words");
  ShowPanel();
  viewer.TypeSearchText(L"word");
  EXPECT_EQ(IndicatorRanges(viewer.editor()).size(), 4u) << "case is ignored by default";
  Click(2);
  Click(5);  // Match case
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{5, 9}, {15, 19}}));
  EXPECT_EQ(Selection(), std::make_pair(5, 9)) << "back at the first match";
  Click(6);  // Whole words
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{5, 9}}));
  Click(5);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 4}, {5, 9}, {10, 14}}));
}

TEST_F(Search, CollapsesTheSelectionAndClearsTheMarksWithoutAMatch) {
  Open("alpha beta");
  ShowPanel();
  viewer.TypeSearchText(L"beta");
  viewer.TypeSearchText(L"betax");
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
  const auto [start, end] = Selection();
  EXPECT_EQ(start, end);
  EXPECT_EQ(viewer.Send(WM_COMMAND, MAKEWPARAM(40006, 1)), 0);
  EXPECT_EQ(Selection(), std::make_pair(start, end)) << "F3 without matches changes nothing";
  viewer.TypeSearchText(L"");
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
}

TEST_F(Search, MatchesNonAsciiTextOnItsUtf8Bytes) {
  Open("gr\xC3\xBC\xC3\x9F\x65 Gr\xC3\x9C\xC3\x9F\x45");  // "grüße GrÜßE"
  ShowPanel();
  viewer.TypeSearchText(L"\u00fc\u00df");
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{2, 6}, {10, 14}}));
  EXPECT_EQ(Selection(), std::make_pair(2, 6)) << "whole characters are selected";
}

TEST_F(Search, HighlightsASelectedWholeWordButNotAPartOfOne) {
  Open("value values value Value");
  viewer.Sci(SCI_SETSEL, 1, 4);
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
  viewer.Sci(SCI_SETSEL, 0, 5);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 5}, {13, 18}})) << "same case, whole words only";
  viewer.Sci(SCI_SETSEL, 6, 8);
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
}

TEST_F(Search, HandsTheIndicatorBackToTheSelectionWhenTheEditorGetsTheFocus) {
  Open("red green red blue");
  ShowPanel();
  viewer.TypeSearchText(L"red");
  viewer.Sci(SCI_SETSEL, 4, 9);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 3}, {10, 13}})) << "the search keeps its marks";
  SetFocus(viewer.editor());
  viewer.Sci(SCI_SETSEL, 14, 18);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{14, 18}}));
  viewer.PressKey(VK_F3);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 3}, {10, 13}})) << "Find next paints the search again";
}

TEST_F(Search, CancelHidesThePanelAndKeepsTheMarks) {
  Open("a b a");
  ShowPanel();
  viewer.TypeSearchText(L"a");
  Click(4);
  EXPECT_FALSE(IsWindowVisible(viewer.panel()));
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 1}, {4, 5}}));
}

TEST_F(Search, SearchesANewFileWhileThePanelIsShownWithoutSelecting) {
  Open("x1 x2");
  ShowPanel();
  viewer.TypeSearchText(L"x");
  ASSERT_EQ(viewer.OpenText("none here x and x and x", L"b.txt"), 1);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{10, 11}, {16, 17}, {22, 23}}));
  EXPECT_EQ(Selection(), std::make_pair(0, 0));
  viewer.PressKey(VK_F3);
  EXPECT_EQ(Selection(), std::make_pair(10, 11)) << "the first F3 selects the first match";
}

// With the panel hidden, a new file keeps no match of the old one: the keys
// search the last text anew, and find nothing where it does not occur.
TEST_F(Search, StepsThroughTheNewFilesMatchesAfterALoadWithThePanelHidden) {
  Open("x1 x2 x3");
  ShowPanel();
  viewer.TypeSearchText(L"x");
  Click(4);  // Cancel
  ASSERT_EQ(viewer.OpenText("a x b", L"b.txt"), 1);
  viewer.PressKey(VK_F3);
  EXPECT_EQ(Selection(), std::make_pair(2, 3));
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{2, 3}}));
  ASSERT_EQ(viewer.OpenText("nothing to find here at all", L"c.txt"), 1);
  viewer.Sci(SCI_SETSEL, 4, 7);
  for (const auto& [key, shift] : {std::pair{VK_F3, false}, {VK_F3, true}, {'E', false}, {'R', false}}) {
    viewer.PressKey(key, key != VK_F3, shift);
    EXPECT_EQ(Selection(), std::make_pair(4, 7)) << "key " << key;
  }
}

}  // namespace
}  // namespace lumen
