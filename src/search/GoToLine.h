#pragma once
// Go to line: what the user typed into the panel's line entry ("12" or
// "12:40", counted from 1) and the caret's move there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/EditorControl.h"

namespace lumen {

struct LineTarget {
  int64_t line = 1;
  int64_t column = 1;
  bool operator==(const LineTarget&) const = default;
};

// Blanks around the text are ignored; 0 counts as 1 and numbers too large
// for the document are cut down when applied. Nothing for anything else.
std::optional<LineTarget> ParseLineTarget(const std::wstring& text);

// The byte offset in `line` (a line's text, its end included or not) of
// `column`, counted from 0 as the control counts columns: a character each,
// a tab to the next multiple of `tabWidth`; the line's end where the column
// is beyond it, and the tab's place where the column falls inside one.
size_t ColumnOffset(std::string_view line, int64_t column, int tabWidth);

// Puts the caret (no selection) on the line and column, the last line when
// the line is beyond the end and the line's end when the column is, and
// scrolls that line near the middle of the view. The document stays as it is.
void GoToLine(const EditorControl& editor, const LineTarget& target);

}  // namespace lumen
