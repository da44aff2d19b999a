// What people and hosts do to a viewer once a file is shown: seeded sequences
// of selections of every kind, the viewer's keys, typing and options in the
// search panel, loads and reloads; a host that destroys the viewer inside any
// message it receives from it, or inside a stream's Read; and viewers on two
// threads while other threads identify files and save from the dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DialogDriver.h"
#include "HeapCheck.h"
#include "KeyRouting.h"
#include "Robustness.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"

namespace lumen::robustness {
namespace {

using namespace sci;
using test::HeapsValid;
using test::TestStream;

constexpr int kSequences = 300;
constexpr UINT kToggleSearchMenu = 1914;
enum PanelControl {
  kSearchEdit = 1,
  kCancel = 4,
  kMatchCase = 5,
  kWholeWords = 6,
  kLineEntry = 8,
  kRegularExpression = 9
};

// Text a user opens: words and line ends of every kind, non-ASCII letters,
// now and then random bytes, a line of megabytes, or one letter repeated.
// (A long search text over a long run of one letter costs the control's find
// the product of both lengths; the runs stay short enough for that. Random
// bytes begin with a letter, have an odd length and no control characters,
// so that they are shown as ANSI text: Wine's own shaping of control
// characters and of some combining marks crashes in the search panel's edit,
// lumen or not; files of every byte are tried by the file cases.)
std::string SampleText(Random& random) {
  static const std::vector<std::string> pieces = {"alpha", "beta", "Alpha", "a", "e", " ", "  ", "\n", "\r\n", "\r",
                                                  "\t", "gr\xC3\xB6\xC3\x9F" "e", "\xE6\x97\xA5", "x_1", "(", ")"};
  switch (random.Below(20)) {
    case 0:
    case 1: {
      std::string bytes(1, 'x');
      bytes += random.Bytes(random.Length(65536) / 2 * 2);
      for (char& byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value < 0x20 || (value >= 0x7F && value < 0xA0)) byte = static_cast<char>(value % 2 ? ' ' : '\n');
      }
      return bytes;
    }
    case 2: {
      std::string line(1 + random.Below(2 * 1024 * 1024), 'a');
      for (char& c : line) c = static_cast<char>('a' + random.Below(26));
      return line;
    }
    case 3:
    case 4:
      return std::string(1 + random.Below(4096), static_cast<char>('a' + random.Below(3)));
    default: {
      std::string text;
      const size_t count = 1 + random.Length(5000);
      for (size_t i = 0; i < count; ++i) text += random.Pick(pieces);
      return text;
    }
  }
}

// Patterns that hang or overflow backtracking engines, patterns that match
// nothing but emptiness, broken ones and huge ones.
std::wstring HostilePattern(Random& random) {
  static const std::vector<std::wstring> patterns = {
      L"(a*)*b", L"((a+)+)+$", L"(x|xx)+y", L"(a|aa|aaa)*z", L"^", L"$", L"\\b", L"x*", L"(|a)*", L"a{1000}",
      L"(a{1000}){1000}", L"(((((((((((a)))))))))))", L"[", L"(", L"\\", L"[^\\s\\S]", L".*.*.*.*=", L"[\u00e4-\u00f6]+",
      L"\\w+\\s*\\(", L"(?:a|b)*?c"};
  switch (random.Below(4)) {
    case 0: {
      std::wstring huge;
      while (huge.size() < 10000) huge += random.Pick(std::vector<std::wstring>{L"a?", L"(a|b)", L"a*", L"[ab]"});
      return huge;
    }
    case 1:
      return std::wstring(200 + random.Below(300), L'(') + L"a" + std::wstring(200, L')');
    default:
      return random.Pick(patterns);
  }
}

// A search text as typed, pasted or broken: words, letters, long runs, lone
// surrogates, and patterns for the regular-expression search.
std::wstring SampleSearchText(Random& random) {
  if (random.Percent(25)) return HostilePattern(random);
  switch (random.Below(6)) {
    case 0:
      return L"";
    case 1:
      return std::wstring(1 + random.Below(10000), L'a');
    case 2: {
      // Latin, CJK and unpaired high surrogates: no combining marks (see
      // above), and no pair that could make one.
      static const std::vector<std::pair<wchar_t, wchar_t>> ranges = {
          {0x20, 0x7E}, {0xA0, 0x24F}, {0x4E00, 0x9FFF}, {0xD800, 0xDBFF}};
      std::wstring text;
      for (size_t i = 0, n = 1 + random.Below(8); i < n; ++i) {
        const auto& [low, high] = random.Pick(ranges);
        text += static_cast<wchar_t>(random.Between(low, high));
      }
      return text;
    }
    default: {
      static const std::vector<std::wstring> words = {L"alpha", L"a", L"e", L"Alpha", L"gr\u00F6\u00DFe", L"\u65E5",
                                                      L"beta alpha", L"\r\n", L"x_1"};
      return random.Pick(words);
    }
  }
}

// A place in the document; the control clips only stream selections, so only
// those are also tried a little beyond its end.
int32_t Position(Random& random, int32_t length) { return static_cast<int32_t>(random.Below(length + 1)); }
int32_t PositionOrBeyond(Random& random, int32_t length) { return static_cast<int32_t>(random.Below(length + 6)); }

// A selection of one of the kinds a user makes. The stand-in knows only
// stream selections; over the real control every kind is made.
void Select(Random& random, HWND editor) {
  const auto length = static_cast<int32_t>(SendMessageW(editor, SCI_GETLENGTH, 0, 0));
  const auto send = [&](UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    Boundary("the editor", [&] { return SendMessageW(editor, message, wParam, lParam); });
  };
  switch (random.Below(7)) {
    case 0:  // stream
      send(SCI_SETSEL, PositionOrBeyond(random, length), PositionOrBeyond(random, length));
      break;
    case 1:  // rectangle, as Alt+drag makes it
      send(SCI_SETRECTANGULARSELECTIONANCHOR, Position(random, length));
      send(SCI_SETRECTANGULARSELECTIONCARET, Position(random, length));
      break;
    case 2:  // whole lines, and a thin rectangle
    case 3:
      send(SCI_SETSELECTIONMODE, random.Percent(50) ? SC_SEL_LINES : SC_SEL_THIN);
      send(SCI_SETSEL, Position(random, length), Position(random, length));
      send(SCI_SETSELECTIONMODE, SC_SEL_STREAM);
      break;
    case 4:  // several at once
      send(SCI_SETMULTIPLESELECTION, 1);
      send(SCI_SETSEL, Position(random, length), Position(random, length));
      for (size_t i = 0, n = 1 + random.Below(4); i < n; ++i) {
        send(SCI_ADDSELECTION, Position(random, length), Position(random, length));
      }
      break;
    case 5:  // empty, anywhere
      send(SCI_SETEMPTYSELECTION, Position(random, length));
      break;
    default:  // at the end of the document
      send(SCI_SETSEL, length, random.Percent(50) ? length : PositionOrBeyond(random, length));
      break;
  }
}

struct Key {
  UINT key;
  bool ctrl;
  bool shift;
};
const std::vector<Key> kViewerKeys = {{VK_F3, false, false}, {VK_F3, false, true}, {VK_F3, true, false},
                                      {VK_F3, true, true},   {'E', true, false},    {'R', true, false},
                                      {'F', true, false},    {VK_ESCAPE, false, false}, {VK_TAB, false, false},
                                      {'C', true, false},    {'A', true, false},    {VK_RETURN, false, false},
                                      {'G', true, false}};

// A windowed file's scroll bar is lumen's, shown beside the editor.
bool ShownThroughWindow(Viewer& viewer) {
  const HWND bar = FindWindowExW(viewer.window(), nullptr, L"SCROLLBAR", nullptr);
  return bar && (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Whatever the user did, the viewer still shows the file as loaded, and its
// selection and marks lie inside it.
void ExpectConsistent(Viewer& viewer, const std::optional<std::string>& shown, const char* after) {
  SCOPED_TRACE(after);
  if (!shown) return;
  const HWND editor = viewer.editor();
  // A file of very long lines is shown through a window onto it: a part of it.
  const std::optional<std::string> document = viewer.Document();
  if (!ShownThroughWindow(viewer) || !document) EXPECT_EQ(document, shown);
  else EXPECT_NE(shown->find(*document), std::string::npos) << "the window holds a part of the file";
  const auto length = static_cast<int32_t>(SendMessageW(editor, SCI_GETLENGTH, 0, 0));
  const auto start = static_cast<int32_t>(SendMessageW(editor, SCI_GETSELECTIONSTART, 0, 0));
  const auto end = static_cast<int32_t>(SendMessageW(editor, SCI_GETSELECTIONEND, 0, 0));
  EXPECT_TRUE(0 <= start && start <= end && end <= length) << start << ".." << end << " of " << length;
  EXPECT_EQ(SendMessageW(editor, SCI_GETREADONLY, 0, 0), 1);
  const std::wstring description = viewer.Describe();
  EXPECT_NE(description.find(L", "), std::wstring::npos) << test::ToUtf8(description);
}

// One seeded sequence over one viewer; answers the document shown.
void UserActionSequence(Host& host, int index) {
  Random random("user actions", index);
  const Case scope("user actions: sequences over random and hostile files", std::to_string(index));
  Viewer viewer(host);
  const auto open = [&](const std::string& text) -> std::optional<std::string> {
    const std::wstring name = random.Pick(std::vector<std::wstring>{L"a.c", L"b.txt", L"c", L"d.py"});
    if (random.Percent(70)) {
      if (!viewer.OpenPath(host.WriteFile(name, text))) return std::nullopt;
      return ShownThroughWindow(viewer) ? std::optional<std::string>(text) : viewer.Document();
    }
    TestStream stream(text);
    stream.piece = static_cast<ULONG>(1 + random.Below(70000));
    return viewer.Send(HBXPLUGINMSG_OPENSTREAM, reinterpret_cast<WPARAM>(name.c_str()),
                       reinterpret_cast<LPARAM>(&stream))
               ? viewer.Document()
               : std::nullopt;
  };
  std::optional<std::string> shown = open(SampleText(random));
  const HWND panel = GetDlgItem(viewer.window(), 2);
  const size_t steps = 5 + random.Below(30);
  for (size_t step = 0; step < steps; ++step) {
    const char* what = "";
    switch (random.Below(10)) {
      case 0:
      case 1:
      case 2:
        what = "a selection";
        Select(random, viewer.editor());
        test::PumpThreadMessages();
        break;
      case 3:
      case 4:
      case 5: {
        what = "a key";
        const Key& key = random.Pick(kViewerKeys);
        Boundary("a key", [&] { return test::PressKeyInViewer(viewer.window(), key.key, key.ctrl, key.shift); });
        break;
      }
      case 6:
        what = "typing in the panel";
        viewer.Send(WM_COMMAND, kToggleSearchMenu);
        if (random.Percent(20)) {
          // A line to go to: numbers, line:column, past the end, garbage.
          const std::wstring line = random.Pick(std::vector<std::wstring>{
              L"1", L"0", L"12:400", L"99999999999999999999", L"-1", L"x", L"", L"5:", std::wstring(1, wchar_t{0xD800})});
          SetWindowTextW(GetDlgItem(panel, kLineEntry), line.c_str());
          SetFocus(GetDlgItem(panel, kLineEntry));
          Boundary("go to line", [&] { return test::PressKeyInViewer(viewer.window(), VK_RETURN, false, false); });
          break;
        }
        Boundary("typing", [&] { return SetWindowTextW(GetDlgItem(panel, kSearchEdit), SampleSearchText(random).c_str()); });
        break;
      case 7:
        what = "an option or a button";
        Boundary("a click", [&] {
          return SendMessageW(GetDlgItem(panel, random.Pick(std::vector<int>{kMatchCase, kWholeWords, kCancel, 2, 3,
                                                                              kRegularExpression, kRegularExpression})),
                              BM_CLICK, 0, 0);
        });
        break;
      case 8:
        what = "zoom, copy, select all";
        viewer.Send(random.Pick(std::vector<UINT>{HBXPLUGINMSG_SETZOOMLEVEL, HBXPLUGINMSG_COPYTEXT,
                                                  HBXPLUGINMSG_SELECTWHOLETEXT, HBXPLUGINMSG_HASSELECTION}),
                    static_cast<WPARAM>(random.Between(-50, 600)));
        break;
      default:
        what = "a load or a reload";
        if (random.Percent(50)) {
          viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
        } else if (auto next = open(SampleText(random))) {
          shown = next;
        }
        break;
    }
    Count("user actions: actions");
    ExpectConsistent(viewer, shown, what);
  }
  EXPECT_TRUE(HeapsValid());
  host.ExpectCleanEnd(host.ConfigBytes());
}

TEST(UserActionRobustness, SelectionsKeysTypingAndLoadsInRandomOrder) {
  Host host;
  host.WriteConfig(ShippedConfiguration());
  for (int index = 0; index < kSequences && !::testing::Test::HasFailure(); ++index) {
    UserActionSequence(host, index);
  }
}

// What a host can ask of a viewer, each an occasion for the viewer to call
// the host back (notifications, a repaint of the host's pane, focus).
struct HostRequest {
  const char* name;
  std::function<void(Viewer&, Host&)> make;
};

const std::vector<HostRequest>& HostRequests() {
  static const std::vector<HostRequest> requests = {
      {"load by path", [](Viewer& v, Host& h) { v.OpenPath(h.WriteFile(L"b.c", "int b; alpha\n")); }},
      {"load by stream",
       [](Viewer& v, Host&) {
         TestStream stream("int c; alpha\n");
         v.Send(HBXPLUGINMSG_OPENSTREAM, reinterpret_cast<WPARAM>(L"c.c"), reinterpret_cast<LPARAM>(&stream));
       }},
      {"reload", [](Viewer& v, Host&) { v.Send(HBXPLUGINMSG_RELOADSETTINGS); }},
      {"zoom", [](Viewer& v, Host&) { v.Send(HBXPLUGINMSG_SETZOOMLEVEL, 250); }},
      {"Ctrl+wheel", [](Viewer& v, Host&) { v.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0); }},
      {"Ctrl+F", [](Viewer& v, Host&) { test::PressKeyInViewer(v.window(), 'F', true); }},
      {"Ctrl+F3",
       [](Viewer& v, Host&) {
         SendMessageW(v.editor(), SCI_SETSEL, 0, 3);
         test::PressKeyInViewer(v.window(), VK_F3, true);
       }},
      {"typing",
       [](Viewer& v, Host&) {
         v.Send(WM_COMMAND, kToggleSearchMenu);
         SetWindowTextW(GetDlgItem(GetDlgItem(v.window(), 2), kSearchEdit), L"alpha");
       }},
      {"Escape", [](Viewer& v, Host&) { test::PressKeyInViewer(v.window(), VK_ESCAPE); }},
      {"copy", [](Viewer& v, Host&) { v.Send(HBXPLUGINMSG_COPYTEXT); }},
      {"resize", [](Viewer& v, Host&) { SetWindowPos(v.window(), nullptr, 0, 0, 300, 200, SWP_NOZORDER); }},
  };
  return requests;
}

// The host destroys the viewer inside the n-th message it receives during a
// request, for every n the request reaches, and in streams' Reads.
TEST(ReentrantHostRobustness, DestroysTheViewerInsideEachMessageItReceivesFromIt) {
  Host host;
  host.WriteConfig(ShippedConfiguration());
  for (const HostRequest& request : HostRequests()) {
    int received = 0;
    {
      Viewer viewer(host);
      viewer.OpenPath(host.WriteFile(L"a.c", "int a; alpha alpha\n"));
      host.onMessage = [&](UINT) { ++received; };
      Boundary(request.name, [&] { request.make(viewer, host); return 0; });
      host.onMessage = nullptr;
    }
    for (int n = 1; n <= received; ++n) {
      const Case scope("re-entrant host: viewer destroyed inside a message it sent",
                       std::string(request.name) + ", message " + std::to_string(n));
      Viewer viewer(host);
      viewer.OpenPath(host.WriteFile(L"a.c", "int a; alpha alpha\n"));
      const HWND window = viewer.window();
      int seen = 0;
      host.onMessage = [&](UINT) {
        if (++seen == n && IsWindow(window)) DestroyWindow(window);
      };
      Boundary(request.name, [&] { request.make(viewer, host); return 0; });
      host.onMessage = nullptr;
      test::PumpThreadMessages();
      ASSERT_TRUE(HeapsValid()) << request.name << ", message " << n;
    }
  }
  // Streams whose Read pumps what the host posted meanwhile, or destroys the
  // viewer. A third of them are beyond the size that loads in one message:
  // their later reads come in the viewer's turns, after the first part shows.
  for (int index = 0; index < 60; ++index) {
    Random random("re-entrant host: streams", index);
    const Case scope("re-entrant host: streams that pump or destroy in Read", std::to_string(index));
    Viewer viewer(host);
    const HWND window = viewer.window();
    std::string text = SampleText(random);
    const bool big = index % 3 == 2;
    while (big && text.size() <= (size_t{4} << 20)) text += SampleText(random) + "\n";
    TestStream stream(text);
    stream.piece = static_cast<ULONG>(1 + random.Below(std::max<size_t>(text.size() / 4, 1)));
    const size_t atRead = random.Below(big ? 8 : 4);
    const int behaviour = static_cast<int>(random.Below(4));
    size_t reads = 0;
    stream.duringRead = [&] {
      if (reads++ != atRead) return;
      if (behaviour == 0) DestroyWindow(window);
      if (behaviour == 1) PostMessageW(window, HBXPLUGINMSG_RELOADSETTINGS, 0, 0);
      if (behaviour == 2) viewer.OpenPath(host.WriteFile(L"other.txt", "other"));
      if (behaviour == 3) PostMessageW(window, WM_CLOSE, 0, 0);
      test::PumpThreadMessages();
    };
    viewer.Send(HBXPLUGINMSG_OPENSTREAM, reinterpret_cast<WPARAM>(L"s.c"), reinterpret_cast<LPARAM>(&stream));
    test::PumpThreadMessages();
    for (int turn = 0; turn < 3000 && IsWindow(window) && viewer.Describe().find(L"loading") != std::wstring::npos;
         ++turn) {
      Sleep(2);
      test::PumpThreadMessages();
    }
    ASSERT_TRUE(HeapsValid()) << "stream case " << index;
    EXPECT_EQ(stream.references(), 1u) << "the stream is let go";
    if (IsWindow(window)) {
      EXPECT_EQ(SendMessageW(GetDlgItem(window, 1), SCI_GETREADONLY, 0, 0), 1);
    }
  }
  host.ExpectCleanEnd(host.ConfigBytes());
}

// A host window of the thread's own, with a viewer in it.
class ThreadHost {
 public:
  explicit ThreadHost(Host& host) {
    window_ = CreateWindowExW(0, L"STATIC", L"thread host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    const RECT pane = {0, 0, 640, 480};
    viewer_ = host.plugin().CreateViewer(window_, &pane, 0);
  }
  ~ThreadHost() { DestroyWindow(window_); }
  ThreadHost(const ThreadHost&) = delete;
  ThreadHost& operator=(const ThreadHost&) = delete;
  HWND viewer() const { return viewer_; }

 private:
  HWND window_ = nullptr;
  HWND viewer_ = nullptr;
};

// Two viewers on two threads load, search and reload, while a third thread
// identifies files and a fourth confirms the dialog after a change.
TEST(ThreadRobustness, TwoViewersAnIdentifierAndTheDialogAtOnce) {
  Host host;
  host.WriteConfig(ShippedConfiguration());
  constexpr int kRounds = 40;
  std::atomic<int> failures{0};
  const auto viewerThread = [&](int which) {
    const ThreadHost threadHost(host);
    if (!threadHost.viewer()) {
      ++failures;
      return;
    }
    const HWND viewer = threadHost.viewer();
    for (int round = 0; round < kRounds; ++round) {
      Random random("threads", which * 1000 + round);
      const std::wstring path = host.WriteFile(L"t" + std::to_wstring(which) + L"-" + std::to_wstring(round) + L".c",
                                               SampleText(random));
      SendMessageW(viewer, HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
      SendMessageW(viewer, WM_COMMAND, kToggleSearchMenu, 0);
      SetWindowTextW(GetDlgItem(GetDlgItem(viewer, 2), kSearchEdit), SampleSearchText(random).c_str());
      test::PressKeyInViewer(viewer, VK_F3);
      SendMessageW(viewer, HBXPLUGINMSG_RELOADSETTINGS, 0, 0);
      test::PumpThreadMessages();
    }
  };
  std::atomic<bool> viewersDone{false};
  const auto identifier = [&] {
    int index = 0;
    while (!viewersDone) {
      alignas(8) uint8_t record[40] = {};
      const std::wstring name = index++ % 2 ? L"x.cpp" : L"y.unknown";
      host.plugin().IdentifyFileW(nullptr, name.c_str(), record, 0);
    }
  };
  const auto dialog = [&] {
    // A save that meets a reader holding the file asks Retry or Cancel: Cancel.
    const UINT_PTR answerer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
      EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && GetDlgItem(window, IDCANCEL) && GetDlgItem(window, IDRETRY)) {
          PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        return TRUE;
      }, 0);
    });
    for (int round = 0; !viewersDone && round < kRounds; ++round) {
      const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      if (const HWND box = host.plugin().Configure(owner, owner, static_cast<UINT>(round))) {
        const test::OpenDialog open(box);
        open.SetChecked(kLineWrappingCheck, !open.Checked(kLineWrappingCheck));
        open.Click(kOkButton);
      }
      DestroyWindow(owner);
      test::PumpThreadMessages();
    }
    KillTimer(nullptr, answerer);
  };
  {
    const Case scope("threads: two viewers, identification and the dialog at once", "all", 600);
    std::thread first(viewerThread, 1), second(viewerThread, 2), third(identifier), fourth(dialog);
    first.join();
    second.join();
    viewersDone = true;
    third.join();
    fourth.join();
  }
  Count("threads: viewer rounds (load, search, reload)", 2 * kRounds);
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(HeapsValid());
  EXPECT_EQ(host.OpenDocuments(), 0);
}

}  // namespace
}  // namespace lumen::robustness
