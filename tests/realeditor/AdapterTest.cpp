// The adapter SciLexer.dll over the real Scintilla 5 control, driven as lumen
// drives the 3.x control: loaded from the program's folder (bin/real), an
// editor created as the viewer creates it, messages of the 3.x interface, and
// notifications read at the 3.x record's byte offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "TestFiles.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;

// Numbers of the control that lumen's interface does not name.
constexpr UINT SCI_COLOURISE = 4003;
constexpr UINT SCI_GETLEXERLANGUAGE = 4012;
constexpr unsigned SCN_MODIFIED = 2008;
constexpr int SC_MOD_INSERTTEXT = 1;
constexpr int SCEN_SETFOCUS = 512;
constexpr int SCLEX_CPP = 3;
constexpr int SCE_C_COMMENTLINE = 2, SCE_C_WORD = 5, SCE_C_STRING = 6, SCE_C_IDENTIFIER = 11;

// Loaded once and never freed, as the viewer does.
HMODULE Adapter() {
  static const HMODULE module = LoadLibraryW((test::ProgramFolder() + L"\\SciLexer.dll").c_str());
  return module;
}

HMODULE ModuleOf(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<const wchar_t*>(address), &module);
  return module;
}

struct WindowDestroy {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<HWND__, WindowDestroy>;

using Record = std::array<std::byte, sizeof(SCNotification)>;

int32_t Int32At(const Record& record, size_t offset) {
  int32_t value;
  std::memcpy(&value, record.data() + offset, sizeof value);
  return value;
}

// What reached the editor's parent.
struct Seen {
  struct Notification {
    WPARAM wParam;
    alignas(SCNotification) Record record;
    const SCNotification& fields() const { return *reinterpret_cast<const SCNotification*>(record.data()); }
  };
  std::vector<Notification> notifications;
  std::vector<std::pair<WPARAM, LPARAM>> commands;
  int wheels = 0;

  const Notification* Find(unsigned code, bool (*accept)(const Notification&) = nullptr) const {
    for (const Notification& seen : notifications) {
      if (seen.fields().nmhdr.code == code && (!accept || accept(seen))) return &seen;
    }
    return nullptr;
  }
};

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (seen) {
    switch (message) {
      case WM_NOTIFY: {
        Seen::Notification notification{wParam, {}};
        std::memcpy(notification.record.data(), reinterpret_cast<const void*>(lParam), sizeof(Record));
        seen->notifications.push_back(notification);
        return 0;
      }
      case WM_COMMAND:
        seen->commands.emplace_back(wParam, lParam);
        return 0;
      case WM_MOUSEWHEEL:
        ++seen->wheels;
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ParentClass() {
  static const wchar_t* name = [] {
    WNDCLASSEXW parent{};
    parent.cbSize = sizeof parent;
    parent.lpfnWndProc = ParentProc;
    parent.hInstance = GetModuleHandleW(nullptr);
    parent.lpszClassName = L"lumen.test.EditorParent";
    RegisterClassExW(&parent);
    return parent.lpszClassName;
  }();
  return name;
}

class RealEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Adapter(), nullptr) << "SciLexer.dll did not load from the program's folder";
    parent_.reset(CreateWindowExW(0, ParentClass(), L"parent", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640,
                                  480, nullptr, nullptr, GetModuleHandleW(nullptr), &seen_));
    ASSERT_TRUE(parent_);
    // Exactly as the viewer makes its editor: the host's instance, id 1, not yet visible.
    editor_ = CreateWindowExW(WS_EX_WINDOWEDGE, L"Scintilla", L"Source",
                              WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 600, 400, parent_.get(),
                              reinterpret_cast<HMENU>(kEditorControlId), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(editor_, nullptr);
    Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(editor_, message, wParam, lParam);
  }
  LRESULT Send(UINT message, WPARAM wParam, const void* pointer) {
    return Send(message, wParam, reinterpret_cast<LPARAM>(pointer));
  }
  void SetText(const std::string& text) {
    Send(SCI_CLEARALL);
    Send(SCI_ADDTEXT, text.size(), text.data());
  }
  int StyleAt(int position) { return static_cast<int>(Send(SCI_GETSTYLEAT, position)); }
  HWND Inner() const { return GetWindow(editor_, GW_CHILD); }
  void ShowAndPaint() {
    ShowWindow(parent_.get(), SW_SHOWNA);
    ShowWindow(editor_, SW_SHOWNA);
    RedrawWindow(parent_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  // Checks that a notification left as the 3.x control's own would.
  void ExpectFromEditor(const Seen::Notification& notification) {
    EXPECT_EQ(notification.wParam, static_cast<WPARAM>(kEditorControlId));
    EXPECT_EQ(notification.fields().nmhdr.idFrom, static_cast<uintptr_t>(kEditorControlId));
    EXPECT_EQ(notification.fields().nmhdr.hwndFrom, editor_);
  }

  Seen seen_;
  UniqueWindow parent_;
  HWND editor_ = nullptr;  // the parent's child, destroyed with it
};

TEST_F(RealEditorTest, TakesTheClassNameAndHostsOneRealControlFillingIt) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"Scintilla", &info));
  EXPECT_EQ(ModuleOf(reinterpret_cast<const void*>(info.lpfnWndProc)), Adapter());
  EXPECT_NE(GetModuleHandleW(L"Scintilla.dll"), nullptr);
  EXPECT_NE(GetModuleHandleW(L"Lexilla.dll"), nullptr);

