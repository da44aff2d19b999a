// The editor stand-in must answer as the real control does, or the viewer's
// tests would pass against behaviour no user ever sees.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "EditorStandIn.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"

namespace lumen::test {
namespace {

using namespace lumen::sci;

constexpr int kEditorId = 7;

struct DestroyWindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, DestroyWindowDeleter>;

// What the parent window read from each WM_NOTIFY, through the plug-in's own record type.
struct Notice {
  unsigned code;
  HWND from;
  uintptr_t id;
  WPARAM wParam;
  int updated;
};
std::vector<Notice> notices;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* record = reinterpret_cast<const SCNotification*>(lParam);
    notices.push_back({record->nmhdr.code, static_cast<HWND>(record->nmhdr.hwndFrom), record->nmhdr.idFrom, wParam,
                       record->updated});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ParentClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"EditorStandInTestParent";
    return RegisterClassW(&windowClass) != 0;
  }();
  return registered ? L"EditorStandInTestParent" : nullptr;
}

struct Found {
  LRESULT result;
  int start;
  int end;
};

bool operator==(const Found& a, const Found& b) {
  return a.result == b.result && a.start == b.start && a.end == b.end;
}

void PrintTo(const Found& found, std::ostream* out) {
  *out << found.result << " (" << found.start << ", " << found.end << ")";
}

class EditorStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    notices.clear();
    parent_.reset(CreateWindowExW(0, ParentClass(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(parent_);
    editor_.reset(CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, parent_.get(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), nullptr, nullptr));
    ASSERT_TRUE(editor_);
  }

  HWND editor() const { return editor_.get(); }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(editor(), message, wParam, lParam);
  }
  template <typename T>  // a template, so that a literal 0 stays a number
  LRESULT Send(UINT message, WPARAM wParam, T* pointer) const {
    return Send(message, wParam, reinterpret_cast<LPARAM>(pointer));
  }

  // Replaces the document, with the log and the caught notifications emptied.
  void Load(const std::string& text) {
    Send(SCI_CLEARALL);
    Send(SCI_ADDTEXT, text.size(), text.c_str());
    standIn_.ClearMessages(editor());
    notices.clear();
  }

  Found Find(const std::string& what, int flags, int from, int to) const {
    Sci_TextToFind find{{from, to}, what.c_str(), {-5, -5}};
    const LRESULT result = Send(SCI_FINDTEXT, flags, &find);
    return {result, find.chrgText.cpMin, find.chrgText.cpMax};
  }

  std::string SelText() const {
    std::string text(static_cast<size_t>(Send(SCI_GETSELTEXT)), '?');
    Send(SCI_GETSELTEXT, 0, text.data());
    return text.substr(0, text.find('\0'));
  }

  EditorStandIn standIn_;  // first in, last out: the windows go before the DLL may
  UniqueWindow parent_;
  UniqueWindow editor_;
};

TEST_F(EditorStandInTest, DocumentHoldsBytesLinesAndUndoState) {
  EXPECT_EQ(Send(SCI_GETLINECOUNT), 1);
  Load("a\rb\nc\r\nd\xC3\xA4");
  EXPECT_EQ(Send(SCI_GETLINECOUNT), 4);
  EXPECT_EQ(Send(SCI_GETLENGTH), 10);
  EXPECT_EQ(DocumentText(editor()), "a\rb\nc\r\nd\xC3\xA4");
  EXPECT_EQ(Send(SCI_GETCHARAT, 8), static_cast<signed char>('\xC3'));  // a plain char, as the control answers
  EXPECT_EQ(Send(SCI_GETCHARAT, 10), 0);
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 10);
  EXPECT_EQ(Send(SCI_CANUNDO), 1);

  Send(SCI_EMPTYUNDOBUFFER);
  Send(SCI_SETREADONLY, 1);
  EXPECT_EQ(Send(SCI_GETREADONLY), 1);
  Send(SCI_ADDTEXT, 1, "x");
  Send(SCI_CLEARALL);
  EXPECT_EQ(DocumentText(editor()), "a\rb\nc\r\nd\xC3\xA4");
  EXPECT_EQ(Send(SCI_CANUNDO), 0);

  Send(SCI_SETREADONLY, 0);
  Send(SCI_GOTOPOS, 1);
  Send(SCI_ADDTEXT, 2, "xy");  // at the caret, which moves past the new text
  EXPECT_EQ(DocumentText(editor()).substr(0, 4), "axy\r");
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 3);
  EXPECT_EQ(Send(SCI_CANUNDO), 1);
  Send(SCI_CLEARALL);
  EXPECT_EQ(Send(SCI_GETLENGTH), 0);
  EXPECT_EQ(Send(SCI_GETLINECOUNT), 1);
}

