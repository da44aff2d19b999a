#include <gtest/gtest.h>

#include <string>

#include "DebugOutput.h"
#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "search/PanelLayout.h"
#include "abi/HostMessages.h"
#include "resources/resource.h"
#include "abi/ScintillaInterface.h"
#include "viewer/Zoom.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr UINT kApplyZoom = HBXPLUGINMSG_APPLYZOOM, kSetZoomLevel = HBXPLUGINMSG_SETZOOMLEVEL,
               kQueryZoom = HBXPLUGINMSG_QUERYZOOM, kSelectAll = HBXPLUGINMSG_SELECTWHOLETEXT,
               kHasSelection = HBXPLUGINMSG_HASSELECTION, kCopyText = HBXPLUGINMSG_COPYTEXT,
               kMenuItems = HBXPLUGINMSG_MENUITEMS;

RECT WindowBox(HWND window) {
  RECT box;
  GetWindowRect(window, &box);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// Where the editor was first placed: its creation parameters, seen by a hook.
RECT firstEditorPlace = {};
LRESULT CALLBACK RecordEditorCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    if (!IS_INTRESOURCE(create->lpszClass) && std::wstring(create->lpszClass) == L"Scintilla") {
      firstEditorPlace = {create->x, create->y, create->cx, create->cy};
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(ViewerWindow, PlacesTheEditorByTheHostsRectangleUntilTheFirstLayout) {
  HHOOK hook = SetWindowsHookExW(WH_CBT, &RecordEditorCreation, nullptr, GetCurrentThreadId());
  ViewerHarness viewer(test::TestConfiguration(), {0, 0, 800, 600});
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(firstEditorPlace.right, 800) << "width = the rectangle's right";
  EXPECT_EQ(firstEditorPlace.bottom, 600) << "height = the rectangle's bottom";

  MoveWindow(viewer.viewer(), 0, 0, 640, 480, TRUE);
  const RECT editor = WindowBox(viewer.editor());
  EXPECT_EQ(editor.right - editor.left, 640);
  EXPECT_EQ(editor.bottom - editor.top, 480);
  EXPECT_TRUE(IsWindowVisible(viewer.editor()));

  SendMessageW(viewer.viewer(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(10, 10));
  MoveWindow(viewer.editor(), 0, 0, 100, 100, TRUE);
  SendMessageW(viewer.viewer(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(10, 10));
  EXPECT_EQ(WindowBox(viewer.editor()).right, 100) << "minimised: no layout";
  viewer.Send(HBXPLUGINMSG_RESIZE);
  EXPECT_EQ(WindowBox(viewer.editor()).right, 640) << "the host's resize message lays out again";
}

TEST(ViewerWindow, ConvertsZoomBetweenPercentAndPoints) {
  ViewerHarness viewer;
  const std::pair<WPARAM, int> settings[] = {{100, 0}, {0, 0}, {150, 6}, {10, -10}, {200, 12}, {50, -6}};
  for (const auto& [percent, points] : settings) {
    EXPECT_EQ(viewer.Send(kApplyZoom, percent), 0);
    EXPECT_EQ(viewer.Sci(SCI_GETZOOM), points) << percent << "%";
  }
  EXPECT_EQ(viewer.Send(kSetZoomLevel, 150), 1);
  EXPECT_EQ(viewer.Send(kApplyZoom, static_cast<WPARAM>(-1)), 0);
  EXPECT_EQ(viewer.Send(kSetZoomLevel, static_cast<WPARAM>(-1)), 1);
  EXPECT_EQ(viewer.Send(kSetZoomLevel, static_cast<WPARAM>(-2)), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETZOOM), 6) << "-1 and -2 change nothing";
  const std::pair<int, LRESULT> queries[] = {{0, 100}, {-10, 16}, {1, 108}, {12, 200}};
  for (const auto& [points, percent] : queries) {
    viewer.Sci(SCI_SETZOOM, points);
    EXPECT_EQ(viewer.Send(kQueryZoom), percent) << points << " points";
  }
}

TEST(ViewerWindow, CopiesTheWholeTextWithoutASelectionAndLeavesTheCaretAtTheStart) {
  ViewerHarness viewer;
  ASSERT_EQ(viewer.OpenText("first line\nsecond\n", L"a.txt"), 1);
  EXPECT_EQ(viewer.Send(kHasSelection), 0);
  viewer.Sci(SCI_GOTOPOS, 5);
  EXPECT_EQ(viewer.Send(kCopyText), 1);
  EXPECT_EQ(test::ClipboardText(), L"first line\nsecond\n");
  EXPECT_EQ(viewer.Sci(SCI_GETCURRENTPOS), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETSELECTIONEND), 0);

  viewer.Sci(SCI_SETSEL, 6, 10);
  EXPECT_EQ(viewer.Send(kHasSelection), 1);
  EXPECT_EQ(viewer.Send(kCopyText), 1);
  EXPECT_EQ(test::ClipboardText(), L"line");
  EXPECT_EQ(viewer.Sci(SCI_GETSELECTIONSTART), 6) << "a selection is copied and kept";
  EXPECT_EQ(viewer.Send(kSelectAll), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETSELECTIONEND), 18);
}

TEST(ViewerWindow, OffersItsFindItemWithThePanelsState) {
  ViewerHarness viewer;
  uint32_t count = 0;
  auto* item = reinterpret_cast<const uint8_t*>(viewer.Send(kMenuItems, reinterpret_cast<WPARAM>(&count)));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(*reinterpret_cast<const wchar_t* const*>(item), L"Find");
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(item + 8), 2u) << "panel hidden";
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(item + 12), static_cast<uint32_t>(IDM_FIND));
  viewer.Send(WM_COMMAND, IDM_FIND);
  item = reinterpret_cast<const uint8_t*>(viewer.Send(kMenuItems, reinterpret_cast<WPARAM>(&count)));
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(item + 8), 1u) << "panel shown";
}

