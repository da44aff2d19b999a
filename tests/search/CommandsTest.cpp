#include <gtest/gtest.h>

#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "resources/resource.h"
#include "abi/ScintillaInterface.h"
#include "base/Controls.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

MSG KeyMessage(HWND window, UINT message, LPARAM lParam) {
  MSG msg = {};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = VK_RETURN;
  msg.lParam = lParam;
  return msg;
}

class Commands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(viewer.OpenText("key one key two key three", L"a.txt"), 1); }
  std::pair<int, int> Selection() const { return viewer.Selection(); }
  bool PanelShown() const { return IsWindowVisible(viewer.panel()) != FALSE; }
  std::wstring SearchEditText() const {
    wchar_t text[64] = {};
    GetWindowTextW(viewer.searchEdit(), text, 64);
    return text;
  }
  ViewerHarness viewer;
};

TEST_F(Commands, CtrlFTogglesThePanelAndFocusesItsEditBothWays) {
  EXPECT_TRUE(viewer.PressKey('F', true));
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(GetFocus(), viewer.searchEdit());
  EXPECT_TRUE(viewer.PressKey('F', true));
  EXPECT_FALSE(PanelShown());
  EXPECT_EQ(GetFocus(), viewer.searchEdit());
  viewer.Send(WM_COMMAND, IDM_FIND);
  EXPECT_TRUE(PanelShown()) << "the menu item does what Ctrl+F does";
  EXPECT_TRUE(viewer.PressKey('L', true));
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(viewer.PressKey('L', true)) << "Ctrl+L while hidden is taken and changes nothing";
  EXPECT_FALSE(PanelShown());
}

TEST_F(Commands, SwallowsCtrlMAndCtrlWAndLeavesOtherKeysToTheHost) {
  test::EditorStandIn editorLog;
  editorLog.ClearMessages(viewer.editor());
  EXPECT_TRUE(viewer.PressKey('M', true));
  EXPECT_TRUE(viewer.PressKey('W', true));
  EXPECT_FALSE(viewer.PressKey('Q', true));
  EXPECT_FALSE(viewer.PressKey(VK_F4));
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(editorLog.Messages(viewer.editor(), SCI_SETSEL).empty());
}

TEST_F(Commands, FindNextKeysDoNothingWithoutMatches) {
  const auto before = Selection();
  EXPECT_TRUE(viewer.PressKey(VK_F3));
  EXPECT_TRUE(viewer.PressKey('E', true));
  EXPECT_TRUE(viewer.PressKey('R', true));
  EXPECT_TRUE(viewer.PressKey(VK_F3, false, true));
  EXPECT_EQ(Selection(), before);
}

TEST_F(Commands, F3AndShiftF3StepThroughTheMatches) {
  viewer.PressKey('F', true);
  viewer.TypeSearchText(L"key");
  EXPECT_EQ(Selection(), std::make_pair(0, 3));
  viewer.PressKey(VK_F3);
  EXPECT_EQ(Selection(), std::make_pair(8, 11));
  viewer.PressKey('E', true);
  EXPECT_EQ(Selection(), std::make_pair(16, 19));
  viewer.PressKey(VK_F3, false, true);
  EXPECT_EQ(Selection(), std::make_pair(8, 11));
  viewer.PressKey('R', true);
  EXPECT_EQ(Selection(), std::make_pair(0, 3));
}

TEST_F(Commands, CtrlF3SearchesTheSelectedTextOnwardsAndCtrlShiftF3Backwards) {
  viewer.Sci(SCI_SETSEL, 8, 11);  // the second "key"
  EXPECT_TRUE(viewer.PressKey(VK_F3, true));
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(SearchEditText(), L"key");
  EXPECT_EQ(Selection(), std::make_pair(16, 19));
  viewer.PressKey(VK_F3, true);
  EXPECT_EQ(Selection(), std::make_pair(0, 3)) << "from the third it wraps to the first";
  viewer.PressKey(VK_F3, true, true);
  EXPECT_EQ(Selection(), std::make_pair(16, 19)) << "backwards from the first wraps to the last";
}

TEST_F(Commands, CtrlF3WithoutASelectionOnlyShowsThePanel) {
  viewer.Sci(SCI_GOTOPOS, 5);
  test::EditorStandIn editorLog;
  editorLog.ClearMessages(viewer.editor());
  EXPECT_TRUE(viewer.PressKey(VK_F3, true));
  EXPECT_TRUE(PanelShown());
  EXPECT_EQ(GetFocus(), viewer.searchEdit());
  EXPECT_TRUE(editorLog.Messages(viewer.editor(), SCI_FINDTEXT).empty());
}

