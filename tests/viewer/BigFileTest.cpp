// Files beyond the size that loads in one message, in a viewer: the first
// part at once and the whole text once built, read on while the host's
// messages flow, and whatever the host does at each call lumen makes into
// it. Compiled into the stand-in's and the real control's programs, so only
// the control's public messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <windows.h>
#include <psapi.h>

#include "EditorStandIn.h"
#include "EncodedText.h"
#include "HeapCheck.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "resources/resource.h"
#include "viewer/DocumentLoad.h"

namespace lumen {
namespace {

using namespace sci;
using test::TestStream;
using test::ViewerHarness;

constexpr size_t kMegabyte = size_t{1} << 20;
constexpr size_t kBigFile = kLargestSmallDocument + 3 * kMegabyte / 2;
constexpr int kCLexer = 3;

int Height(HWND window) {
  RECT box = {};
  GetWindowRect(window, &box);
  return box.bottom - box.top;
}

std::string DocumentOf(const ViewerHarness& viewer) { return test::DocumentText(viewer.editor()); }

TEST(BigFiles, ShowTheirFirstPartAtOnceAndTheWholeTextWithItsFiguresOnceBuilt) {
  ViewerHarness viewer;
  const std::string bytes = test::LogAcrossSlices(Encoding::Utf16LE, U"\xFEFF", U"\U0001F600", kBigFile);
  const std::wstring path = viewer.FilePath(L"big.log");
  test::WriteBytes(path, bytes);
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"last");
  viewer.ClearNotifications();
  ASSERT_EQ(viewer.OpenFile(path), 1);
  EXPECT_LT(DocumentOf(viewer).size(), bytes.size() / 4) << "only the first part at once";
  EXPECT_NE(viewer.Description().find(L"loading"), std::wstring::npos) << test::ToUtf8(viewer.Description());
  EXPECT_EQ(viewer.Sci(SCI_GETREADONLY), 1);
  const int heightWhileLoading = Height(viewer.editor());
  const LRESULT firstMargin = viewer.Sci(SCI_GETMARGINWIDTHN, 0);
  viewer.Sci(SCI_SETSEL, 10, 20);  // the user selects meanwhile
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_GT(Height(viewer.editor()), heightWhileLoading) << "the progress strip below the editor is gone";
  EXPECT_GT(viewer.Sci(SCI_GETMARGINWIDTHN, 0), firstMargin) << "the margin widens for the lines that arrived";
  const auto& told = viewer.notifications();
  EXPECT_TRUE(told.size() >= 2 && told.back().code == kFeaturesNotification) << "told when the description is final";
  EXPECT_TRUE(DocumentOf(viewer) == ConvertToUtf8(bytes, Encoding::Utf16LE)) << "the whole text, converted as one";
  EXPECT_EQ(viewer.Description(), L"UTF-16LE, " + std::to_wstring(viewer.Sci(SCI_GETLINECOUNT)) + L" lines, " +
                                      std::to_wstring(bytes.size()) + L" bytes");
  EXPECT_EQ(viewer.Sci(SCI_GETREADONLY), 1);
  EXPECT_EQ(viewer.Selection(), std::make_pair(10, 20)) << "the selection stays where the user left it";
  // The search marks the whole text once it is there, up to its last line
  // when that comes into view (a big document is marked about the view).
  const LRESULT last = viewer.Sci(SCI_GETLENGTH) - 7;  // inside "last" of "the last line"
  viewer.Sci(SCI_SETFIRSTVISIBLELINE, viewer.Sci(SCI_GETLINECOUNT) - 10);
  viewer.Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
  for (int turn = 0; turn < 500 && viewer.Sci(SCI_INDICATORVALUEAT, 0, last) != 1; ++turn) {
    Sleep(10);
    viewer.Pump();
  }
  EXPECT_EQ(viewer.Sci(SCI_INDICATORVALUEAT, 0, last), 1);
}

TEST(BigFiles, AreNotLexedWhereTheyHoldALineTooLongToLex) {
  const std::string line = "int value = 42; // a line of code\n", longLine = std::string(20000, 'x') + "\n";
  const auto file = [&](size_t size, size_t longLineAt) {
    std::string text;
    while (text.size() < size) {
      if (text.size() >= longLineAt && text.size() < longLineAt + line.size()) text += longLine;
      text += line;
    }
    return text;
  };
  const struct {
    const char* name;
    std::string text;
    LRESULT lexer;
  } cases[] = {
      {"small, with a long line", file(100000, 50000), kCLexer},
      {"big, short lines only", file(kBigFile, SIZE_MAX), kCLexer},
      {"big, a long line in its first part", file(kBigFile, 1000), SCLEX_NULL},
      {"big, a long line after its first part", file(kBigFile, 3 * kMegabyte), SCLEX_NULL},
  };
  ViewerHarness viewer;
  // A control that leaves long lines unlexed itself (lumen's adapter over Scintilla 5) keeps the lexer.
  const bool controlSkipsLongLines = viewer.Sci(kLongestLexedLineQuery) != 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LRESULT lexer = controlSkipsLongLines ? kCLexer : c.lexer;
    ASSERT_EQ(viewer.OpenText(c.text, L"code.c"), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), lexer);
    viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), lexer) << "after a reload of the settings";
  }
}

