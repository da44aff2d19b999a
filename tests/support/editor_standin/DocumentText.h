#pragma once
// The editor's document as the control sees it: UTF-8 bytes in which every
// position is a byte offset. Character classes, line ends, word bounds and
// searching follow the control's own rules.
#include <optional>
#include <string_view>

namespace lumen::editor_standin {

enum class CharClass { space, newLine, word, punctuation };

// The control's default classes: letters, digits, '_' and every byte of a
// multi-byte character are word characters.
CharClass ClassOf(unsigned char byte);

// Bytes of the character at `position`: 2 to 4 for a well-formed UTF-8
// sequence, else 1 (a stray byte is a character of its own).
int CharWidthAt(std::string_view text, int position);
int PreviousCharStart(std::string_view text, int position);
// Clamps into the document and moves a position that falls inside a
// multi-byte character to its start (direction < 0) or past its end.
int MovePositionOutsideChar(std::string_view text, int position, int direction);

// Lines separated by CR, LF or CR LF; an empty document has one line.
int LineCount(std::string_view text);
// Where line `line` (from 0) starts and where its text ends (before its line
// end); -1 for a line that does not exist.
int LineStart(std::string_view text, int line);
int LineEnd(std::string_view text, int line);
int LineOf(std::string_view text, int position);

// Start or end of the word around `position`; with onlyWordCharacters the run
// is of word characters only, else of the class of the first character met.
int WordStartPosition(std::string_view text, int position, bool onlyWordCharacters);
int WordEndPosition(std::string_view text, int position, bool onlyWordCharacters);

struct FoundRange {
  int start;
  int end;
};

enum : int { kFindWholeWord = 2, kFindMatchCase = 4 };

// Searches forward from `from` to `to`, or backward when `from` > `to`; the
// match lies wholly between the two. Without kFindMatchCase whole characters
// are compared after case folding, so a match may differ in length from the
// search text.
std::optional<FoundRange> SearchText(std::string_view text, int from, int to, std::string_view what, int flags);

}  // namespace lumen::editor_standin
