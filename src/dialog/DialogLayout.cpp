#include "dialog/DialogLayout.h"

#include <algorithm>

namespace lumen {
namespace {
constexpr int kLabelX = 12;
constexpr int kGap = 4;
constexpr int kComboWidth = 200;
constexpr int kColourButtonWidth = 80;
constexpr int kNarrowestWrapColumn = 200;
constexpr int kNarrowestButton = 80;
constexpr int kSizeComboArrow = 30;
}  // namespace

DialogPlacement LayOutDialog(const DialogMeasures& m) {
  const auto& w = m.textWidth;
  const int h = m.rowHeight;
  const int t = m.textHeight;
  const int d = (h - t) / 2;  // a label sits centred in its row
  const int c = m.checkMarkWidth;
  const int widestLabel = std::max({w[kSchemeLabel], w[kModeLabel], w[kLanguageLabel], w[kStyleLabel], w[kFontNameLabel], w[kForegroundLabel],
                                    w[kBackgroundLabel], w[kFontSizeLabel], w[kHighlightLabel],
                                    w[kTransparencyLabel], w[kOutlineLabel]});
  const int labelWidth = std::max(widestLabel, w[kLineNumberingCheck] + c);
  int wrapWidth = w[kLineWrappingCheck] + c;
  if (wrapWidth <= kNarrowestWrapColumn) wrapWidth = kNarrowestWrapColumn;
  const int checkWidth = c + std::max({w[kUnderlineCheck], w[kBoldCheck], w[kItalicCheck]});
  const int content = std::max({3 * checkWidth + 8, labelWidth + kGap + wrapWidth, w[kExtensionsLabel], w[kNamesLabel],
                                w[kContentLabel]});
  const int third = (content - 8) / 3;
  const int x2 = labelWidth + 16;

  DialogPlacement placement;
  auto& p = placement.controls;
  // A row: its label on the left, its control on the right.
  const auto row = [&](DialogControl label, DialogControl control, int y, int width) {
    p[label] = {kLabelX, y + d, labelWidth, h};
    p[control] = {x2, y, width, h};
    return y + h + kGap;
  };
  int y = t + kGap;
  y = row(kSchemeLabel, kSchemeCombo, y, kComboWidth);
  y = row(kLanguageLabel, kLanguageCombo, y, kComboWidth);
  y = row(kStyleLabel, kStyleCombo, y, kComboWidth);
  y = row(kFontNameLabel, kFontNameCombo, y, kComboWidth);
  y = row(kFontSizeLabel, kFontSizeCombo, y, m.sizeSample + kSizeComboArrow);
  y = row(kForegroundLabel, kForegroundButton, y, kColourButtonWidth);
  const int checksY = row(kBackgroundLabel, kBackgroundButton, y, kColourButtonWidth);
  p[kBoldCheck] = {kLabelX, checksY + d, third, h};
  p[kItalicCheck] = {third + 16, checksY + d, third, h};
  p[kUnderlineCheck] = {2 * third + 20, checksY + d, third, h};
  p[kExtensionsLabel] = {kLabelX, checksY + h + kGap + d, content, h};
  p[kExtensionsEdit] = {kLabelX, checksY + 2 * h + 8, content, 2 * h};
  const int namesY = checksY + 4 * h + 8 + kGap;
  p[kNamesLabel] = {kLabelX, namesY + d, content, h};
  p[kNamesEdit] = {kLabelX, namesY + h + 4, content, 2 * h};
  const int contentY = namesY + 3 * h + 4 + kGap;
  p[kContentLabel] = {kLabelX, contentY + d, content, h};
  p[kContentEdit] = {kLabelX, contentY + h + 4, content, h};
  const int groupWidth = content + 12;
  const int styleGroupHeight = contentY + 2 * h + 8;
  p[kStyleGroup] = {4, 4, groupWidth, styleGroupHeight};

  const int alphaWidth = 4 * m.alphaSample;
  y = styleGroupHeight + t;
  y = row(kHighlightLabel, kHighlightButton, y, kColourButtonWidth);
  y = row(kTransparencyLabel, kTransparencyEdit, y, alphaWidth);
  y = row(kOutlineLabel, kOutlineEdit, y, alphaWidth);
  const int optionsY = row(kModeLabel, kModeCombo, y, kComboWidth);
  p[kLineNumberingCheck] = {kLabelX, optionsY + d, labelWidth, h};
  p[kLineWrappingCheck] = {x2, optionsY + d, wrapWidth, h};
  const int miscBottom = optionsY + h + kGap;
  p[kMiscGroup] = {4, styleGroupHeight, groupWidth, miscBottom - styleGroupHeight};

  const int buttonsY = miscBottom + t;
  const int buttonWidth = std::max({w[kOkButton], w[kCancelButton], kNarrowestButton});
  p[kOkButton] = {content + 8 - 2 * buttonWidth, buttonsY, buttonWidth, h};
  p[kCancelButton] = {content + 12 - buttonWidth, buttonsY, buttonWidth, h};
  const int buttonsBottom = d + h + buttonsY;
  p[kButtonGroup] = {4, miscBottom, groupWidth, buttonsBottom + 4 - miscBottom};
  placement.dialog = {0, 0, content + 28, buttonsBottom + 8 + 2 * h};
  return placement;
}

POINT CentreOver(const RECT& parent, const RECT& client) {
  return {parent.left + (parent.right - parent.left) / 2 - client.right / 2,
          parent.top + (parent.bottom - parent.top) / 2 - client.bottom / 2};
}

}  // namespace lumen
