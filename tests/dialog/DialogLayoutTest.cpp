// The dialog's layout arithmetic and the values behind its controls, called directly.
#include <gtest/gtest.h>

#include "dialog/DialogLayout.h"
#include "dialog/StyleValues.h"

namespace lumen {
namespace {

// Measures as a typical message font gives them.
DialogMeasures Typical() {
  DialogMeasures m;
  m.rowHeight = 22;
  m.textHeight = 16;
  m.checkMarkWidth = 13;
  m.sizeSample = 14;
  m.alphaSample = 21;
  auto& w = m.textWidth;
  w[kLanguageLabel] = 60, w[kStyleLabel] = 30, w[kFontNameLabel] = 64, w[kFontSizeLabel] = 58;
  w[kForegroundLabel] = 75, w[kBackgroundLabel] = 80, w[kBoldCheck] = 28, w[kItalicCheck] = 30;
  w[kUnderlineCheck] = 62, w[kExtensionsLabel] = 70, w[kStyleGroup] = 80, w[kHighlightLabel] = 96;
  w[kTransparencyLabel] = 88, w[kOutlineLabel] = 50, w[kLineNumberingCheck] = 97, w[kLineWrappingCheck] = 90;
  w[kMiscGroup] = 30, w[kOkButton] = 20, w[kCancelButton] = 44;
  return m;
}

TEST(DialogLayout, PlacesRowsOfLabelsAndControlsInsideThreeGroups) {
  const DialogPlacement p = LayOutDialog(Typical());
  const auto& c = p.controls;
  // Label column: "Line numbering" with its box (110) is wider than every label.
  EXPECT_EQ(c[kSchemeLabel], (ControlBox{12, 23, 110, 22}));  // row at 16 + 4, label 3 lower
  EXPECT_EQ(c[kSchemeCombo], (ControlBox{126, 20, 200, 22}));
  EXPECT_EQ(c[kLanguageCombo], (ControlBox{126, 46, 200, 22}));
  EXPECT_EQ(c[kStyleCombo].y, 72);
  EXPECT_EQ(c[kFontSizeCombo], (ControlBox{126, 124, 44, 22}));
  EXPECT_EQ(c[kBackgroundButton], (ControlBox{126, 176, 80, 22}));
  // The content is as wide as the label column and the 200 of the wrap column.
  EXPECT_EQ(c[kBoldCheck], (ControlBox{12, 205, 102, 22}));
  EXPECT_EQ(c[kItalicCheck].x, 118);
  EXPECT_EQ(c[kUnderlineCheck].x, 224);
  EXPECT_EQ(c[kExtensionsLabel], (ControlBox{12, 231, 314, 22}));
  EXPECT_EQ(c[kExtensionsEdit], (ControlBox{12, 254, 314, 44}));
  EXPECT_EQ(c[kNamesLabel], (ControlBox{12, 305, 314, 22}));
  EXPECT_EQ(c[kNamesEdit], (ControlBox{12, 328, 314, 44}));
  EXPECT_EQ(c[kContentLabel], (ControlBox{12, 379, 314, 22}));
  EXPECT_EQ(c[kContentEdit], (ControlBox{12, 402, 314, 22}));
  EXPECT_EQ(c[kStyleGroup], (ControlBox{4, 4, 326, 428}));
  EXPECT_EQ(c[kHighlightButton], (ControlBox{126, 444, 80, 22}));
  EXPECT_EQ(c[kTransparencyEdit], (ControlBox{126, 470, 84, 22}));
  EXPECT_EQ(c[kModeCombo], (ControlBox{126, 522, 200, 22}));
  EXPECT_EQ(c[kLineNumberingCheck], (ControlBox{12, 551, 110, 22}));
  EXPECT_EQ(c[kLineWrappingCheck], (ControlBox{126, 551, 200, 22}));
  EXPECT_EQ(c[kMiscGroup], (ControlBox{4, 428, 326, 146}));
  EXPECT_EQ(c[kOkButton], (ControlBox{162, 590, 80, 22}));
  EXPECT_EQ(c[kCancelButton], (ControlBox{246, 590, 80, 22}));
  EXPECT_EQ(c[kButtonGroup], (ControlBox{4, 574, 326, 45}));
  EXPECT_EQ(p.dialog, (ControlBox{0, 0, 342, 667}));
  EXPECT_EQ(c[kTransparencyUpDown], ControlBox{}) << "placed by its edit";
}

TEST(DialogLayout, AWiderLabelMovesTheRightColumnAndWidensTheDialog) {
  const DialogPlacement narrow = LayOutDialog(Typical());
  DialogMeasures m = Typical();
  m.textWidth[kTransparencyLabel] = 150;
  const DialogPlacement wide = LayOutDialog(m);
  for (DialogControl control : {kLanguageCombo, kStyleCombo, kFontNameCombo, kFontSizeCombo, kForegroundButton,
                                kBackgroundButton, kHighlightButton, kTransparencyEdit, kOutlineEdit, kLineWrappingCheck}) {
    EXPECT_EQ(wide.controls[control].x, narrow.controls[control].x + 40) << control;
  }
  EXPECT_EQ(wide.controls[kLanguageLabel].width, 150);
  EXPECT_EQ(wide.dialog.width, narrow.dialog.width + 40);
  EXPECT_EQ(wide.controls[kCancelButton].x, narrow.controls[kCancelButton].x + 40) << "Cancel stays at the right edge";
}

TEST(DialogLayout, ALineWrappingLabelWiderThan200WidensTheDialogFurther) {
  DialogMeasures m = Typical();
  m.textWidth[kLineWrappingCheck] = 187;  // with its box exactly 200: no change
  EXPECT_EQ(LayOutDialog(m).dialog.width, LayOutDialog(Typical()).dialog.width);
  m.textWidth[kLineWrappingCheck] = 237;
  const DialogPlacement p = LayOutDialog(m);
  EXPECT_EQ(p.dialog.width, LayOutDialog(Typical()).dialog.width + 50);
  EXPECT_EQ(p.controls[kLineWrappingCheck].width, 250);
  EXPECT_EQ(p.controls[kExtensionsEdit].width, 364);
}

TEST(DialogLayout, WideCheckBoxesOrExtensionsLabelSetTheContentWidth) {
  DialogMeasures m = Typical();
  m.textWidth[kUnderlineCheck] = 150;  // three columns of 163 and their gaps
  EXPECT_EQ(LayOutDialog(m).controls[kExtensionsEdit].width, 3 * 163 + 8);
  EXPECT_EQ(LayOutDialog(m).controls[kUnderlineCheck].x, 2 * 163 + 20);
  m = Typical();
  m.textWidth[kExtensionsLabel] = 500;
  EXPECT_EQ(LayOutDialog(m).dialog.width, 528);
  m.textWidth[kCancelButton] = 120;
  EXPECT_EQ(LayOutDialog(m).controls[kOkButton], (ControlBox{268, 590, 120, 22}));
}

TEST(DialogLayout, CentresByTheClientSizeOverTheParentsWindow) {
  const POINT at = CentreOver(RECT{100, 50, 901, 651}, RECT{0, 0, 341, 451});
  EXPECT_EQ(at.x, 100 + 400 - 170);
  EXPECT_EQ(at.y, 50 + 300 - 225);
  const POINT left = CentreOver(RECT{-500, -20, -100, 80}, RECT{0, 0, 600, 300});
  EXPECT_EQ(left.x, -600);
  EXPECT_EQ(left.y, -120);
}

TEST(StyleValues, FontSizeTextShowsOnlySetSizes) {
  EXPECT_EQ(FontSizeText(13), L"13");
  EXPECT_EQ(FontSizeText(1), L"1");
  EXPECT_EQ(FontSizeText(0), L"");
  EXPECT_EQ(FontSizeText(-1), L"");
}

TEST(StyleValues, ParseDecimalTakesOnlyDigitsThatFitAnInt) {
  EXPECT_EQ(ParseDecimal(L"0"), 0);
  EXPECT_EQ(ParseDecimal(L"300"), 300);
  EXPECT_EQ(ParseDecimal(L"007"), 7);
  EXPECT_EQ(ParseDecimal(L"2147483647"), 2147483647);
  for (const wchar_t* bad : {L"", L"2147483648", L"99999999999999999999", L"-1", L"+1", L" 1", L"1 ", L"1a", L"x",
                             L"\x0661"}) {  // an Arabic-Indic digit is no decimal digit here
    EXPECT_EQ(ParseDecimal(bad), std::nullopt) << "\"" << std::string(bad, bad + wcslen(bad)) << "\"";
  }
}

TEST(StyleValues, FaceNamesAreSortedByCodeUnitsAndUnique) {
  EXPECT_EQ(SortedUniqueNames({L"b", L"B", L"a", L"b", L"@a", L"\x00e4", L"B"}),
            (std::vector<std::wstring>{L"@a", L"B", L"a", L"b", L"\x00e4"}));
  const std::vector<std::wstring>& installed = FontFaceNames();
  EXPECT_FALSE(installed.empty());
  EXPECT_EQ(installed, SortedUniqueNames(installed));
  EXPECT_EQ(&FontFaceNames(), &installed) << "made once";
}

std::vector<XMLStyle> Languages(std::initializer_list<const wchar_t*> extensionLists) {
  std::vector<XMLStyle> styles;
  for (const wchar_t* list : extensionLists) {
    styles.emplace_back();
    styles.back().extensions = list;
  }
  return styles;
}

TEST(StyleValues, StartLanguageIsTheFirstWhoseFirstExtensionMatches) {
  const auto styles = Languages({L"*", L"c h", L" \t.CPP hpp", L"", L"py", L"cpp", L"rs\r\nrlib"});
  EXPECT_EQ(StartLanguage(styles, L"cpp"), 2u) << "case and leading delimiters do not matter";
  EXPECT_EQ(StartLanguage(styles, L"py"), 4u);
  EXPECT_EQ(StartLanguage(styles, L"rs"), 6u) << "a line typed in the dialog ends with CR LF";
  EXPECT_EQ(StartLanguage(styles, L"h"), 0u) << "only a first entry counts";
  EXPECT_EQ(StartLanguage(styles, L"*"), 0u);
  EXPECT_EQ(StartLanguage(styles, L""), 0u);
  EXPECT_EQ(StartLanguage({}, L"c"), 0u);
}

}  // namespace
}  // namespace lumen