  const HWND inner = Inner();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(GetWindow(inner, GW_HWNDNEXT), nullptr);
  // The inner control draws the scroll bars; the frame has none of its own.
  EXPECT_EQ(GetWindowLongPtrW(editor_, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);

  SetWindowPos(editor_, nullptr, 0, 0, 333, 222, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  RECT client{}, innerRect{};
  GetClientRect(editor_, &client);
  GetWindowRect(inner, &innerRect);
  MapWindowPoints(nullptr, editor_, reinterpret_cast<POINT*>(&innerRect), 2);
  EXPECT_EQ(innerRect.left, 0);
  EXPECT_EQ(innerRect.top, 0);
  EXPECT_EQ(innerRect.right, client.right);
  EXPECT_EQ(innerRect.bottom, client.bottom);
  EXPECT_GT(client.right, 300);
}

TEST_F(RealEditorTest, SetLexerPicksLexillasLexerOfTheSameNumber) {
  EXPECT_EQ(Send(SCI_SETSTYLEBITS, 7), 0);
  Send(SCI_SETLEXER, SCLEX_CPP);
  Send(SCI_SETKEYWORDS, 0, "int return");
  SetText("int x; // note\nreturn \"s\";\n");
  Send(SCI_COLOURISE, 0, -1);

  EXPECT_EQ(Send(SCI_GETLEXER), SCLEX_CPP);
  EXPECT_EQ(StyleAt(0), SCE_C_WORD);          // int
  EXPECT_EQ(StyleAt(4), SCE_C_IDENTIFIER);    // x
  EXPECT_EQ(StyleAt(7), SCE_C_COMMENTLINE);   // // note
  EXPECT_EQ(StyleAt(15), SCE_C_WORD);         // return
  EXPECT_EQ(StyleAt(22), SCE_C_STRING);       // "s"
}

// Every lexer the shipped configuration names is one Lexilla has: none of
// its languages falls back to plain text in the release.
TEST_F(RealEditorTest, HasEveryLexerTheShippedConfigurationNames) {
  const std::string configuration = test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml");
  const std::string attribute = " lexer=\"";
  std::vector<int> lexers;
  for (size_t at = configuration.find(attribute); at != std::string::npos; at = configuration.find(attribute, at + 1)) {
    const int lexer = std::atoi(configuration.c_str() + at + attribute.size());
    if (lexer != SCLEX_NULL && std::find(lexers.begin(), lexers.end(), lexer) == lexers.end()) lexers.push_back(lexer);
  }
  EXPECT_GE(lexers.size(), 60u);
  for (int lexer : lexers) {
    Send(SCI_SETLEXER, lexer);
    std::array<char, 64> name{};
    Send(SCI_GETLEXERLANGUAGE, 0, name.data());
    EXPECT_GT(std::strlen(name.data()), 0u) << lexer;
    EXPECT_STRNE(name.data(), "null") << lexer;
  }
}

TEST_F(RealEditorTest, LexerNumbersKeepTheir3xMeaning) {
  Send(SCI_SETLEXER, SCLEX_CPP);
  Send(SCI_SETKEYWORDS, 0, "int");
  SetText("int x;");
  // Asking again for the lexer it has keeps the keyword lists, as 3.x does.
  Send(SCI_SETLEXER, SCLEX_CPP);
  Send(SCI_COLOURISE, 0, -1);
  EXPECT_EQ(StyleAt(0), SCE_C_WORD);

  // Plain text, and a number no lexer has, which 3.x reports back but lexes as
  // plain text. Text is loaded after the lexer is set, as the viewer does.
  for (int plain : {static_cast<int>(SCLEX_NULL), 9999}) {
    Send(SCI_SETLEXER, plain);
    SetText("int x;");
    Send(SCI_COLOURISE, 0, -1);
    EXPECT_EQ(Send(SCI_GETLEXER), plain);
    EXPECT_EQ(StyleAt(0), 0) << plain;
  }
}

TEST_F(RealEditorTest, SelectionTextCountsTheZeroAs3xDoes) {
  SetText("hello world");
  Send(SCI_SETSEL, 0, 5);
  EXPECT_EQ(Send(SCI_GETSELTEXT), 6);
  std::string buffer(8, '#');
  EXPECT_EQ(Send(SCI_GETSELTEXT, 0, buffer.data()), 6);
  EXPECT_EQ(buffer, std::string("hello\0##", 8));

  Send(SCI_SETEMPTYSELECTION, 3);
  EXPECT_EQ(Send(SCI_GETSELTEXT), 1);
  buffer.assign(2, '#');
  EXPECT_EQ(Send(SCI_GETSELTEXT, 0, buffer.data()), 0);
  EXPECT_EQ(buffer, std::string("\0#", 2));
}

// 5.x reads the size as the text length and writes its zero one byte further:
// a 3.x caller's buffer would overflow.
TEST_F(RealEditorTest, DocumentTextTakesTheBufferSizeAs3xDoes) {
  SetText("hello world");
  EXPECT_EQ(Send(SCI_GETTEXT), 12);
  std::string buffer(8, '#');
  EXPECT_EQ(Send(SCI_GETTEXT, 6, buffer.data()), 5);
  EXPECT_EQ(buffer, std::string("hello\0##", 8));
  EXPECT_EQ(Send(SCI_GETTEXT, 0, buffer.data()), 0);
  EXPECT_EQ(buffer, std::string("hello\0##", 8));
}

TEST_F(RealEditorTest, FindTextFillsThe32BitRecord) {
  SetText("one two One");
  Sci_TextToFind find{{0, 11}, "one", {-1, -1}};
  EXPECT_EQ(Send(SCI_FINDTEXT, SCFIND_MATCHCASE, &find), 0);
  EXPECT_EQ(find.chrgText.cpMin, 0);
  EXPECT_EQ(find.chrgText.cpMax, 3);

  find.chrg = {1, 11};
  EXPECT_EQ(Send(SCI_FINDTEXT, SCFIND_MATCHCASE, &find), -1);
  EXPECT_EQ(Send(SCI_FINDTEXT, 0, &find), 8);
  EXPECT_EQ(find.chrgText.cpMin, 8);
  EXPECT_EQ(find.chrgText.cpMax, 11);

  find.chrg = {11, 0};  // backwards: the last match first
  find.lpstrText = "o";
  EXPECT_EQ(Send(SCI_FINDTEXT, SCFIND_MATCHCASE, &find), 6);
  find.chrg = {0, 11};
  find.lpstrText = "tw";
  EXPECT_EQ(Send(SCI_FINDTEXT, SCFIND_WHOLEWORD, &find), -1);
}

TEST_F(RealEditorTest, AnswersTheEditControlMessages) {
  SetText("hello world");
  Send(EM_SETSEL, 6, 11);
  DWORD start = 0, end = 0;
  EXPECT_EQ(Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)), MAKELRESULT(6, 11));
  EXPECT_EQ(start, 6u);
  EXPECT_EQ(end, 11u);
  EXPECT_EQ(Send(SCI_GETSELECTIONSTART), 6);

