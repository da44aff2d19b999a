#pragma once
// Zoom percentages of the host and the editor's zoom in points added to every
// font size: 100 % is 0, each 100/12 % is one point.
#include <cstdint>

namespace lumen {

constexpr int ZoomFromPercent(int32_t percent) {
  const double factor = percent / 100.0;
  if (percent == 0) return 0;
  return static_cast<int>(factor > 1 ? factor * 12 - 12 : (1 - factor) * -12);
}

constexpr int32_t PercentFromZoom(int zoom) { return static_cast<int32_t>((zoom + 12) * 100 / 12.0); }

// The host's values that mean "no change".
constexpr bool IsZoomUnchanged(uint64_t wParam) { return wParam == ~uint64_t{0} || wParam == ~uint64_t{1}; }

}  // namespace lumen
