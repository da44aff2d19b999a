// lumen.dll over the adapter and the real Scintilla 5 control, with the
// configuration we ship: what a user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "DebugOutput.h"
#include "EditorStandIn.h"
#include "HeapCheck.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "config/Loaders.h"
#include "config/Model.h"
#include "abi/HostMessages.h"
#include "base/Handles.h"
#include "resources/resource.h"
#include "viewer/ContextMenu.h"
#include "viewer/Styling.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using namespace sci;
using test::HeapsValid;
using test::IndicatorRanges;
using Ranges = std::vector<std::pair<int, int>>;

constexpr UINT kCharRightRectangleExtend = 2429;

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::string ShippedConfiguration() { return test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"); }

class RealEditor : public ::testing::Test {
 protected:
  RealEditor() : viewer(ShippedConfiguration()) {}

  void Open(const std::string& text, const std::wstring& name) {
    ASSERT_EQ(viewer.OpenText(text, name), 1);
    viewer.Sci(SCI_COLOURISE, 0, -1);
  }
  // Runs painting and idle work, where the real control sends its updates.
  void Settle() {
    InvalidateRect(viewer.editor(), nullptr, FALSE);
    for (int round = 0; round < 5; ++round) {
      UpdateWindow(viewer.editor());
      viewer.Pump();
      Sleep(10);
    }
  }
  // The style at the first byte of `needle` is the configured word style `styleId`
  // with its configured colour.
  void ExpectStyled(const std::string& text, const std::string& needle, int styleId, const std::wstring& extension) {
    SCOPED_TRACE(needle);
    const size_t at = text.find(needle);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, at), styleId);
    const Style style = LoadStyleForExtension(viewer.config().path(), extension);
    for (const WordStyle& w : style.wordStyles) {
      if (w.styleId == styleId && w.fgColor >= 0) {
        EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, styleId), static_cast<LRESULT>(SwapRedBlue(w.fgColor)));
        return;
      }
    }
    ADD_FAILURE() << "the shipped configuration has no colour for style " << styleId;
  }
  std::pair<int, int> Selection() const { return viewer.Selection(); }
  test::ViewerHarness viewer;
};

TEST_F(RealEditor, ColoursCppPythonAndXmlByTheShippedConfiguration) {
  struct Sample {
    const wchar_t* file;
    const wchar_t* extension;
    std::string text;
    int lexer;
    std::vector<std::pair<std::string, int>> styled;  // a piece of text and its style
  };
  const Sample samples[] = {
      {L"main.cpp", L"cpp", "// note\nint main() { return \"text\"[0]; }\n", 3,
       {{"// note", 2}, {"int", 5}, {"return", 5}, {"\"text\"", 6}}},
      {L"tool.py", L"py", "# note\ndef f():\n    return 'text'\n", 2, {{"# note", 1}, {"def", 5}, {"'text'", 4}}},
      {L"data.xml", L"xml", "<root a=\"v\"><!-- note --></root>\n", 5,
       {{"root", 1}, {"a=", 3}, {"\"v\"", 6}, {"<!--", 9}}},
  };
  for (const Sample& sample : samples) {
    Open(sample.text, sample.file);
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), sample.lexer);
    for (const auto& [needle, style] : sample.styled) ExpectStyled(sample.text, needle, style, sample.extension);
  }
}

// An extension several languages share takes the lexer and keywords of the
// one whose content rule the file matches.
TEST_F(RealEditor, ColoursASharedExtensionByTheFilesContent) {
  constexpr int SCLEX_CPP = 3, SCLEX_PERL = 6, SCLEX_VISUALPROLOG = 107;
  constexpr int SCE_C_WORD = 5, SCE_PL_WORD = 5, SCE_VISUALPROLOG_COMMENT_LINE = 5;
  const std::string prolog = "% family\nancestor(X, Y) :- parent(X, Y).\n";
  Open(prolog, L"family.pl");
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), SCLEX_VISUALPROLOG);
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, 0), SCE_VISUALPROLOG_COMMENT_LINE);
  const std::string perl = "# tool\nmy $x = 1;\n";
  Open(perl, L"tool.pl");
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), SCLEX_PERL);
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, perl.find("my")), SCE_PL_WORD);
  const std::string header = "#import <Foundation/Foundation.h>\n@interface Point : NSObject\n@end\n";
  Open(header, L"Point.h");
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), SCLEX_CPP);
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, header.find("interface")), SCE_C_WORD) << "Objective-C's keywords";
}

