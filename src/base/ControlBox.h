#pragma once
// A control's place in its parent's client area, as layout arithmetic gives it.

namespace lumen {

struct ControlBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ControlBox&) const = default;
};

}  // namespace lumen
