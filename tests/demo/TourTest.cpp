// The demo host run as scripts/demo runs it, on a sample file: its tour must
// end well only when lumen showed the file, and its picture must show what a
// person would see: coloured source and the highlighted matches.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Screenshot.h"
#include "TestFiles.h"
#include "logic/FolderListing.h"

namespace lumen::test {
namespace {

constexpr DWORD kTourTimeoutMs = 120000;

constexpr char kSample[] =
    "// A sample for the demo's tour.\n"
    "#include <string>\n"
    "\n"
    "namespace sample {\n"
    "\n"
    "int CountWindows(const std::string& text) {\n"
    "  int windows = 0;\n"
    "  for (char c : text) {\n"
    "    if (c == 'w') ++windows;\n"
    "  }\n"
    "  return windows;\n"
    "}\n"
    "\n"
    "}  // namespace sample\n";

struct Colour {
  int red, green, blue;
};

Colour Split(uint32_t pixel) { return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)}; }

// Keywords in the shipped configuration's pure blue.
bool IsKeywordBlue(Colour c) { return c.blue >= 200 && c.red <= 100 && c.green <= 100; }
// The shipped search highlight, orange FFC000 over the white page, filled or outlined.
bool IsHighlight(Colour c) { return c.red >= 220 && c.green >= 150 && c.blue <= 190 && c.red - c.blue >= 60; }

// Pixels of the editor's text area: right of the file list, above the search panel.
int CountInEditor(const demo::Picture& picture, const std::function<bool(Colour)>& wanted) {
  int count = 0;
  for (int y = picture.height / 10; y < picture.height * 8 / 10; ++y) {
    for (int x = picture.width * 35 / 100; x < picture.width - 30; ++x) {
      if (wanted(Split(picture.pixels[static_cast<size_t>(y) * picture.width + x]))) ++count;
    }
  }
  return count;
}

FILETIME LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

class DemoTour : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FileExists(demoFolder + L"\\SciLexer.dll")) GTEST_SKIP() << "the demo is built without the real editor control";
    ASSERT_TRUE(CreateDirectoryW((home / L"Host").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(configFolder.c_str(), nullptr));
    WriteBytes(home / L"sample.cpp", kSample);
    UseConfiguration(false);
  }

  void UseConfiguration(bool searchSync) {
    std::string config = ReadBytes(ProgramFolder() + L"\\lumen.config.xml");
    const std::string off = "<SearchSync Enabled=\"no\"/>";
    const size_t at = config.find(off);
    ASSERT_NE(at, std::string::npos);
    if (searchSync) config.replace(at, off.size(), "<SearchSync Enabled=\"yes\"/>");
    WriteBytes(configFolder + L"\\lumen.config.xml", config);
  }

  // tessera.exe with the test's configuration folder and picture; its exit code.
  DWORD RunTour(const std::wstring& target, const std::wstring& options) {
    std::wstring commandLine = Quoted(demoFolder + L"\\tessera.exe") + L" --config " + Quoted(configFolder) +
                               L" --screenshot " + Quoted(picturePath) + L" " + options + L" " + Quoted(target);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      ADD_FAILURE() << "cannot start the demo: error " << GetLastError();
      return ~0u;
    }
    const std::unique_ptr<void, decltype(&CloseHandle)> processHandle(process.hProcess, &CloseHandle);
    const std::unique_ptr<void, decltype(&CloseHandle)> threadHandle(process.hThread, &CloseHandle);
    if (WaitForSingleObject(process.hProcess, kTourTimeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 99);
      ADD_FAILURE() << "the demo did not end";
      return ~0u;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
  }

  demo::Picture Picture() const {
    const auto picture = demo::LoadPng(picturePath);
    if (!picture) ADD_FAILURE() << "no picture";
    return picture.value_or(demo::Picture{1, 1, {0}});
  }

  const std::wstring demoFolder = demo::ParentFolder(ProgramFolder()) + L"\\demo";
  TempFolder home;
  const std::wstring configFolder = home / L"Host\\Config";
  const std::wstring picturePath = home / L"tour.png";
};

TEST_F(DemoTour, ShowsColouredSourceAndHighlightsTheWordTypedIntoTheSearchPanel) {
  ASSERT_EQ(RunTour(home / L"sample.cpp", L"--search window"), 0u);
  const demo::Picture picture = Picture();
  EXPECT_GT(CountInEditor(picture, IsKeywordBlue), 30);
  EXPECT_GT(CountInEditor(picture, IsHighlight), 100);
}

TEST_F(DemoTour, HighlightsTheHostsFindBoxTextOnlyWhenTheConfigurationSaysSo) {
  ASSERT_EQ(RunTour(home / L"sample.cpp", L"--find WINDOW"), 0u);
  EXPECT_EQ(CountInEditor(Picture(), IsHighlight), 0);
  EXPECT_GT(CountInEditor(Picture(), IsKeywordBlue), 30);

  UseConfiguration(true);
  ASSERT_EQ(RunTour(home / L"sample.cpp", L"--find WINDOW"), 0u);
  EXPECT_GT(CountInEditor(Picture(), IsHighlight), 100);
}

TEST_F(DemoTour, ConfigureRunsLumensDialogWhoseOkReloadsTheViewer) {
  const std::wstring configFile = configFolder + L"\\lumen.config.xml";
  const FILETIME before = LastWriteTime(configFile);
  // The tour ends well only when the dialog closed after OK and the host got the reload message.
  ASSERT_EQ(RunTour(home / L"sample.cpp", L"--configure"), 0u);
  const FILETIME after = LastWriteTime(configFile);
  EXPECT_EQ(CompareFileTime(&before, &after), 0) << "OK without a change leaves the file alone";
  EXPECT_TRUE(FileExists(picturePath));
}

TEST_F(DemoTour, FailsWhenLumenShowsNoFile) {
  // Not text, and no language lists its extension.
  WriteBytes(home / L"picture.unknown", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
  EXPECT_EQ(RunTour(home / L"picture.unknown", L""), 1u);
  EXPECT_FALSE(FileExists(picturePath));
}

}  // namespace
}  // namespace lumen::test