TEST_F(RealEditor, ShowsAReadOnlyDocumentWithNothingToUndo) {
  Open("first\nsecond\n", L"a.txt");
  Open("other\n", L"b.txt");
  EXPECT_EQ(viewer.Sci(SCI_GETREADONLY), 1);
  EXPECT_EQ(viewer.Sci(SCI_CANUNDO), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETUNDOCOLLECTION), 0) << "no second copy of each file kept for undo";
  viewer.Sci(SCI_SETSEL, 0, 5);
  SendMessageW(viewer.editor(), WM_CHAR, 'x', 0);
  EXPECT_EQ(test::DocumentText(viewer.editor()), "other\n");
}

// A big file is lexed while idle and not wrapped: a jump to its end shows at
// once and is coloured as the idle work gets there; a small one is lexed
// before it shows and wrapped as configured, also after a reload.
TEST(RealEditorWithBigFiles, StylesThemWhileIdleUnwrappedAndTheEndAtOnceWhenJumpedTo) {
  test::ViewerHarness viewer(test::TestConfiguration(true, true));
  std::string big;
  while (big.size() <= kLargestSmallDocument) big += "int value = 42; // a comment\n";
  const auto open = [&](const std::string& text, const wchar_t* name) { ASSERT_EQ(viewer.OpenText(text, name), 1); };
  open(big, L"big.c");
  EXPECT_EQ(viewer.Sci(SCI_GETIDLESTYLING), SC_IDLESTYLING_TOVISIBLE) << "while it loads, what is shown";
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_EQ(viewer.Sci(SCI_GETIDLESTYLING), SC_IDLESTYLING_ALL);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE);
  viewer.Sci(SCI_DOCUMENTEND);
  const auto last = static_cast<LPARAM>(big.size() - 10);  // inside the last comment
  for (int round = 0; round < 500 && viewer.Sci(SCI_GETSTYLEAT, last) != 2; ++round) {
    RedrawWindow(viewer.editor(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    viewer.Pump();
    Sleep(10);
  }
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, last), 2) << "the control's idle work colours the end";
  viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE) << "a reload keeps a big file unwrapped";
  open("int x;\n", L"small.c");
  EXPECT_EQ(viewer.Sci(SCI_GETIDLESTYLING), SC_IDLESTYLING_NONE);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_WORD);
}

TEST_F(RealEditor, SearchesAndStepsThroughMatches) {
  Open("int a; int b; int c;\n", L"a.c");
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"int");
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 3}, {7, 10}, {14, 17}}));
  EXPECT_EQ(Selection(), std::make_pair(0, 3));
  viewer.PressKey(VK_F3);
  EXPECT_EQ(Selection(), std::make_pair(7, 10));
  viewer.PressKey(VK_F3, false, true);
  viewer.PressKey(VK_F3, false, true);
  EXPECT_EQ(Selection(), std::make_pair(14, 17));
}

TEST_F(RealEditor, HighlightsTheSelectedWordOnTheControlsOwnUpdates) {
  Open("alpha beta alpha alphas\n", L"a.txt");
  Settle();
  viewer.Sci(SCI_SETSEL, 0, 5);
  Settle();
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 5}, {11, 16}}));
  viewer.Sci(SCI_SETSEL, 1, 3);
  Settle();
  EXPECT_TRUE(IndicatorRanges(viewer.editor()).empty());
}

