#include "base/Controls.h"

#include <algorithm>
#include <cwchar>

namespace lumen {
namespace {
// Without iPaddedBorderWidth: the size every Windows version accepts.
constexpr UINT kNonClientMetricsSize = 500;

RECT MeasureText(HWND window, const std::wstring& text, bool& measured) {
  RECT bounds = {0, 0, 0, 0};
  measured = false;
  if (HDC dc = GetDC(window)) {
    measured = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                         DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE) != 0;
    ReleaseDC(window, dc);
  }
  return bounds;
}
}  // namespace

UniqueFont CreateMessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = kNonClientMetricsSize;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) return {};
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

int MeasureTextWidth(HWND window, const std::wstring& text) {
  bool measured = false;
  const RECT bounds = MeasureText(window, text, measured);
  return measured ? bounds.right : -1;
}

int MeasureTextHeight(HWND window, const std::wstring& text) {
  bool measured = false;
  const RECT bounds = MeasureText(window, text, measured);
  return measured ? bounds.bottom : -1;
}

std::wstring WindowText(HWND window) {
  const int length = window ? GetWindowTextLengthW(window) : 0;
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  // The text may have shrunk between the two calls; it never holds a zero.
  text.resize(wcsnlen(text.data(), static_cast<size_t>(std::max(copied, 0))));
  return text;
}

int WindowHeight(HWND window) {
  RECT bounds;
  return window && GetWindowRect(window, &bounds) ? bounds.bottom - bounds.top : 0;
}

std::wstring LoadResourceString(HINSTANCE module, UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  std::wstring label(text, length);
  // Entries written with their own zero report it in their length.
  while (!label.empty() && label.back() == L'\0') label.pop_back();
  return label;
}

}  // namespace lumen
