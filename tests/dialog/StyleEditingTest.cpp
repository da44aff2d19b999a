// Editing word styles, extensions and the Misc values in the dialog of
// lumen.dll, read back from the file that OK writes.
#include "DialogFixture.h"
#include "dialog/StyleValues.h"

namespace lumen {
namespace {

using test::ConfirmColour;
using test::LiveDialog;
using test::ModalAnswerer;
using test::OpenDialog;

// Indices into the test configuration.
constexpr int kC = 0, kPython = 1, kText = 2;
constexpr int kDefault = 0, kComment = 1, kKeyword = 2;

// The colour a colour button draws, rendered into a bitmap of our own.
COLORREF DrawnColour(const OpenDialog& dialog, DialogControl button) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(dialog[button]));
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = dialog[button];
  item.hDC = dc;
  item.rcItem = {0, 0, 20, 20};
  SendMessageW(dialog.handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
  const COLORREF colour = GetPixel(dc, 10, 10);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return colour;
}

// The colour on screen in the middle of a control.
COLORREF ShownColour(HWND control) {
  RECT bounds;
  GetClientRect(control, &bounds);
  HDC dc = GetDC(control);
  const COLORREF colour = GetPixel(dc, bounds.right / 2, bounds.bottom / 2);
  ReleaseDC(control, dc);
  return colour;
}

const WordStyle& StyleOf(const Configuration& c, int language, int wordStyle) {
  return c.styles.at(language).wordStyles.at(wordStyle);
}

TEST_F(LiveDialog, AFontThatIsNotInstalledIsOfferedAsAnExtraLastEntryAndKept) {
  OpenDialog dialog = Open();
  const std::vector<std::wstring>& installed = FontFaceNames();
  ASSERT_FALSE(installed.empty());
  ASSERT_EQ(dialog.Count(kFontNameCombo), static_cast<int>(installed.size()) + 2);
  EXPECT_EQ(dialog.Entry(kFontNameCombo, 0), L"");
  for (size_t index = 0; index < installed.size(); ++index) {
    EXPECT_EQ(dialog.Entry(kFontNameCombo, static_cast<int>(index) + 1), installed[index]);
  }
  const int extra = dialog.Count(kFontNameCombo) - 1;
  EXPECT_EQ(dialog.Entry(kFontNameCombo, extra), L"No Such Font 42");
  EXPECT_EQ(dialog.Selection(kFontNameCombo), extra);

  dialog.Choose(kFontNameCombo, 1);
  dialog.Choose(kFontNameCombo, extra);
  dialog.Choose(kStyleCombo, kComment);
  EXPECT_EQ(dialog.Count(kFontNameCombo), static_cast<int>(installed.size()) + 1) << "no extra entry without a font";
  EXPECT_EQ(dialog.Selection(kFontNameCombo), 0);
  dialog.Choose(kStyleCombo, kDefault);
  EXPECT_EQ(dialog.SelectedEntry(kFontNameCombo), L"No Such Font 42");
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  EXPECT_EQ(StyleOf(Saved(), kC, kDefault).fontName, L"No Such Font 42");
}

TEST_F(LiveDialog, AnInstalledFontIsSelectedInTheList) {
  const std::wstring font = FontFaceNames().back();
  config.Write(test::ConfigWithStyles("<Style ext=\"c\" lexer=\"3\" name=\"C\"><WordStyles><WordStyle name=\"D\" styleID=\"0\" fontName=\"" +
                                      test::ToUtf8(font) + "\"/></WordStyles></Style>"));
  OpenDialog dialog = Open();
  EXPECT_EQ(dialog.Count(kFontNameCombo), static_cast<int>(FontFaceNames().size()) + 1);
  EXPECT_EQ(dialog.Selection(kFontNameCombo), dialog.Count(kFontNameCombo) - 1);
  EXPECT_EQ(dialog.SelectedEntry(kFontNameCombo), font);
}

TEST_F(LiveDialog, ShowsFontSizesFromTheFixedListAndAnOddSizeAsEntry17) {
  OpenDialog dialog = Open();
  ASSERT_EQ(dialog.Count(kFontSizeCombo), 18);
  for (int index = 0; index < 17; ++index) EXPECT_EQ(dialog.Entry(kFontSizeCombo, index), kFontSizes[index]);
  EXPECT_EQ(dialog.Entry(kFontSizeCombo, 17), L"13");
  EXPECT_EQ(dialog.Selection(kFontSizeCombo), 17);
  dialog.Choose(kStyleCombo, kComment);
  EXPECT_EQ(dialog.Count(kFontSizeCombo), 17);
  EXPECT_EQ(dialog.Selection(kFontSizeCombo), 0) << "a size not set";
  dialog.Choose(kStyleCombo, kKeyword);
  EXPECT_EQ(dialog.SelectedEntry(kFontSizeCombo), L"10");
}

TEST_F(LiveDialog, StoresTheChosenSizeAndFontOrNoneForTheEmptyEntries) {
  OpenDialog dialog = Open();
  dialog.Choose(kFontNameCombo, 0);
  dialog.Choose(kFontSizeCombo, 0);
  dialog.Choose(kStyleCombo, kComment);
  dialog.Choose(kFontSizeCombo, 4);
  ASSERT_EQ(dialog.SelectedEntry(kFontSizeCombo), L"8");
  dialog.Choose(kFontNameCombo, 1);
  const std::wstring firstFont = dialog.SelectedEntry(kFontNameCombo);
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  const Configuration saved = Saved();
  EXPECT_EQ(StyleOf(saved, kC, kDefault).fontName, L"");
  EXPECT_EQ(StyleOf(saved, kC, kDefault).fontSize, -1);
  EXPECT_EQ(StyleOf(saved, kC, kComment).fontSize, 8);
  EXPECT_EQ(StyleOf(saved, kC, kComment).fontName, firstFont);
}

TEST_F(LiveDialog, EditsOfAStyleSurviveSwitchingStylesAndCancelDiscardsThem) {
  const std::string before = config.Read();
  OpenDialog dialog = Open();
  EXPECT_FALSE(dialog.Checked(kBoldCheck));
  dialog.SetChecked(kBoldCheck, true);
  dialog.SetChecked(kUnderlineCheck, true);
  dialog.Choose(kStyleCombo, kComment);
  EXPECT_FALSE(dialog.Checked(kBoldCheck));
  EXPECT_TRUE(dialog.Checked(kItalicCheck));
  EXPECT_FALSE(dialog.Checked(kUnderlineCheck));
  dialog.Choose(kStyleCombo, kDefault);
  EXPECT_TRUE(dialog.Checked(kBoldCheck));
  EXPECT_FALSE(dialog.Checked(kItalicCheck));
  EXPECT_TRUE(dialog.Checked(kUnderlineCheck));
  dialog.Choose(kLanguageCombo, kPython);
  EXPECT_TRUE(dialog.Checked(kUnderlineCheck)) << "Python's own";
  dialog.Choose(kLanguageCombo, kC);
  EXPECT_TRUE(dialog.Checked(kBoldCheck)) << "kept over a change of language";
  EXPECT_TRUE(dialog.ClickAndRun(kCancelButton));
  EXPECT_EQ(config.Read(), before);
}

TEST_F(LiveDialog, KeepsTheExtensionsNamesAndContentRuleTypedForALanguageButNeverAnEmptyExtensionList) {
  OpenDialog dialog = Open();
  EXPECT_EQ(dialog.Text(kExtensionsEdit), L"c h");
  EXPECT_EQ(dialog.Text(kNamesEdit), L"");
  dialog.Type(kExtensionsEdit, L"c h\r\ncc");
  dialog.Type(kNamesEdit, L"Makefile *.mk");
  dialog.Type(kContentEdit, L"^#include <stdio\\.h>");
  dialog.Choose(kLanguageCombo, kPython);
  EXPECT_EQ(dialog.Text(kContentEdit), L"");
  EXPECT_EQ(dialog.Text(kNamesEdit), L"SConstruct");
  dialog.Type(kNamesEdit, L"");
  EXPECT_EQ(dialog.Text(kExtensionsEdit), L"py pyw");
  dialog.Type(kExtensionsEdit, L"");
  dialog.Choose(kLanguageCombo, kC);
  EXPECT_EQ(dialog.Text(kExtensionsEdit), L"c h\r\ncc");
  dialog.Choose(kLanguageCombo, kPython);
  EXPECT_EQ(dialog.Text(kExtensionsEdit), L"py pyw");
  dialog.Type(kExtensionsEdit, L"py");
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton)) << "OK stores the language shown";
  const Configuration saved = Saved();
  EXPECT_EQ(saved.styles[kC].extensions, L"c h\r\ncc");
  EXPECT_EQ(saved.styles[kPython].extensions, L"py");
  EXPECT_EQ(saved.styles[kC].names, L"Makefile *.mk");
  EXPECT_EQ(saved.styles[kPython].names, L"") << "names, unlike extensions, may be emptied";
  EXPECT_EQ(saved.styles[kPython].aliases, L"python py") << "aliases are kept as the file has them";
  EXPECT_EQ(saved.styles[kC].content, L"^#include <stdio\\.h>");
  EXPECT_EQ(saved.styles[kPython].content, L"");
  EXPECT_EQ(LoadExtensions(config.path()), (std::vector<std::wstring>{L"c", L"h", L"cc", L"py", L"txt"}))
      << "each line typed is an extension of its own";
}

