#pragma once
// Where the configuration dialog's controls go: pure arithmetic over the row
// height and the measured widths of the labels.
#include <array>
#include <cstddef>
#include <windows.h>

#include "base/ControlBox.h"

namespace lumen {

// The dialog's controls, in the order they are created.
enum DialogControl : size_t {
  kSchemeCombo, kSchemeLabel, kLanguageCombo, kLanguageLabel, kStyleCombo, kStyleLabel, kFontNameCombo, kFontNameLabel,
  kFontSizeCombo, kFontSizeLabel, kForegroundButton, kForegroundLabel, kBackgroundButton, kBackgroundLabel,
  kBoldCheck, kItalicCheck, kUnderlineCheck, kExtensionsLabel, kExtensionsEdit, kNamesLabel, kNamesEdit,
  kContentLabel, kContentEdit,
  kStyleGroup,
  kHighlightButton, kHighlightLabel, kTransparencyEdit, kTransparencyUpDown, kTransparencyLabel,
  kOutlineEdit, kOutlineUpDown, kOutlineLabel, kModeCombo, kModeLabel, kLineNumberingCheck, kLineWrappingCheck, kMiscGroup,
  kOkButton, kCancelButton, kButtonGroup,
  kDialogControlCount
};

// What the layout is computed from. Widths and heights are as DrawTextW
// measures them (-1 when it could not).
struct DialogMeasures {
  int rowHeight = 0;       // height of a combo box: every row is this high
  int textHeight = 0;      // height of a line of text
  int checkMarkWidth = 0;  // room the box of a check box takes
  int sizeSample = 0;      // "48": the font size combo is this plus its arrow
  int alphaSample = 0;     // "255": the alpha edits are four of these wide
  std::array<int, kDialogControlCount> textWidth{};  // of each control's caption
};

struct DialogPlacement {
  // The up-down controls keep empty boxes: they sit inside their edits.
  std::array<ControlBox, kDialogControlCount> controls{};
  ControlBox dialog;  // the whole window, at the origin
};

// Two group boxes of labelled rows, a left column of labels as wide as the
// widest of them, and OK and Cancel at the bottom right.
DialogPlacement LayOutDialog(const DialogMeasures& measures);

// Top-left corner that centres a window with client size `client` over `parent`
// (a window rectangle).
POINT CentreOver(const RECT& parent, const RECT& client);

}  // namespace lumen
