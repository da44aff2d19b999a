// Very long lines over the real control: Scintilla 5 (through lumen's
// adapter) leaves only a line beyond its longest lexed line in the base
// style, at the start, middle or end of small and big files; a 3.x control
// lexes every line of a small file and none of a big one with such a line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr int kKeyword = 5, kBase = 0;

TEST(RealEditorLongLines, LeaveOnlyTheLongLineInTheBaseStyle) {
  ViewerHarness viewer;
  const std::string shortLine = "int shortLine; /* a comment */\n";
  std::string longLine = "int ";
  while (longLine.size() < (200u << 10)) longLine += "x = 1; ";
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
      const size_t longAt = text.find(longLine), shortAt = text.rfind(shortLine);
      const LRESULT inShort = viewer.Sci(SCI_GETSTYLEAT, shortAt), inLong = viewer.Sci(SCI_GETSTYLEAT, longAt);
      const LRESULT afterLong = viewer.Sci(SCI_GETSTYLEAT, longAt + longLine.size() < text.size() ? longAt + longLine.size() : 0);
      if (viewer.Sci(kLongestLexedLineQuery) != 0) {
        EXPECT_EQ(inShort, kKeyword);
        EXPECT_EQ(inLong, kBase);
        EXPECT_EQ(afterLong, kKeyword) << "the line after it coloured as ever";
      } else if (fileSize > (4u << 20)) {
        EXPECT_EQ(inShort, kBase) << "a 3.x control lexes a big file with a long line not at all";
      } else {
        EXPECT_EQ(inLong, kKeyword) << "a 3.x control lexes every line of a small file";
      }
    }
  }
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
