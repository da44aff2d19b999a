#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "EditorStandIn.h"
#include "ImportPatch.h"
#include "ViewerHarness.h"
#include "search/HostSync.h"
#include "abi/HostMessages.h"
#include "resources/resource.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::IndicatorRanges;
using test::ViewerHarness;
using Ranges = std::vector<std::pair<int, int>>;

constexpr char kDocument[] = "A needle, Needles and NEEDLE.";
const Ranges kAllNeedles = {{2, 8}, {10, 16}, {22, 28}};

// The host's find boxes, built at the window path the plug-in walks:
// host > container > pane > dialog > dialog > combo box > edit.
class FindBoxes {
 public:
  explicit FindBoxes(HWND host) {
    WNDCLASSW paneClass = {};
    paneClass.lpfnWndProc = DefWindowProcW;
    paneClass.hInstance = GetModuleHandleW(nullptr);
    paneClass.lpszClassName = L"tessera.folioutilitypaneinner";
    RegisterClassW(&paneClass);
    container_ = Child(L"STATIC", host, 0);
  }
  ~FindBoxes() { DestroyWindow(container_); }

  // A find box whose combo box stands `top` pixels down its dialog.
  HWND Add(const wchar_t* text, int top) {
    const HWND pane = Child(L"tessera.folioutilitypaneinner", container_, 0);
    const HWND outer = Child(L"#32770", pane, 0);
    const HWND inner = Child(L"#32770", outer, 0);
    const HWND combo = CreateWindowExW(0, L"ComboBox", text, WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 0, top, 100, 200,
                                       inner, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowTextW(combo, text);
    combos_.push_back(combo);
    return combo;
  }
  const std::vector<HWND>& combos() const { return combos_; }

 private:
  static HWND Child(const wchar_t* className, HWND parent, int top) {
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, 0, top, 300, 300, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  HWND container_;
  std::vector<HWND> combos_;
};

class HostSync : public ::testing::Test {
 protected:
  HostSync() : viewer(test::TestConfiguration(true, false, true)), boxes(viewer.host()) {}
  Ranges LoadAndMarks() {
    EXPECT_EQ(viewer.OpenText(kDocument, L"a.txt"), 1);
    return IndicatorRanges(viewer.editor());
  }
  ViewerHarness viewer;
  FindBoxes boxes;
};

TEST_F(HostSync, HighlightsTheLowerFindBoxsTextIgnoringCaseAndInsideWords) {
  boxes.Add(L"needl", 10);
  boxes.Add(L"NEEDLE", 40);
  EXPECT_EQ(LoadAndMarks(), kAllNeedles);
  EXPECT_EQ(viewer.Sci(SCI_GETSELECTIONSTART), viewer.Sci(SCI_GETSELECTIONEND)) << "nothing is selected";
  viewer.Sci(SCI_SETSEL, 0, 1);
  EXPECT_EQ(IndicatorRanges(viewer.editor()), kAllNeedles) << "the selection highlight leaves the marks alone";
}

TEST_F(HostSync, TakesTheSecondInWalkOrderAtEqualHeights) {
  const HWND first = boxes.Add(L"needle", 20);
  const HWND second = boxes.Add(L"A", 20);
  // Walk order follows window handles.
  const Ranges expectedForFirst = kAllNeedles;
  const Ranges expectedForSecond = {{0, 1}, {18, 19}};
  EXPECT_EQ(LoadAndMarks(), GetParent(GetParent(GetParent(first))) < GetParent(GetParent(GetParent(second)))
                                ? expectedForSecond
                                : expectedForFirst);
}

TEST_F(HostSync, HighlightsNothingWithOneOrThreeFindBoxes) {
  boxes.Add(L"needle", 10);
  EXPECT_TRUE(LoadAndMarks().empty());
  boxes.Add(L"needle", 20);
  boxes.Add(L"needle", 30);
  EXPECT_TRUE(LoadAndMarks().empty());
}

TEST_F(HostSync, HighlightsNothingFromAHiddenOrEmptyFindBox) {
  boxes.Add(L"x", 10);
  const HWND lower = boxes.Add(L"needle", 40);
  ShowWindow(lower, SW_HIDE);
  EXPECT_TRUE(LoadAndMarks().empty());
  ShowWindow(lower, SW_SHOW);
  SetWindowTextW(lower, L"");
  EXPECT_TRUE(LoadAndMarks().empty());
}

TEST_F(HostSync, SearchesThePanelsOwnTextWhileThePanelIsShown) {
  boxes.Add(L"x", 10);
  boxes.Add(L"needle", 40);
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"A");
  EXPECT_EQ(LoadAndMarks(), (Ranges{{0, 1}, {18, 19}}));
}

TEST_F(HostSync, ShowsTheFileWhenAWindowVanishesDuringTheWalk) {
  boxes.Add(L"x", 10);
  boxes.Add(L"needle", 40);
  const test::ImportPatch failing(viewer.plugin().module(), "user32.dll", "GetClassNameW",
                                  reinterpret_cast<void*>(+[](HWND, LPWSTR, int) -> int { return 0; }));
  ASSERT_TRUE(failing.applied());
  EXPECT_TRUE(LoadAndMarks().empty());
  EXPECT_EQ(test::DocumentText(viewer.editor()), kDocument);
}

TEST(HostSyncOff, HighlightsNothing) {
  ViewerHarness viewer(test::TestConfiguration(true, false, false));
  FindBoxes boxes(viewer.host());
  boxes.Add(L"x", 10);
  boxes.Add(L"needle", 40);
  ASSERT_EQ(viewer.OpenText(kDocument, L"a.txt"), 1);
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
}

// The walk over a tree given by a stand-in for the window system.
class FakeWindows : public WindowQueries {
 public:
  struct Window {
    std::wstring className;
    std::vector<HWND> children;
  };
  bool ClassName(HWND window, std::wstring& name) const override {
    const auto found = windows.find(window);
    if (found == windows.end()) return false;
    name = found->second.className;
    return true;
  }
  std::vector<HWND> Children(HWND window) const override {
    const auto found = windows.find(window);
    return found == windows.end() ? std::vector<HWND>() : found->second.children;
  }
  std::map<HWND, Window> windows;
};

HWND H(uintptr_t value) { return reinterpret_cast<HWND>(value); }

TEST(WindowPath, FollowsClassNamesAndTheAnyDepthStep) {
  FakeWindows fake;
  fake.windows[H(1)] = {L"Top", {H(30), H(20)}};
  fake.windows[H(20)] = {L"Box", {H(21)}};
  fake.windows[H(21)] = {L"Leaf", {}};
  fake.windows[H(30)] = {L"Mid", {H(31), H(32)}};
  fake.windows[H(31)] = {L"Box", {H(33)}};
  fake.windows[H(32)] = {L"Box", {}};
  fake.windows[H(33)] = {L"Leaf", {}};
  const WindowTree tree = BuildWindowTree(H(1), fake);
  ASSERT_EQ(tree.size(), 7u);
  EXPECT_EQ(tree.at(H(33)).parent, H(31));
  EXPECT_EQ(FindWindowsByPath(H(1), tree, L"Box/Leaf"), std::vector<HWND>{H(21)}) << "direct children only";
  EXPECT_EQ(FindWindowsByPath(H(1), tree, L"//Box/Leaf"), std::vector<HWND>{H(33)})
      << "the any-depth step does not select the start itself's children as its own";
  EXPECT_EQ(FindWindowsByPath(H(1), tree, L"Mid//Leaf"), std::vector<HWND>{H(33)});
  EXPECT_EQ(FindWindowsByPath(H(1), tree, L"//"), (std::vector<HWND>{H(20), H(30), H(31), H(32), H(33), H(21)}))
      << "children in handle order, the last pushed walked first";
  EXPECT_EQ(FindWindowsByPath(H(1), tree, L"//Box"), (std::vector<HWND>{H(31), H(32)}));
  EXPECT_TRUE(FindWindowsByPath(H(1), tree, L"box").empty()) << "class names are compared exactly";

  fake.windows.erase(H(32));
  EXPECT_THROW(BuildWindowTree(H(1), fake), std::runtime_error);
}

}  // namespace
}  // namespace lumen