TEST_F(RealEditor, ZoomsWrapsSizesTheMarginAndCopies) {
  Open("one\ntwo\nthree\n", L"a.txt");
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE) << "as shipped";
  const LRESULT margin = viewer.Sci(SCI_GETMARGINWIDTHN, 0);
  EXPECT_GT(margin, 0);
  viewer.ClearNotifications();
  viewer.Send(HBXPLUGINMSG_SETZOOMLEVEL, 200);
  Settle();
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_QUERYZOOM), 200);
  viewer.Send(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(50, 50));
  Settle();
  ASSERT_FALSE(viewer.notifications().empty());
  EXPECT_EQ(viewer.notifications().back().code, -2003);
  EXPECT_EQ(viewer.notifications().back().value, static_cast<uint32_t>(viewer.Send(HBXPLUGINMSG_QUERYZOOM)));
  EXPECT_GT(viewer.Sci(SCI_GETMARGINWIDTHN, 0), margin) << "bigger digits, wider margin";

  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_COPYTEXT), 1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_STREQ(copied, L"one\ntwo\nthree\n");
  GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
  CloseClipboard();
  EXPECT_EQ(Selection(), std::make_pair(0, 0));
}

// Style and keyword-set numbers come from a file the user edits, and the
// control indexes its tables with them unchecked: a negative style number or
// keyword set would write outside them in the host's process.
TEST(RealEditorWithAnEditedConfiguration, ShowsFilesWhateverStyleAndKeywordNumbersItHolds) {
  test::ViewerHarness viewer(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"><WordStyles>
      <WordStyle name="negative" styleID="-1" fgColor="FF0000"/>
      <WordStyle name="beyond the table" styleID="300" fgColor="00FF00" fontSize="12"/>
      <WordStyle name="far beyond" styleID="2000000000" bgColor="0000FF"/>
      <WordStyle name="keywords" styleID="5" fgColor="0000FF"><Keywords id="4294967294">int</Keywords></WordStyle>
      <WordStyle name="more keywords" styleID="16"><Keywords id="9">char</Keywords></WordStyle>
      <WordStyle name="fine" styleID="2" fgColor="008000"><Keywords id="1">size_t</Keywords></WordStyle>
    </WordStyles></Style>)"));
  ASSERT_EQ(viewer.OpenText("int x; // c\n", L"a.c"), 1);
  EXPECT_EQ(test::DocumentText(viewer.editor()), "int x; // c\n");
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 2), 0x008000) << "the sound entries still apply";
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_RELOADSETTINGS), 0) << "and so does a reload";
}

// The text of a rectangle or of several selections holds every piece with a
// line end after each: searching and the word highlight take the main piece,
// and nothing is written beyond a buffer sized for one.
TEST_F(RealEditor, SearchesAndHighlightsTheMainPieceOfARectangleOrSeveralSelections) {
  std::string column;
  for (int line = 0; line < 5000; ++line) column += "a\n";
  Open(column, L"a.txt");
  viewer.Sci(SCI_SETRECTANGULARSELECTIONANCHOR, 0);
  viewer.Sci(SCI_SETRECTANGULARSELECTIONCARET, 4999 * 2 + 1);
  ASSERT_EQ(viewer.Sci(SCI_SELECTIONISRECTANGLE), 1);
  viewer.PressKey(VK_F3, true);
  EXPECT_TRUE(HeapsValid());
  EXPECT_EQ(WindowText(viewer.searchEdit()), L"a");
  EXPECT_EQ(Selection(), std::make_pair(0, 1)) << "the match after the caret's piece, wrapping";

  SendMessageW(GetDlgItem(viewer.panel(), 4), BM_CLICK, 0, 0);  // Cancel: the selection highlight is back
  Open("alpha beta alpha\nalpha x\n", L"b.txt");
  Settle();
  viewer.Sci(SCI_GOTOPOS, 0);
  for (int step = 0; step < 5; ++step) viewer.Sci(kCharRightRectangleExtend);  // Alt+Shift+Right, as a user does
  Settle();
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 5}, {11, 16}, {17, 22}}));

  viewer.Sci(SCI_SETMULTIPLESELECTION, 1);
  viewer.Sci(SCI_SETSEL, 6, 10);
  viewer.Sci(SCI_ADDSELECTION, 16, 11);  // the main one: the second "alpha"
  viewer.PressKey(VK_F3, true);
  EXPECT_TRUE(HeapsValid());
  EXPECT_EQ(WindowText(viewer.searchEdit()), L"alpha");
  EXPECT_EQ(Selection(), std::make_pair(17, 22));
}