  Send(WM_COPY);
  ASSERT_TRUE(OpenClipboard(parent_.get()));
  const HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, L"world");

  Send(EM_SETSEL, 0, -1);
  EXPECT_EQ(Send(SCI_GETSELECTIONSTART), 0);
  EXPECT_EQ(Send(SCI_GETSELECTIONEND), 11);
}

TEST_F(RealEditorTest, NotificationsReachTheParentInThe3xLayout) {
  SetText("abc");
  seen_.notifications.clear();
  Send(SCI_ADDTEXT, 2, "de");
  const auto* modified = seen_.Find(SCN_MODIFIED, [](const Seen::Notification& seen) {
    return (seen.fields().modificationType & SC_MOD_INSERTTEXT) != 0;
  });
  ASSERT_NE(modified, nullptr);
  ExpectFromEditor(*modified);
  EXPECT_EQ(Int32At(modified->record, 24), 3);  // position
  EXPECT_EQ(Int32At(modified->record, 48), 2);  // length
  EXPECT_EQ(Int32At(modified->record, 52), 0);  // linesAdded

  Send(SCI_SETSEL, 1, 2);
  ShowAndPaint();
  const auto* update = seen_.Find(SCN_UPDATEUI, [](const Seen::Notification& seen) {
    return (Int32At(seen.record, 116) & SC_UPDATE_SELECTION) != 0;
  });
  ASSERT_NE(update, nullptr);
  ExpectFromEditor(*update);
}

