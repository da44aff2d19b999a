#include "DocumentText.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace lumen::editor_standin {
namespace {

unsigned char ByteAt(std::string_view text, int position) {
  return position >= 0 && position < static_cast<int>(text.size()) ? static_cast<unsigned char>(text[position]) : 0;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The start of the character that holds `position` (a byte), searched at most
// three bytes back; the position itself when it starts a character.
int CharStartAround(std::string_view text, int position) {
  for (int start = position; start >= 0 && start >= position - 3; --start) {
    if (!IsContinuation(ByteAt(text, start))) {
      return start + CharWidthAt(text, start) > position ? start : position;
    }
  }
  return position;
}

// A character as the search compares it: its code point, or for a stray
// byte a value beyond Unicode, so that it only ever matches the same byte.
struct Character {
  uint32_t value;
  int width;
};
constexpr uint32_t kStrayByte = 0x110000;

Character CharacterAt(std::string_view text, int position) {
  const int width = CharWidthAt(text, position);
  const unsigned char lead = ByteAt(text, position);
  if (width == 1) return {lead < 0x80 ? lead : kStrayByte + lead, 1};
  uint32_t value = lead & (0x7F >> width);
  for (int i = 1; i < width; ++i) value = (value << 6) | (ByteAt(text, position + i) & 0x3F);
  return {value, width};
}

// Lower case of every UTF-16 unit in the invariant locale, built once: one
// Windows call per block instead of one per compared character.
std::vector<wchar_t> LowerCaseTable() {
  std::vector<wchar_t> table(0x10000);
  for (size_t unit = 0; unit < table.size(); ++unit) table[unit] = static_cast<wchar_t>(unit);
  const auto lower = [&table](size_t first, size_t last) {
    const std::wstring units(table.begin() + first, table.begin() + last);
    std::wstring lowered(units.size(), L'\0');
    const int size = static_cast<int>(units.size());
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, units.data(), size, lowered.data(), size, nullptr,
                      nullptr, 0) == size) {
      std::copy(lowered.begin(), lowered.end(), table.begin() + first);
    }
  };
  lower(1, 0xD800);  // surrogate halves are no characters
  lower(0xE000, 0x10000);
  return table;
}

uint32_t Fold(uint32_t value) {
  if (value < 0x80) return value >= 'A' && value <= 'Z' ? value + ('a' - 'A') : value;
  if (value > 0xFFFF) return value;
  static const std::vector<wchar_t> lowerCase = LowerCaseTable();
  return lowerCase[value];
}

std::vector<uint32_t> FoldedCharacters(std::string_view text) {
  std::vector<uint32_t> folded;
  for (int position = 0; position < static_cast<int>(text.size());) {
    const Character character = CharacterAt(text, position);
    folded.push_back(Fold(character.value));
    position += character.width;
  }
  return folded;
}

bool IsWordOrPunctuation(CharClass kind) { return kind == CharClass::word || kind == CharClass::punctuation; }

bool IsWordStartAt(std::string_view text, int position) {
  if (position >= static_cast<int>(text.size())) return false;
  if (position == 0) return true;
  const CharClass here = ClassOf(ByteAt(text, position));
  return IsWordOrPunctuation(here) && here != ClassOf(ByteAt(text, position - 1));
}

bool IsWordEndAt(std::string_view text, int position) {
  if (position <= 0) return false;
  if (position >= static_cast<int>(text.size())) return true;
  const CharClass before = ClassOf(ByteAt(text, position - 1));
  return IsWordOrPunctuation(before) && before != ClassOf(ByteAt(text, position));
}

// Bytes of the document that match `what` at `position` without passing
// `limit`, or nothing.
std::optional<int> MatchLength(std::string_view text, int position, int limit, std::string_view what,
                               const std::vector<uint32_t>* foldedWhat) {
  if (!foldedWhat) {
    if (static_cast<int64_t>(position) + static_cast<int64_t>(what.size()) > limit) return std::nullopt;
    if (text.compare(position, what.size(), what) != 0) return std::nullopt;
    return static_cast<int>(what.size());
  }
  int at = position;
  for (const uint32_t wanted : *foldedWhat) {
    const Character character = CharacterAt(text, at);
    if (at >= limit || at + character.width > limit || Fold(character.value) != wanted) return std::nullopt;
    at += character.width;
  }
  return at - position;
}

}  // namespace

