// The 5.x side of the adapter. Scintilla 5's headers come after lumen's 3.x
// interface header (through Scintilla5.h): from here on the SCI_/SCN_/SCLEX_
// names are Scintilla 5's macros, so this file names no 3.x constants.
#include "scintilla5_adapter/Scintilla5.h"

#include <algorithm>
#include <new>

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

namespace {

// A lexer that leaves lines longer than kLongestLexedLine in the base style
// and gives the rest to the lexer it wraps, run by run of shorter lines. The
// line after a long one starts from the base style.
class ShortLinesLexer final : public Scintilla::ILexer5 {
 public:
  explicit ShortLinesLexer(Scintilla::ILexer5* inner) : inner_(inner) {}

  void SCI_METHOD Lex(Sci_PositionU startPos, Sci_Position lengthDoc, int initStyle,
                      Scintilla::IDocument* document) override {
    const Sci_Position end = static_cast<Sci_Position>(startPos) + lengthDoc;
    const Sci_Position length = document->Length();
    Sci_Position line = document->LineFromPosition(static_cast<Sci_Position>(startPos));
    Sci_Position run = static_cast<Sci_Position>(startPos);  // the shorter lines' start
    for (Sci_Position lineStart = document->LineStart(line); lineStart < end; ++line) {
      const Sci_Position next = std::min(document->LineStart(line + 1), length);
      if (next <= lineStart) break;
      if (static_cast<size_t>(next - lineStart) > kLongestLexedLine) {
        const Sci_Position from = std::max(lineStart, run);
        if (run < from) inner_->Lex(static_cast<Sci_PositionU>(run), from - run, initStyle, document);
        document->StartStyling(from);
        document->SetStyleFor(next - from, 0);
        initStyle = 0;
        run = next;
      }
      lineStart = next;
    }
    if (run < end) inner_->Lex(static_cast<Sci_PositionU>(run), end - run, initStyle, document);
  }

  void SCI_METHOD Release() override {
    inner_->Release();
    delete this;
  }
  int SCI_METHOD Version() const override { return inner_->Version(); }
  const char* SCI_METHOD PropertyNames() override { return inner_->PropertyNames(); }
  int SCI_METHOD PropertyType(const char* name) override { return inner_->PropertyType(name); }
  const char* SCI_METHOD DescribeProperty(const char* name) override { return inner_->DescribeProperty(name); }
  Sci_Position SCI_METHOD PropertySet(const char* key, const char* value) override {
    return inner_->PropertySet(key, value);
  }
  const char* SCI_METHOD DescribeWordListSets() override { return inner_->DescribeWordListSets(); }
  Sci_Position SCI_METHOD WordListSet(int n, const char* list) override { return inner_->WordListSet(n, list); }
  void SCI_METHOD Fold(Sci_PositionU startPos, Sci_Position lengthDoc, int initStyle,
                       Scintilla::IDocument* document) override {
    inner_->Fold(startPos, lengthDoc, initStyle, document);
  }
  void* SCI_METHOD PrivateCall(int operation, void* pointer) override { return inner_->PrivateCall(operation, pointer); }
  int SCI_METHOD LineEndTypesSupported() override { return inner_->LineEndTypesSupported(); }
  int SCI_METHOD AllocateSubStyles(int styleBase, int numberStyles) override {
    return inner_->AllocateSubStyles(styleBase, numberStyles);
  }
  int SCI_METHOD SubStylesStart(int styleBase) override { return inner_->SubStylesStart(styleBase); }
  int SCI_METHOD SubStylesLength(int styleBase) override { return inner_->SubStylesLength(styleBase); }
  int SCI_METHOD StyleFromSubStyle(int subStyle) override { return inner_->StyleFromSubStyle(subStyle); }
  int SCI_METHOD PrimaryStyleFromStyle(int style) override { return inner_->PrimaryStyleFromStyle(style); }
  void SCI_METHOD FreeSubStyles() override { inner_->FreeSubStyles(); }
  void SCI_METHOD SetIdentifiers(int style, const char* identifiers) override {
    inner_->SetIdentifiers(style, identifiers);
  }
  int SCI_METHOD DistanceToSecondaryStyles() override { return inner_->DistanceToSecondaryStyles(); }
  const char* SCI_METHOD GetSubStyleBases() override { return inner_->GetSubStyleBases(); }
  int SCI_METHOD NamedStyles() override { return inner_->NamedStyles(); }
  const char* SCI_METHOD NameOfStyle(int style) override { return inner_->NameOfStyle(style); }
  const char* SCI_METHOD TagsOfStyle(int style) override { return inner_->TagsOfStyle(style); }
  const char* SCI_METHOD DescriptionOfStyle(int style) override { return inner_->DescriptionOfStyle(style); }
  const char* SCI_METHOD GetName() override { return inner_->GetName(); }
  int SCI_METHOD GetIdentifier() override { return inner_->GetIdentifier(); }
  const char* SCI_METHOD PropertyGet(const char* key) override { return inner_->PropertyGet(key); }

 private:
  ~ShortLinesLexer() = default;
  Scintilla::ILexer5* inner_;
};

}  // namespace

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
  if (!lexer) return;
  // The control owns the lexer from here on and releases it when replaced.
  ILexer5* shortLines = new (std::nothrow) ShortLinesLexer(lexer);
  if (!shortLines) return lexer->Release();
  SendMessageW(inner, SCI_SETILEXER, 0, reinterpret_cast<LPARAM>(shortLines));
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
