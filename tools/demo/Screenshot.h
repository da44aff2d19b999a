#pragma once
// A picture of a window as it stands on the screen, saved as PNG and read back.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace lumen::demo {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows from the top
};

// The whole window, frame and menu included, with the windows it owns (a
// dialog it opened) over it; nothing when it cannot be read.
std::optional<Picture> CaptureWindow(HWND window);

// The visible windows that `owner` owns, in the system's order (front first).
std::vector<HWND> OwnedPopups(HWND owner);

// Through GDI+; false with the reason in `error`.
bool SavePng(const Picture& picture, const std::wstring& path, std::wstring& error);
// Nothing when the file is missing or no picture GDI+ can read.
std::optional<Picture> LoadPng(const std::wstring& path);

}  // namespace lumen::demo