CharClass ClassOf(unsigned char byte) {
  if (byte == '\r' || byte == '\n') return CharClass::newLine;
  if (byte < 0x20 || byte == ' ') return CharClass::space;
  if (byte >= 0x80 || (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
      byte == '_') {
    return CharClass::word;
  }
  return CharClass::punctuation;
}

int CharWidthAt(std::string_view text, int position) {
  const unsigned char lead = ByteAt(text, position);
  int width = 1;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    width = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    width = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogate halves
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    width = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  }
  if (width == 1 || position + width > static_cast<int>(text.size())) return 1;
  const unsigned char second = ByteAt(text, position + 1);
  if (second < low || second > high) return 1;
  for (int i = 2; i < width; ++i) {
    if (!IsContinuation(ByteAt(text, position + i))) return 1;
  }
  return width;
}

int PreviousCharStart(std::string_view text, int position) {
  position = std::min(position, static_cast<int>(text.size()));
  if (position <= 0) return 0;
  const int start = CharStartAround(text, position - 1);
  return start + CharWidthAt(text, start) == position ? start : position - 1;
}

int MovePositionOutsideChar(std::string_view text, int position, int direction) {
  if (position <= 0) return 0;
  if (position >= static_cast<int>(text.size())) return static_cast<int>(text.size());
  const int start = CharStartAround(text, position);
  if (start == position) return position;
  return direction > 0 ? start + CharWidthAt(text, start) : start;
}

int LineCount(std::string_view text) {
  int lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
  }
  return lines;
}

int LineStart(std::string_view text, int line) {
  if (line < 0) return -1;
  int at = 0;
  for (int current = 0; current < line; ++current) {
    const size_t end = text.find_first_of("\r\n", static_cast<size_t>(at));
    if (end == std::string_view::npos) return -1;
    at = static_cast<int>(end) + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return at;
}

int LineEnd(std::string_view text, int line) {
  const int start = LineStart(text, line);
  if (start < 0) return -1;
  const size_t end = text.find_first_of("\r\n", static_cast<size_t>(start));
  return end == std::string_view::npos ? static_cast<int>(text.size()) : static_cast<int>(end);
}

int LineOf(std::string_view text, int position) {
  const auto end = static_cast<size_t>(std::clamp(position, 0, static_cast<int>(text.size())));
  return LineCount(text.substr(0, end)) - 1;
}

// Outside the document the control reads zero bytes, which are spaces: a run
// of spaces continues from there into the document, any other run ends at once.
int WordStartPosition(std::string_view text, int position, bool onlyWordCharacters) {
  const int length = static_cast<int>(text.size());
  const CharClass wanted = onlyWordCharacters ? CharClass::word : ClassOf(ByteAt(text, position - 1));
  if (position > length) {
    if (wanted != CharClass::space) return length;
    position = length;
  }
  while (position > 0 && ClassOf(ByteAt(text, position - 1)) == wanted) --position;
  return MovePositionOutsideChar(text, position, -1);
}

int WordEndPosition(std::string_view text, int position, bool onlyWordCharacters) {
  const int length = static_cast<int>(text.size());
  const CharClass wanted =
      onlyWordCharacters || position >= length ? CharClass::word : ClassOf(ByteAt(text, position));
  if (position < 0) {
    if (wanted != CharClass::space) return 0;
    position = 0;
  }
  while (position < length && ClassOf(ByteAt(text, position)) == wanted) ++position;
  return MovePositionOutsideChar(text, position, 1);
}

std::optional<FoundRange> SearchText(std::string_view text, int from, int to, std::string_view what, int flags) {
  if (what.empty()) return FoundRange{from, from};
  const bool forward = from <= to;
  const int start = MovePositionOutsideChar(text, from, forward ? 1 : -1);
  const int end = MovePositionOutsideChar(text, to, forward ? 1 : -1);
  const int limit = std::max(start, end);
  std::vector<uint32_t> foldedWhat;
  if (!(flags & kFindMatchCase)) foldedWhat = FoldedCharacters(what);
  const auto matchAt = [&](int position) -> std::optional<FoundRange> {
    const auto length =
        MatchLength(text, position, limit, what, (flags & kFindMatchCase) ? nullptr : &foldedWhat);
    if (!length) return std::nullopt;
    const int matchEnd = position + *length;
    if ((flags & kFindWholeWord) && !(IsWordStartAt(text, position) && IsWordEndAt(text, matchEnd))) {
      return std::nullopt;
    }
    return FoundRange{position, matchEnd};
  };
  if (forward) {
    for (int position = start; position < end; position += CharWidthAt(text, position)) {
      if (const auto found = matchAt(position)) return found;
    }
  } else {
    for (int position = PreviousCharStart(text, start); position >= end; position = PreviousCharStart(text, position)) {
      if (const auto found = matchAt(position)) return found;
      if (position == 0) break;
    }
  }
  return std::nullopt;
}

}  // namespace lumen::editor_standin
