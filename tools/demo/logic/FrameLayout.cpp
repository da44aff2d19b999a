#include "FrameLayout.h"

#include <algorithm>

namespace lumen::demo {
namespace {
constexpr int kNarrowestColumn = 180;
constexpr int kWidestColumn = 340;
constexpr int kGap = 4;  // between the column and the viewer pane
}  // namespace

FrameBoxes LayOutFrame(int width, int height, int boxHeight) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  boxHeight = std::clamp(boxHeight, 0, height / 2);
  const int column = std::min(std::clamp(width * 3 / 10, kNarrowestColumn, kWidestColumn), width / 2);
  const int listHeight = height - 2 * boxHeight;
  const int viewerX = std::min(column + kGap, width);
  FrameBoxes boxes;
  boxes.filterPane = {0, 0, column, boxHeight};
  boxes.fileList = {0, boxHeight, column, listHeight};
  boxes.findPane = {0, boxHeight + listHeight, column, boxHeight};
  boxes.viewerPane = {viewerX, 0, width - viewerX, height};
  return boxes;
}

}  // namespace lumen::demo