// Each mark of a search would make the control notify a modification, and
// the viewer trace each notification: thousands of marks froze the host.
TEST_F(RealEditor, MarksThousandsOfMatchesWithoutANotificationForEach) {
  const std::string line(1000, 'e');
  Open(line + "\n" + line + "\n" + line, L"a.txt");
  EXPECT_EQ(viewer.Sci(SCI_GETMODEVENTMASK), SC_MOD_NONE);
  viewer.Send(WM_COMMAND, IDM_FIND);
  const test::DebugOutput output;
  viewer.TypeSearchText(L"e");
  Settle();
  EXPECT_EQ(IndicatorRanges(viewer.editor()), (Ranges{{0, 1000}, {1001, 2001}, {2002, 3002}}));
  EXPECT_LT(output.calls().size(), 100u);
}

std::string ClipboardBytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (const HANDLE data = GetClipboardData(format)) {
    if (const auto* text = static_cast<const char*>(GlobalLock(data))) {
      bytes.assign(text, strnlen(text, GlobalSize(data)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return bytes;
}

// Ctrl+Shift+C: the plain text as Copy gives it, the same in the colours
// shown as HTML and RTF; an empty selection copies nothing.
TEST_F(RealEditor, CopiesTheSelectionWithItsColours) {
  const std::string text = "int x = 1; // caf\xC3\xA9 <b>\r\n\treturn x;\r\n";
  Open(text, L"a.cpp");
  const auto copy = [&] { viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_COPY_WITH_COLOURS, 1)); };
  viewer.Sci(SCI_SETSEL, 0, static_cast<LPARAM>(text.size()));
  copy();
  wchar_t plain[64] = {};
  ASSERT_TRUE(OpenClipboard(nullptr));
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    wcsncpy(plain, static_cast<const wchar_t*>(GlobalLock(data)), 63);
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(test::ToUtf8(plain), text);
  const std::string html = ClipboardBytes(RegisterClipboardFormatW(L"HTML Format"));
  char keyword[64];
  const auto blue = static_cast<COLORREF>(viewer.Sci(SCI_STYLEGETFORE, viewer.Sci(SCI_GETSTYLEAT, 0)));
  std::snprintf(keyword, sizeof keyword, "color:#%02x%02x%02x", GetRValue(blue), GetGValue(blue), GetBValue(blue));
  EXPECT_NE(html.find(std::string("<span style=\"") + keyword), std::string::npos) << html;
  EXPECT_NE(html.find("caf\xC3\xA9 &lt;b&gt;"), std::string::npos);
  EXPECT_EQ(ClipboardBytes(RegisterClipboardFormatW(L"Rich Text Format")).rfind("{\\rtf1", 0), 0u);

  viewer.Sci(SCI_SETEMPTYSELECTION, 4);
  copy();
  EXPECT_NE(ClipboardBytes(RegisterClipboardFormatW(L"HTML Format")).find("caf"), std::string::npos)
      << "an empty selection leaves the clipboard as it was";

  // Beyond 128 KB nothing is copied, and the panel says why.
  Open(std::string(200 << 10, 'x'), L"big.cpp");
  viewer.Sci(SCI_SELECTALL);
  copy();
  EXPECT_NE(ClipboardBytes(RegisterClipboardFormatW(L"HTML Format")).find("caf"), std::string::npos);
  EXPECT_EQ(WindowText(GetDlgItem(viewer.panel(), 7)), L"Not copied: at most 128 KB with colours");
}

// The menu of a right click: its entries with their keys and states, read
// while it is open; the toggles change the control and outlast a reload of
// the settings.
TEST_F(RealEditor, ShowsTheContextMenuWithTheViewersCommandsAndTheirStates) {
  Open("int x;\n\tx = 1;\n", L"a.cpp");
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_SHOW_WHITESPACE, 1));
  viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
  EXPECT_EQ(viewer.Sci(SCI_GETVIEWWS), SCWS_VISIBLEALWAYS);
  EXPECT_EQ(viewer.Sci(SCI_GETVIEWEOL), 1);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_INDENTATION_GUIDES, 1));
  EXPECT_EQ(viewer.Sci(SCI_GETINDENTATIONGUIDES), SC_IV_LOOKBOTH);
  const LRESULT wrap = viewer.Sci(SCI_GETWRAPMODE);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_WRAP_LINES, 1));
  EXPECT_NE(viewer.Sci(SCI_GETWRAPMODE), wrap);
  viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
  EXPECT_NE(viewer.Sci(SCI_GETWRAPMODE), wrap) << "the toggle holds over the configuration";

  // While the menu is open, a timer reads its entries and closes it.
  static std::vector<std::wstring> entries;
  entries.clear();
  const UINT_PTR reader = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    const HWND popup = FindWindowW(L"#32768", nullptr);
    const auto menu = popup ? reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
    if (!menu) return;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[80] = {};
      GetMenuStringW(menu, i, text, 80, MF_BYPOSITION);
      // A submenu's entry holds the count of its entries in its high byte.
      UINT state = GetMenuState(menu, i, MF_BYPOSITION);
      if (state & MF_POPUP) state &= 0xFF;
      if (state & MF_SEPARATOR) {
        entries.push_back(L"-");
        continue;
      }
      entries.push_back(std::wstring(text) + (state & MF_CHECKED ? L" [x]" : L"") + (state & MF_GRAYED ? L" [grey]" : L""));
    }
    EndMenu();
  });
  viewer.Sci(SCI_SETEMPTYSELECTION, 0);
  RECT place;
  GetWindowRect(viewer.editor(), &place);
  SendMessageW(viewer.editor(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(viewer.editor()),
               MAKELPARAM(place.left + 20, place.top + 20));
  KillTimer(nullptr, reader);
  const std::vector<std::wstring> expected = {
      L"&Copy\tCtrl+C [grey]", L"Copy with co&lours\tCtrl+Shift+C [grey]", L"Select &all\tCtrl+A", L"-",
      L"&Find...\tCtrl+F", L"Find &next\tF3", L"Find &previous\tShift+F3", L"&Go to line...\tCtrl+G",
      L"Show only matching lines\tCtrl+Shift+F [grey]", L"Hide matching lines\tCtrl+Shift+H [grey]", L"&Highlight", L"Clear highligh&ts [grey]", L"-", L"Toggle &bookmark\tCtrl+F2", L"Next boo&kmark\tF2 [grey]",
      L"Bookmark matching li&nes [grey]", L"Cop&y bookmarked lines [grey]", L"Clear book&marks [grey]", L"-",
      std::wstring(L"&Wrap lines\tCtrl+Shift+W") + (wrap == SC_WRAP_NONE ? L" [x]" : L""),
      L"Show white&space and line ends\tCtrl+Shift+8 [x]", L"Show in&dentation guides\tCtrl+Shift+I [x]",
      L"Fold a&ll\tAlt+0 [grey]", L"&Unfold all\tAlt+Shift+0 [grey]", L"Forma&t\tCtrl+Shift+J [grey]", L"-", L"&Encoding",
      L"F&ollow changes\tCtrl+Shift+L [x]", L"-",
      L"Zoom &in\tCtrl+Num +", L"Zoom &out\tCtrl+Num -", L"&Reset zoom\tCtrl+Num /"};
  EXPECT_EQ(entries, expected);
}

