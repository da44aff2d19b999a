#include "EditorState.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "DocumentText.h"

namespace lumen::editor_standin {

using namespace lumen::sci;

namespace {

// Positions and lengths are 32-bit in this interface: the control truncates
// its arguments the same way.
int Int(uintptr_t value) { return static_cast<int>(value); }

int Length(const EditorState& editor) { return static_cast<int>(editor.text.size()); }

int ClampPosition(const EditorState& editor, int position) { return std::clamp(position, 0, Length(editor)); }

void SetSelection(EditorState& editor, int anchor, int caret) {
  editor.anchor = ClampPosition(editor, anchor);
  editor.caret = ClampPosition(editor, caret);
}

int SelectionStart(const EditorState& editor) { return std::min(editor.anchor, editor.caret); }
int SelectionEnd(const EditorState& editor) { return std::max(editor.anchor, editor.caret); }

LRESULT AddText(EditorState& editor, int length, const char* bytes) {
  if (editor.readOnly || !bytes || length <= 0) return 0;
  const int at = editor.caret;
  editor.text.insert(static_cast<size_t>(at), bytes, static_cast<size_t>(length));
  editor.indicators.InsertBytes(at, length);
  SetSelection(editor, at + length, at + length);
  editor.canUndo = editor.collectUndo;
  ++editor.contentVersion;
  return 0;
}

// At the end, leaving the selection where it is.
LRESULT AppendText(EditorState& editor, int length, const char* bytes) {
  if (editor.readOnly || !bytes || length <= 0) return 0;
  editor.text.append(bytes, static_cast<size_t>(length));
  editor.indicators.InsertBytes(Length(editor) - length, length);
  editor.canUndo = editor.collectUndo;
  ++editor.contentVersion;
  return 0;
}

LRESULT ClearAll(EditorState& editor) {
  if (editor.readOnly) return 0;
  if (!editor.text.empty()) {
    editor.text.clear();
    editor.indicators.Clear();
    editor.canUndo = editor.collectUndo;
    ++editor.contentVersion;
  }
  SetSelection(editor, 0, 0);
  return 0;
}

// The control's messages as a function, on any thread: of those, the stand-in
// knows only the one that needs no window, making a loader.
intptr_t DirectFunction(intptr_t, unsigned int message, uintptr_t, intptr_t) {
  return message == SCI_CREATELOADER ? reinterpret_cast<intptr_t>(new LoadedDocument()) : 0;
}

// The editor shows a built document in place of its own (none: a new empty
// one): everything that belongs to a document comes with it, as a new
// document has it.
LRESULT ShowDocument(EditorState& editor, LoadedDocument* document) {
  if (document) document->AddReference();
  if (editor.document) editor.document->Release();
  editor.document = document;
  editor.text = document ? std::move(document->text) : std::string();
  ++editor.contentVersion;
  SetSelection(editor, 0, 0);
  editor.firstVisibleLine = 0;
  editor.readOnly = false;
  editor.canUndo = false;
  editor.collectUndo = false;  // the loader's document collects none
  editor.codePage = 0;
  editor.tabWidth = 8;
  editor.lexer = SCLEX_CONTAINER;
  editor.keywords = {};
  editor.indicators.Clear();
  editor.currentIndicator = 0;
  editor.indicatorValue = 1;
  return 0;
}

// Buffer size in wParam, the zero included; without a buffer the size needed.
LRESULT GetText(const EditorState& editor, uintptr_t bufferSize, char* buffer) {
  if (!buffer) return Length(editor) + 1;
  if (bufferSize == 0) return 0;
  const size_t count = std::min<size_t>(bufferSize - 1, editor.text.size());
  std::memcpy(buffer, editor.text.data(), count);
  buffer[count] = '\0';
  return static_cast<LRESULT>(count);
}

// The 3.x form: the result counts the terminating zero, except that an empty
// selection copied into a buffer answers 0.
LRESULT GetSelText(const EditorState& editor, char* buffer) {
  const std::string selected = SelectedText(editor);
  if (!buffer) return static_cast<LRESULT>(selected.size()) + 1;
  std::memcpy(buffer, selected.c_str(), selected.size() + 1);
  return selected.empty() ? 0 : static_cast<LRESULT>(selected.size()) + 1;
}

// Like the control: the range is clipped to the document, and the buffer gets its bytes and a zero.
LRESULT GetTextRange(const EditorState& editor, Sci_TextRange* range) {
  if (!range || !range->lpstrText) return 0;
  const int length = Length(editor);
  const int start = std::clamp(range->chrg.cpMin, 0, length);
  const int end = range->chrg.cpMax < 0 ? length : std::clamp(range->chrg.cpMax, start, length);
  std::memcpy(range->lpstrText, editor.text.data() + start, static_cast<size_t>(end - start));
  range->lpstrText[end - start] = '\0';
  return end - start;
}

LRESULT FindInDocument(const EditorState& editor, int flags, Sci_TextToFind* find) {
  if (!find || !find->lpstrText) return -1;
  const auto found = SearchText(editor.text, find->chrg.cpMin, find->chrg.cpMax, find->lpstrText, flags);
  if (!found) return -1;
  find->chrgText = {found->start, found->end};
  return found->start;
}

LRESULT GetEditSelection(const EditorState& editor, DWORD* start, DWORD* end) {
  const auto first = static_cast<DWORD>(SelectionStart(editor));
  const auto last = static_cast<DWORD>(SelectionEnd(editor));
  if (start) *start = first;
  if (end) *end = last;
  return MAKELONG(first, last);
}

// Ctrl+wheel: one zoom step per message once a whole notch has gathered,
// within the control's limits of -10 and +20 points.
LRESULT MouseWheel(EditorState& editor, WPARAM wParam) {
  editor.wheelDelta -= GET_WHEEL_DELTA_WPARAM(wParam);
  if (std::abs(editor.wheelDelta) < WHEEL_DELTA) return 0;
  const bool zoomIn = editor.wheelDelta < 0;
  editor.wheelDelta %= WHEEL_DELTA;
  if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL)) return 0;  // scrolling: nothing to keep
  if (zoomIn && editor.zoom < 20) ++editor.zoom;
  if (!zoomIn && editor.zoom > -10) --editor.zoom;
  return 0;
}

