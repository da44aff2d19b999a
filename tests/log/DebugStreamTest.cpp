#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <easylogging++.h>

#include "DebugOutput.h"
#include "TestFiles.h"
#include "log/DebugStream.h"
#include "log/Logging.h"
#include "log/Trace.h"

namespace lumen {
namespace {

std::vector<std::wstring> handedOut;
void WINAPI Capture(const wchar_t* text) { handedOut.emplace_back(text); }

class DebugStream : public ::testing::Test {
 protected:
  void SetUp() override { handedOut.clear(); }
};

TEST_F(DebugStream, HandsOutEachCompleteLineInItsOwnCall) {
  {
    ods_streambuf<wchar_t> buffer(&Capture);
    std::wostream out(&buffer);
    TraceMessage(out, "WM_SIZE", 5, 0, 0x1E00280);
    TraceMessage(out, "WM_NOTIFY", 0x4E, 1, -1);
    out.flush();
    EXPECT_EQ(handedOut, (std::vector<std::wstring>{L"WM_SIZE [5]\t0 [0]\t31457920 [1e00280]\n",
                                                    L"WM_NOTIFY [4e]\t1 [1]\t-1 [ffffffffffffffff]\n"}));
    out << L"short";
  }
  ASSERT_EQ(handedOut.size(), 3u) << "the destructor hands out what is left";
  EXPECT_EQ(handedOut[2], L"short");
}

TEST_F(DebugStream, WaitsForTheFlushWithAShortLine) {
  ods_streambuf<wchar_t> buffer(&Capture);
  std::wostream out(&buffer);
  out << L"WM_X [1]\n";
  EXPECT_TRUE(handedOut.empty()) << "a line shorter than the area stays until a flush";
  out.flush();
  EXPECT_EQ(handedOut, std::vector<std::wstring>{L"WM_X [1]\n"});
  out.flush();
  EXPECT_EQ(handedOut.size(), 2u) << "a forced hand-out passes even empty text";
}

// Viewers on two threads trace at once into the one stream of the library.
TEST(TraceLine, ReachesTheDebuggerWholeFromSeveralThreads) {
  const test::DebugOutput output;
  const auto trace = [](uint64_t thread) {
    for (int i = 0; i < 2000; ++i) TraceMessage("WM_SIZE", WM_SIZE, thread, i, L"SVW 0 ");
  };
  std::thread first(trace, 1), second(trace, 2);
  first.join();
  second.join();
  ods_out.flush();
  size_t lines = 0;
  for (const std::wstring& call : output.calls()) {
    if (call.empty()) continue;
    ++lines;
    ASSERT_EQ(call.rfind(L"SVW 0 WM_SIZE [5]\t", 0), 0u) << test::ToUtf8(call);
    ASSERT_EQ(call.find(L'\n'), call.size() - 1) << test::ToUtf8(call);
  }
  EXPECT_EQ(lines, 4000u);
}

TEST(TraceLine, WritesNumbersInDecimalAndHexadecimalAndLeavesTheStreamDecimal) {
  std::wostringstream out;
  TraceMessage(out, "HBXPLUGINMSG_RESIZE", 0x8F08, 0xFFFFFFFFFFFFFFFF, INT64_MIN);
  out << 10;
  EXPECT_EQ(out.str(),
            L"HBXPLUGINMSG_RESIZE [8f08]\t18446744073709551615 [ffffffffffffffff]\t"
            L"-9223372036854775808 [8000000000000000]\n10");
}

TEST(Logging, GoesToStandardOutputWithoutALogPathAndToTheFileWithOne) {
  ConfigureLogging(L"");
  auto* typed = el::Loggers::getLogger("default")->typedConfigurations();
  EXPECT_FALSE(typed->toFile(el::Level::Info));
  EXPECT_TRUE(typed->toStandardOutput(el::Level::Info));

  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"lumen-log-test-" + std::to_wstring(GetCurrentProcessId()) +
                            L"\\Logs\\lumen.log";
  ConfigureLogging(path);
  typed = el::Loggers::getLogger("default")->typedConfigurations();
  EXPECT_TRUE(typed->toFile(el::Level::Info));
  EXPECT_FALSE(typed->toStandardOutput(el::Level::Info));
  EXPECT_EQ(typed->maxLogFileSize(el::Level::Info), 1048576u);
  EXPECT_EQ(typed->logFormat(el::Level::Info).userFormat(), "%datetime %level %func %msg");
  EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the file and its folder are created";
  ConfigureLogging(L"");  // let go of the file before removing it
  DeleteFileW(path.c_str());
  RemoveDirectoryW(path.substr(0, path.rfind(L'\\')).c_str());
  RemoveDirectoryW(path.substr(0, path.rfind(L'\\', path.rfind(L'\\') - 1)).c_str());
}

}  // namespace
}  // namespace lumen
