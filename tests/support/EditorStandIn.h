#pragma once
// Test access to the editor stand-in SciLexer.dll: the messages each editor
// window received and the keyword lists it holds. Plus readers that use only
// the control's public messages, so they work on the real control as well.
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>
#include <windows.h>

#include "editor_standin/EditorStandInApi.h"

namespace lumen::test {

struct EditorMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::string text;  // the string the message passed (font, keywords, measured or searched text)
};

class EditorStandIn {
 public:
  // Takes the SciLexer.dll already loaded, else loads it from the program's
  // folder; throws std::runtime_error when there is none or it is not the
  // stand-in. Destroy the editor windows before this object: the DLL may go
  // with it.
  EditorStandIn();

  // Oldest first; empty for a window that is no stand-in editor.
  std::vector<EditorMessage> Messages(HWND editor) const;
  // Only the messages with this number.
  std::vector<EditorMessage> Messages(HWND editor, UINT message) const;
  void ClearMessages(HWND editor) const;
  // The list last given to SCI_SETKEYWORDS for `set` (0 to 8).
  std::string Keywords(HWND editor, int set) const;

 private:
  struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule> module_;
  decltype(&EditorStandIn_MessageCount) messageCount_;
  decltype(&EditorStandIn_MessageAt) messageAt_;
  decltype(&EditorStandIn_ClearMessages) clearMessages_;
  decltype(&EditorStandIn_Keywords) keywords_;
};

// The ranges (start, end) in which `indicator` has a value, in document order.
std::vector<std::pair<int, int>> IndicatorRanges(HWND editor, int indicator = 0);
// The whole document (UTF-8 bytes).
std::string DocumentText(HWND editor);

}  // namespace lumen::test