TEST_F(EditorStandInTest, FindWorksOnBytePositionsWithCaseAndWholeWordFlags) {
  const std::string text = "\xC3\x84pfel \xC3\xA4pfel x\xC3\xA4pfel \xC3\x84PFEL \xC3\xA4pfel_x";
  Load(text);
  const int length = static_cast<int>(text.size());
  const std::string lower = "\xC3\xA4pfel";  // "äpfel", 6 bytes
  ASSERT_EQ(text.find(lower), 7u);

  EXPECT_EQ(Find(lower, 0, 0, length), (Found{0, 0, 6})) << "case ignored on non-ASCII letters";
  EXPECT_EQ(Find(lower, SCFIND_MATCHCASE, 0, length), (Found{7, 7, 13}));
  EXPECT_EQ(Find(lower, SCFIND_WHOLEWORD, 14, length), (Found{22, 22, 28})) << "x\xC3\xA4pfel is no whole word";
  EXPECT_EQ(Find("\xC3\x84PFEL", SCFIND_MATCHCASE | SCFIND_WHOLEWORD, 1, length), (Found{22, 22, 28}));
  EXPECT_EQ(Find(lower, SCFIND_WHOLEWORD, 29, length), (Found{-1, -5, -5})) << "not found leaves the record alone";
  EXPECT_EQ(Find(lower, 0, 1, 12), (Found{-1, -5, -5})) << "a match must end inside the range";
  EXPECT_EQ(Find("\xA4pfel", SCFIND_MATCHCASE, 0, length), (Found{-1, -5, -5})) << "no match inside a character";

  // Backward when the range runs from high to low: the last match first.
  EXPECT_EQ(Find(lower, SCFIND_MATCHCASE, length, 0), (Found{29, 29, 35}));
  EXPECT_EQ(Find(lower, SCFIND_MATCHCASE | SCFIND_WHOLEWORD, length, 0), (Found{7, 7, 13}));
  EXPECT_EQ(Find(lower, 0, 21, 0), (Found{15, 15, 21}));
}

TEST_F(EditorStandInTest, WordBoundsCoverWordCharactersOnly) {
  const std::string text = "let gr\xC3\xB6\xC3\x9F" "e_2 = a+b;";  // "größe_2" runs from 4 to 13
  Load(text);
  EXPECT_EQ(Send(SCI_WORDSTARTPOSITION, 8, 1), 4);
  EXPECT_EQ(Send(SCI_WORDENDPOSITION, 4, 1), 13);
  EXPECT_EQ(Send(SCI_WORDSTARTPOSITION, 5, 1), 4) << "the check the selection highlight makes";
  EXPECT_EQ(Send(SCI_WORDENDPOSITION, 14, 1), 14) << "'=' is no word character";
  EXPECT_EQ(Send(SCI_WORDENDPOSITION, 14, 0), 15) << "without onlyWordCharacters a run of punctuation";
  EXPECT_EQ(Send(SCI_WORDSTARTPOSITION, 17, 1), 16);
  EXPECT_EQ(Send(SCI_WORDENDPOSITION, 17, 0), 18);
  EXPECT_EQ(Send(SCI_WORDENDPOSITION, 500, 1), static_cast<LRESULT>(text.size()));
  EXPECT_EQ(Send(SCI_WORDSTARTPOSITION, -3, 1), 0);
}

TEST_F(EditorStandInTest, SelectionAndSelectedText) {
  Load("alpha beta");
  Send(SCI_SETSEL, 6, 10);
  EXPECT_EQ(Send(SCI_GETSELECTIONSTART), 6);
  EXPECT_EQ(Send(SCI_GETSELECTIONEND), 10);
  EXPECT_EQ(Send(SCI_GETANCHOR), 6);
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 10);
  EXPECT_EQ(Send(SCI_GETSELTEXT), 5) << "the length and the zero";
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(Send(SCI_GETSELTEXT, 0, buffer), 5);
  EXPECT_EQ(std::string(buffer), "beta");

  Send(SCI_SETSEL, 10, 6);
  EXPECT_EQ(Send(SCI_GETSELECTIONSTART), 6);
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 6);
  EXPECT_EQ(SelText(), "beta");

  Send(SCI_SETSEL, 2, -1);
  EXPECT_EQ(SelText(), "pha beta") << "caret -1 is the document end";
  Send(SCI_SETSEL, -1, 3);
  EXPECT_EQ(Send(SCI_GETANCHOR), 3);
  Send(SCI_SETEMPTYSELECTION, 4);
  EXPECT_EQ(Send(SCI_GETSELECTIONSTART), Send(SCI_GETSELECTIONEND));
  EXPECT_EQ(Send(SCI_GETSELTEXT, 0, buffer), 0);
  EXPECT_EQ(buffer[0], '\0');
  Send(SCI_GOTOPOS, 100);
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 10) << "positions are clamped into the document";
}