void ClearStyles(EditorState& editor) {
  for (size_t style = 0; style < editor.styles.size(); ++style) {
    if (style != STYLE_DEFAULT) editor.styles[style] = editor.styles[STYLE_DEFAULT];
  }
  editor.styles[STYLE_LINENUMBER].back = GetSysColor(COLOR_3DFACE);
  editor.styles[STYLE_CALLTIP].back = RGB(0xFF, 0xFF, 0xFF);
  editor.styles[STYLE_CALLTIP].fore = RGB(0x80, 0x80, 0x80);
}

LRESULT SetLexer(EditorState& editor, int lexer) {
  // A new lexer starts with empty keyword lists.
  if (lexer != editor.lexer) editor.keywords = {};
  editor.lexer = lexer;
  return 0;
}

LRESULT CopyString(const std::string& value, char* buffer) {
  if (buffer) std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<LRESULT>(value.size());
}

template <typename T, size_t N>
T* Item(std::array<T, N>& items, uintptr_t index) {
  return index < N ? &items[index] : nullptr;
}

std::optional<LRESULT> HandleStyleMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  StyleLook* style = Item(editor.styles, wParam);
  if (!style) return 0;
  const auto colour = static_cast<COLORREF>(lParam);
  switch (message) {
    case SCI_STYLESETFORE: style->fore = colour; return 0;
    case SCI_STYLESETBACK: style->back = colour; return 0;
    case SCI_STYLESETBOLD: style->bold = lParam != 0; return 0;
    case SCI_STYLESETITALIC: style->italic = lParam != 0; return 0;
    case SCI_STYLESETSIZE: style->size = Int(lParam); return 0;
    case SCI_STYLESETFONT: if (lParam) style->font = reinterpret_cast<const char*>(lParam); return 0;
    case SCI_STYLESETEOLFILLED: style->eolFilled = lParam != 0; return 0;
    case SCI_STYLESETUNDERLINE: style->underline = lParam != 0; return 0;
    case SCI_STYLEGETFORE: return style->fore;
    case SCI_STYLEGETBACK: return style->back;
    case SCI_STYLEGETBOLD: return style->bold;
    case SCI_STYLEGETITALIC: return style->italic;
    case SCI_STYLEGETSIZE: return style->size;
    case SCI_STYLEGETFONT: return CopyString(style->font, reinterpret_cast<char*>(lParam));
    case SCI_STYLEGETEOLFILLED: return style->eolFilled;
    case SCI_STYLEGETUNDERLINE: return style->underline;
    default: return std::nullopt;
  }
}

