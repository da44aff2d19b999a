// Loading files and streams into a viewer of lumen.dll and describing them to
// the host, observed through the editor stand-in and a host window.
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
#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::RawRecord;
using test::TestStream;

// The host's message numbers, written out: a wrong number in the plug-in must not hide.
constexpr UINT kOpenFile = 0x8F02;
constexpr UINT kOpenStream = 0x8F04;
constexpr UINT kDescribeFile = 0x8F06;
constexpr UINT kFilePathQuery = WM_USER + 1;
constexpr int kFeaturesCode = -2007;
constexpr uint32_t kFeatures = 0x0020BD72;
constexpr UINT kDescriptionFormat = 24051;

constexpr int kBaseLexer = 1;
constexpr int kCLexer = 3;

// What the host window saw of the viewer's notifications.
struct HostNotification {
  HWND from;
  UINT_PTR id;
  int code;
  uint32_t value;
  size_t editorMessagesBefore;  // how far the editor's log had come when it arrived
};

struct HostWindowState {
  const test::EditorStandIn* standIn = nullptr;
  HWND editor = nullptr;
  std::vector<HostNotification> notifications;
  std::function<void()> onNotification;  // what the host does on being notified
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* state = reinterpret_cast<HostWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NOTIFY && state) {
    RawRecord<28> record;
    std::memcpy(record.bytes, reinterpret_cast<const void*>(lParam), sizeof record.bytes);
    const size_t logged = state->standIn && state->editor ? state->standIn->Messages(state->editor).size() : 0;
    state->notifications.push_back({record.Get<HWND>(0), record.Get<UINT_PTR>(8), record.Get<int>(16),
                                    record.Get<uint32_t>(24), logged});
    if (state->onNotification) state->onNotification();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

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
  void SetUp() override {
    config.Write(test::ConfigWithStyles(
        R"(<Style ext="*" lexer="1" name="Default"><WordStyles>
             <WordStyle name="Default" styleID="32" fontName="Consolas" fontSize="10"/></WordStyles></Style>
           <Style ext="c" lexer="3" name="C"><WordStyles>
             <WordStyle name="Keyword" styleID="5" fgColor="0000FF"><Keywords id="0">int</Keywords></WordStyle>
           </WordStyles></Style>)"));
    ASSERT_TRUE(plugin.StartUp());
    WNDCLASSW hostClass = {};
    hostClass.lpfnWndProc = HostWindowProc;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.lpszClassName = L"lumen.test.FileLoadingHost";
    RegisterClassW(&hostClass);  // fails harmlessly when an earlier test registered it
    host = CreateWindowExW(0, hostClass.lpszClassName, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                           nullptr, hostClass.hInstance, &hostState);
    ASSERT_TRUE(host);
    CreateViewer();
  }

  void CreateViewer() {
    const RECT place = {0, 0, 640, 480};
    viewer = plugin.CreateViewer(host, &place, 0);
    ASSERT_TRUE(viewer);
    editor = GetDlgItem(viewer, 1);
    ASSERT_TRUE(editor);
    hostState.standIn = &standIn;
    hostState.editor = editor;
  }

  void TearDown() override {
    if (host) DestroyWindow(host);  // and the viewer with it
    plugin.Uninit();
  }

  LRESULT Open(const std::wstring& path) {
    return SendMessageW(viewer, kOpenFile, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  LRESULT OpenBytes(const std::string& bytes, const std::wstring& name = L"file.txt") {
    const std::wstring path = folder / name;
    test::WriteBytes(path, bytes);
    return Open(path);
  }
  LRESULT OpenStream(const wchar_t* name, IStream* stream) {
    return SendMessageW(viewer, kOpenStream, reinterpret_cast<WPARAM>(name), reinterpret_cast<LPARAM>(stream));
  }

  // The description as the host receives it, in a buffer of `capacity` characters.
  std::wstring Describe(uint32_t capacity = 256) {
    std::vector<wchar_t> buffer(capacity + 1, L'#');
    RawRecord<40> record;
    record.Put<wchar_t*>(24, buffer.data());
    record.Put<uint32_t>(32, capacity);
    EXPECT_EQ(SendMessageW(viewer, kDescribeFile, 0, reinterpret_cast<LPARAM>(record.data())), 1);
    EXPECT_EQ(record.Get<uint32_t>(0), 0xCCCCCCCCu) << "the host's own field";
    EXPECT_EQ(record.Get<uint32_t>(4), 2u);
    EXPECT_EQ(record.Get<uint64_t>(8), 2u);
    EXPECT_EQ(record.Get<uint64_t>(16), 0u);
    EXPECT_EQ(buffer[capacity], L'#') << "written beyond the capacity";
    return std::wstring(buffer.data(), std::find(buffer.begin(), buffer.end() - 1, L'\0') - buffer.begin());
  }

  std::string Text() const { return test::DocumentText(editor); }

  // The editor must have been left alone since its log was last cleared.
  void ExpectEditorUntouched(const std::string& text) const {
    EXPECT_EQ(Text(), text);
    for (const test::EditorMessage& message : standIn.Messages(editor)) {
      EXPECT_TRUE(message.message != SCI_SETREADONLY && message.message != SCI_CLEARALL &&
                  message.message != SCI_ADDTEXT && message.message != SCI_SETLEXER)
          << "message " << message.message;
    }
  }

  test::HostedConfig config;
  test::TempFolder folder;
  test::EditorStandIn standIn;
  test::PluginLibrary plugin;
  HostWindowState hostState;
  HWND host = nullptr;
  HWND viewer = nullptr;
  HWND editor = nullptr;
};

TEST_F(FileLoading, FillsAReadOnlyEditorInOrderThenTellsTheHostItsFeatures) {
  const std::string text = "int x;\r\nint y;\r\n";
  standIn.ClearMessages(editor);
  hostState.notifications.clear();
  ASSERT_EQ(OpenBytes(text, L"main.c"), 1);
  const std::vector<test::EditorMessage> log = standIn.Messages(editor);

  // The load's own messages, without the styles' details.
  const UINT milestones[] = {SCI_SETREADONLY, SCI_CLEARALL,        SCI_SETLEXER,       SCI_SETCODEPAGE,
                             SCI_ADDTEXT,     SCI_GOTOPOS,         SCI_EMPTYUNDOBUFFER, SCI_SETMARGINWIDTHN};
  std::vector<std::pair<UINT, WPARAM>> seen;
  size_t lastMargin = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (std::count(std::begin(milestones), std::end(milestones), log[i].message) == 0) continue;
    seen.emplace_back(log[i].message, log[i].wParam);
    if (log[i].message == SCI_SETMARGINWIDTHN) lastMargin = i;
  }
  const std::vector<std::pair<UINT, WPARAM>> expected = {
      {SCI_SETREADONLY, 0}, {SCI_CLEARALL, 0},         {SCI_SETLEXER, kBaseLexer},  {SCI_SETLEXER, kCLexer},
      {SCI_SETCODEPAGE, SC_CP_UTF8}, {SCI_ADDTEXT, text.size()}, {SCI_GOTOPOS, 0}, {SCI_EMPTYUNDOBUFFER, 0},
      {SCI_SETREADONLY, 1}, {SCI_SETMARGINWIDTHN, 0}, {SCI_SETMARGINWIDTHN, 1}};
  EXPECT_EQ(seen, expected);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].message, SCI_SETREADONLY) << "nothing before the editor is opened for writing";
  EXPECT_EQ(log[1].message, SCI_CLEARALL);
  EXPECT_EQ(log[lastMargin].lParam, 4);

  ASSERT_EQ(hostState.notifications.size(), 1u);
  const HostNotification& told = hostState.notifications[0];
  EXPECT_EQ(told.from, viewer);
  EXPECT_EQ(told.id, 0u);
  EXPECT_EQ(told.code, kFeaturesCode);
  EXPECT_EQ(told.value, kFeatures);
  EXPECT_GT(told.editorMessagesBefore, lastMargin) << "the host hears of the load after the margins are set";

  EXPECT_EQ(Text(), text);
  EXPECT_EQ(SendMessageW(editor, SCI_GETREADONLY, 0, 0), 1);
  EXPECT_EQ(SendMessageW(editor, SCI_CANUNDO, 0, 0), 0);
  EXPECT_EQ(SendMessageW(editor, SCI_GETCURRENTPOS, 0, 0), 0);
  EXPECT_EQ(SendMessageW(editor, SCI_GETANCHOR, 0, 0), 0);
  EXPECT_EQ(SendMessageW(editor, SCI_GETLEXER, 0, 0), kCLexer);
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
      {latin1, ansiAsUtf8, L"ANSI, "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::ToUtf8(c.label));
    ASSERT_EQ(OpenBytes(c.bytes), 1);
    EXPECT_EQ(Text(), c.text);
    EXPECT_EQ(Describe().substr(0, c.label.size()), c.label);
  }
  ASSERT_EQ(OpenBytes(Bytes({0xFF, 0xFE})), 1);
  EXPECT_EQ(SendMessageW(editor, SCI_GETLINECOUNT, 0, 0), 1) << "the mark alone is one line";
}

