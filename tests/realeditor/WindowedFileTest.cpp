// Files shown through a window over the real control, of either generation:
// the file's line numbers in the margin and the scroll bar over the whole
// file at its start, middle and end, the jumps to either end and to a line,
// the seam a scroll crosses, and the search over the whole file.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "base/TimedReads.h"
#include "viewer/FileWindow.h"
#include "resources/resource.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr int kLines = 700000;  // about 20 MB: windowed from 8 MB on
constexpr int kNeedleLine = 650001;

std::string NumberedLines() {
  std::string text;
  text.reserve(size_t{kLines} * 32);
  char line[64];
  for (int number = 1; number <= kLines; ++number) {
    std::snprintf(line, sizeof line, "line %08d of a windowed file%s\n", number,
                  number == 3 || number == kNeedleLine ? " needle" : "");
    text += line;
  }
  return text;
}

// Files from 8 MB on through a window.
std::string WindowedConfiguration() {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<FileWindow FromMegabytes=\"8\"/>");
  return configuration;
}

std::string LineText(const ViewerHarness& viewer, LRESULT line) {
  std::string text(static_cast<size_t>(viewer.Sci(SCI_LINELENGTH, line)) + 1, '\0');
  viewer.Sci(SCI_GETLINE, line, reinterpret_cast<LPARAM>(text.data()));
  return text.substr(0, std::min(text.find('\n'), text.find('\0')));
}
std::string MarginText(const ViewerHarness& viewer, LRESULT line) {
  std::string text(32, '\0');
  text.resize(static_cast<size_t>(viewer.Sci(SCI_MARGINGETTEXT, line, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}
LRESULT CaretLine(const ViewerHarness& viewer) {
  return viewer.Sci(SCI_LINEFROMPOSITION, viewer.Sci(SCI_GETCURRENTPOS));
}
std::wstring ShownCount(const ViewerHarness& viewer) {
  wchar_t text[64] = {};
  GetWindowTextW(GetDlgItem(viewer.panel(), 7), text, 64);
  return text;
}
// Ctrl+G, the line's number and Enter, as a user goes to a line.
void GoToLineByKeys(ViewerHarness& viewer, uint64_t line) {
  viewer.PressKey('G', true);
  SetWindowTextW(GetFocus(), std::to_wstring(line).c_str());
  viewer.PressKey(VK_RETURN);
}

class RealEditorWindowedFiles : public ::testing::Test {
 protected:
  RealEditorWindowedFiles() : viewer_(WindowedConfiguration()) {}

  void SetUp() override {
    static const std::string text = NumberedLines();
    const std::wstring path = viewer_.FilePath(L"windowed.log");
    test::WriteBytes(path, text);
    ASSERT_EQ(viewer_.OpenFile(path), 1);
    ASSERT_LT(viewer_.Sci(SCI_GETLENGTH), 8 << 20) << "a window, not the file";
    ASSERT_TRUE(viewer_.WaitWhileLoading());
    SetFocus(viewer_.editor());
    viewer_.Pump();
  }

  std::string LineText(LRESULT line) const { return lumen::LineText(viewer_, line); }
  std::string MarginText(LRESULT line) const { return lumen::MarginText(viewer_, line); }
  LRESULT FirstLineInView() const { return viewer_.Sci(SCI_GETFIRSTVISIBLELINE); }
  LRESULT CaretLine() const { return lumen::CaretLine(viewer_); }
  // The file's line number that a line of the window says it is.
  static int NumberIn(const std::string& line) { return line.size() > 13 ? std::stoi(line.substr(5, 8)) : 0; }
  HWND ScrollBar() const { return FindWindowExW(viewer_.viewer(), nullptr, L"SCROLLBAR", nullptr); }
  SCROLLINFO ScrollInfo() const {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(ScrollBar(), SB_CTL, &info);
    return info;
  }
  // The view's first line carries the file's number, in its text and margin.
  void ExpectNumberedInView(const char* where) const {
    const LRESULT first = FirstLineInView();
    const int number = NumberIn(LineText(first));
    EXPECT_GT(number, 0) << where;
    EXPECT_EQ(MarginText(first), std::to_string(number)) << where;
  }
  void Drag(double fraction) const {
    const SCROLLINFO info = ScrollInfo();
    SetScrollPos(ScrollBar(), SB_CTL, static_cast<int>(fraction * (info.nMax + 1)), FALSE);
    viewer_.Send(WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(ScrollBar()));
    viewer_.Pump();
  }

  ViewerHarness viewer_;
};

TEST_F(RealEditorWindowedFiles, NumberTheirLinesAndMapTheScrollBarOverTheWholeFile) {
  ASSERT_TRUE(ScrollBar());
  EXPECT_NE(viewer_.Description().find(L"700001 lines"), std::wstring::npos) << test::ToUtf8(viewer_.Description());
  ExpectNumberedInView("start");
  EXPECT_EQ(ScrollInfo().nPos, 0);
  for (const double fraction : {0.5, 0.25, 0.999, 0.0}) {
    Drag(fraction);
    ExpectNumberedInView("after a drag");
    const int number = NumberIn(LineText(FirstLineInView()));
    EXPECT_NEAR(number, fraction * kLines, kLines / 100) << fraction;
    EXPECT_NEAR(ScrollInfo().nPos, fraction * (ScrollInfo().nMax + 1), (ScrollInfo().nMax + 1) / 100) << fraction;
  }
}

TEST_F(RealEditorWindowedFiles, GoToEitherEndAndAnyLine) {
  viewer_.PressKey(VK_END, true);
  ASSERT_TRUE(viewer_.WaitFor([&] { return NumberIn(LineText(CaretLine() - 1)) == kLines; }))
      << LineText(CaretLine() - 1);
  EXPECT_EQ(MarginText(CaretLine()), std::to_string(kLines + 1));
  viewer_.PressKey(VK_HOME, true);
  ASSERT_TRUE(viewer_.WaitFor([&] { return NumberIn(LineText(CaretLine())) == 1; })) << LineText(CaretLine());
  for (const int line : {kLines / 2, kLines, 17}) {
    GoToLineByKeys(viewer_, static_cast<uint64_t>(line));
    EXPECT_EQ(NumberIn(LineText(CaretLine())), line);
    EXPECT_EQ(MarginText(CaretLine()), std::to_string(line));
  }
}

// Scrolled line by line across the window's edge, the view goes on with
// the next lines of the file, and the caret stays on its line of the file.
TEST_F(RealEditorWindowedFiles, ScrollAcrossTheWindowsEdgeWithoutASeam) {
  viewer_.Sci(SCI_GOTOLINE, 10);
  constexpr int kStep = 500, kSteps = 300;  // 150000 lines: past the first window's end
  int previous = NumberIn(LineText(FirstLineInView()));
  for (int step = 0; step < kSteps; ++step) {
    viewer_.Sci(SCI_LINESCROLL, 0, kStep);
    viewer_.Pump();
    const int number = NumberIn(LineText(FirstLineInView()));
    ASSERT_EQ(number, previous + kStep) << "step " << step;
    previous = number;
  }
  ExpectNumberedInView("far down");
  for (int step = 0; step < kSteps; ++step) {
    viewer_.Sci(SCI_LINESCROLL, 0, -kStep);
    viewer_.Pump();
  }
  EXPECT_EQ(NumberIn(LineText(FirstLineInView())), previous - kSteps * kStep);
  EXPECT_EQ(NumberIn(LineText(CaretLine())), 11) << "the caret where it was in the file";
}

// The count is the whole file's; the steps go to a match beyond the window
// and back round the file's ends.
TEST_F(RealEditorWindowedFiles, CountAndStepThroughMatchesAnywhereInTheFile) {
  viewer_.Send(WM_COMMAND, IDM_FIND);
  viewer_.TypeSearchText(L"needle");
  const auto shown = [&] { return ShownCount(viewer_); };
  EXPECT_TRUE(viewer_.WaitFor([&] { return shown() == L"1 of 2"; })) << test::ToUtf8(shown());
  EXPECT_EQ(NumberIn(LineText(CaretLine())), 3);
  for (const int expected : {kNeedleLine, 3, kNeedleLine}) {
    viewer_.PressKey(VK_F3);
    EXPECT_TRUE(viewer_.WaitFor([&] { return NumberIn(LineText(CaretLine())) == expected; }));
    const auto [start, end] = viewer_.Selection();
    EXPECT_EQ(end - start, 6);
    EXPECT_EQ(viewer_.Sci(SCI_GETCHARAT, start), 'n');
  }
  EXPECT_TRUE(viewer_.WaitFor([&] { return shown() == L"2 of 2"; })) << test::ToUtf8(shown());
  viewer_.PressKey(VK_F3, false, true);
  EXPECT_TRUE(viewer_.WaitFor([&] { return NumberIn(LineText(CaretLine())) == 3; }));
}

// Bookmarks are the file's lines: they stay on them as the window moves,
// F2 and Shift+F2 go round them, and their lines are copied from the file.
TEST_F(RealEditorWindowedFiles, KeepBookmarksOnTheirLinesAsTheWindowMoves) {
  const auto bookmarked = [&] { return (viewer_.Sci(SCI_MARKERGET, CaretLine()) & (1 << 24)) != 0; };
  for (const int line : {5, 650000}) {
    GoToLineByKeys(viewer_, static_cast<uint64_t>(line));
    viewer_.PressKey(VK_F2, true);
    EXPECT_TRUE(bookmarked()) << line;
  }
  GoToLineByKeys(viewer_, 300000);
  EXPECT_FALSE(bookmarked());
  for (const auto& [shift, line] : {std::pair{false, 650000}, {false, 5}, {true, 650000}, {true, 5}}) {
    viewer_.PressKey(VK_F2, false, shift);
    EXPECT_EQ(NumberIn(LineText(CaretLine())), line) << shift;
    EXPECT_TRUE(bookmarked()) << line;
  }
  viewer_.Send(WM_COMMAND, MAKEWPARAM(IDM_COPY_BOOKMARKED_LINES, 1));
  EXPECT_EQ(test::ClipboardText(), L"line 00000005 of a windowed file\nline 00650000 of a windowed file\n");
  viewer_.Send(WM_COMMAND, MAKEWPARAM(IDM_CLEAR_BOOKMARKS, 1));
  EXPECT_FALSE(bookmarked());
  viewer_.PressKey(VK_F2);
  EXPECT_EQ(NumberIn(LineText(CaretLine())), 5) << "no bookmark to go to";

  // The lines of the search's matches, found in the whole file.
  viewer_.Send(WM_COMMAND, IDM_FIND);
  viewer_.TypeSearchText(L"needle");
  viewer_.Send(WM_COMMAND, MAKEWPARAM(IDM_BOOKMARK_MATCHES, 1));
  EXPECT_TRUE(viewer_.WaitFor([&] {
    viewer_.Send(WM_COMMAND, MAKEWPARAM(IDM_COPY_BOOKMARKED_LINES, 1));
    return test::ClipboardText() == L"line 00000003 of a windowed file needle\nline 00650001 of a windowed file needle\n";
  })) << test::ToUtf8(test::ClipboardText());
  for (const int line : {kNeedleLine, 3}) {
    viewer_.Send(WM_COMMAND, MAKEWPARAM(IDA_NEXT_BOOKMARK, 1));
    EXPECT_EQ(NumberIn(LineText(CaretLine())), line);
  }
}

// A windowed file filtered: its matching lines with the file's numbers and
// bookmarks, Enter on one back in the file at that line.
TEST_F(RealEditorWindowedFiles, FilterAndGoBackToAMatchingLine) {
  const auto bookmarked = [&](LRESULT line) { return (viewer_.Sci(SCI_MARKERGET, line) & (1 << 24)) != 0; };
  GoToLineByKeys(viewer_, kNeedleLine);
  viewer_.PressKey(VK_F2, true);
  viewer_.Send(WM_COMMAND, IDM_FIND);
  viewer_.TypeSearchText(L"needle");
  viewer_.PressKey('F', true, true);
  ASSERT_TRUE(viewer_.WaitFor([&] { return viewer_.Sci(SCI_GETLINECOUNT) == 3 && NumberIn(LineText(1)) == kNeedleLine; }));
  viewer_.Pump();
  EXPECT_EQ(MarginText(0), "3");
  EXPECT_EQ(MarginText(1), std::to_string(kNeedleLine));
  EXPECT_FALSE(bookmarked(0));
  EXPECT_TRUE(bookmarked(1));
  EXPECT_NE(viewer_.Description().find(L"filtered: 2 of 700001 lines"), std::wstring::npos)
      << test::ToUtf8(viewer_.Description());
  // A matching line the file gains is filtered on.
  test::AppendBytes(viewer_.FilePath(L"windowed.log"), "line 00700001 appended, needle\nline 00700002\n");
  ASSERT_TRUE(viewer_.WaitFor([&] { return viewer_.Sci(SCI_GETLINECOUNT) == 4; })) << viewer_.Sci(SCI_GETLINECOUNT);
  viewer_.Pump();
  EXPECT_EQ(MarginText(2), "700001");
  EXPECT_TRUE(viewer_.WaitFor([&] { return viewer_.Description().find(L"filtered: 3 of 700003 lines") != std::wstring::npos; }))
      << test::ToUtf8(viewer_.Description());
  SetFocus(viewer_.editor());
  viewer_.Sci(SCI_GOTOLINE, 1);
  viewer_.PressKey(VK_RETURN);
  EXPECT_EQ(NumberIn(LineText(CaretLine())), kNeedleLine);
  EXPECT_EQ(MarginText(CaretLine()), std::to_string(kNeedleLine));
  EXPECT_TRUE(bookmarked(CaretLine()));
  EXPECT_EQ(viewer_.Description().find(L"filtered"), std::wstring::npos);
  viewer_.PressKey('F', true, true);  // and the viewer closes while it is filtered
}

// A selection reaching beyond the window is the file's: Shift+Ctrl+End
// selects to the file's end, Ctrl+A all of it wherever the view is, and the
// copy of either holds the file's text, read from the file.
TEST_F(RealEditorWindowedFiles, SelectAndCopyBeyondTheWindow) {
  static const std::string text = NumberedLines();
  const auto copied = [&](size_t from, size_t to = std::string::npos) {
    const std::wstring expected = Utf8ToWide(text.substr(from, to - from));
    const bool same = viewer_.WaitFor([&] { return test::ClipboardText() == expected; });
    if (!same) {
      const std::wstring got = test::ClipboardText();
      ADD_FAILURE() << got.size() << " vs " << expected.size() << ": " << test::ToUtf8(got.substr(0, 40)) << " ... "
                    << test::ToUtf8(got.substr(got.size() > 40 ? got.size() - 40 : 0));
    }
    return same;
  };
  viewer_.Sci(SCI_GOTOLINE, 9);
  viewer_.PressKey(VK_END, true, true);
  ASSERT_TRUE(viewer_.WaitFor([&] { return NumberIn(LineText(CaretLine() - 1)) == kLines; }));
  EXPECT_EQ(viewer_.Send(HBXPLUGINMSG_HASSELECTION), 1);
  viewer_.PressKey('C', true);
  EXPECT_TRUE(copied(text.find("line 00000010")));
  // Drawn back a line with Shift+Up, it still starts at line 10.
  viewer_.PressKey(VK_UP, false, true);
  viewer_.PressKey('C', true);
  EXPECT_TRUE(copied(text.find("line 00000010"), text.find("line 00700000")));

  Drag(0.5);
  viewer_.PressKey('A', true);
  const LRESULT inView = FirstLineInView();
  viewer_.PressKey('C', true);
  EXPECT_TRUE(copied(0));
  EXPECT_EQ(FirstLineInView(), inView) << "Select all keeps the view";
  // Clicked, the selection is the control's again.
  viewer_.Sci(SCI_GOTOPOS, viewer_.Sci(SCI_POSITIONFROMLINE, inView + 1));
  EXPECT_EQ(viewer_.Send(HBXPLUGINMSG_HASSELECTION), 0);
}

// A UTF-16 file goes through a window as UTF-8 does: its lines, its ends,
// a line anywhere, the count and a copy beyond the window.
TEST(RealEditorWindowedUtf16, ShowCountAndCopyAsUtf8Does) {
  ViewerHarness viewer(WindowedConfiguration());
  static const std::string text = NumberedLines();
  const std::wstring wide = Utf8ToWide(text);
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  const std::wstring path = viewer.FilePath(L"utf16.log");
  test::WriteBytes(path, bytes);
  ASSERT_EQ(viewer.OpenFile(path), 1);
  EXPECT_LT(viewer.Sci(SCI_GETLENGTH), 8 << 20) << "a window, not the file";
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_NE(viewer.Description().find(L"700001 lines"), std::wstring::npos) << test::ToUtf8(viewer.Description());
  SetFocus(viewer.editor());
  for (const int line : {kLines / 2, kLines, 17}) {
    GoToLineByKeys(viewer, static_cast<uint64_t>(line));
    EXPECT_EQ(LineText(viewer, CaretLine(viewer)).substr(0, 13), "line " + std::string(8 - std::to_string(line).size(), '0') + std::to_string(line));
    EXPECT_EQ(MarginText(viewer, CaretLine(viewer)), std::to_string(line));
  }
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  EXPECT_TRUE(viewer.WaitFor([&] { return ShownCount(viewer) == L"1 of 2"; })) << test::ToUtf8(ShownCount(viewer));
  SetFocus(viewer.editor());
  GoToLineByKeys(viewer, 17);
  SetFocus(viewer.editor());
  viewer.PressKey(VK_END, true, true);
  viewer.PressKey('C', true);
  const std::wstring expected = wide.substr(wide.find(L"line 00000017"));
  EXPECT_TRUE(viewer.WaitFor([&] { return test::ClipboardText() == expected; })) << test::ClipboardText().size();
}

// A file on another machine whose reads stall: a jump waits for them no
// longer than its message may (were it held, the gate below would never
// open), and is made once they come.
TEST(RealEditorWindowedSlowFiles, JumpOnceTheirReadsCome) {
  const HMODULE library = LoadLibraryW((test::ProgramFolder() + L"\\SciLexer.dll").c_str());
  const UniqueWindow editor(CreateWindowExW(0, L"Scintilla", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(editor);
  SendMessageW(editor.get(), SCI_SETCODEPAGE, SC_CP_UTF8, 0);
  static const std::string text = NumberedLines();
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"lumen-slow.log";
  test::WriteBytes(path, text);
  std::atomic<bool> slow{false};
  const UniqueHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const TimedReads::Read local = TimedReads::OfPath(path);
  auto reads = std::make_unique<TimedReads>([&, local](uint64_t offset, char* buffer, size_t room) {
    if (slow.load()) WaitForSingleObject(gate.get(), INFINITE);
    return local(offset, buffer, room);
  });
  {
    FileWindow window(EditorControl(editor.get()), *SharedFile::Open(path), {path, Encoding::Utf8, 0, 0, text.size()}, {},
                      std::move(reads));
    ASSERT_TRUE(window.ShowStart([] {}));
    for (int round = 0; round < 1000 && !window.indexed(); ++round) Sleep(10);
    ASSERT_TRUE(window.indexed());
    const auto firstLine = [&] {
      return window.FileLineOf(SendMessageW(editor.get(), SCI_GETFIRSTVISIBLELINE, 0, 0));
    };
    slow = true;
    window.ShowFileEnd();
    EXPECT_TRUE(window.waiting());
    EXPECT_EQ(firstLine(), 0u) << "not moved while the reads wait";
    SetEvent(gate.get());
    for (int round = 0; round < 1000 && window.waiting(); ++round) {
      Sleep(10);
      window.IndexTurn();
    }
    EXPECT_FALSE(window.waiting());
    const LRESULT caret = SendMessageW(editor.get(), SCI_GETCURRENTPOS, 0, 0);
    EXPECT_EQ(window.FileLineOf(SendMessageW(editor.get(), SCI_LINEFROMPOSITION, caret, 0)), uint64_t{kLines});
  }
  FreeLibrary(library);
  DeleteFileW(path.c_str());
}

// A big stream is written to a file of lumen's as it is read and shown
// through a window onto it, as a big file is: all of it reached and counted.
// The file goes with the view, also when the host's code shows another file
// while the stream is read.
TEST(RealEditorWindowedStreams, ShowAllOfABigStreamThroughAFileOfTheirOwn) {
  ViewerHarness viewer(WindowedConfiguration());
  static const std::string text = NumberedLines();
  test::TestStream stream(text);
  stream.piece = 256 << 10;
  ASSERT_EQ(viewer.OpenStream(L"stream.log", &stream), 1);
  EXPECT_LT(viewer.Sci(SCI_GETLENGTH), 8 << 20) << "a window, not the stream";
  EXPECT_EQ(test::SpoolFiles(), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_NE(viewer.Description().find(L"700001 lines"), std::wstring::npos) << test::ToUtf8(viewer.Description());
  SetFocus(viewer.editor());
  viewer.PressKey(VK_END, true);
  EXPECT_TRUE(viewer.WaitFor([&] { return MarginText(viewer, CaretLine(viewer)) == std::to_string(kLines + 1); }));
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  EXPECT_TRUE(viewer.WaitFor([&] { return ShownCount(viewer) == L"1 of 2"; })) << test::ToUtf8(ShownCount(viewer));
  ASSERT_EQ(viewer.OpenText("small\n", L"a.txt"), 1);
  EXPECT_EQ(test::SpoolFiles(), 0);

  test::TestStream second(text);
  second.piece = 256 << 10;
  bool replaced = false;
  second.duringRead = [&] {
    if (second.position() > (4u << 20) && !std::exchange(replaced, true)) viewer.OpenText("other\n", L"b.txt");
  };
  ASSERT_EQ(viewer.OpenStream(L"second.log", &second), 1);
  EXPECT_TRUE(viewer.WaitFor([&] { return replaced; }));
  viewer.Pump();
  EXPECT_EQ(viewer.Sci(SCI_GETLENGTH), 6);
  EXPECT_EQ(test::SpoolFiles(), 0);
}

// Pieces of text at `offsets` of a sparse file of `size` bytes; the holes
// between them read as zeros.
void WriteIslands(const std::wstring& path, uint64_t size, const std::vector<std::pair<uint64_t, std::string>>& islands) {
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  for (const auto& [offset, text] : islands) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    ASSERT_TRUE(SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) &&
                WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  }
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
}

std::string Numbered(const char* what, int first, int count) {
  std::string text;
  for (int number = first; number < first + count; ++number) {
    text += "line " + std::to_string(number) + " " + what + "\n";
  }
  return text;
}

// 4 GB and a byte: its last line reached with Ctrl+End and with go to line,
// its numbers right at the start, the middle and the end (each hole is part
// of one long line), and a word near its end counted and stepped to.
TEST(RealEditorBeyondFourGigabytes, ReachTheirEndAndCountAndStepToAWordThere) {
  ViewerHarness viewer(WindowedConfiguration());
  const std::wstring path = viewer.FilePath(L"beyond.log");
  const uint64_t size = (uint64_t{1} << 32) + 1;
  // Line 1001 is the first hole, ended by the middle's first line end; 2002 the second.
  const std::string start = Numbered("at the start", 1, 1000);
  std::string middle = "\n", end = "\n";
  middle += Numbered("in the middle", 1002, 1000);
  end += Numbered("with a needle at the end", 2003, 100);
  end += "x";
  WriteIslands(path, size, {{0, start}, {uint64_t{1} << 31, middle}, {size - end.size(), end}});
  ASSERT_EQ(viewer.OpenFile(path), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading(120000));
  EXPECT_NE(viewer.Description().find(L"2103 lines, 4294967297 bytes"), std::wstring::npos)
      << test::ToUtf8(viewer.Description());
  SetFocus(viewer.editor());
  const auto caretLine = [&] { return CaretLine(viewer); };
  const auto lineText = [&](LRESULT line) { return LineText(viewer, line); };
  const auto margin = [&](LRESULT line) { return MarginText(viewer, line); };
  viewer.PressKey(VK_END, true);
  EXPECT_TRUE(viewer.WaitFor([&] { return lineText(caretLine()) == "x"; })) << lineText(caretLine());
  EXPECT_EQ(margin(caretLine()), "2103");
  for (const auto& [line, text] : {std::pair<int, std::string>{2103, "x"}, {1500, "line 1500 in the middle"},
                                   {7, "line 7 at the start"}, {2050, "line 2050 with a needle at the end"}}) {
    GoToLineByKeys(viewer, static_cast<uint64_t>(line));
    EXPECT_EQ(lineText(caretLine()), text);
    EXPECT_EQ(margin(caretLine()), std::to_string(line));
  }
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  const auto shown = [&] { return ShownCount(viewer); };
  EXPECT_TRUE(viewer.WaitFor([&] { return shown() == L"1 of 100"; })) << test::ToUtf8(shown());
  EXPECT_EQ(lineText(caretLine()), "line 2003 with a needle at the end");
  EXPECT_EQ(margin(caretLine()), "2003");
  viewer.PressKey(VK_F3, false, true);
  EXPECT_TRUE(viewer.WaitFor([&] { return margin(caretLine()) == "2102"; })) << "round the start to the last";
}

// More than 2^31 lines: a file of nothing but line ends.
TEST(RealEditorBeyondFourGigabytes, NumberLinesBeyondWhatThirtyTwoBitsCount) {
  ViewerHarness viewer(WindowedConfiguration());
  const std::wstring path = viewer.FilePath(L"newlines.txt");
  const uint64_t lines = (uint64_t{1} << 31) + 1000;
  {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string piece(size_t{64} << 20, '\n');
    for (uint64_t written = 0; written < lines;) {
      const auto length = static_cast<DWORD>(std::min<uint64_t>(piece.size(), lines - written));
      DWORD done = 0;
      ASSERT_TRUE(WriteFile(file.get(), piece.data(), length, &done, nullptr));
      written += done;
    }
  }
  ASSERT_EQ(viewer.OpenFile(path), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading(120000));
  SetFocus(viewer.editor());
  viewer.PressKey(VK_END, true);
  EXPECT_TRUE(viewer.WaitFor([&] { return MarginText(viewer, CaretLine(viewer)) == std::to_string(lines + 1); }))
      << MarginText(viewer, CaretLine(viewer));
  DeleteFileW(path.c_str());
}

// A file cut short while it is shown: the view shows what is left, and
// neither a jump nor the search meets what is gone.
TEST_F(RealEditorWindowedFiles, ShowWhatIsLeftOfAFileCutShortUnderThem) {
  {
    const UniqueHandle file(CreateFileW(viewer_.FilePath(L"windowed.log").c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = 1 << 20;
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
  }
  viewer_.PressKey(VK_END, true);
  Drag(0.75);
  GoToLineByKeys(viewer_, 600000);
  viewer_.Send(WM_COMMAND, IDM_FIND);
  viewer_.TypeSearchText(L"needle");
  for (int round = 0; round < 100; ++round) {
    viewer_.Pump();
    Sleep(10);
  }
  EXPECT_TRUE(IsWindow(viewer_.viewer()));
  EXPECT_GT(viewer_.Sci(SCI_GETLENGTH), 0);
}

}  // namespace
}  // namespace lumen