TEST_F(LiveDialog, StoresATypedAlphaUpTo999WhileTheArrowsStopAt255) {
  OpenDialog dialog = Open();
  dialog.Type(kTransparencyEdit, L"300");
  dialog.Type(kOutlineEdit, L"250");
  for (int press = 0; press < 10; ++press) SendMessageW(dialog[kOutlineEdit], WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(dialog.Text(kOutlineEdit), L"255");
  dialog.SetChecked(kLineWrappingCheck, true);
  dialog.SetChecked(kLineNumberingCheck, false);
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  const Configuration saved = Saved();
  EXPECT_EQ(saved.highlight.foregroundAlpha, 300u);
  EXPECT_EQ(saved.highlight.outlineAlpha, 255u);
  EXPECT_TRUE(saved.lineWrapping);
  EXPECT_FALSE(saved.lineNumbering);
  EXPECT_EQ(saved.tabWidth, 4u) << "values without a control stay";
  EXPECT_TRUE(saved.searchSync);
}

TEST_F(LiveDialog, AnEmptyAlphaEditKeepsItsValue) {
  OpenDialog dialog = Open();
  dialog.Type(kTransparencyEdit, L"");
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  EXPECT_EQ(Saved().highlight.foregroundAlpha, 0x50u);
}

TEST_F(LiveDialog, RefusesOkForAnAlphaThatIsNoNumberOfThreeDigits) {
  const std::string before = config.Read();
  OpenDialog dialog = Open();
  ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDOK); });
  for (const wchar_t* typed : {L"12a", L"-5", L"1234", L" 7"}) {
    dialog.Type(kTransparencyEdit, typed);  // as a paste would, past the digits-only filter
    EXPECT_FALSE(dialog.ClickAndRun(kOkButton)) << "the dialog stays open";
  }
  dialog.Type(kTransparencyEdit, L"77");
  dialog.Type(kOutlineEdit, L"x");
  EXPECT_FALSE(dialog.ClickAndRun(kOkButton));
  ASSERT_EQ(answerer.texts().size(), 5u);
  EXPECT_EQ(answerer.texts()[0], L"Transparency: \"12a\" is not a number of up to three digits.");
  EXPECT_EQ(answerer.texts()[4], L"Outline: \"x\" is not a number of up to three digits.");
  EXPECT_EQ(GetFocus(), dialog[kOutlineEdit]);
  EXPECT_EQ(config.Read(), before);
  EXPECT_TRUE(host.reloads().empty());

  dialog.Type(kOutlineEdit, L"9");
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  EXPECT_EQ(Saved().highlight.foregroundAlpha, 77u);
  EXPECT_EQ(Saved().highlight.outlineAlpha, 9u);
}

