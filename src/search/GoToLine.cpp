#include "search/GoToLine.h"

#include <algorithm>
#include <cwctype>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "search/Pattern.h"

namespace lumen {
namespace {

using namespace sci;

// Digits only, saturated far beyond any file's lines or columns.
std::optional<int64_t> ParseNumber(const std::wstring& text) {
  constexpr int64_t kFarBeyond = int64_t{1} << 50;
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = std::min<int64_t>(value * 10 + (c - L'0'), kFarBeyond);
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

size_t ColumnOffset(std::string_view line, int64_t column, int tabWidth) {
  const int64_t tab = std::max(tabWidth, 1);
  int64_t current = 0;
  size_t at = 0;
  while (current < column && at < line.size()) {
#if defined(__SSE2__)
    // Sixteen characters of ASCII at a time, none of them a tab or a line end:
    // a column of hundreds of millions in a one-line file takes milliseconds.
    if (line.size() - at >= 16 && column - current >= 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + at));
      const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                                                        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))),
                                           _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
      if (_mm_movemask_epi8(_mm_or_si128(bytes, special)) == 0) {
        at += 16;
        current += 16;
        continue;
      }
    }
#endif
    const auto byte = static_cast<unsigned char>(line[at]);
    if (byte == '\r' || byte == '\n') break;
    if (byte == '\t') {
      current = (current / tab + 1) * tab;
      if (current > column) break;
      ++at;
      continue;
    }
    // A whole character, or a byte that is none.
    size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    if (length > 1 && ValidUtf8Length(line.substr(at, length)) != length) length = 1;
    at += length;
    ++current;
  }
  return at;
}

void GoToLine(const EditorControl& editor, const LineTarget& target) {
  const int64_t lines = std::max<LRESULT>(editor.Send(SCI_GETLINECOUNT), 1);
  const auto line = static_cast<WPARAM>(std::min(target.line, lines) - 1);
  // The control's own SCI_FINDCOLUMN walks a character at a time.
  const LRESULT start = editor.Send(SCI_POSITIONFROMLINE, line);
  const LRESULT end = editor.Send(SCI_GETLINEENDPOSITION, line);
  const auto* text = reinterpret_cast<const char*>(editor.Send(SCI_GETCHARACTERPOINTER));
  const LRESULT position =
      text && end >= start
          ? start + static_cast<LRESULT>(ColumnOffset(std::string_view(text + start, static_cast<size_t>(end - start)),
                                                      target.column - 1,
                                                      static_cast<int>(editor.Send(SCI_GETTABWIDTH))))
          : editor.Send(SCI_FINDCOLUMN, line, static_cast<LPARAM>(target.column - 1));
  editor.Send(SCI_GOTOPOS, static_cast<WPARAM>(position));
  const LRESULT shown = editor.Send(SCI_VISIBLEFROMDOCLINE, line);
  const LRESULT half = editor.Send(SCI_LINESONSCREEN) / 2;
  editor.Send(SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(std::max<LRESULT>(shown - half, 0)));
}

}  // namespace lumen