// The Encoding entry reads the file again at once in the encoding chosen,
// keeping the caret's line and the search; the choice lasts for that file.
TEST(RealEditorWithEncodings, ReadsTheFileAgainInTheChosenEncodingWithCaretAndSearch) {
  test::ViewerHarness viewer(test::TestConfiguration(true, true));
  const auto choose = [&](std::optional<EncodingChoice> choice) {
    const std::vector<EncodingOption>& options = EncodingOptions();
    const auto at = std::find_if(options.begin(), options.end(), [&](const auto& o) { return o.choice == choice; });
    ASSERT_NE(at, options.end());
    viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_ENCODING_FIRST + (at - options.begin()), 1));
  };
  const EncodingChoice koi8r{Encoding::Ansi, 20866};
  // "Privet" in Windows-1251, which KOI8-R reads as other letters.
  std::string line = "// \xCF\xF0\xE8\xE2\xE5\xF2 world\n", small, big;
  for (int i = 0; i < 60; ++i) small += line;
  while (big.size() <= kLargestSmallDocument) big += line;
  for (const std::string* text : {&small, &big}) {
    SCOPED_TRACE(text->size());
    ASSERT_EQ(viewer.OpenText(*text, L"greeting.c"), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_EQ(viewer.Description().substr(0, 14), L"Windows-1251, ");
    if (text == &small) viewer.Send(WM_COMMAND, IDM_FIND);  // the panel stays for the big file
    viewer.TypeSearchText(L"world");
    viewer.Sci(SCI_GOTOLINE, 50);
    const size_t marks = IndicatorRanges(viewer.editor()).size();
    choose(koi8r);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_EQ(viewer.Sci(SCI_LINEFROMPOSITION, viewer.Sci(SCI_GETCURRENTPOS)), 50);
    EXPECT_EQ(viewer.Description().substr(0, 17), L"KOI8-R (chosen), ");
    // The search goes on in the text read anew: marked (a big file about the
    // view, in the viewer's turns), and F3 steps to a match.
    for (int round = 0; round < 300 && IndicatorRanges(viewer.editor()).empty(); ++round) {
      viewer.Pump();
      Sleep(10);
    }
    if (text == &small) {
      EXPECT_EQ(IndicatorRanges(viewer.editor()).size(), marks);
    }
    EXPECT_FALSE(IndicatorRanges(viewer.editor()).empty());
    viewer.PressKey(VK_F3);
    const auto [start, end] = viewer.Selection();
    EXPECT_EQ(end - start, 5);
    EXPECT_EQ(viewer.Sci(SCI_GETCHARAT, start), 'w');
    viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
    ASSERT_EQ(viewer.OpenFile(viewer.FilePath(L"greeting.c")), 1);
    EXPECT_EQ(viewer.Description().substr(0, 17), L"KOI8-R (chosen), ") << "the same file keeps the choice";
    choose(std::nullopt);
    EXPECT_EQ(viewer.Description().substr(0, 14), L"Windows-1251, ");
    choose(koi8r);
    ASSERT_EQ(viewer.OpenText("int x;\n", L"other.c"), 1);
    EXPECT_EQ(viewer.Description().substr(0, 7), L"UTF-8, ") << "the next file starts detected";
  }
  // A stream shown whole is read again from the bytes kept of it.
  test::TestStream stream(small);
  ASSERT_EQ(viewer.OpenStream(L"greeting.c", &stream), 1);
  choose(koi8r);
  EXPECT_EQ(viewer.Description().substr(0, 17), L"KOI8-R (chosen), ");
}

