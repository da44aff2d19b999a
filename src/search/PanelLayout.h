#pragma once
// Where the search panel's controls go: pure arithmetic over the panel's
// size, the row height and the measured label widths.
#include <optional>

#include "base/ControlBox.h"

namespace lumen {

struct PanelLabelWidths {
  int findNext = 0;
  int findPrevious = 0;
  int cancel = 0;
  int matchCase = 0;
  int wholeWords = 0;
  int regularExpression = 0;
  int lineLabel = 0;
  int lineEntry = 0;  // the widest text the line entry is meant for
  int filter = 0;
  int filterContext = 0;  // the number field with its arrows
};

struct PanelPlacement {
  ControlBox edit, findNext, findPrevious, matchCase, wholeWords, cancel;
  // Between Whole words and Cancel: Regular expression, the count, then the
  // line entry and its label; empty boxes when the row has no room for them.
  ControlBox regularExpression, count, lineLabel, lineEntry;
  // Between the edit and Find next: the filter's check box and number
  // field; empty boxes when the edit would be left too narrow.
  ControlBox filter, filterContext;
  bool operator==(const PanelPlacement&) const = default;
};

// Two rows of height `rowHeight`: the edit, the filter's controls and the two
// find buttons, then the check boxes, the count, the line entry and Cancel. Nothing when the panel is narrower than 100 or
// too low for both rows; the controls then keep their places.
std::optional<PanelPlacement> LayOutPanel(int width, int height, int rowHeight, const PanelLabelWidths& labels,
                                          int checkMarkWidth);

// The panel's height in the viewer: both rows with their margins, plus 4.
constexpr int PanelHeightInViewer(int preferredHeight) { return preferredHeight + 4; }

}  // namespace lumen
