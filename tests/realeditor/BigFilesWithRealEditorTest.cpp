// Big files over the real control, of either generation: followed in the
// room their document has, loads dropped in quick succession, a file caught
// while a character is being written, one that proves ANSI late, copying far
// beyond the styled text, and columns of long lines.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "EditorStandIn.h"
#include "TestFiles.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"
#include "resources/resource.h"
#include "search/GoToLine.h"
#include "viewer/Styling.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr size_t kMegabyte = size_t{1} << 20;

size_t WorkingSet() {
  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  return memory.WorkingSetSize;
}

std::string Lines(const std::string& line, size_t size) {
  std::string text;
  while (text.size() < size) text += line;
  return text;
}


// What a log adds goes into the room its document has; a big document that
// outgrows its room is built anew by the workers while it stays shown, the
// view at its end, and is followed on.
TEST(RealEditorWithBigFiles, FollowInTheirRoomAndAreBuiltAnewWhenTheyOutgrowIt) {
  ViewerHarness viewer(test::TestConfiguration(true, false));
  const std::wstring path = viewer.FilePath(L"big.log");
  std::string text = Lines("a line of a big log\n", kLargestSmallDocument + 1);
  test::WriteBytes(path, text);
  ASSERT_EQ(viewer.OpenFile(path), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  viewer.Sci(SCI_DOCUMENTEND);
  const LRESULT document = viewer.Sci(SCI_GETDOCPOINTER);
  const auto shows = [&] { return test::DocumentText(viewer.editor()) == text; };
  const auto grow = [&](const std::string& more) {
    test::AppendBytes(path, more);
    text += more;
  };
  grow("one more line\n");
  EXPECT_TRUE(viewer.WaitFor(shows));
  EXPECT_EQ(viewer.Sci(SCI_GETDOCPOINTER), document) << "in the room it has";
  grow(Lines("a line written while the log is shown\n", kMegabyte / 2));
  EXPECT_TRUE(viewer.WaitFor(shows)) << "built anew";
  EXPECT_NE(viewer.Sci(SCI_GETDOCPOINTER), document);
  EXPECT_EQ(viewer.Sci(SCI_LINEFROMPOSITION, viewer.Sci(SCI_GETCURRENTPOS)), viewer.Sci(SCI_GETLINECOUNT) - 1)
      << "the view stays at the end";
  grow("and after\n");
  EXPECT_TRUE(viewer.WaitFor(shows)) << "followed on";
}

// Moving through big files, each shown a moment: the room for a whole
// document is made for one load at a time, and a load dropped meanwhile
// makes none, so that memory does not grow by a room for every file passed.
TEST(RealEditorWithBigFiles, MakeRoomForOneDocumentAtATimeWhenShownInQuickSuccession) {
  ViewerHarness viewer;
  const std::wstring path = viewer.FilePath(L"big.log");
  const std::string text = Lines("a line of a big log that the user passes by\n", 48 * kMegabyte);
  test::WriteBytes(path, text);
  const size_t before = WorkingSet();
  size_t most = before;
  for (int file = 0; file < 8; ++file) {
    ASSERT_EQ(viewer.OpenFile(path), 1);
    for (int round = 0; round < 6; ++round) {  // long enough for its workers to start
      viewer.Pump();
      Sleep(5);
      most = std::max(most, WorkingSet());
    }
  }
  EXPECT_TRUE(viewer.WaitFor([&] {
    most = std::max(most, WorkingSet());
    return viewer.Description().find(L"loading") == std::wstring::npos;
  }));
  const size_t room = 2 * text.size();  // the text's buffer and its styles'
  EXPECT_LT(most - before, 4 * room) << (most - before) / kMegabyte << " MB";
}

// A big document put aside (by the next file, or by itself built anew) is
// freed by a worker: its memory goes back, and the next file's document
// has the looks of a file shown first.
TEST(RealEditorWithBigFiles, LeaveTheirDocumentToAWorkerToFree) {
  std::string configuration = test::TestConfiguration();
  // Given to the control whole, as such a file is when told so.
  configuration.replace(configuration.find("<Styles>"), 0, "<FileWindow FromMegabytes=\"2048\"/>");
  ViewerHarness viewer(configuration);
  const std::wstring small = viewer.FilePath(L"small.c"), big = viewer.FilePath(L"big.log");
  test::WriteBytes(small, "int main(void) {\n\treturn 0;\n}\n");
  test::WriteBytes(big, Lines("a line of a big log put aside for the next file\n", 80 * kMegabyte));
  const auto looks = [&] {
    return std::vector<LRESULT>{viewer.Sci(SCI_GETLEXER), viewer.Sci(SCI_GETCODEPAGE), viewer.Sci(SCI_GETTABWIDTH),
                                viewer.Sci(SCI_GETREADONLY), viewer.Sci(SCI_GETLENGTH)};
  };
  ASSERT_EQ(viewer.OpenFile(small), 1);
  const std::vector<LRESULT> first = looks();
  ASSERT_EQ(viewer.OpenFile(big), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  const size_t shown = WorkingSet();
  ASSERT_EQ(viewer.OpenFile(small), 1);
  EXPECT_EQ(looks(), first);
  EXPECT_TRUE(viewer.WaitFor([&] { return WorkingSet() + 100 * kMegabyte < shown; }))
      << "still " << (WorkingSet() / kMegabyte) << " MB of " << (shown / kMegabyte);
}

// A file caught while a program writes a character to its end shows the
// rest as it is and the character once it is whole, whatever its size.
TEST(RealEditorWithBigFiles, HoldBackAnUnfinishedLastCharacterUntilItIsWhole) {
  for (const size_t size : {size_t{100000}, kLargestSmallDocument + kMegabyte}) {
    SCOPED_TRACE(size);
    ViewerHarness viewer;
    const std::wstring path = viewer.FilePath(L"caught.log");
    const std::string text = Lines("price 10 \xE2\x82\xAC\n", size);
    test::WriteBytes(path, text + "price 12 \xE2\x82");
    ASSERT_EQ(viewer.OpenFile(path), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_TRUE(test::DocumentText(viewer.editor()) == text + "price 12 ");
    EXPECT_EQ(viewer.Description().substr(0, 7), L"UTF-8, ");
    test::AppendBytes(path, "\xAC\n");
    EXPECT_TRUE(viewer.WaitFor([&] { return test::DocumentText(viewer.editor()) == text + "price 12 \xE2\x82\xAC\n"; }));
  }
}

// A big file that proves ANSI only at its end is read anew from its start:
// the search counts the new text from its start, and what it selected is
// not left at the old places, whose bytes have moved.
TEST(RealEditorWithBigFiles, SearchAnewAFileThatProvesAnsiLate) {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<EncodingDetection Enabled=\"no\"/>");
  ViewerHarness viewer(configuration);
  const std::string line = "price 10 \xE2\x82\xAC, the needle\n";
  const std::string needles = Lines(line, kLargestSmallDocument + 3 * kMegabyte);
  const size_t lines = needles.size() / line.size();
  const std::string text = needles + "caf\xE9\n";
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  ASSERT_EQ(viewer.OpenText(text, L"prices.log"), 1);
  viewer.PressKey(VK_F3);
  viewer.PressKey(VK_F3);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_EQ(viewer.Description().substr(0, 6), L"ANSI, ");
  const HWND count = GetDlgItem(viewer.panel(), 7);
  const auto shownCount = [&] {
    wchar_t shown[64] = {};
    GetWindowTextW(count, shown, 64);
    return std::wstring(shown);
  };
  const std::wstring total = std::to_wstring(lines);
  EXPECT_TRUE(viewer.WaitFor([&] {
    const std::wstring shown = shownCount();
    return shown == total + L" matches" || shown.ends_with(L" of " + total);
  }))
      << test::ToUtf8(shownCount()) << ", " << lines << " lines";
  const auto [start, end] = viewer.Selection();
  std::string selected(static_cast<size_t>(end - start) + 1, '\0');
  viewer.Sci(SCI_GETSELTEXT, 0, reinterpret_cast<LPARAM>(selected.data()));
  selected.resize(static_cast<size_t>(end - start));
  EXPECT_TRUE(selected.empty() || selected == "needle") << selected;
  viewer.PressKey(VK_F3);
  EXPECT_EQ(viewer.Sci(SCI_GETCHARAT, viewer.Selection().first), 'n');
}

// Copy with colours of a selection far beyond what the control has styled
// (a big file styled while idle) styles what it copies, and the text before
// it is styled all the same when it comes into view.
TEST(RealEditorWithBigFiles, CopyWithColoursFarBeyondTheStyledTextAndLeaveNoneUnstyled) {
  constexpr int kComment = 2;  // the C lexer's line comment
  ViewerHarness viewer(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"/>)"));
  const std::string line = "int value = 42; // a comment\n";
  const std::string text = Lines(line, 48 * kMegabyte);
  ASSERT_EQ(viewer.OpenText(text, L"big.c"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  const auto length = static_cast<LPARAM>(text.size());
  viewer.Sci(SCI_SETSEL, length - 200, length);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_COPY_WITH_COLOURS, 1));
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, length - 10), kComment) << "copied in its colours";
  const LRESULT middle = viewer.Sci(SCI_GETLINECOUNT) / 2;
  viewer.Sci(SCI_GOTOLINE, middle);
  const LRESULT comment = viewer.Sci(SCI_POSITIONFROMLINE, middle) + static_cast<LRESULT>(line.find("//"));
  EXPECT_TRUE(viewer.WaitFor([&] {
    RedrawWindow(viewer.editor(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return viewer.Sci(SCI_GETSTYLEAT, comment) == kComment;
  })) << "the text between is styled when shown";
}

// Go to line:column finds a column as the control counts it (characters,
// tabs to their stops), also far into a line hundreds of megabytes long.
TEST(RealEditorWithBigFiles, GoToAColumnAsTheControlCountsIt) {
  ViewerHarness viewer;
  const std::string lines[] = {"plain ascii text of a line",  "\tone\ttab\t\tafter\ttab",
                               "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80 end",
                               "bad \xFF\xC3 bytes\t\xE2\x82",   "crlf line\r\n"};
  // The mark keeps the stray bytes as they are.
  std::string text = "\xEF\xBB\xBF";
  for (const std::string& line : lines) text += line + (line.ends_with("\n") ? "" : "\n");
  ASSERT_EQ(viewer.OpenText(text, L"columns.txt"), 1);
  ASSERT_TRUE(test::DocumentText(viewer.editor()) == text.substr(3));
  const auto tabWidth = static_cast<int>(viewer.Sci(SCI_GETTABWIDTH));
  for (size_t index = 0; index < std::size(lines); ++index) {
    const LRESULT start = viewer.Sci(SCI_POSITIONFROMLINE, index);
    const std::string& line = lines[index];
    for (int64_t column = 0; column < static_cast<int64_t>(line.size()) + 3 * tabWidth; ++column) {
      SCOPED_TRACE(std::to_string(index) + ":" + std::to_string(column));
      EXPECT_EQ(start + static_cast<LRESULT>(ColumnOffset(line, column, tabWidth)),
                viewer.Sci(SCI_FINDCOLUMN, index, column));
    }
  }
  // Far into a long line, the caret lands where the column is (the line, too
  // long to show whole, is shown a piece at a time).
  std::string longLine;
  while (longLine.size() < 12 * kMegabyte) longLine += "0123456789";
  longLine += "\n";
  ASSERT_EQ(viewer.OpenText(longLine, L"one-line.json"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  viewer.Send(WM_COMMAND, IDM_FIND);
  SetWindowTextW(GetDlgItem(viewer.panel(), 8), L"1:11000000");
  SetFocus(GetDlgItem(viewer.panel(), 8));
  viewer.PressKey(VK_RETURN);
  const LRESULT caret = viewer.Sci(SCI_GETCURRENTPOS);
  EXPECT_LT(viewer.Sci(SCI_GETLENGTH), 4 * kMegabyte);
  std::string around;
  for (LRESULT at = caret - 3; at <= caret; ++at) around += static_cast<char>(viewer.Sci(SCI_GETCHARAT, at));
  EXPECT_EQ(around, "6789") << "column 11000000 is the 11 millionth character: a 9";
}

}  // namespace
}  // namespace lumen