// A log that a writer keeps open and appends to is followed: lines appear,
// the view stays at the end or where the user is, a split character is
// completed; pausing stops it; truncation, rotation and deletion are shown.
TEST(RealEditorFollowing, FollowsALogThatAWriterKeepsOpen) {
  test::ViewerHarness viewer(test::TestConfiguration(true, false));
  const std::wstring path = viewer.FilePath(L"app.log");
  const auto openWriter = [&](DWORD disposition) {
    return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  UniqueHandle writer = openWriter(CREATE_ALWAYS);
  const auto write = [&](const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  };
  const auto text = [&] { return test::DocumentText(viewer.editor()); };
  const auto settle = [&] {
    for (int round = 0; round < 30; ++round) {
      viewer.Pump();
      Sleep(10);
    }
  };
  const auto waitFor = [&](const std::function<bool()>& done) {
    for (int round = 0; round < 200 && !done(); ++round) {
      viewer.Pump();
      Sleep(10);
    }
    return done();
  };
  write("line 0\n");
  ASSERT_EQ(viewer.OpenFile(path), 1);
  viewer.Sci(SCI_DOCUMENTEND);
  std::string expected = "line 0\n";
  for (int line = 1; line <= 50; ++line) {  // about ten a second, the writer holding the file
    const std::string added = "line " + std::to_string(line) + " of the log, written while it is shown\n";
    write(added);
    expected += added;
    EXPECT_TRUE(waitFor([&] { return text() == expected; })) << line;
  }
  const auto caretLine = [&] { return viewer.Sci(SCI_LINEFROMPOSITION, viewer.Sci(SCI_GETCURRENTPOS)); };
  EXPECT_EQ(caretLine(), viewer.Sci(SCI_GETLINECOUNT) - 1) << "the view stays at the end";
  // The search's count takes in the lines that come.
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"written while");
  const auto count = [&] { return WindowText(GetDlgItem(GetParent(viewer.searchEdit()), 7)); };
  EXPECT_TRUE(waitFor([&] { return count().ends_with(L" 50"); })) << test::ToUtf8(count());
  write("one more line written while shown\n");
  expected += "one more line written while shown\n";
  EXPECT_TRUE(waitFor([&] { return count().ends_with(L" 51"); })) << test::ToUtf8(count());
  viewer.Send(WM_COMMAND, IDM_FIND);
  // Scrolled up, the user stays where they are.
  viewer.Sci(SCI_GOTOPOS, 0);
  write("more\n");
  expected += "more\n";
  EXPECT_TRUE(waitFor([&] { return text() == expected; }));
  EXPECT_EQ(viewer.Sci(SCI_GETCURRENTPOS), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETFIRSTVISIBLELINE), 0);
  // A character written in two pieces.
  write("price \xE2\x82");
  settle();
  write("\xAC\n");
  expected += "price \xE2\x82\xAC\n";
  EXPECT_TRUE(waitFor([&] { return text() == expected; }));
  // Paused, nothing comes; resumed, all of it.
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FOLLOW_CHANGES, 1));
  write("while paused\n");
  settle();
  EXPECT_EQ(text(), expected);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FOLLOW_CHANGES, 1));
  expected += "while paused\n";
  EXPECT_TRUE(waitFor([&] { return text() == expected; }));
  // Truncated: shown again from its start.
  writer = openWriter(CREATE_ALWAYS);
  write("started over\n");
  EXPECT_TRUE(waitFor([&] { return text() == "started over\n"; }));
  // Rotated: renamed away and created anew under the same name.
  writer.reset();
  ASSERT_TRUE(MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING));
  writer = openWriter(CREATE_NEW);
  write("rotated\n");
  EXPECT_TRUE(waitFor([&] { return text() == "rotated\n"; }));
  // Deleted: it stays shown, and the description says it is gone.
  writer.reset();
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_TRUE(waitFor([&] { return viewer.Description().ends_with(L", deleted"); }));
  EXPECT_EQ(text(), "rotated\n");
  // UTF-16: a unit written a byte at a time.
  writer = openWriter(CREATE_NEW);
  write(std::string("\xFF\xFEo\0k\0\n\0", 8));
  ASSERT_EQ(viewer.OpenFile(path), 1);
  write(std::string("\xAC", 1));  // the low byte of the euro sign
  settle();
  write(std::string("\x20\n\0", 3));
  EXPECT_TRUE(waitFor([&] { return text() == "\xEF\xBB\xBFok\n\xE2\x82\xAC\n"; }));
  // A big file that grows while it still loads: the growth follows the load.
  writer = openWriter(CREATE_ALWAYS);
  std::string big;
  while (big.size() <= kLargestSmallDocument) big += "a line of a big log\n";
  write(big);
  ASSERT_EQ(viewer.OpenFile(path), 1);
  write("grown while loading\n");
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_TRUE(waitFor([&] { return viewer.Sci(SCI_GETLENGTH) == static_cast<LRESULT>(big.size() + 20); }));
  // A big file rotated while it loads, the new one longer: the file that was
  // read is the one followed, and it is seen to be another.
  writer = openWriter(CREATE_ALWAYS);
  write(big);
  writer.reset();
  ASSERT_EQ(viewer.OpenFile(path), 1);
  ASSERT_TRUE(MoveFileExW(path.c_str(), (path + L".2").c_str(), MOVEFILE_REPLACE_EXISTING));
  writer = openWriter(CREATE_NEW);
  std::string rotated;
  while (rotated.size() <= big.size()) rotated += "a line of the log that came after it\n";
  write(rotated);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_TRUE(waitFor([&] { return text() == rotated; }));
}