// A host's stream may pump messages inside Read, also while a regular
// expression marks what has arrived: no turn of the viewer ever starts inside
// another of its calls, so the reads never nest and the text stays whole.
TEST(BigFiles, LoadFromAStreamThatPumpsMessagesWithoutATurnInsideAnother) {
  ViewerHarness viewer;
  viewer.Send(WM_COMMAND, IDM_FIND);
  std::string big = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", 24 * kMegabyte);
  TestStream pumping(big);
  int depth = 0, deepest = 0;
  pumping.duringRead = [&] {
    deepest = std::max(deepest, ++depth);
    viewer.Pump();
    --depth;
  };
  viewer.TypeSearchText(L"l.ne");
  ASSERT_EQ(viewer.OpenStream(L"big.log", &pumping), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_EQ(deepest, 1) << "a read inside a read";
  EXPECT_TRUE(DocumentOf(viewer) == big);
  EXPECT_EQ(pumping.references(), 1u);
  EXPECT_TRUE(test::HeapsValid());
}

// A host stream that gives a few kilobytes a call fills each piece of the
// load over many calls: what waits for the workers stays a few megabytes.
TEST(BigFiles, LoadFromAStreamOfSmallReadsInLittleMemory) {
  ViewerHarness viewer;
  const std::string big = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", 32 * kMegabyte);
  TestStream stream(big);
  stream.piece = 4096;
  PROCESS_MEMORY_COUNTERS memory = {};
  const auto workingSet = [&] {
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return memory.WorkingSetSize;
  };
  const size_t before = workingSet();
  size_t most = before;
  ASSERT_EQ(viewer.OpenStream(L"big.log", &stream), 1);
  for (int turn = 0; turn < 6000 && viewer.Description().find(L"loading") != std::wstring::npos; ++turn) {
    Sleep(2);
    viewer.Pump();
    most = std::max(most, workingSet());
  }
  EXPECT_TRUE(DocumentOf(viewer) == big);
  EXPECT_LT(most - before, 4 * big.size() + 64 * kMegabyte) << (most - before) / kMegabyte << " MB";
}

// A load that fails changes nothing: not the file shown, not the rest of one
// on its way, and not what a reload of the settings makes of the file.
TEST(BigFiles, ALoadThatFailsMeanwhileLeavesTheShownFileAndItsLoadWhole) {
  ViewerHarness viewer;
  const std::string big = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", 2 * kBigFile);
  const std::wstring empty = viewer.FilePath(L"empty.txt");
  test::WriteBytes(empty, "");
  TestStream stream(big);
  bool failed = false;
  stream.duringRead = [&] {
    if (stream.position() < 2 * kMegabyte || std::exchange(failed, true)) return;
    EXPECT_EQ(viewer.OpenFile(viewer.FilePath(L"missing.txt")), 0);
    EXPECT_EQ(viewer.OpenFile(empty), 0);
  };
  ASSERT_EQ(viewer.OpenStream(L"big.c", &stream), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  ASSERT_TRUE(failed);
  EXPECT_TRUE(DocumentOf(viewer) == big) << "no hole where the failed loads came";
  const std::wstring description = viewer.Description();
  ASSERT_EQ(viewer.OpenFile(viewer.FilePath(L"missing.txt")), 0);
  viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), kCLexer) << "still styled as big.c";
  EXPECT_EQ(viewer.Description(), description);
  EXPECT_TRUE(description.ends_with(std::to_wstring(big.size()) + L" bytes")) << test::ToUtf8(description);
  EXPECT_EQ(*reinterpret_cast<const std::wstring*>(viewer.Send(kFilePathQuery)), L"big.c");
}