std::optional<LRESULT> HandleIndicatorMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  Indicators& indicators = editor.indicators;
  switch (message) {
    case SCI_SETINDICATORCURRENT: editor.currentIndicator = Int(wParam); return 0;
    case SCI_SETINDICATORVALUE: editor.indicatorValue = Int(wParam); return 0;
    case SCI_GETINDICATORVALUE: return editor.indicatorValue;
    case SCI_INDICATORFILLRANGE:
      indicators.Fill(editor.currentIndicator, Length(editor), Int(wParam), Int(lParam), editor.indicatorValue);
      return 0;
    case SCI_INDICATORCLEARRANGE:
      indicators.Fill(editor.currentIndicator, Length(editor), Int(wParam), Int(lParam), 0);
      return 0;
    case SCI_INDICATORVALUEAT: return indicators.ValueAt(Int(wParam), Int(lParam));
    case SCI_INDICATORSTART: return indicators.RunStart(Int(wParam), Int(lParam));
    case SCI_INDICATOREND: return indicators.RunEnd(Int(wParam), Int(lParam));
    default: break;
  }
  IndicatorLook* look = Item(editor.indicatorLooks, wParam);
  switch (message) {
    case SCI_INDICSETSTYLE: if (look) look->style = Int(lParam); return 0;
    case SCI_INDICSETFORE: if (look) look->fore = static_cast<COLORREF>(lParam); return 0;
    case SCI_INDICSETALPHA: if (look) look->alpha = Int(lParam); return 0;
    case SCI_INDICSETOUTLINEALPHA: if (look) look->outlineAlpha = Int(lParam); return 0;
    case SCI_INDICGETSTYLE: return look ? look->style : 0;
    case SCI_INDICGETFORE: return look ? look->fore : 0;
    case SCI_INDICGETALPHA: return look ? look->alpha : 0;
    case SCI_INDICGETOUTLINEALPHA: return look ? look->outlineAlpha : 0;
    default: return std::nullopt;
  }
}

std::optional<LRESULT> HandleViewMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case SCI_SETMARGINWIDTHN: if (int* width = Item(editor.marginWidths, wParam)) *width = Int(lParam); return 0;
    case SCI_GETMARGINWIDTHN: if (int* width = Item(editor.marginWidths, wParam)) return *width; return 0;
    case SCI_SETWRAPMODE: editor.wrapMode = Int(wParam); return 0;
    case SCI_GETWRAPMODE: return editor.wrapMode;
    case SCI_SETSCROLLWIDTH: if (Int(wParam) > 0) editor.scrollWidth = Int(wParam); return 0;
    case SCI_GETSCROLLWIDTH: return editor.scrollWidth;
    case SCI_SETSCROLLWIDTHTRACKING: editor.scrollWidthTracking = wParam != 0; return 0;
    case SCI_GETSCROLLWIDTHTRACKING: return editor.scrollWidthTracking;
    case SCI_SETTABWIDTH: if (Int(wParam) > 0) editor.tabWidth = Int(wParam); return 0;
    case SCI_GETTABWIDTH: return editor.tabWidth;
    case SCI_SETXOFFSET: editor.xOffset = std::max(Int(wParam), 0); return 0;
    case SCI_GETXOFFSET: return editor.xOffset;
    case SCI_USEPOPUP: editor.usePopup = wParam != 0; return 0;
    case SCI_SETCARETLINEVISIBLE: editor.caretLineVisible = wParam != 0; return 0;
    case SCI_GETCARETLINEVISIBLE: return editor.caretLineVisible;
    case SCI_SETCARETLINEVISIBLEALWAYS: editor.caretLineAlways = wParam != 0; return 0;
    case SCI_GETCARETLINEVISIBLEALWAYS: return editor.caretLineAlways;
    case SCI_SETCARETLINEBACK: editor.caretLineBack = static_cast<COLORREF>(wParam); return 0;
    case SCI_GETCARETLINEBACK: return editor.caretLineBack;
    case SCI_SETCARETFORE: editor.caretFore = static_cast<COLORREF>(wParam); return 0;
    case SCI_GETCARETFORE: return editor.caretFore;
    case SCI_SETSELBACK: if (wParam) editor.selectionBack = static_cast<COLORREF>(lParam); return 0;
    case SCI_SETZOOM: editor.zoom = Int(wParam); return 0;
    case SCI_GETZOOM: return editor.zoom;
    case SCI_SCROLLRANGE: {
      // As the control does: the range comes into view, near the middle when it was far.
      const int line = LineOf(editor.text, Int(wParam));
      constexpr int kLinesOnScreen = 30;
      if (line < editor.firstVisibleLine || line >= editor.firstVisibleLine + kLinesOnScreen) {
        editor.firstVisibleLine = std::max(line - kLinesOnScreen / 2, 0);
      }
      return 0;
    }
    case WM_MOUSEWHEEL: return MouseWheel(editor, wParam);
    // Deterministic metrics: every byte is as wide as the zoomed 8-point font.
    case SCI_TEXTWIDTH:
      return lParam ? static_cast<LRESULT>(std::strlen(reinterpret_cast<const char*>(lParam))) *
                          std::max(1, 8 + editor.zoom)
                    : 0;
    default: return std::nullopt;
  }
}

