#pragma once
// What the adapter needs of Scintilla 5 and Lexilla. Their headers define the
// message names as macros, which clash with the names of lumen's 3.x
// interface, so only Scintilla5.cpp includes them; this header speaks in
// plain types and in the 3.x records.
#include <windows.h>

#include "abi/ScintillaInterface.h"

namespace lumen::scintilla5 {

// The adapter's lexers colour lines up to this length and leave longer ones
// (minified code, a one-line JSON) in the base style: the rest of the
// document keeps its colours, and a long line is styled at once.
inline constexpr size_t kLongestLexedLine = size_t{64} << 10;

// Lexilla's lexers, found by the lexer numbers of the 3.x interface.
class Lexers {
 public:
  // A null module (no Lexilla.dll) gives no lexers: documents stay plain.
  explicit Lexers(HMODULE lexilla);

  // Gives the inner control the lexer with number `id`: none for the
  // container (0), Lexilla's "null" lexer for numbers it does not know, as
  // 3.x falls back to plain text. Without Lexilla nothing changes. Lines
  // beyond kLongestLexedLine are not lexed.
  void Apply(HWND inner, int id) const;

 private:
  FARPROC createLexer_ = nullptr;
  FARPROC lexerNameFromId_ = nullptr;
};

// The 3.x record of a 5.x notification (64-bit positions narrowed to 32 bits),
// addressed as coming from `from` with control id `id`.
sci::SCNotification NotificationFrom5(const void* notification5, HWND from, UINT_PTR id);

}  // namespace lumen::scintilla5