TEST(ViewerWindow, GivesThePanelItsHeightOnlyWhenTheEditorKeepsRoom) {
  ViewerHarness viewer;
  viewer.Send(WM_COMMAND, IDM_FIND);
  ASSERT_TRUE(IsWindowVisible(viewer.panel()));
  const RECT panel = WindowBox(viewer.panel());
  const int panelHeight = panel.bottom - panel.top;
  EXPECT_EQ(panel.bottom, 600);
  EXPECT_EQ(WindowBox(viewer.editor()).bottom, 600 - panelHeight);

  MoveWindow(viewer.viewer(), 0, 0, 800, panelHeight, TRUE);
  EXPECT_FALSE(IsWindowVisible(viewer.panel())) << "no room above the panel";
  EXPECT_EQ(WindowBox(viewer.editor()).bottom, panelHeight);
  MoveWindow(viewer.viewer(), 0, 0, 800, panelHeight + 1, TRUE);
  EXPECT_TRUE(IsWindowVisible(viewer.panel()));
}

TEST(ViewerWindow, AnswersTheHostsOtherMessages) {
  ViewerHarness viewer;
  test::EditorStandIn editorLog;
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_FEATURES), kViewerFeatures);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_UNKNOWN_8F24), kAnswerTo8F24);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_UNKNOWN_8F2A, 5), 1);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_UNKNOWN_8F2A, 0), 0);
  // The three the viewer knows to ignore, and two it has no name for.
  for (UINT quiet : {UINT{HBXPLUGINMSG_UNKNOWN_8F11}, UINT{HBXPLUGINMSG_UNKNOWN_8F19}, UINT{HBXPLUGINMSG_UNKNOWN_8F1B},
                     0x8F03u, 0x8F29u}) EXPECT_EQ(viewer.Send(quiet, 1, 2), 0);
  EXPECT_EQ(viewer.Send(WM_ERASEBKGND), 1);
  EXPECT_EQ(viewer.Send(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(viewer.editor())),
            reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  EXPECT_EQ(viewer.Send(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(viewer.host())), 0);
  editorLog.ClearMessages(viewer.editor());
  viewer.Send(HBXPLUGINMSG_PASSTOEDITOR, 11, 22);
  const auto passed = editorLog.Messages(viewer.editor(), HBXPLUGINMSG_PASSTOEDITOR);
  ASSERT_EQ(passed.size(), 1u);
  EXPECT_EQ(passed[0].wParam, 11u);
  EXPECT_EQ(passed[0].lParam, 22);

  ASSERT_EQ(viewer.OpenText("x", L"named.txt"), 1);
  const auto* path = reinterpret_cast<const std::wstring*>(viewer.Send(kFilePathQuery));
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(*path, viewer.FilePath(L"named.txt"));
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_DIALOGKEYS, 0, 0), 0) << "no message to route";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_SHORTCUTKEY, 0, 0), 0);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_DESCRIBEFILE, 0, 0), 1) << "no record to describe into";
}