TEST_F(LiveDialog, ALanguageWithoutWordStylesShowsNothingToEditButItsExtensions) {
  OpenDialog dialog = Open();
  dialog.Choose(kLanguageCombo, kText);
  EXPECT_EQ(dialog.Count(kStyleCombo), 0);
  for (DialogControl control : {kStyleCombo, kFontNameCombo, kFontSizeCombo, kForegroundButton, kBackgroundButton,
                                kBoldCheck, kItalicCheck, kUnderlineCheck}) {
    EXPECT_FALSE(IsWindowEnabled(dialog[control])) << "control " << control + 1;
  }
  EXPECT_EQ(DrawnColour(dialog, kForegroundButton), GetSysColor(COLOR_BTNFACE));
  {
    ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDCANCEL); });
    dialog.Click(kForegroundButton);
    dialog.Choose(kStyleCombo, 0);
    EXPECT_TRUE(answerer.texts().empty()) << "no colour to choose";
  }
  dialog.Type(kExtensionsEdit, L"txt text");
  dialog.Choose(kLanguageCombo, kPython);
  EXPECT_TRUE(IsWindowEnabled(dialog[kStyleCombo]));
  dialog.Choose(kLanguageCombo, kText);
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  const Configuration saved = Saved();
  EXPECT_EQ(saved.styles[kText].extensions, L"txt text");
  EXPECT_TRUE(saved.styles[kText].wordStyles.empty());
}

