// The demo host's plain logic: its command line, its file list, the word its
// tour searches for, and where its windows go.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "TestFiles.h"
#include "logic/FolderListing.h"
#include "logic/FrameLayout.h"
#include "logic/Options.h"
#include "logic/SearchWord.h"

namespace lumen::test {
namespace {

using demo::FileEntry;

std::wstring Names(const std::vector<FileEntry>& entries) {
  std::wstring names;
  for (const FileEntry& entry : entries) names += entry.name + L" ";
  return names;
}

TEST(DemoOptions, TakeEveryOptionAndTheTargetInAnyOrder) {
  demo::Options options;
  std::wstring error;
  ASSERT_TRUE(demo::ParseOptions({L"--screenshot", L"a.png", L"Z:\\src", L"--search", L"window", L"--find", L"x",
                                  L"--configure", L"--menu", L"--paste", L"--filter", L"--config", L"C:\\Host\\Config"},
                                 options, error));
  EXPECT_EQ(options.screenshot, L"a.png");
  EXPECT_EQ(options.target, L"Z:\\src");
  EXPECT_EQ(options.searchText, L"window");
  EXPECT_EQ(options.findText, L"x");
  EXPECT_EQ(options.configFolder, L"C:\\Host\\Config");
  EXPECT_TRUE(options.configure);
  EXPECT_TRUE(options.menu);
  EXPECT_TRUE(options.paste);
  EXPECT_TRUE(options.filter);
}

TEST(DemoOptions, RefuseWhatTheyCannotUseAndSayWhy) {
  const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
      {{L"--screenshot"}, L"--screenshot needs a value"},
      {{L"--zoom", L"2"}, L"unknown option --zoom"},
      {{L"a.c", L"b.c"}, L"only one file or folder can be shown, not also b.c"},
  };
  for (const auto& [arguments, expected] : cases) {
    demo::Options options;
    std::wstring error;
    EXPECT_FALSE(demo::ParseOptions(arguments, options, error));
    EXPECT_EQ(error, expected);
  }
}

TEST(DemoFileList, PutsTheWayUpFirstThenFoldersThenFilesIgnoringCase) {
  std::vector<FileEntry> entries = {{L"b.cpp"}, {L"Zeta", true}, {L"A.h"}, {L"..", true}, {L"alpha", true}, {L"a2.c"}};
  demo::SortEntries(entries);
  EXPECT_EQ(Names(entries), L".. alpha Zeta A.h a2.c b.cpp ");
}

TEST(DemoFileList, FilterMatchesPartsOfNamesIgnoringCaseAndKeepsTheWayUp) {
  const std::vector<FileEntry> entries = {{L"..", true}, {L"Viewer.cpp"}, {L"search", true}, {L"REVIEW.md"}};
  EXPECT_EQ(Names(demo::FilterEntries(entries, L"view")), L".. Viewer.cpp REVIEW.md ");
  EXPECT_EQ(Names(demo::FilterEntries(entries, L"")), L".. Viewer.cpp search REVIEW.md ");
  EXPECT_EQ(Names(demo::FilterEntries(entries, L"nothing")), L".. ");
}

TEST(DemoFileList, WalksFoldersUpToTheRootAndNoFurther) {
  EXPECT_EQ(demo::ParentFolder(L"Z:\\work\\src"), L"Z:\\work");
  EXPECT_EQ(demo::ParentFolder(L"Z:\\work\\src\\\\"), L"Z:\\work");
  EXPECT_EQ(demo::ParentFolder(L"Z:\\work"), L"Z:\\");
  EXPECT_EQ(demo::ParentFolder(L"Z:\\"), L"");
  EXPECT_EQ(demo::JoinPath(L"Z:\\", L"work"), L"Z:\\work");
  EXPECT_EQ(demo::JoinPath(L"Z:\\work\\", L"a.c"), L"Z:\\work\\a.c");
  EXPECT_EQ(demo::LastComponent(L"Z:\\work\\src\\"), L"src");
}

TEST(DemoFileList, ShowsSizesInTheUnitThatFits) {
  EXPECT_EQ(demo::FormatSize(0), L"0 bytes");
  EXPECT_EQ(demo::FormatSize(1023), L"1023 bytes");
  EXPECT_EQ(demo::FormatSize(1024), L"1.0 KB");
  EXPECT_EQ(demo::FormatSize(1536), L"1.5 KB");
  EXPECT_EQ(demo::FormatSize(1024 * 1024), L"1.0 MB");
  EXPECT_EQ(demo::FormatSize(5ull << 32), L"20480.0 MB");
}

TEST(DemoFileList, ReadsAFolderWithSizesAndTheWayUp) {
  TempFolder folder;
  WriteBytes(folder / L"main.c", "int main;\n");
  ASSERT_TRUE(CreateDirectoryW((folder / L"include").c_str(), nullptr));
  std::vector<FileEntry> entries = demo::ReadFolder(folder.path());
  demo::SortEntries(entries);
  ASSERT_EQ(Names(entries), L".. include main.c ");
  EXPECT_TRUE(entries[1].isFolder);
  EXPECT_FALSE(entries[2].isFolder);
  EXPECT_EQ(entries[2].size, 10u);
  EXPECT_TRUE(demo::ReadFolder(folder / L"missing").empty());
}

TEST(DemoSearchWord, TakesTheMostFrequentWordOnScreen) {
  EXPECT_EQ(demo::PickSearchWord("int window = make_window(window, Window);\nwindow_count++;\n"), L"window");
  // On a tie the word met first wins; short words never count.
  EXPECT_EQ(demo::PickSearchWord("beta alpha alpha beta if if if if"), L"beta");
  // Identifiers are whole: digits and underscores belong to them.
  EXPECT_EQ(demo::PickSearchWord("item1 item1 item2 item_ item_ item_"), L"item_");
}

TEST(DemoSearchWord, LooksOnlyAtTheLinesShownAndNeedsARepeatedWord) {
  EXPECT_EQ(demo::PickSearchWord("first\nsecond\nthird third third\n", 2), L"");
  EXPECT_EQ(demo::PickSearchWord("each word once only"), L"");
  EXPECT_EQ(demo::PickSearchWord(""), L"");
}

TEST(DemoFrameLayout, StacksTheColumnAndGivesTheViewerTheRest) {
  const demo::FrameBoxes boxes = demo::LayOutFrame(1000, 600, 30);
  EXPECT_EQ(boxes.filterPane.y, 0);
  EXPECT_EQ(boxes.fileList.y, 30);
  EXPECT_EQ(boxes.findPane.y + boxes.findPane.height, 600);
  EXPECT_EQ(boxes.fileList.height, 600 - 60);
  EXPECT_EQ(boxes.filterPane.width, 300);
  EXPECT_GT(boxes.viewerPane.x, boxes.fileList.width);
  EXPECT_EQ(boxes.viewerPane.x + boxes.viewerPane.width, 1000);
  EXPECT_EQ(boxes.viewerPane.height, 600);
}

TEST(DemoFrameLayout, NeverGivesANegativeSize) {
  for (const auto& [width, height, box] : {std::tuple{0, 0, 30}, {10, 20, 30}, {-5, -5, 30}, {170, 40, 25}}) {
    const demo::FrameBoxes boxes = demo::LayOutFrame(width, height, box);
    for (const demo::Box& b : {boxes.filterPane, boxes.fileList, boxes.findPane, boxes.viewerPane}) {
      EXPECT_GE(b.width, 0) << width << "x" << height;
      EXPECT_GE(b.height, 0) << width << "x" << height;
      EXPECT_LE(b.x + b.width, std::max(width, 0));
    }
  }
}

}  // namespace
}  // namespace lumen::test
