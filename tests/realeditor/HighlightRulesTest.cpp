// Highlight rules over the real control, of either generation: the shipped
// Log language's rules in the light and the dark scheme, a rule of a
// language other files do not get, the marks of a big file made where the
// view is, the context menu's highlights of a word; and a document's lines
// of matches bookmarked.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "TestFiles.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"
#include "base/Controls.h"
#include "config/Model.h"
#include "resources/resource.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

std::string Shipped(const char* mode) {
  std::string configuration = test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml");
  const std::string system = "<ColorScheme Mode=\"system\"/>";
  configuration.replace(configuration.find(system), system.size(), std::string("<ColorScheme Mode=\"") + mode + "\"/>");
  return configuration;
}

// The colours (0xRRGGBB) that the rules' indicators give the character at `position`.
std::set<int32_t> ColoursAt(const ViewerHarness& viewer, LRESULT position) {
  std::set<int32_t> colours;
  for (int indicator = 8; indicator <= 31; ++indicator) {
    if (viewer.Sci(SCI_INDICATORVALUEAT, indicator, position) == 0) continue;
    colours.insert(static_cast<int32_t>(SwapRedBlue(static_cast<uint32_t>(viewer.Sci(SCI_INDICGETFORE, indicator)))));
  }
  return colours;
}

const std::string kLog =
    "2026-12-10 12:00:00.123 INFO  started on 10.0.0.1\n"
    "2026-12-10 12:00:01.000 WARN  disk nearly full\n"
    "2026-12-10 12:00:02.000 ERROR disk full on 10.1.2.3:443\n"
    "2026-12-10 12:00:03.000 FATAL giving up\n";

TEST(RealEditorHighlightRules, ColourALogInEitherScheme) {
  const struct {
    const char* mode;
    int32_t timestamp, address, warning, error, fatalText, fatalBack;
  } schemes[] = {{"light", 0x267F99, 0x795E26, 0x9A6700, 0xC00000, 0xFFFFFF, 0xB00020},
                 {"dark", 0x4EC9B0, 0xD7BA7D, 0xDCDCAA, 0xF48771, 0xFFFFFF, 0x8B1A2B}};
  for (const auto& scheme : schemes) {
    SCOPED_TRACE(scheme.mode);
    ViewerHarness viewer(Shipped(scheme.mode));
    ASSERT_EQ(viewer.OpenText(kLog, L"app.log"), 1);
    viewer.Pump();
    const auto at = [&](const char* text) { return static_cast<LRESULT>(kLog.find(text)); };
    EXPECT_EQ(ColoursAt(viewer, 3), std::set<int32_t>{scheme.timestamp});
    EXPECT_EQ(ColoursAt(viewer, at("10.0.0.1") + 2), std::set<int32_t>{scheme.address});
    EXPECT_EQ(ColoursAt(viewer, at("started")), std::set<int32_t>{}) << "an INFO line keeps its colours";
    EXPECT_EQ(ColoursAt(viewer, at("nearly")), std::set<int32_t>{scheme.warning});
    EXPECT_EQ(ColoursAt(viewer, at("disk full")), std::set<int32_t>{scheme.error});
    EXPECT_EQ(ColoursAt(viewer, at("10.1.2.3") + 2), (std::set<int32_t>{scheme.error, scheme.address}));
    EXPECT_EQ(ColoursAt(viewer, at("giving")), (std::set<int32_t>{scheme.fatalText, scheme.fatalBack}));
  }
  // Rotated and named logs are logs; a text file gets none of their rules.
  ViewerHarness viewer(Shipped("light"));
  for (const wchar_t* name : {L"syslog", L"app.log.3", L"access.log-20261201", L"build.out"}) {
    ASSERT_EQ(viewer.OpenText(kLog, name), 1);
    viewer.Pump();
    EXPECT_FALSE(ColoursAt(viewer, kLog.find("disk full")).empty()) << test::ToUtf8(name);
  }
  ASSERT_EQ(viewer.OpenText(kLog, L"notes.txt"), 1);
  viewer.Pump();
  EXPECT_TRUE(ColoursAt(viewer, kLog.find("disk full")).empty());
}

// A big log is marked where the view is, and again where it goes.
TEST(RealEditorHighlightRules, MarkWhereTheViewOfABigFileIs) {
  ViewerHarness viewer(Shipped("light"));
  std::string text;
  while (text.size() < (size_t{12} << 20)) text += kLog;
  ASSERT_EQ(viewer.OpenText(text, L"big.log"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  const LRESULT lastError = static_cast<LRESULT>(text.rfind("disk full"));
  EXPECT_FALSE(ColoursAt(viewer, static_cast<LRESULT>(text.find("disk full"))).empty());
  EXPECT_TRUE(ColoursAt(viewer, lastError).empty()) << "far from the view: not marked yet";
  SetFocus(viewer.editor());
  viewer.PressKey(VK_END, true);
  viewer.Pump();
  EXPECT_FALSE(ColoursAt(viewer, lastError).empty());
}

// The context menu's Highlight (its command, as the menu runs it) colours
// every occurrence of the word at the caret, each word in the next colour;
// Clear highlights removes them all.
TEST(RealEditorHighlightRules, HighlightWordsAndClearThem) {
  ViewerHarness viewer;
  const std::string text = "alpha beta alpha\nbeta alphabet alpha\n";
  ASSERT_EQ(viewer.OpenText(text, L"a.txt"), 1);
  viewer.Sci(SCI_GOTOPOS, 1);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_HIGHLIGHT, 1));
  viewer.Sci(SCI_GOTOPOS, 7);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_HIGHLIGHT, 1));
  const std::set<int32_t> alpha = ColoursAt(viewer, 0), beta = ColoursAt(viewer, 6);
  EXPECT_EQ(alpha.size(), 1u);
  EXPECT_EQ(beta.size(), 1u);
  EXPECT_NE(alpha, beta);
  EXPECT_EQ(ColoursAt(viewer, static_cast<LRESULT>(text.rfind("alpha"))), alpha);
  EXPECT_TRUE(ColoursAt(viewer, static_cast<LRESULT>(text.find("alphabet"))).empty()) << "whole words only";
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_CLEAR_HIGHLIGHTS, 1));
  EXPECT_TRUE(ColoursAt(viewer, 0).empty());
  EXPECT_TRUE(ColoursAt(viewer, 6).empty());
}


