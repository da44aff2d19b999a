#include "search/PanelLayout.h"

#include <algorithm>

namespace lumen {
namespace {
constexpr int kNarrowestPanel = 100;
constexpr int kNarrowestEdit = 50;
constexpr int kNarrowestEditBesideFilter = 150;
}  // namespace

std::optional<PanelPlacement> LayOutPanel(int width, int height, int rowHeight, const PanelLabelWidths& labels,
                                          int checkMarkWidth) {
  const int h = rowHeight;
  if (width < kNarrowestPanel || height < 2 * h + 12) return std::nullopt;
  const int buttonLabel = std::max({labels.findNext, labels.findPrevious, labels.cancel});
  int edit = width - (2 * buttonLabel + 16);
  if (edit <= kNarrowestEdit) edit = kNarrowestEdit;
  const int button = (width - edit - 16) / 2;
  const int matchCase = labels.matchCase + checkMarkWidth;
  const int wholeWords = labels.wholeWords + checkMarkWidth;
  const int row1 = height - (2 * h + 8);
  const int row2 = height - h - 4;
  PanelPlacement placement;
  // The filter's check box and number field after the edit, where the edit keeps room for a search.
  const int filter = labels.filter + checkMarkWidth;
  const int filterRoom = labels.filter > 0 ? filter + labels.filterContext + 8 : 0;
  const bool filterShown = filterRoom > 0 && edit - filterRoom >= kNarrowestEditBesideFilter;
  if (filterShown) {
    edit -= filterRoom;
    placement.filter = {8 + edit, row1, filter, h};
    placement.filterContext = {8 + edit + filter, row1, labels.filterContext, h};
  }
  const int buttonsX = 8 + edit + (filterShown ? filterRoom : 0);
  placement.edit = {4, row1, edit, h};
  placement.findNext = {buttonsX, row1, button, h};
  placement.findPrevious = {buttonsX + 4 + button, row1, button, h};
  placement.matchCase = {4, row2, matchCase, h};
  placement.wholeWords = {8 + matchCase, row2, wholeWords, h};
  placement.cancel = {width - button - 4, row2, button, h};
  const int lineEntry = labels.lineEntry + 8;
  const int lineEntryX = placement.cancel.x - 8 - lineEntry;
  const int lineLabelX = lineEntryX - 4 - labels.lineLabel;
  const int regularExpression = labels.regularExpression + checkMarkWidth;
  const int countX = 16 + matchCase + wholeWords + regularExpression;
  if (lineLabelX >= countX) {
    placement.regularExpression = {12 + matchCase + wholeWords, row2, regularExpression, h};
    placement.count = {countX, row2, lineLabelX - 8 - countX > 0 ? lineLabelX - 8 - countX : 0, h};
    placement.lineLabel = {lineLabelX, row2, labels.lineLabel, h};
    placement.lineEntry = {lineEntryX, row2, lineEntry, h};
  }
  return placement;
}

}  // namespace lumen
