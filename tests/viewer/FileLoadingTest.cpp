// Loading files and streams into a viewer of lumen.dll and describing them to
// the host, observed through the editor stand-in and the harness's host window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <string>
#include <vector>
#include <windows.h>

#include "EditorStandIn.h"
#include "HeapCheck.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "search/DocumentEvents.h"

namespace lumen {
namespace {

using namespace sci;
using test::RawRecord;
using test::TestStream;

constexpr UINT kDescriptionFormat = 24051;
constexpr int kBaseLexer = 1;
constexpr int kCLexer = 3;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

// A file of `size` bytes that costs no disk space: everything beyond "A" is a hole.
void WriteSparseFile(const std::wstring& path, uint64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "A", 1, &written, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  ASSERT_TRUE(sized);
}

class FileLoading : public ::testing::Test {
 protected:
  HWND viewer() const { return harness.viewer(); }
  HWND editor() const { return harness.editor(); }
  LRESULT Open(const std::wstring& path) { return harness.OpenFile(path); }
  LRESULT OpenBytes(const std::string& bytes, const std::wstring& name = L"file.txt") {
    return harness.OpenText(bytes, name);
  }
  LRESULT OpenStream(const wchar_t* name, IStream* stream) { return harness.OpenStream(name, stream); }
  std::wstring PathOf(const std::wstring& name) const { return harness.FilePath(name); }

  // The description as the host receives it, in a buffer of `capacity` characters.
  std::wstring Describe(uint32_t capacity = 256) {
    std::vector<wchar_t> buffer(capacity + 1, L'#');
    RawRecord<40> record;
    record.Put<wchar_t*>(24, buffer.data());
    record.Put<uint32_t>(32, capacity);
    EXPECT_EQ(harness.Send(HBXPLUGINMSG_DESCRIBEFILE, 0, reinterpret_cast<LPARAM>(record.data())), 1);
    EXPECT_EQ(record.Get<uint32_t>(0), 0xCCCCCCCCu) << "the host's own field";
    EXPECT_EQ(record.Get<uint32_t>(4), 2u);
    EXPECT_EQ(record.Get<uint64_t>(8), 2u);
    EXPECT_EQ(record.Get<uint64_t>(16), 0u);
    EXPECT_EQ(buffer[capacity], L'#') << "written beyond the capacity";
    return std::wstring(buffer.data(), std::find(buffer.begin(), buffer.end() - 1, L'\0') - buffer.begin());
  }

  std::string Text() const { return test::DocumentText(editor()); }

  // The editor must have been left alone since its log was last cleared.
  void ExpectEditorUntouched(const std::string& text) const {
    EXPECT_EQ(Text(), text);
    for (const test::EditorMessage& message : standIn.Messages(editor())) {
      EXPECT_TRUE(message.message != SCI_SETREADONLY && message.message != SCI_CLEARALL &&
                  message.message != SCI_ADDTEXT && message.message != SCI_SETLEXER)
          << "message " << message.message;
    }
  }