TEST_F(LiveDialog, AComboWithoutSelectionChangesNothing) {
  const Configuration before = Saved();
  OpenDialog dialog = Open();
  dialog.Choose(kStyleCombo, kKeyword);
  dialog.Choose(kStyleCombo, -1);
  EXPECT_EQ(dialog.Selection(kStyleCombo), kKeyword);
  EXPECT_EQ(dialog.SelectedEntry(kFontSizeCombo), L"10");
  dialog.Choose(kLanguageCombo, -1);
  EXPECT_EQ(dialog.Selection(kLanguageCombo), kC);
  EXPECT_EQ(dialog.Selection(kStyleCombo), kKeyword);
  SendMessageW(dialog[kFontNameCombo], CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageW(dialog[kFontSizeCombo], CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  Configuration expected = before;
  expected.styles[kC].wordStyles[kKeyword].fontSize = -1;  // no size chosen: not set
  EXPECT_EQ(Saved(), expected);
}

TEST_F(LiveDialog, CancellingTheColourChooserKeepsTheColour) {
  const Configuration before = Saved();
  OpenDialog dialog = Open();
  ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDCANCEL); });
  for (DialogControl button : {kForegroundButton, kBackgroundButton, kHighlightButton}) dialog.Click(button);
  EXPECT_EQ(answerer.texts().size(), 3u);
  EXPECT_EQ(DrawnColour(dialog, kForegroundButton), RGB(0x10, 0x20, 0x30));
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  EXPECT_EQ(Saved(), before);
}

TEST_F(LiveDialog, AConfirmedColourIsStoredAtOnceAndRepaintsItsButton) {
  OpenDialog dialog = Open();
  UpdateWindow(dialog.handle());
  EXPECT_EQ(ShownColour(dialog[kForegroundButton]), RGB(0x10, 0x20, 0x30));
  {
    ModalAnswerer answerer(dialog.handle(), ConfirmColour(255, 0, 0));
    dialog.Click(kForegroundButton);
  }
  EXPECT_EQ(DrawnColour(dialog, kForegroundButton), RGB(255, 0, 0));
  RECT pending;
  EXPECT_TRUE(GetUpdateRect(dialog[kForegroundButton], &pending, FALSE)) << "the button repaints";
  UpdateWindow(dialog.handle());
  EXPECT_EQ(ShownColour(dialog[kForegroundButton]), RGB(255, 0, 0));

  dialog.Choose(kStyleCombo, kKeyword);  // the colour is in the copy already, not in the controls
  EXPECT_EQ(DrawnColour(dialog, kForegroundButton), RGB(0, 0, 255));
  EXPECT_EQ(DrawnColour(dialog, kBackgroundButton), GetSysColor(COLOR_BTNFACE)) << "not set";
  {
    ModalAnswerer answerer(dialog.handle(), ConfirmColour(0, 0, 255));
    dialog.Click(kBackgroundButton);
    dialog.Click(kHighlightButton);
  }
  dialog.Choose(kStyleCombo, kDefault);
  EXPECT_EQ(DrawnColour(dialog, kForegroundButton), RGB(255, 0, 0));
  EXPECT_EQ(DrawnColour(dialog, kHighlightButton), RGB(0, 0, 255));
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  const Configuration saved = Saved();
  EXPECT_EQ(StyleOf(saved, kC, kDefault).fgColor, 0xFF0000);
  EXPECT_EQ(StyleOf(saved, kC, kKeyword).bgColor, 0x0000FF);
  EXPECT_EQ(saved.highlight.foreground, 0x0000FFu);
}

}  // namespace
}  // namespace lumen
