#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "resources/resource.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::IndicatorRanges;
using test::ViewerHarness;
using Ranges = std::vector<std::pair<int, int>>;

class Search : public ::testing::Test {
 protected:
  void Open(const std::string& text) { ASSERT_EQ(viewer.OpenText(text, L"a.txt"), 1); }
  void ShowPanel() { viewer.Send(WM_COMMAND, IDM_FIND); }
  std::pair<int, int> Selection() const { return viewer.Selection(); }
  void Click(int id) const { SendMessageW(GetDlgItem(viewer.panel(), id), BM_CLICK, 0, 0); }
  ViewerHarness viewer;
};

TEST_F(Search, TypingFindsEveryMatchAndTheButtonsStepThroughThem) {
  Open("ab ab ab");
  ShowPanel();
  viewer.TypeSearchText(L"ab");
  EXPECT_EQ(IndicatorRanges(viewer.editor()).size(), 3u);
  EXPECT_EQ(Selection(), std::make_pair(0, 2));
  Click(2);  // Find next
  EXPECT_EQ(Selection(), std::make_pair(3, 5));
  Click(3);  // Find previous
  Click(3);
  EXPECT_EQ(Selection(), std::make_pair(6, 8)) << "wraps to the last";
}

TEST_F(Search, TheCheckBoxesSetTheOptions) {
  Open("Word word WORD words");
  ShowPanel();
  viewer.TypeSearchText(L"word");
  Click(5);  // Match case
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{5, 9}, {15, 19}}));
  Click(6);  // Whole words
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{5, 9}}));
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
