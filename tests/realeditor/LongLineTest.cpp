// Very long lines over the real control: Scintilla 5 (through lumen's
// adapter) leaves only a line beyond its longest lexed line in the base
// style, at the start, middle or end of small and big files; a 3.x control
// lexes every line of a small file and none of a big one with such a line,
// unless it is in the file's first part: a window onto the file shows it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"
#include "resources/resource.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr int kKeyword = 5, kBase = 0;

TEST(RealEditorLongLines, LeaveOnlyTheLongLineInTheBaseStyle) {
  ViewerHarness viewer;
  const std::string shortLine = "int shortLine; /* a comment */\n";
  std::string longLine = "int ";
  while (longLine.size() < (100u << 10)) longLine += "x = 1; ";
  longLine += "\n";
  for (const size_t fileSize : {size_t{1} << 20, size_t{6} << 20}) {
    for (const int where : {0, 1, 2}) {  // the long line first, in the middle, last
      SCOPED_TRACE(std::to_string(fileSize) + " bytes, the long line at " + std::to_string(where));
      std::string text;
      bool placed = false;
      while (text.size() < fileSize) {
        if (!placed && ((where == 0) || (where == 1 && text.size() >= fileSize / 2))) {
          text += longLine;
          placed = true;
        }
        text += shortLine;
      }
      if (where == 2) text += longLine;
      ASSERT_EQ(viewer.OpenText(text, L"long.c"), 1);
      ASSERT_TRUE(viewer.WaitWhileLoading());
      viewer.Sci(SCI_COLOURISE, 0, -1);
      const size_t longAt = text.find(longLine), shortAt = text.find(shortLine);
      const LRESULT inShort = viewer.Sci(SCI_GETSTYLEAT, shortAt), inLong = viewer.Sci(SCI_GETSTYLEAT, longAt);
      const LRESULT afterLong = viewer.Sci(SCI_GETSTYLEAT, longAt + longLine.size() < text.size() ? longAt + longLine.size() : 0);
      if (viewer.Sci(kLongestLexedLineQuery) != 0) {
        EXPECT_EQ(inShort, kKeyword);
        EXPECT_EQ(inLong, kBase);
        EXPECT_EQ(afterLong, kKeyword) << "the line after it coloured as ever";
      } else if (fileSize > (4u << 20) && where != 0) {
        EXPECT_EQ(inShort, kBase) << "a 3.x control lexes a big file with a long line not at all";
      } else if (fileSize > (4u << 20)) {
        EXPECT_EQ(inShort, kKeyword) << "a long line in its first part: shown through a window, which is lexed";
      } else {
        EXPECT_EQ(inLong, kKeyword) << "a 3.x control lexes every line of a small file";
      }
    }
  }
}

// A line of records that each say where they start in the file, with a
// character of two bytes in each so that pieces are cut between characters.
std::string SelfLocatingLine(size_t start, size_t bytes) {
  std::string line;
  char record[32];
  while (line.size() < bytes) {
    std::snprintf(record, sizeof record, "@%09zu \xC3\xA9;", start + line.size());
    line += record;
  }
  return line;
}

// The offset the record at the view's left edge on the longest line in view tells, or -1.
long long OffsetInView(const ViewerHarness& viewer) {
  LRESULT line = viewer.Sci(SCI_GETFIRSTVISIBLELINE);
  for (LRESULT next = line + 1; next < viewer.Sci(SCI_GETLINECOUNT) && next < line + 4; ++next) {
    if (viewer.Sci(SCI_LINELENGTH, next) > viewer.Sci(SCI_LINELENGTH, line)) line = next;
  }
  const LRESULT lineStart = viewer.Sci(SCI_POSITIONFROMLINE, line);
  const LRESULT left = viewer.Sci(SCI_POINTXFROMPOSITION, 0, lineStart) + viewer.Sci(SCI_GETXOFFSET);
  const LRESULT at = viewer.Sci(SCI_POSITIONFROMPOINT, static_cast<WPARAM>(left), viewer.Sci(SCI_POINTYFROMPOSITION, 0, lineStart));
  std::string text;
  for (LRESULT position = at; position < at + 28; ++position) text += static_cast<char>(viewer.Sci(SCI_GETCHARAT, position));
  const size_t record = text.find('@');
  return record == std::string::npos || record + 10 > text.size() ? -1 : std::stoll(text.substr(record + 1, 9));
}

std::string TextBefore(const ViewerHarness& viewer, LRESULT end, LRESULT length) {
  std::string text;
  for (LRESULT position = std::max<LRESULT>(end - length, 0); position < end; ++position) {
    text += static_cast<char>(viewer.Sci(SCI_GETCHARAT, position));
  }
  return text;
}