TEST_F(Commands, EnterReleasedInTheSearchEditFindsTheNextMatchOnce) {
  viewer.PressKey('F', true);
  viewer.TypeSearchText(L"key");
  ASSERT_EQ(GetFocus(), viewer.searchEdit());
  viewer.PressKey(VK_RETURN);
  EXPECT_EQ(Selection(), std::make_pair(8, 11));

  // Held down: repeated key-downs, then one release.
  MSG down = KeyMessage(viewer.searchEdit(), WM_KEYDOWN, 1 | (1 << 30));
  for (int repeat = 0; repeat < 3; ++repeat) {
    if (!viewer.Send(HBXPLUGINMSG_SHORTCUTKEY, 0, reinterpret_cast<LPARAM>(&down)) &&
        !viewer.Send(HBXPLUGINMSG_DIALOGKEYS, 0, reinterpret_cast<LPARAM>(&down))) {
      DispatchMessageW(&down);
    }
  }
  EXPECT_EQ(Selection(), std::make_pair(8, 11)) << "nothing on key-down or auto-repeat";
  MSG up = KeyMessage(viewer.searchEdit(), WM_KEYUP, 1 | (1u << 30) | (1u << 31));
  if (!viewer.Send(HBXPLUGINMSG_DIALOGKEYS, 0, reinterpret_cast<LPARAM>(&up))) DispatchMessageW(&up);
  EXPECT_EQ(Selection(), std::make_pair(16, 19));

  SendMessageW(viewer.panel(), WM_NOTIFY, 1, 0);  // a notification without its record
  EXPECT_EQ(Selection(), std::make_pair(16, 19));
}

// Ctrl+G, digits, Enter: the caret is on that line; Escape gives the keyboard
// back to the document. The count follows typing and stepping.
TEST_F(Commands, CtrlGGoesToALineAndTheCountFollowsTheSearch) {
  ASSERT_EQ(viewer.OpenText("key one\nkey two\nkey three\n", L"a.txt"), 1);
  EXPECT_TRUE(viewer.PressKey('G', true));
  EXPECT_TRUE(PanelShown());
  const HWND lineEntry = GetDlgItem(viewer.panel(), 8);
  ASSERT_EQ(GetFocus(), lineEntry);
  SetWindowTextW(lineEntry, L"3");
  viewer.PressKey(VK_RETURN);
  EXPECT_EQ(viewer.Sci(SCI_LINEFROMPOSITION, static_cast<WPARAM>(viewer.Sci(SCI_GETCURRENTPOS))), 2);
  EXPECT_EQ(GetFocus(), viewer.editor()) << "the line is shown to be read";
  viewer.PressKey('G', true);
  SetWindowTextW(lineEntry, L"x");
  viewer.PressKey(VK_RETURN);
  EXPECT_EQ(GetFocus(), lineEntry) << "no such line: the entry keeps the keyboard";
  viewer.PressKey(VK_ESCAPE);
  EXPECT_EQ(GetFocus(), viewer.editor());
  EXPECT_TRUE(PanelShown());

  const HWND count = GetDlgItem(viewer.panel(), 7);
  viewer.TypeSearchText(L"key");
  EXPECT_EQ(lumen::WindowText(count), L"1 of 3");
  viewer.PressKey(VK_F3);
  EXPECT_EQ(lumen::WindowText(count), L"2 of 3");
  viewer.TypeSearchText(L"none");
  EXPECT_EQ(lumen::WindowText(count), L"No matches");
  viewer.TypeSearchText(L"");
  EXPECT_EQ(lumen::WindowText(count), L"");
}

TEST_F(Commands, TabMovesBetweenThePanelsControls) {
  viewer.PressKey('F', true);
  ASSERT_EQ(GetFocus(), viewer.searchEdit());
  viewer.PressKey(VK_TAB);
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), 2) << "Find next follows the edit";
}

TEST_F(Commands, CtrlWheelZoomsAndTellsTheHost) {
  viewer.ClearNotifications();
  const LRESULT narrow = viewer.Sci(SCI_GETMARGINWIDTHN, 0);
  viewer.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(100, 100));
  EXPECT_EQ(viewer.Sci(SCI_GETZOOM), 1);
  ASSERT_FALSE(viewer.notifications().empty());
  EXPECT_EQ(viewer.notifications().back().code, -2003);
  EXPECT_EQ(viewer.notifications().back().value, 108u);
  EXPECT_GT(viewer.Sci(SCI_GETMARGINWIDTHN, 0), narrow) << "the margin follows the digits' new width";
}

}  // namespace
}  // namespace lumen