TEST_F(EditorStandInTest, EditControlSelectionMessages) {
  Load("hello world");
  Send(EM_SETSEL, 0, -1);
  DWORD start = 99, end = 99;
  EXPECT_EQ(Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)), MAKELONG(0, 11));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 11u);
  Send(EM_SETSEL, 6, 8);
  EXPECT_EQ(Send(SCI_GETANCHOR), 6);
  EXPECT_EQ(Send(SCI_GETCURRENTPOS), 8);
  Send(EM_SETSEL, static_cast<WPARAM>(-1), 4);
  EXPECT_EQ(Send(EM_GETSEL), MAKELONG(4, 4)) << "start -1 removes the selection";

  // Beyond 16 bits only the pointers carry the whole positions.
  Load(std::string(70000, 'a'));
  Send(EM_SETSEL, 65540, 70000);
  EXPECT_EQ(Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
            MAKELONG(65540 & 0xFFFF, 70000 & 0xFFFF));
  EXPECT_EQ(start, 65540u);
  EXPECT_EQ(end, 70000u);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = units;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST_F(EditorStandInTest, CopyPutsTheSelectionOnTheClipboardAsUnicode) {
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xACuro";  // "Grüße €uro"
  Load(text);
  Send(SCI_SETSEL, 0, 7);
  Send(WM_COPY);
  EXPECT_EQ(ClipboardText(), L"Gr\u00FC\u00DFe");

  Send(SCI_SETSEL, 8, static_cast<LPARAM>(text.size()));
  Send(WM_COPY);
  EXPECT_EQ(ClipboardText(), L"\u20ACuro");

  Send(SCI_SETEMPTYSELECTION, 2);
  Send(WM_COPY);
  EXPECT_EQ(ClipboardText(), L"\u20ACuro") << "an empty selection copies nothing";
}

TEST_F(EditorStandInTest, KeywordsAreDroppedWhenTheLexerChanges) {
  Send(SCI_SETLEXER, 3);
  Send(SCI_SETKEYWORDS, 0, "int char");
  Send(SCI_SETKEYWORDS, 8, "TODO");
  Send(SCI_SETKEYWORDS, 9, "beyond the last set");
  EXPECT_EQ(standIn_.Keywords(editor(), 0), "int char");
  EXPECT_EQ(standIn_.Keywords(editor(), 8), "TODO");

  Send(SCI_SETLEXER, 3);
  EXPECT_EQ(standIn_.Keywords(editor(), 0), "int char") << "the same lexer keeps its lists";
  Send(SCI_SETLEXER, 5);
  EXPECT_EQ(Send(SCI_GETLEXER), 5);
  EXPECT_EQ(standIn_.Keywords(editor(), 0), "");
  EXPECT_EQ(standIn_.Keywords(editor(), 8), "");
}

TEST_F(EditorStandInTest, StyleClearAllCopiesTheDefaultStyle) {
  Send(SCI_STYLESETFORE, STYLE_DEFAULT, 0x563412);
  Send(SCI_STYLESETBOLD, STYLE_DEFAULT, 1);
  Send(SCI_STYLESETSIZE, STYLE_DEFAULT, 11);
  Send(SCI_STYLESETFONT, STYLE_DEFAULT, "Consolas");
  Send(SCI_STYLECLEARALL);
  Send(SCI_STYLESETBOLD, 5, 0);

  EXPECT_EQ(Send(SCI_STYLEGETFORE, 200), 0x563412);
  EXPECT_EQ(Send(SCI_STYLEGETSIZE, 0), 11);
  EXPECT_EQ(Send(SCI_STYLEGETBOLD, 5), 0);
  EXPECT_EQ(Send(SCI_STYLEGETBOLD, STYLE_DEFAULT), 1) << "the default style itself stays";
  char font[32] = {};
  EXPECT_EQ(Send(SCI_STYLEGETFONT, 255, font), 8);
  EXPECT_STREQ(font, "Consolas");
  EXPECT_EQ(Send(SCI_STYLEGETFORE, 256), 0) << "no style beyond 255";
}

TEST_F(EditorStandInTest, IndicatorRangesFollowFillsClearsAndInsertions) {
  Load("one two one two");
  EXPECT_TRUE(IndicatorRanges(editor()).empty());
  EXPECT_EQ(Send(SCI_INDICATOREND, 0, 0), 0) << "an indicator without values answers 0";

  Send(SCI_SETINDICATORCURRENT, 0);
  Send(SCI_INDICATORFILLRANGE, 0, 3);
  Send(SCI_INDICATORFILLRANGE, 8, 3);
  Send(SCI_INDICATORFILLRANGE, 12, 10);  // past the end: ignored
  EXPECT_EQ(IndicatorRanges(editor()), (std::vector<std::pair<int, int>>{{0, 3}, {8, 11}}));
  EXPECT_EQ(Send(SCI_INDICATORVALUEAT, 0, 9), 1);
  EXPECT_EQ(Send(SCI_INDICATORSTART, 0, 9), 8);
  EXPECT_TRUE(IndicatorRanges(editor(), 1).empty());

  Send(SCI_GOTOPOS, 0);
  Send(SCI_ADDTEXT, 2, "xx");  // at the start the new bytes stay plain
  EXPECT_EQ(IndicatorRanges(editor()), (std::vector<std::pair<int, int>>{{2, 5}, {10, 13}}));

  Send(SCI_INDICATORCLEARRANGE, 0, Send(SCI_GETLENGTH));
  EXPECT_TRUE(IndicatorRanges(editor()).empty());
}