// A line of megabytes is shown a few pieces at a time: scrolled across, the
// text goes on without a seam; Home and End, the scroll bar and the search
// reach all of it, and the control never holds more than a little of it.
TEST(RealEditorLongLines, ShowALineOfMegabytesPieceByPiece) {
  ViewerHarness viewer;
  const std::string first = "first line\n";
  std::string text = first + SelfLocatingLine(first.size(), 6u << 20);
  const size_t needleAt = text.size() * 3 / 4;
  text.replace(needleAt, 6, "needle");
  const std::string longLineTail = text.substr(text.size() - 40);
  text += "\nlast line\n";
  ASSERT_EQ(viewer.OpenText(text, L"one.json"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  SetFocus(viewer.editor());
  ASSERT_LT(viewer.Sci(SCI_GETLENGTH), 2 << 20) << "a window, not the file";

  // Across the long line, a thousand columns at a time, and back.
  viewer.Sci(SCI_GOTOLINE, 1);
  viewer.Pump();
  const LRESULT column = viewer.Sci(SCI_TEXTWIDTH, 0, reinterpret_cast<LPARAM>("0"));
  long long previous = OffsetInView(viewer);
  std::vector<long long> seen{previous};
  long long stride = 0;  // the bytes a step shows on: the same for every step, window moves or not
  for (int step = 0; step < 300; ++step) {
    viewer.Sci(SCI_SETXOFFSET, viewer.Sci(SCI_GETXOFFSET) + 1000 * column);
    viewer.Pump();
    const long long offset = OffsetInView(viewer);
    if (step == 0) stride = offset - previous;
    ASSERT_GT(stride, 500);
    ASSERT_NEAR(offset - previous, stride, 28) << "step " << step;
    ASSERT_LT(viewer.Sci(SCI_GETLENGTH), 2 << 20);
    previous = offset;
    seen.push_back(offset);
  }
  for (int step = 299; step >= 0; --step) {
    viewer.Sci(SCI_SETXOFFSET, viewer.Sci(SCI_GETXOFFSET) - 1000 * column);
    viewer.Pump();
    ASSERT_NEAR(OffsetInView(viewer), seen[static_cast<size_t>(step)], 28) << "back, step " << step;
  }

  // End and Home on the long line go to its ends in the file.
  viewer.PressKey(VK_END);
  viewer.Pump();
  EXPECT_EQ(TextBefore(viewer, viewer.Sci(SCI_GETCURRENTPOS), 40), longLineTail);
  EXPECT_EQ(TextBefore(viewer, viewer.Sci(SCI_GETCURRENTPOS) + 5, 5), "\nlast");
  viewer.PressKey(VK_HOME);
  viewer.Pump();
  EXPECT_EQ(TextBefore(viewer, viewer.Sci(SCI_GETCURRENTPOS) + 10, 10), "@000000011");

  // The scroll bar's thumb half-way down is half-way into the line.
  const HWND bar = FindWindowExW(viewer.viewer(), nullptr, L"SCROLLBAR", nullptr);
  ASSERT_TRUE(bar);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(bar, SB_CTL, &info);
  SetScrollPos(bar, SB_CTL, (info.nMax + 1) / 2, FALSE);
  viewer.Send(WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar));
  viewer.Pump();
  EXPECT_NEAR(static_cast<double>(OffsetInView(viewer)), text.size() / 2.0, text.size() / 50.0);

  // The search finds the word deep in the line and shows it selected.
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  EXPECT_TRUE(viewer.WaitFor([&] {
    const auto [start, end] = viewer.Selection();
    return end - start == 6 && TextBefore(viewer, end, 6) == "needle";
  }));
}

// A windowed file of one line longer than a window: Ctrl+End and Ctrl+Home
// are answered, once each, and the host's messages go on.
TEST(RealEditorLongLines, LetAWindowedFileOfOneLongLineGoToItsEnds) {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<FileWindow FromMegabytes=\"8\"/>");
  ViewerHarness viewer(configuration);
  std::string text;
  for (int word = 0; text.size() < (20u << 20); ++word) text += "word" + std::to_string(word) + " ";
  ASSERT_EQ(viewer.OpenText(text, L"one.txt"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  SetFocus(viewer.editor());
  for (const UINT key : {VK_END, VK_HOME, VK_END}) {
    viewer.PressKey(key, true);
    viewer.Pump();  // returns: no window move asks for another
    EXPECT_EQ(viewer.Sci(SCI_GETCURRENTPOS), key == VK_END ? viewer.Sci(SCI_GETLENGTH) : 0);
  }
}

}  // namespace
}  // namespace lumen
