// Format (Ctrl+Shift+J) over the real control: JSON and XML shown indented
// in their colours and searched, the file again on the second press; an
// invalid document formatted up to its fault with the panel saying where;
// a big minified file through the window engine, all of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EditorStandIn.h"
#include "TestFiles.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"
#include "resources/resource.h"
#include "text/Reindent.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

std::string Configuration(const char* more = "") {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Style ext=\"txt\""), 0,
                        "<Style ext=\"json\" lexer=\"120\" name=\"JSON\"/><Style ext=\"xml\" lexer=\"5\" name=\"XML\"/>");
  configuration.replace(configuration.find("<Styles>"), 0, more);
  return configuration;
}

std::wstring PanelText(const ViewerHarness& viewer) {
  wchar_t text[128] = {};
  GetWindowTextW(GetDlgItem(viewer.panel(), 7), text, 128);
  return text;
}

void PressFormat(ViewerHarness& viewer) {
  SetFocus(viewer.editor());
  viewer.PressKey('J', true, true);
  ASSERT_TRUE(viewer.WaitFor([&] { return viewer.Description().find(L"formatting") == std::wstring::npos; }));
}

TEST(RealEditorFormatting, ShowsJsonAndXmlIndentedSearchedAndTheFileAgain) {
  ViewerHarness viewer(Configuration());
  const struct {
    const wchar_t* name;
    const char* text;
    const char* formatted;
  } files[] = {
      {L"data.json", "{\"a\":[1,{\"needle\":true}],\"b\":\"x\"}",
       "{\n    \"a\": [\n        1,\n        {\n            \"needle\": true\n        }\n    ],\n    \"b\": \"x\"\n}\n"},
      {L"page.xml", "<?xml version=\"1.0\"?><r><needle a=\"1\"/><t>text</t></r>",
       "<?xml version=\"1.0\"?>\n<r>\n    <needle a=\"1\"/>\n    <t>text</t>\n</r>\n"},
      // Known by its start alone.
      {L"settings", "[{\"needle\":1}]", "[\n    {\n        \"needle\": 1\n    }\n]\n"},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(test::ToUtf8(file.name));
    ASSERT_EQ(viewer.OpenText(file.text, file.name), 1);
    const LRESULT lexer = viewer.Sci(SCI_GETLEXER);
    PressFormat(viewer);
    EXPECT_EQ(test::DocumentText(viewer.editor()), file.formatted);
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), lexer);
    EXPECT_NE(viewer.Description().find(L", formatted"), std::wstring::npos) << test::ToUtf8(viewer.Description());
    viewer.Send(WM_COMMAND, IDM_FIND);
    viewer.TypeSearchText(L"needle");
    EXPECT_TRUE(viewer.WaitFor([&] { return PanelText(viewer) == L"1 of 1"; })) << test::ToUtf8(PanelText(viewer));
    PressFormat(viewer);
    EXPECT_EQ(test::DocumentText(viewer.editor()), file.text);
    EXPECT_EQ(viewer.Description().find(L"formatted"), std::wstring::npos);
  }
  // Neither JSON nor XML: nothing to format.
  ASSERT_EQ(viewer.OpenText("int main;\n", L"main.c"), 1);
  SetFocus(viewer.editor());
  viewer.PressKey('J', true, true);
  EXPECT_EQ(viewer.Description().find(L"formatted"), std::wstring::npos);
}

TEST(RealEditorFormatting, FormatsUpToTheFirstFaultAndSaysWhere) {
  ViewerHarness viewer(Configuration());
  ASSERT_EQ(viewer.OpenText("{\"a\":1,\"b\":[2,3}", L"bad.json"), 1);
  PressFormat(viewer);
  EXPECT_EQ(test::DocumentText(viewer.editor()), "{\n    \"a\": 1,\n    \"b\": [\n        2,\n        3}");
  EXPECT_TRUE(viewer.WaitFor([&] { return PanelText(viewer) == L"Not valid JSON after line 5"; }))
      << test::ToUtf8(PanelText(viewer));
  ASSERT_EQ(viewer.OpenText("<a><b></a>", L"bad.xml"), 1);
  PressFormat(viewer);
  EXPECT_TRUE(viewer.WaitFor([&] { return PanelText(viewer) == L"Not valid XML after line 2"; }))
      << test::ToUtf8(PanelText(viewer));
}

// A minified document of 20 MB, shown through a window: formatted by a worker
// as it comes, every line of it there in the end.
TEST(RealEditorFormatting, FormatsABigMinifiedDocumentThroughTheWindow) {
  ViewerHarness viewer(Configuration("<FileWindow FromMegabytes=\"8\"/>"));
  std::string json = "[";
  for (int n = 0; json.size() < (20u << 20); ++n) json += "{\"id\":" + std::to_string(n) + ",\"tags\":[\"a\",\"b\"]},";
  json += "{\"id\":\"last\"}]";
  ASSERT_EQ(viewer.OpenText(json, L"big.json"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  PressFormat(viewer);
  Reindenter reindenter(Markup::Json, "    ");
  std::string formatted;
  reindenter.Feed(json, formatted);
  reindenter.Finish(formatted);
  const size_t lines = static_cast<size_t>(std::count(formatted.begin(), formatted.end(), '\n')) + 1;
  EXPECT_NE(viewer.Description().find(std::to_wstring(lines) + L" lines"), std::wstring::npos)
      << test::ToUtf8(viewer.Description());
  EXPECT_EQ(viewer.LineBeforeTheEnd(), "]\n");
}

}  // namespace
}  // namespace lumen