// The host may destroy the viewer, show another file in it, or fail to load
// one, from inside every call lumen makes into it during a load: the load
// stops, or goes on whole, and nothing touches a freed viewer (every heap
// still validates).
TEST(BigFiles, SurviveWhateverTheHostDoesInsideEachCallOfTheirLoad) {
  enum class Point { Stat, FirstRead, LaterRead, Seek, FirstPartShown, WhileLoading, Finished };
  enum class Act { Destroy, ShowAnother, FailToLoad };
  const char* const pointNames[] = {"Stat", "first Read", "later Read", "Seek", "told of the first part",
                                    "told while loading", "told when finished"};
  const char* const actNames[] = {"destroys the viewer", "shows another file", "fails to load one"};
  // Its last byte makes it ANSI, in the system's code page as detection is
  // off: the stream is sought back to its start.
  const std::string big = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", kBigFile) + "\xE9";
  const std::string whole = ConvertToUtf8(big, Encoding::Ansi);
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<EncodingDetection Enabled=\"no\"/>");
  ViewerHarness viewer(configuration);
  const std::wstring other = viewer.FilePath(L"other.c");
  test::WriteBytes(other, "other\n");
  for (const Point point : {Point::Stat, Point::FirstRead, Point::LaterRead, Point::Seek, Point::FirstPartShown,
                            Point::WhileLoading, Point::Finished}) {
    for (const Act act : {Act::Destroy, Act::ShowAnother, Act::FailToLoad}) {
      SCOPED_TRACE(std::string(pointNames[static_cast<int>(point)]) + ", the host " + actNames[static_cast<int>(act)]);
      if (!IsWindow(viewer.viewer())) viewer.CreateViewer();
      const HWND shown = viewer.viewer();
      TestStream stream(big);
      stream.piece = 128 * 1024;  // slow enough for the host to be told while it loads
      bool acted = false;
      int notifications = 0;
      const auto hostActs = [&] {
        if (std::exchange(acted, true)) return;
        if (act == Act::Destroy) DestroyWindow(shown);
        if (act == Act::ShowAnother) EXPECT_EQ(viewer.OpenFile(other), 1);
        if (act == Act::FailToLoad) EXPECT_EQ(viewer.OpenFile(viewer.FilePath(L"missing.c")), 0);
        viewer.Pump();
      };
      stream.duringStat = [&] { if (point == Point::Stat) hostActs(); };
      stream.duringSeek = [&] { if (point == Point::Seek) hostActs(); };
      stream.duringRead = [&] {
        Sleep(1);
        if (point == (stream.position() < kMegabyte ? Point::FirstRead : Point::LaterRead)) hostActs();
      };
      viewer.onNotification = [&] {
        const bool loading = IsWindow(shown) && viewer.Description().find(L"loading") != std::wstring::npos;
        const Point now = ++notifications == 1 ? Point::FirstPartShown : loading ? Point::WhileLoading : Point::Finished;
        if (point == now) hostActs();
      };
      const LRESULT answer = viewer.OpenStream(L"big.c", &stream);
      for (int turn = 0; turn < 3000 && IsWindow(shown) && viewer.Description().find(L"loading") != std::wstring::npos;
           ++turn) {
        Sleep(2);
        viewer.Pump();
      }
      viewer.Pump();
      viewer.onNotification = nullptr;
      EXPECT_TRUE(acted) << "the host had its chance";
      EXPECT_TRUE(test::HeapsValid());
      EXPECT_EQ(stream.references(), 1u) << "the stream is let go";
      const bool beforeShown = point == Point::Stat || point == Point::FirstRead;
      if (act == Act::Destroy) {
        EXPECT_FALSE(IsWindow(shown));
        if (beforeShown) EXPECT_EQ(answer, 0);
      } else if (act == Act::ShowAnother) {
        EXPECT_EQ(DocumentOf(viewer), "other\n") << "the newer file stays";
        if (beforeShown) EXPECT_EQ(answer, 0);
      } else {
        EXPECT_EQ(answer, 1);
        EXPECT_TRUE(DocumentOf(viewer) == whole) << "the file whole, whatever failed meanwhile";
      }
    }
  }
}

}  // namespace
}  // namespace lumen