TEST(ViewerWindow, AnswersAsWithoutAnEditorOnceItsEditorIsDestroyed) {
  ViewerHarness viewer;
  ASSERT_EQ(viewer.OpenText("int x;\n", L"a.c"), 1);
  DestroyWindow(viewer.editor());
  EXPECT_EQ(viewer.OpenText("int y;\n", L"b.c"), 0) << "nothing can show the file";
  EXPECT_EQ(viewer.Send(kSelectAll), 0);
  EXPECT_EQ(viewer.Send(kHasSelection), 0);
  EXPECT_EQ(viewer.Send(kCopyText), 0);
  EXPECT_EQ(viewer.Send(kQueryZoom), 100);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_RELOADSETTINGS), 0) << "a reload without an editor";
}

TEST(ViewerWindow, ClosesOnWmCloseAndForgetsItsObject) {
  ViewerHarness viewer;
  viewer.Send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(viewer.viewer()));
  EXPECT_FALSE(IsWindow(viewer.editor()));
}

TEST(ViewerTrace, HandsLinesToTheDebuggerAndTheRestAtUnload) {
  test::DebugOutput output;
  {
    ViewerHarness viewer;
    viewer.Send(WM_SIZE, 0, 0x1E00280);
    viewer.Send(WM_SIZE, 0, 0x1E00280);
  }
  std::wstring all;
  for (const std::wstring& call : output.calls()) all += call;
  EXPECT_NE(all.find(L"WM_SIZE [5]\t0 [0]\t31457920 [1e00280]\n"), std::wstring::npos);
  EXPECT_NE(all.find(L"WM_CREATE [1]"), std::wstring::npos);
  for (const std::wstring& call : output.calls()) {
    if (call.empty()) continue;
    EXPECT_EQ(call.find(L'\n'), call.size() - 1) << "one line per call, ending in its newline";
  }
}

TEST(PanelLayout, PlacesTwoRowsAndKeepsTheEditAtLeastFiftyWide) {
  const PanelLabelWidths labels = {60, 70, 40, 80, 90};
  const auto wide = LayOutPanel(600, 60, 22, labels, 13);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->edit, (ControlBox{4, 60 - 52, 600 - 156, 22}));
  EXPECT_EQ(wide->findNext, (ControlBox{8 + 444, 8, 70, 22})) << "buttons as wide as the widest label";
  EXPECT_EQ(wide->findPrevious, (ControlBox{12 + 444 + 70, 8, 70, 22}));
  EXPECT_EQ(wide->matchCase, (ControlBox{4, 60 - 26, 93, 22}));
  EXPECT_EQ(wide->wholeWords, (ControlBox{8 + 93, 34, 103, 22}));
  EXPECT_EQ(wide->cancel, (ControlBox{600 - 70 - 4, 34, 70, 22}));
  // The filter's controls after the edit where it keeps room for a search.
  PanelLabelWidths withFilter = labels;
  withFilter.filter = 100;
  withFilter.filterContext = 30;
  for (const auto& [width, placed] : {std::pair{900, true}, {420, false}}) {
    const auto panel = LayOutPanel(width, 60, 22, withFilter, 13);
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->filter.width > 0, placed) << width;
    EXPECT_GE(panel->edit.width, placed ? 150 : 50);
    if (!placed) continue;
    EXPECT_EQ(panel->filter.x, panel->edit.x + panel->edit.width + 4);
    EXPECT_EQ(panel->filterContext.x, panel->filter.x + 113);
    EXPECT_EQ(panel->findNext.x, panel->filterContext.x + 30 + 8);
    EXPECT_EQ(panel->findPrevious.x + panel->findPrevious.width, 900 - 4) << "the buttons keep their place";
  }

  const auto narrow = LayOutPanel(150, 60, 22, labels, 13);
  ASSERT_TRUE(narrow);
  EXPECT_EQ(narrow->edit.width, 50);
  EXPECT_EQ(narrow->findNext.width, (150 - 66) / 2);
  EXPECT_FALSE(LayOutPanel(99, 60, 22, labels, 13)) << "narrower than 100: keep the places";
  EXPECT_FALSE(LayOutPanel(600, 55, 22, labels, 13)) << "lower than both rows";
  EXPECT_TRUE(LayOutPanel(600, 56, 22, labels, 13));
}

}  // namespace
}  // namespace lumen