TEST_F(RealEditorTest, FocusGoesToTheInnerControlAndIsReportedAsTheEditors) {
  ShowAndPaint();
  SetFocus(editor_);
  EXPECT_EQ(GetFocus(), Inner());
  const auto* focus = seen_.Find(SCN_FOCUSIN);
  ASSERT_NE(focus, nullptr);
  ExpectFromEditor(*focus);
  bool commandSeen = false;
  for (const auto& [wParam, lParam] : seen_.commands) {
    if (HIWORD(wParam) == SCEN_SETFOCUS) {
      commandSeen = true;
      EXPECT_EQ(LOWORD(wParam), kEditorControlId);
      EXPECT_EQ(reinterpret_cast<HWND>(lParam), editor_);
    }
  }
  EXPECT_TRUE(commandSeen);
}

TEST_F(RealEditorTest, CtrlWheelZoomsAndTheParentHearsOfIt) {
  SetText("zoom\n");
  Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(10, 10));
  EXPECT_EQ(Send(SCI_GETZOOM), 1);
  const auto* zoom = seen_.Find(SCN_ZOOM);
  ASSERT_NE(zoom, nullptr);
  ExpectFromEditor(*zoom);
}

// The control passes a wheel it cannot use to its parent, the adapter window:
// that must go on up once, not back down to the control for ever.
TEST_F(RealEditorTest, AWheelTheControlDoesNotUseReachesTheParentOnce) {
  SetText("wrapped\n");
  Send(SCI_SETWRAPMODE, SC_WRAP_WORD);  // no sideways scrolling then
  Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, WHEEL_DELTA), MAKELPARAM(10, 10));
  EXPECT_EQ(seen_.wheels, 1);
}

TEST(RealEditorLoading, WithoutScintillaBesideItTheAdapterDoesNotLoad) {
  test::TempFolder folder;
  const std::wstring lonely = folder / L"LonelyAdapter.dll";
  ASSERT_TRUE(CopyFileW((test::ProgramFolder() + L"\\SciLexer.dll").c_str(), lonely.c_str(), FALSE));
  const HMODULE module = LoadLibraryW(lonely.c_str());
  EXPECT_EQ(module, nullptr);
  if (module) FreeLibrary(module);
}

}  // namespace
}  // namespace lumen