  test::EditorStandIn standIn;  // outlives the harness's editor windows
  test::ViewerHarness harness;
};

TEST_F(FileLoading, ShowsTheFileReadOnlyInItsLanguageThenTellsTheHostItsFeatures) {
  const std::string text = "int x;\r\nint y;\r\n";
  harness.ClearNotifications();
  LRESULT marginWhenTold = 0;
  harness.onNotification = [&] { marginWhenTold = harness.Sci(SCI_GETMARGINWIDTHN, 0); };
  ASSERT_EQ(OpenBytes(text, L"main.c"), 1);
  harness.onNotification = nullptr;

  EXPECT_EQ(Text(), text);
  EXPECT_EQ(harness.Sci(SCI_GETREADONLY), 1);
  EXPECT_EQ(harness.Sci(SCI_CANUNDO), 0);
  EXPECT_EQ(harness.Sci(SCI_GETCURRENTPOS), 0);
  EXPECT_EQ(harness.Sci(SCI_GETANCHOR), 0);
  EXPECT_EQ(harness.Sci(SCI_GETLEXER), kCLexer);
  EXPECT_EQ(harness.Sci(SCI_GETCODEPAGE), SC_CP_UTF8);
  EXPECT_EQ(harness.Sci(SCI_GETMARGINWIDTHN, 1), 4);

  EXPECT_GT(marginWhenTold, 0) << "the host is told once the margin has its width";

  ASSERT_EQ(harness.notifications().size(), 1u);
  const test::HostNotification& told = harness.notifications()[0];
  EXPECT_EQ(told.from, viewer());
  EXPECT_EQ(told.id, 0u);
  EXPECT_EQ(told.code, kFeaturesNotification);
  EXPECT_EQ(told.value, kViewerFeatures);
}

// A load message reads the configuration once, and a big file's rest, once
// it has come, is shown with what the message read.
TEST_F(FileLoading, ReadsTheConfigurationOnceForALoadWholeOrInParts) {
  test::HostStandIn& host = harness.config().host();
  const auto readsForLoad = [&](const std::string& text, const wchar_t* name) {
    const int before = host.CallCount("XMLLoadFileW");
    EXPECT_EQ(harness.OpenText(text, name), 1);
    EXPECT_TRUE(harness.WaitWhileLoading());
    return host.CallCount("XMLLoadFileW") - before;
  };
  std::string big;
  while (big.size() <= kLargestSmallDocument) big += "int value = 42;\n";
  EXPECT_EQ(readsForLoad("int x;\n", L"a.c"), 1) << "a small file";
  EXPECT_EQ(readsForLoad(big, L"big.c"), 1) << "a big file, its rest included";
}

TEST_F(FileLoading, ShowsEveryEncodingAsUtf8AndNamesIt) {
  // Latin-1 text, as the system's ANSI code page reads it.
  const std::string latin1 = "caf\xE9 na\xEFve\r\n";
  std::wstring wide(latin1.size(), L'\0');
  wide.resize(MultiByteToWideChar(GetACP(), 0, latin1.data(), static_cast<int>(latin1.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  const std::string ansiAsUtf8 = test::ToUtf8(wide);

  struct Case {
    std::string bytes;
    std::string text;
    std::wstring label;
  };
  const std::string mark = "\xEF\xBB\xBF";
  const Case cases[] = {
      {Bytes({0xFF, 0xFE}), mark, L"UTF-16LE, "},
      {Bytes({0xFF, 0xFE, 0x00, 0x00}), mark, L"UTF-32LE, "},
      {Bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00}), mark + std::string("\0A", 2), L"UTF-16LE, "},
      {Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE, 0x0A, 0x00}), mark + "\xF0\x9F\x98\x80\n", L"UTF-16LE, "},
      {Bytes({0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC}), mark + "A\xE2\x82\xAC", L"UTF-16BE, "},
      {Bytes({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x01, 0xF6, 0x00}), mark + "\xF0\x9F\x98\x80", L"UTF-32BE, "},
      {Bytes({0xEF, 0xBB, 0xBF, 0x41}), "A", L"UTF-8, "},
      {"A", "A", L"UTF-8, "},
      {"caf\xC3\xA9\n", "caf\xC3\xA9\n", L"UTF-8, "},
      // Where the system's code page is not Western the detector tells Latin-1.
      {latin1, GetACP() == 1252 ? ansiAsUtf8 : "caf\xC3\xA9 na\xC3\xAFve\r\n",
       GetACP() == 1252 ? L"ANSI, " : L"Windows-1252, "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::ToUtf8(c.label));
    ASSERT_EQ(OpenBytes(c.bytes), 1);
    EXPECT_EQ(Text(), c.text);
    EXPECT_EQ(Describe().substr(0, c.label.size()), c.label);
  }
  ASSERT_EQ(OpenBytes(Bytes({0xFF, 0xFE})), 1);
  EXPECT_EQ(SendMessageW(editor(), SCI_GETLINECOUNT, 0, 0), 1) << "the mark alone is one line";
}

TEST_F(FileLoading, DescribesTheFileInTheHostsFormatWithinTheHostsBuffer) {
  ASSERT_EQ(OpenBytes("line 1\nline 2\nline 3"), 1);  // 3 lines, 20 bytes
  EXPECT_EQ(Describe(), L"UTF-8, 3 lines, 20 bytes");
  EXPECT_EQ(Describe(5), L"UTF-");
  EXPECT_EQ(Describe(0).size(), 0u);

  harness.config().host().SetString(kDescriptionFormat, L"%I64d|%I64u");
  EXPECT_EQ(Describe(), L"UTF-8, 3|20") << "the format is fetched for every description";
  const std::wstring longFormat = L"%I64d lines, %I64u bytes" + std::wstring(1500, L'.');
  harness.config().host().SetString(kDescriptionFormat, longFormat);
  EXPECT_EQ(Describe(4096), L"UTF-8, 3 lines, 20 bytes" + std::wstring(1500, L'.'));
  harness.config().host().RemoveString(kDescriptionFormat);
  EXPECT_EQ(Describe(), L"UTF-8, <missing string>");

  EXPECT_EQ(harness.Send(HBXPLUGINMSG_DESCRIBEFILE, 0, 0), 1) << "no record: nothing to fill";
}

TEST_F(FileLoading, LeavesTheEditorAsItWasWhenAFileCannotBeShown) {
  ASSERT_EQ(OpenBytes("kept"), 1);
  const std::wstring empty = PathOf(L"empty.txt"), markOnly = PathOf(L"mark.txt"), beyond = PathOf(L"u32.txt");
  test::WriteBytes(empty, "");
  test::WriteBytes(markOnly, "\xEF\xBB\xBF");
  test::WriteBytes(beyond, Bytes({0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}));  // U+110000

  for (const std::wstring& path : {empty, markOnly, beyond, PathOf(L"missing.txt")}) {
    SCOPED_TRACE(test::ToUtf8(path));
    standIn.ClearMessages(editor());
    harness.ClearNotifications();
    EXPECT_EQ(Open(path), 0);
    ExpectEditorUntouched("kept");
    EXPECT_TRUE(harness.notifications().empty());
    EXPECT_EQ(*reinterpret_cast<const std::wstring*>(harness.Send(kFilePathQuery, 0, 0)), PathOf(L"file.txt"))
        << "the shown file keeps its name";
  }
  EXPECT_EQ(Open(L""), 0);
  EXPECT_EQ(harness.OpenFile(nullptr), 0);
  ExpectEditorUntouched("kept");
}

// Beyond what the control counts, a file is shown through a window onto it,
// the description giving the whole file's bytes.
TEST_F(FileLoading, ShowsFilesBeyondTwoGigabytesThroughAWindow) {
  for (const uint64_t size : {uint64_t{1} << 31, (uint64_t{1} << 32) + 1}) {
    const std::wstring path = PathOf(L"sparse-" + std::to_wstring(size) + L".txt");
    WriteSparseFile(path, size);
    ASSERT_EQ(Open(path), 1);
    EXPECT_LT(Text().size(), size_t{8} << 20) << "a window onto it";
    EXPECT_NE(Describe().find(std::to_wstring(size) + L" bytes"), std::wstring::npos) << test::ToUtf8(Describe());
  }
}

TEST_F(FileLoading, LoadsAStreamWithoutReleasingIt) {
  TestStream stream("line 1\nline 2");
  stream.piece = 3;  // the whole text, however small the pieces
  ASSERT_EQ(OpenStream(L"shown.c", &stream), 1);
  EXPECT_EQ(Text(), "line 1\nline 2");
  EXPECT_EQ(stream.references(), 1u);
  EXPECT_EQ(Describe(), L"UTF-8, 2 lines, 13 bytes");
  EXPECT_EQ(SendMessageW(editor(), SCI_GETLEXER, 0, 0), kCLexer) << "the name's extension chooses the language";
}

TEST_F(FileLoading, ShowsOnlyWhatAShortStreamDelivers) {
  TestStream stream("short");
  stream.announcedSize = 64;
  ASSERT_EQ(OpenStream(L"short.txt", &stream), 1);
  EXPECT_EQ(Text(), "short") << "no invented zero bytes";
  EXPECT_EQ(Describe(), L"UTF-8, 1 lines, 5 bytes");
}

TEST_F(FileLoading, RefusesStreamsThatFailOrHoldNothing) {
  ASSERT_EQ(OpenBytes("kept"), 1);
  const auto refused = [&](TestStream& stream, const wchar_t* name = L"x.txt") {
    standIn.ClearMessages(editor());
    EXPECT_EQ(OpenStream(name, &stream), 0);
    ExpectEditorUntouched("kept");
    EXPECT_EQ(stream.references(), 1u);
  };
  TestStream statFails("text");
  statFails.failStat = true;
  refused(statFails);
  TestStream readFails("text");
  readFails.failRead = true;
  refused(readFails);
  TestStream announcesNothing("text");
  announcesNothing.announcedSize = 0;
  refused(announcesNothing);
  EXPECT_EQ(announcesNothing.readCalls, 0);
  TestStream deliversNothing("");
  deliversNothing.announcedSize = 10;
  refused(deliversNothing);
  TestStream unnamed("text");
  refused(unnamed, L"");
  refused(unnamed, nullptr);
  EXPECT_EQ(OpenStream(L"x.txt", nullptr), 0);
  // A stream of any announced size is shown, as far as it delivers.
  TestStream announcesMore("text");
  announcesMore.announcedSize = uint64_t{1} << 33;
  EXPECT_EQ(OpenStream(L"x.txt", &announcesMore), 1);
}

}  // namespace
}  // namespace lumen