TEST_F(FileLoading, DescribesTheFileInTheHostsFormatWithinTheHostsBuffer) {
  ASSERT_EQ(OpenBytes("line 1\nline 2\nline 3"), 1);  // 3 lines, 20 bytes
  EXPECT_EQ(Describe(), L"UTF-8, 3 lines, 20 bytes");
  EXPECT_EQ(Describe(5), L"UTF-");
  EXPECT_EQ(Describe(0).size(), 0u);

  config.host().SetString(kDescriptionFormat, L"%I64d|%I64u");
  EXPECT_EQ(Describe(), L"UTF-8, 3|20") << "the format is fetched for every description";
  const std::wstring longFormat = L"%I64d lines, %I64u bytes" + std::wstring(1500, L'.');
  config.host().SetString(kDescriptionFormat, longFormat);
  EXPECT_EQ(Describe(4096), L"UTF-8, 3 lines, 20 bytes" + std::wstring(1500, L'.'));
  config.host().RemoveString(kDescriptionFormat);
  EXPECT_EQ(Describe(), L"UTF-8, <missing string>");

  EXPECT_EQ(SendMessageW(viewer, kDescribeFile, 0, 0), 1) << "no record: nothing to fill";
}

TEST_F(FileLoading, LeavesTheEditorAsItWasWhenAFileCannotBeShown) {
  ASSERT_EQ(OpenBytes("kept"), 1);
  const std::wstring tooLarge[] = {folder / L"2GiB.txt", folder / L"4GiB+1.txt"};
  WriteSparseFile(tooLarge[0], uint64_t{1} << 31);
  WriteSparseFile(tooLarge[1], (uint64_t{1} << 32) + 1);
  const std::wstring empty = folder / L"empty.txt", markOnly = folder / L"mark.txt", beyond = folder / L"u32.txt";
  test::WriteBytes(empty, "");
  test::WriteBytes(markOnly, "\xEF\xBB\xBF");
  test::WriteBytes(beyond, Bytes({0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}));  // U+110000

  for (const std::wstring& path : {empty, markOnly, beyond, tooLarge[0], tooLarge[1], folder / L"missing.txt"}) {
    SCOPED_TRACE(test::ToUtf8(path));
    standIn.ClearMessages(editor);
    hostState.notifications.clear();
    EXPECT_EQ(Open(path), 0);
    ExpectEditorUntouched("kept");
    EXPECT_TRUE(hostState.notifications.empty());
    EXPECT_EQ(*reinterpret_cast<const std::wstring*>(SendMessageW(viewer, kFilePathQuery, 0, 0)), path)
        << "the name is taken whatever the outcome";
  }
  EXPECT_EQ(Open(L""), 0);
  EXPECT_EQ(SendMessageW(viewer, kOpenFile, 0, 0), 0);
  ExpectEditorUntouched("kept");
}