// The configuration gives the toggles' starting values; without them the
// view is as it always was. Folding folds the blocks the lexer marks.
TEST(RealEditorWithAnEditedConfiguration, StartsTheViewsTogglesAsConfiguredAndFoldsWhatTheLexerMarks) {
  std::string configuration = test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"/>)");
  const std::string code = "int main() {\n  if (x) {\n    y();\n  }\n}\n";
  {
    test::ViewerHarness viewer(configuration);
    ASSERT_EQ(viewer.OpenText(code, L"a.c"), 1);
    EXPECT_EQ(viewer.Sci(SCI_GETVIEWWS), SCWS_INVISIBLE);
    EXPECT_EQ(viewer.Sci(SCI_GETINDENTATIONGUIDES), SC_IV_NONE);
    EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 2), 0) << "no fold margin";
  }
  configuration.replace(configuration.find("<Styles>"), 0,
                        "<ShowWhitespace Enabled=\"yes\"/><IndentationGuides Enabled=\"yes\"/><Folding Enabled=\"yes\"/>");
  test::ViewerHarness viewer(configuration);
  ASSERT_EQ(viewer.OpenText(code, L"a.c"), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETVIEWWS), SCWS_VISIBLEALWAYS);
  EXPECT_EQ(viewer.Sci(SCI_GETVIEWEOL), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETINDENTATIONGUIDES), SC_IV_LOOKBOTH);
  EXPECT_GT(viewer.Sci(SCI_GETMARGINWIDTHN, 2), 0);
  viewer.Sci(SCI_COLOURISE, 0, -1);
  EXPECT_NE(viewer.Sci(SCI_GETFOLDLEVEL, 0) & SC_FOLDLEVELHEADERFLAG, 0) << "the function's block";
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FOLD_ALL, 1));
  EXPECT_EQ(viewer.Sci(SCI_GETLINEVISIBLE, 2), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETLINEVISIBLE, 0), 1);
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDA_UNFOLD_ALL, 1));
  EXPECT_EQ(viewer.Sci(SCI_GETLINEVISIBLE, 2), 1);
  // So with the configuration we ship.
  std::string shipped = ShippedConfiguration();
  shipped.replace(shipped.find("<LineWrapping"), 0, "<Folding Enabled=\"yes\"/>");
  test::ViewerHarness shippedViewer(shipped);
  ASSERT_EQ(shippedViewer.OpenText(code, L"a.c"), 1);
  EXPECT_GT(shippedViewer.Sci(SCI_GETMARGINWIDTHN, 2), 0);
  shippedViewer.Sci(SCI_COLOURISE, 0, -1);
  EXPECT_NE(shippedViewer.Sci(SCI_GETFOLDLEVEL, 0) & SC_FOLDLEVELHEADERFLAG, 0);
  shippedViewer.Send(WM_COMMAND, MAKEWPARAM(IDA_FOLD_ALL, 1));
  EXPECT_EQ(shippedViewer.Sci(SCI_GETLINEVISIBLE, 2), 0);
}

// The document is UTF-8, and the control compares keywords with its bytes and
// reads font names as UTF-8.
TEST(RealEditorWithAnEditedConfiguration, ColoursNonAsciiKeywordsAndFindsNonAsciiFontNames) {
  test::ViewerHarness viewer(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"><WordStyles>
      <WordStyle name="Default" styleID="32" fontName="Schrift Größe"/>
      <WordStyle name="Keyword" styleID="5" fgColor="0000FF"><Keywords id="0">größe int</Keywords></WordStyle>
    </WordStyles></Style>)"));
  const std::string text = "gr\xC3\xB6\xC3\x9F" "e = 1;\n";
  ASSERT_EQ(viewer.OpenText(text, L"a.c"), 1);
  viewer.Sci(SCI_COLOURISE, 0, -1);
  EXPECT_EQ(viewer.Sci(SCI_GETSTYLEAT, 0), 5);
  char font[64] = {};
  viewer.Sci(SCI_STYLEGETFONT, 32, reinterpret_cast<LPARAM>(font));
  EXPECT_STREQ(font, "Schrift Gr\xC3\xB6\xC3\x9F" "e");
}

}  // namespace
}  // namespace lumen