std::optional<LRESULT> HandleLexerMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case SCI_STYLECLEARALL: ClearStyles(editor); return 0;
    case SCI_SETLEXER: return SetLexer(editor, Int(wParam));
    case SCI_GETLEXER: return editor.lexer;
    case SCI_SETKEYWORDS:
      if (std::string* list = Item(editor.keywords, wParam)) *list = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return 0;
    case SCI_SETSTYLEBITS: editor.styleBits = Int(wParam); return 0;
    case SCI_GETSTYLEBITS: return editor.styleBits;
    case SCI_GETSTYLEAT: return 0;
    default: return std::nullopt;
  }
}

std::optional<LRESULT> HandleSelectionMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  const int length = Length(editor);
  switch (message) {
    case SCI_GETCURRENTPOS: return editor.caret;
    case SCI_GETANCHOR: return editor.anchor;
    case SCI_GETSELECTIONSTART: return SelectionStart(editor);
    case SCI_GETSELECTIONEND: return SelectionEnd(editor);
    case SCI_GOTOPOS:
    case SCI_SETEMPTYSELECTION: SetSelection(editor, Int(wParam), Int(wParam)); return 0;
    case SCI_SETSEL: {
      const int caret = Int(lParam) < 0 ? length : Int(lParam);
      SetSelection(editor, Int(wParam) < 0 ? caret : Int(wParam), caret);
      return 0;
    }
    case EM_SETSEL: {
      const int end = Int(lParam) < 0 ? length : Int(lParam);
      SetSelection(editor, Int(wParam) < 0 ? end : Int(wParam), end);
      return 0;
    }
    case EM_GETSEL:
      return GetEditSelection(editor, reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
    case SCI_GETSELTEXT: return GetSelText(editor, reinterpret_cast<char*>(lParam));
    case SCI_GETTEXTRANGE: return GetTextRange(editor, reinterpret_cast<Sci_TextRange*>(lParam));
    // One stream selection only: it is the main one.
    case SCI_GETSELECTIONS: return 1;
    case SCI_GETMAINSELECTION: return 0;
    case SCI_GETSELECTIONNSTART: return wParam == 0 ? SelectionStart(editor) : 0;
    case SCI_GETSELECTIONNEND: return wParam == 0 ? SelectionEnd(editor) : 0;
    case SCI_WORDSTARTPOSITION: return WordStartPosition(editor.text, Int(wParam), lParam != 0);
    case SCI_WORDENDPOSITION: return WordEndPosition(editor.text, Int(wParam), lParam != 0);
    case SCI_FINDTEXT: return FindInDocument(editor, Int(wParam), reinterpret_cast<Sci_TextToFind*>(lParam));
    default: return std::nullopt;
  }
}