// A document's lines with matches of the search, bookmarked: each once,
// copied in order.
TEST(RealEditorBookmarks, MarkTheLinesOfTheSearchsMatchesInADocument) {
  ViewerHarness viewer;
  ASSERT_EQ(viewer.OpenText("one beta\ntwo\nbeta beta three\nfour\n", L"a.txt"), 1);
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"beta");
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_BOOKMARK_MATCHES, 1));
  EXPECT_TRUE(viewer.WaitFor([&] {
    viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_COPY_BOOKMARKED_LINES, 1));
    return test::ClipboardText() == L"one beta\nbeta beta three\n";
  })) << test::ToUtf8(test::ClipboardText());
}

}  // namespace
}  // namespace lumen

namespace lumen {
namespace {

std::string Shown(const ViewerHarness& viewer) {
  std::string text(static_cast<size_t>(viewer.Sci(SCI_GETLENGTH)) + 1, '\0');
  viewer.Sci(SCI_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.size() - 1);
  return text;
}
std::string Margin(const ViewerHarness& viewer, LRESULT line) {
  std::string text(32, '\0');
  text.resize(static_cast<size_t>(viewer.Sci(SCI_MARGINGETTEXT, line, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// Show only matching lines, with a line of context (runs that meet are one),
// numbered as in the file; Enter on one goes to it in the file; hiding shows
// the others.
TEST(RealEditorFilter, ShowsTheMatchingLinesAndGoesBackToOne) {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<Filter ContextLines=\"1\"/>");
  ViewerHarness viewer(configuration);
  const std::string text = "a\nb needle\nc\nd\ne\nf\ng needle\nh needle\ni\nj\n";
  ASSERT_EQ(viewer.OpenText(text, L"a.txt"), 1);
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FILTER_MATCHING, 1));
  ASSERT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "a\nb needle\nc\nf\ng needle\nh needle\ni\n"; }))
      << Shown(viewer);
  viewer.Pump();
  for (const auto& [line, number] : {std::pair{0, "1"}, {2, "3"}, {3, "6"}, {6, "9"}}) EXPECT_EQ(Margin(viewer, line), number);
  EXPECT_NE(viewer.Description().find(L"filtered: 7 of 11 lines"), std::wstring::npos) << test::ToUtf8(viewer.Description());
  SetFocus(viewer.editor());
  viewer.Sci(SCI_GOTOLINE, 4);
  viewer.PressKey(VK_RETURN);
  EXPECT_EQ(Shown(viewer), text);
  EXPECT_EQ(viewer.Sci(SCI_LINEFROMPOSITION, viewer.Sci(SCI_GETCURRENTPOS)), 6) << "the line of g, in the file";

  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FILTER_HIDING, 1));
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "a\nc\nd\ne\nf\ni\nj\n"; })) << Shown(viewer);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FILTER_HIDING, 1));
  EXPECT_EQ(Shown(viewer), text) << "again: the file";
}

// The panel's check box and number field drive the filter, which follows
// the search text and a followed log; the count says how many lines it shows.
TEST(RealEditorFilter, FollowsThePanelTheSearchAndTheLog) {
  ViewerHarness viewer;
  const std::wstring path = viewer.FilePath(L"app.log");
  const std::string text = "a\nb needle\nc\nd\ne\nf\ng needle\nh pin\ni\nj\n";
  test::WriteBytes(path, text);
  ASSERT_EQ(viewer.OpenFile(path), 1);
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  const HWND check = GetDlgItem(viewer.panel(), 10), context = GetDlgItem(viewer.panel(), 11);
  const auto count = [&] { return test::ToUtf8(WindowText(GetDlgItem(viewer.panel(), 7))); };
  SendMessageW(check, BM_CLICK, 0, 0);
  ASSERT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "b needle\ng needle\n"; })) << Shown(viewer);
  EXPECT_TRUE(viewer.WaitFor([&] { return count().ends_with("; 2 of 11 lines"); })) << count();
  SetWindowTextW(context, L"1");
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "a\nb needle\nc\nf\ng needle\nh pin\n"; })) << Shown(viewer);
  viewer.TypeSearchText(L"pin");
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "g needle\nh pin\ni\n"; })) << Shown(viewer);
  // What the log adds is filtered on; a line still being written waits for its end.
  test::AppendBytes(path, "k\nl\nm pin\nn\no\np pi");
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "g needle\nh pin\ni\nl\nm pin\nn\n"; })) << Shown(viewer);
  test::AppendBytes(path, "n\n");
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == "g needle\nh pin\ni\nl\nm pin\nn\no\np pin\n"; }))
      << Shown(viewer);
  EXPECT_EQ(Margin(viewer, 7), "16");
  EXPECT_TRUE(viewer.WaitFor([&] { return count().ends_with("; 8 of 17 lines"); })) << count();
  // Unchecked: the file, with what it gained meanwhile.
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_TRUE(viewer.WaitFor([&] { return Shown(viewer) == text + "k\nl\nm pin\nn\no\np pin\n"; })) << Shown(viewer);
  EXPECT_FALSE(count().ends_with("lines")) << count();
}

}  // namespace
}  // namespace lumen