TEST_F(FileLoading, LoadsAStreamWithoutReleasingIt) {
  TestStream stream("line 1\nline 2");
  stream.piece = 3;  // the whole text, however small the pieces
  ASSERT_EQ(OpenStream(L"shown.c", &stream), 1);
  EXPECT_EQ(Text(), "line 1\nline 2");
  EXPECT_EQ(stream.references(), 1u);
  EXPECT_EQ(Describe(), L"UTF-8, 2 lines, 13 bytes");
  EXPECT_EQ(SendMessageW(editor, SCI_GETLEXER, 0, 0), kCLexer) << "the name's extension chooses the language";
}

TEST_F(FileLoading, ShowsOnlyWhatAShortStreamDelivers) {
  TestStream stream("short");
  stream.announcedSize = 64;
  ASSERT_EQ(OpenStream(L"short.txt", &stream), 1);
  EXPECT_EQ(Text(), "short") << "no invented zero bytes";
  EXPECT_EQ(Describe(), L"UTF-8, 1 lines, 5 bytes");
}

TEST_F(FileLoading, RefusesStreamsThatFailOrHoldNothingOrTooMuch) {
  ASSERT_EQ(OpenBytes("kept"), 1);
  const auto refused = [&](TestStream& stream, const wchar_t* name = L"x.txt") {
    standIn.ClearMessages(editor);
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
  TestStream tooLarge("text");
  tooLarge.announcedSize = uint64_t{1} << 31;
  refused(tooLarge);
  EXPECT_EQ(tooLarge.readCalls, 0) << "refused before anything is read";
  TestStream unnamed("text");
  refused(unnamed, L"");
  refused(unnamed, nullptr);
  EXPECT_EQ(OpenStream(L"x.txt", nullptr), 0);
}

// A host may destroy the viewer, or give it another file, from inside any call
// the viewer makes into it: the load in hand stops and nothing touches the
// freed viewer (every heap of the process still validates).
TEST_F(FileLoading, StopsALoadWhenTheHostDestroysTheViewerOrLoadsAnotherFileMeanwhile) {
  const std::wstring other = folder / L"other.c";
  test::WriteBytes(other, "other\n");
  struct Reentry {
    const char* name;
    bool byStream;
    bool inRead;  // else in the features notification
    bool destroys;  // else loads `other`
  };
  for (const Reentry& r : {Reentry{"path, notified", false, false, true}, {"stream, notified", true, false, true},
                           {"stream, in Read", true, true, true}, {"stream, in Read, another file", true, true, false},
                           {"path, notified, another file", false, false, false}}) {
    SCOPED_TRACE(r.name);
    if (!IsWindow(viewer)) CreateViewer();
    const HWND shown = viewer;
    bool once = true;
    const auto reenter = [&] {
      if (!std::exchange(once, false)) return;
      if (r.destroys) {
        DestroyWindow(shown);
      } else {
        EXPECT_EQ(Open(other), 1);
      }
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    };
    TestStream stream(std::string(5000, 'x'));
    stream.piece = 1000;
    if (r.inRead) stream.duringRead = reenter;
    hostState.onNotification = r.inRead ? std::function<void()>() : reenter;
    const LRESULT answer = r.byStream ? OpenStream(L"a.c", &stream) : OpenBytes(std::string(5000, 'x'), L"a.c");
    hostState.onNotification = nullptr;
    EXPECT_TRUE(test::HeapsValid());
    EXPECT_EQ(IsWindow(shown), !r.destroys);
    if (!r.destroys) {
      EXPECT_EQ(Text(), "other\n") << "the newer file stays";
      if (r.inRead) {
        EXPECT_EQ(answer, 0);
      }
    } else {
      EXPECT_EQ(answer, 0);
    }
  }
}

}  // namespace
}  // namespace lumen