std::optional<LRESULT> HandleDocumentMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  const int length = Length(editor);
  switch (message) {
    case SCI_ADDTEXT: return AddText(editor, Int(wParam), reinterpret_cast<const char*>(lParam));
    case SCI_CLEARALL: return ClearAll(editor);
    case SCI_APPENDTEXT: return AppendText(editor, Int(wParam), reinterpret_cast<const char*>(lParam));
    case SCI_CREATELOADER: return reinterpret_cast<LRESULT>(new LoadedDocument());
    case SCI_GETDIRECTFUNCTION: return reinterpret_cast<LRESULT>(&DirectFunction);
    case SCI_GETDIRECTPOINTER: return reinterpret_cast<LRESULT>(&editor);
    case SCI_SETDOCPOINTER: return ShowDocument(editor, reinterpret_cast<LoadedDocument*>(lParam));
    case SCI_RELEASEDOCUMENT: if (lParam) reinterpret_cast<LoadedDocument*>(lParam)->Release(); return 0;
    case SCI_GETLENGTH:
    case SCI_GETTEXTLENGTH: return length;
    case SCI_GETTEXT: return GetText(editor, wParam, reinterpret_cast<char*>(lParam));
    // The control answers a plain char: bytes above 0x7F come back negative.
    case SCI_GETCHARAT: return Int(wParam) >= 0 && Int(wParam) < length ? static_cast<signed char>(editor.text[Int(wParam)]) : 0;
    case SCI_GETLINECOUNT: return LineCount(editor.text);
    // The control's own buffer, zero-terminated, valid until the next change.
    case SCI_GETCHARACTERPOINTER: return reinterpret_cast<LRESULT>(editor.text.c_str());
    case SCI_POSITIONFROMLINE: return LineStart(editor.text, Int(wParam));
    case SCI_GETLINEENDPOSITION: return LineEnd(editor.text, Int(wParam));
    case SCI_LINEFROMPOSITION: return LineOf(editor.text, Int(wParam));
    // Columns are bytes: the stand-in expands no tabs.
    case SCI_FINDCOLUMN: {
      const int start = LineStart(editor.text, Int(wParam));
      return start < 0 ? length : std::min(start + std::max(Int(lParam), 0), LineEnd(editor.text, Int(wParam)));
    }
    // No folding and no wrapping of the view: a document line is a display line.
    case SCI_VISIBLEFROMDOCLINE:
    case SCI_DOCLINEFROMVISIBLE: return wParam;
    case SCI_LINESONSCREEN: return 30;
    case SCI_GETFIRSTVISIBLELINE: return editor.firstVisibleLine;
    case SCI_SETFIRSTVISIBLELINE:
      editor.firstVisibleLine = std::clamp(Int(wParam), 0, LineCount(editor.text) - 1);
      return 0;
    case SCI_SETREADONLY: editor.readOnly = wParam != 0; return 0;
    case SCI_GETREADONLY: return editor.readOnly;
    case SCI_CANUNDO: return editor.canUndo;
    case SCI_EMPTYUNDOBUFFER: editor.canUndo = false; return 0;
    case SCI_SETUNDOCOLLECTION: editor.collectUndo = wParam != 0; return 0;
    case SCI_GETUNDOCOLLECTION: return editor.collectUndo;
    case SCI_SETCODEPAGE: editor.codePage = Int(wParam); return 0;
    case SCI_GETCODEPAGE: return editor.codePage;
    default: return std::nullopt;
  }
}

bool IsStyleMessage(UINT message) {
  return (message >= SCI_STYLESETFORE && message <= SCI_STYLESETUNDERLINE) ||
         (message >= SCI_STYLEGETFORE && message <= SCI_STYLEGETUNDERLINE);
}

}  // namespace

int LoadedDocument::Release() {
  const int left = --references_;
  if (left == 0) delete this;
  return left;
}

int LoadedDocument::AddData(const char* data, intptr_t length) {
  if (length < 0) return 1;  // the control's failure status
  text.append(data, static_cast<size_t>(length));
  return SC_STATUS_OK;
}

EditorState::~EditorState() {
  if (document) document->Release();
}

EditorState::EditorState() {
  // The control's first three indicators have looks of their own.
  indicatorLooks[0] = {INDIC_SQUIGGLE, RGB(0, 0x7F, 0)};
  indicatorLooks[1] = {INDIC_TT, RGB(0, 0, 0xFF)};
  indicatorLooks[2] = {INDIC_PLAIN, RGB(0xFF, 0, 0)};
}

std::optional<LRESULT> HandleEditorMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsStyleMessage(message)) return HandleStyleMessage(editor, message, wParam, lParam);
  for (const auto handler : {HandleDocumentMessage, HandleSelectionMessage, HandleLexerMessage,
                             HandleIndicatorMessage, HandleViewMessage}) {
    if (const auto result = handler(editor, message, wParam, lParam)) return result;
  }
  return std::nullopt;
}

std::string PassedText(UINT message, LPARAM lParam) {
  const char* text = nullptr;
  switch (message) {
    case SCI_STYLESETFONT:
    case SCI_SETKEYWORDS:
    case SCI_TEXTWIDTH: text = reinterpret_cast<const char*>(lParam); break;
    case SCI_FINDTEXT:
      if (lParam) text = reinterpret_cast<const Sci_TextToFind*>(lParam)->lpstrText;
      break;
    default: break;
  }
  return text ? text : "";
}

std::string SelectedText(const EditorState& editor) {
  const int start = SelectionStart(editor);
  return editor.text.substr(static_cast<size_t>(start), static_cast<size_t>(SelectionEnd(editor) - start));
}

}  // namespace lumen::editor_standin
