#pragma once
// Everything one editor window holds, and its answers to the messages that
// need no window: the document, selection, styles, lexer settings,
// indicators, margins and zoom, with the real control's defaults.
#include <array>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

#include "Indicators.h"
#include "abi/ScintillaInterface.h"

namespace lumen::editor_standin {

struct StyleLook {
  COLORREF fore = RGB(0, 0, 0);
  COLORREF back = RGB(0xFF, 0xFF, 0xFF);
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool eolFilled = false;
  int size = 8;
  std::string font = "Verdana";
};

struct IndicatorLook {
  int style = sci::INDIC_PLAIN;
  COLORREF fore = RGB(0, 0, 0);
  int alpha = 30;
  int outlineAlpha = 50;
};

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::string text;  // the string a message passes, else empty
};

// A document built away from any window, as the control's loader builds
// one: its text, and references like the control's documents have.
class LoadedDocument final : public sci::ILoader {
 public:
  int __stdcall Release() override;
  int __stdcall AddData(const char* data, intptr_t length) override;
  void* __stdcall ConvertToDocument() override { return this; }
  void AddReference() { ++references_; }

  std::string text;

 private:
  int references_ = 1;
};

struct EditorState {
  EditorState();
  ~EditorState();
  EditorState(const EditorState&) = delete;
  EditorState& operator=(const EditorState&) = delete;

  std::string text;  // UTF-8 bytes
  int caret = 0;
  int anchor = 0;
  bool readOnly = false;
  bool canUndo = false;
  bool collectUndo = true;
  unsigned contentVersion = 0;  // advances with every change of the text
  int codePage = 0;

  std::array<StyleLook, sci::STYLE_MAX + 1> styles;
  int lexer = sci::SCLEX_CONTAINER;
  int styleBits = 5;
  std::array<std::string, sci::KEYWORDSET_MAX + 1> keywords;

  bool caretLineVisible = false;
  bool caretLineAlways = false;
  COLORREF caretLineBack = RGB(0xFF, 0xFF, 0);
  COLORREF caretFore = RGB(0, 0, 0);
  COLORREF selectionBack = RGB(0xC0, 0xC0, 0xC0);

  Indicators indicators;
  int currentIndicator = 0;
  int indicatorValue = 1;
  std::array<IndicatorLook, sci::INDIC_MAX + 1> indicatorLooks;

  std::array<int, sci::SC_MAX_MARGIN + 1> marginWidths{0, 16, 0, 0, 0};
  int wrapMode = sci::SC_WRAP_NONE;
  int scrollWidth = 2000;
  bool scrollWidthTracking = false;
  int tabWidth = 8;
  int xOffset = 0;  // the horizontal scroll, in pixels
  bool usePopup = true;
  int zoom = 0;
  int firstVisibleLine = 0;
  int wheelDelta = 0;  // wheel movement not yet turned into a zoom step

  std::vector<RecordedMessage> log;
  LoadedDocument* document = nullptr;  // one reference, while shown
};

// The answer to `message`, or nothing when it is not one of these messages.
std::optional<LRESULT> HandleEditorMessage(EditorState& editor, UINT message, WPARAM wParam, LPARAM lParam);

// The string that `message` passes (font name, keyword list, measured text,
// search text), copied for the log; empty for any other message.
std::string PassedText(UINT message, LPARAM lParam);

// The selected bytes.
std::string SelectedText(const EditorState& editor);

}  // namespace lumen::editor_standin
