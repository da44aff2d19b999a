#include "search/GoToLine.h"

#include <algorithm>
#include <cwctype>

namespace lumen {
namespace {

using namespace sci;

// Digits only, saturated far beyond any document's lines or columns.
std::optional<int64_t> ParseNumber(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = std::min<int64_t>(value * 10 + (c - L'0'), INT32_MAX);
  }
  return std::max<int64_t>(value, 1);
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t start = text.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {};
  return text.substr(start, text.find_last_not_of(L" \t") - start + 1);
}

}  // namespace

std::optional<LineTarget> ParseLineTarget(const std::wstring& text) {
  const std::wstring trimmed = Trimmed(text);
  const size_t colon = trimmed.find(L':');
  const auto line = ParseNumber(Trimmed(trimmed.substr(0, colon)));
  if (!line) return std::nullopt;
  if (colon == std::wstring::npos) return LineTarget{*line, 1};
  const auto column = ParseNumber(Trimmed(trimmed.substr(colon + 1)));
  if (!column) return std::nullopt;
  return LineTarget{*line, *column};
}

void GoToLine(const EditorControl& editor, const LineTarget& target) {
  const int64_t lines = std::max<LRESULT>(editor.Send(SCI_GETLINECOUNT), 1);
  const auto line = static_cast<WPARAM>(std::min(target.line, lines) - 1);
  const LRESULT position = editor.Send(SCI_FINDCOLUMN, line, static_cast<LPARAM>(target.column - 1));
  editor.Send(SCI_GOTOPOS, static_cast<WPARAM>(position));
  const LRESULT shown = editor.Send(SCI_VISIBLEFROMDOCLINE, line);
  const LRESULT half = editor.Send(SCI_LINESONSCREEN) / 2;
  editor.Send(SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(std::max<LRESULT>(shown - half, 0)));
}

}  // namespace lumen
