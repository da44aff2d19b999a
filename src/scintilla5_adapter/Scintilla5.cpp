// The 5.x side of the adapter. Scintilla 5's headers come after lumen's 3.x
// interface header (through Scintilla5.h): from here on the SCI_/SCN_/SCLEX_
// names are Scintilla 5's macros, so this file names no 3.x constants.
#include "scintilla5_adapter/Scintilla5.h"

#include <ILexer.h>
#include <Lexilla.h>
#include <SciLexer.h>
#include <Scintilla.h>

namespace lumen::scintilla5 {

// Lexer numbers are the currency of the 3.x interface, so the deprecated
// number-to-name lookup is exactly what is needed here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
using LexerNameFromId = Lexilla::LexerNameFromIDFn;
#pragma GCC diagnostic pop

// GetProcAddress gives every function one type; the detour through void(*)()
// tells the compiler the cast to the real type is meant.
template <typename Function>
Function ProcAs(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

Lexers::Lexers(HMODULE lexilla) {
  if (!lexilla) return;
  createLexer_ = GetProcAddress(lexilla, LEXILLA_CREATELEXER);
  lexerNameFromId_ = GetProcAddress(lexilla, LEXILLA_LEXERNAMEFROMID);
  // Lexilla fills its catalogue of lexers at its first use, without a lock:
  // filled here, while the adapter loads, two viewers on two threads making
  // their first lexers never race on it.
  if (const FARPROC count = GetProcAddress(lexilla, LEXILLA_GETLEXERCOUNT)) ProcAs<Lexilla::GetLexerCountFn>(count)();
}

void Lexers::Apply(HWND inner, int id) const {
  if (id == SCLEX_CONTAINER) {
    SendMessageW(inner, SCI_SETILEXER, 0, 0);
    return;
  }
  if (!createLexer_ || !lexerNameFromId_) return;
  const auto nameOf = ProcAs<LexerNameFromId>(lexerNameFromId_);
  const auto create = ProcAs<Lexilla::CreateLexerFn>(createLexer_);
  const char* name = nameOf(id);
  if (!name) name = nameOf(SCLEX_NULL);
  ILexer5* lexer = name ? create(name) : nullptr;
  // The control owns the lexer from here on and releases it when replaced.
  if (lexer) SendMessageW(inner, SCI_SETILEXER, 0, reinterpret_cast<LPARAM>(lexer));
}

sci::SCNotification NotificationFrom5(const void* notification5, HWND from, UINT_PTR id) {
  const auto& in = *static_cast<const ::SCNotification*>(notification5);
  sci::SCNotification out{};
  out.nmhdr.hwndFrom = from;
  out.nmhdr.idFrom = id;
  out.nmhdr.code = in.nmhdr.code;
  out.position = static_cast<int32_t>(in.position);
  out.ch = in.ch;
  out.modifiers = in.modifiers;
  out.modificationType = in.modificationType;
  out.text = in.text;
  out.length = static_cast<int32_t>(in.length);
  out.linesAdded = static_cast<int32_t>(in.linesAdded);
  out.message = in.message;
  out.wParam = in.wParam;
  out.lParam = in.lParam;
  out.line = static_cast<int32_t>(in.line);
  out.foldLevelNow = in.foldLevelNow;
  out.foldLevelPrev = in.foldLevelPrev;
  out.margin = in.margin;
  out.listType = in.listType;
  out.x = in.x;
  out.y = in.y;
  out.token = in.token;
  out.annotationLinesAdded = static_cast<int32_t>(in.annotationLinesAdded);
  out.updated = in.updated;
  out.listCompletionMethod = in.listCompletionMethod;
  return out;
}

}  // namespace lumen::scintilla5
