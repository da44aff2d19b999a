#pragma once
// Where the demo host's windows go in its frame.
namespace lumen::demo {

struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct FrameBoxes {
  Box filterPane;  // the upper find box: filters the file list
  Box fileList;
  Box findPane;    // the lower find box: the one the plug-in reads
  Box viewerPane;
};

// The client area above the status bar: a column on the left holds the filter
// box, the file list and the find box (each box `boxHeight` high); the viewer
// pane takes the rest. No size is ever negative, however small the frame.
FrameBoxes LayOutFrame(int width, int height, int boxHeight);

}  // namespace lumen::demo
