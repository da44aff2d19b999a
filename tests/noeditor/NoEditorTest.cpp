// lumen.dll in a folder without SciLexer.dll: the viewer has no editor control.
#include <gtest/gtest.h>

#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "resources/resource.h"

namespace lumen {
namespace {

TEST(ViewerWithoutEditor, ExistsAndAnswersTheHostWithoutAnEditor) {
  test::ViewerHarness viewer;
  ASSERT_TRUE(IsWindow(viewer.viewer()));
  EXPECT_EQ(viewer.editor(), nullptr);
  InvalidateRect(viewer.viewer(), nullptr, TRUE);
  UpdateWindow(viewer.viewer());

  EXPECT_EQ(viewer.OpenText("int x;\n", L"a.c"), 0);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_QUERYZOOM), 100) << "zoom query";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_APPLYZOOM, 150), 0);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_SETZOOMLEVEL, 150), 1);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_SELECTWHOLETEXT), 0) << "select all";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_HASSELECTION), 0) << "has selection";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_COPYTEXT), 0) << "copy";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_PASSTOEDITOR, 1, 2), 0) << "passed to the editor";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_FEATURES), 0x0020BD72);
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_RELOADSETTINGS), 0) << "reload";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_RESIZE), 0) << "resize";
  EXPECT_EQ(viewer.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), 0), 0);

  wchar_t text[64] = L"untouched";
  uint8_t record[40] = {};
  *reinterpret_cast<wchar_t**>(record + 24) = text;
  *reinterpret_cast<uint32_t*>(record + 32) = 64;
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_DESCRIBEFILE, 0, reinterpret_cast<LPARAM>(record)), 1);
  EXPECT_EQ(std::wstring(text).rfind(L"?, ", 0), 0u) << "no file shown yet";

  uint32_t count = 0;
  viewer.Send(WM_COMMAND, IDM_FIND);
  auto* item = reinterpret_cast<const uint8_t*>(viewer.Send(HBXPLUGINMSG_MENUITEMS, reinterpret_cast<WPARAM>(&count)));
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(item + 8), 1u) << "the panel state still changes";
  viewer.PressKey('F', true);
  viewer.PressKey(VK_F3);
}

}  // namespace
}  // namespace lumen