TEST_F(EditorStandInTest, NotifiesTheParentOncePerChange) {
  Load("abcdef");
  Send(SCI_SETSEL, 1, 3);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].code, static_cast<unsigned>(SCN_UPDATEUI));
  EXPECT_EQ(notices[0].updated, SC_UPDATE_SELECTION);
  EXPECT_EQ(notices[0].from, editor());
  EXPECT_EQ(notices[0].id, static_cast<uintptr_t>(kEditorId));
  EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(kEditorId));

  Send(SCI_SETSEL, 1, 3);
  Send(SCI_GETSELTEXT);
  EXPECT_EQ(notices.size(), 1u) << "nothing changed, nothing sent";

  Send(SCI_ADDTEXT, 1, "z");
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].updated, SC_UPDATE_CONTENT | SC_UPDATE_SELECTION);

  Send(WM_SETFOCUS);
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[2].code, static_cast<unsigned>(SCN_FOCUSIN));

  Send(SCI_SETZOOM, 2);
  Send(SCI_SETZOOM, 2);
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(notices[3].code, static_cast<unsigned>(SCN_ZOOM));
}

TEST_F(EditorStandInTest, CtrlWheelZoomsAndTextWidthFollows) {
  const auto wheel = [this](WORD keys, short delta) { Send(WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), 0); };
  EXPECT_EQ(Send(SCI_TEXTWIDTH, STYLE_LINENUMBER, "99"), 16);

  wheel(MK_CONTROL, WHEEL_DELTA);
  EXPECT_EQ(Send(SCI_GETZOOM), 1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].code, static_cast<unsigned>(SCN_ZOOM));
  EXPECT_EQ(Send(SCI_TEXTWIDTH, STYLE_LINENUMBER, "99"), 18);

  wheel(0, WHEEL_DELTA);
  EXPECT_EQ(Send(SCI_GETZOOM), 1) << "a plain wheel scrolls";
  wheel(MK_CONTROL, -WHEEL_DELTA);
  EXPECT_EQ(Send(SCI_GETZOOM), 0);
  EXPECT_EQ(notices.size(), 2u);

  for (int notch = 0; notch < 15; ++notch) wheel(MK_CONTROL, -WHEEL_DELTA);
  EXPECT_EQ(Send(SCI_GETZOOM), -10) << "the control's smallest zoom";
  EXPECT_EQ(Send(SCI_TEXTWIDTH, STYLE_LINENUMBER, "99"), 2);
}

TEST_F(EditorStandInTest, RecordsEveryMessageWithThePassedText) {
  Load("find me");
  Send(SCI_STYLESETFONT, 33, "Courier New");
  Send(SCI_TEXTWIDTH, 33, "999");
  Find("me", SCFIND_MATCHCASE, 0, 7);
  Send(SCI_ADDTEXT, 3, "abc");
  EXPECT_EQ(Send(HBXPLUGINMSG_PASSTOEDITOR, 5, 6), 0);

  const std::vector<EditorMessage> messages = standIn_.Messages(editor());
  ASSERT_EQ(messages.size(), 5u);
  EXPECT_EQ(messages[0].message, static_cast<UINT>(SCI_STYLESETFONT));
  EXPECT_EQ(messages[0].wParam, 33u);
  EXPECT_EQ(messages[0].text, "Courier New");
  EXPECT_EQ(messages[1].text, "999");
  EXPECT_EQ(messages[2].message, static_cast<UINT>(SCI_FINDTEXT));
  EXPECT_EQ(messages[2].text, "me");
  EXPECT_EQ(messages[3].wParam, 3u);
  EXPECT_EQ(messages[3].text, "") << "added text is recorded by its length only";
  EXPECT_EQ(messages[4].message, static_cast<UINT>(HBXPLUGINMSG_PASSTOEDITOR));
  EXPECT_EQ(messages[4].lParam, 6);

  EXPECT_EQ(standIn_.Messages(editor(), SCI_TEXTWIDTH).size(), 1u);
  standIn_.ClearMessages(editor());
  EXPECT_TRUE(standIn_.Messages(editor()).empty());
}

}  // namespace
}  // namespace lumen::test
