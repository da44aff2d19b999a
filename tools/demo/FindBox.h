#pragma once
// The host's find box, nested the way Tessera nests its own: a utility pane,
// its inner pane, a dialog, a dialog inside that, and there a label and a
// combo box whose edit holds the text. lumen reaches the box without any
// interface, by walking the host's windows along their class names.
#include <string>
#include <windows.h>

#include "base/Handles.h"

namespace lumen::demo {

// The pane classes; once per process, before the first box.
void RegisterFindBoxClasses(HINSTANCE instance);

class FindBox {
 public:
  // The combo box sends its notifications to the frame under `comboId`.
  FindBox(HINSTANCE instance, HWND frame, int comboId, const std::wstring& label, HFONT font);

  HWND pane() const { return pane_.get(); }
  // True when `window` is the box or lies inside it.
  bool Contains(HWND window) const;
  // The combo box's height and a margin above and below it.
  int PreferredHeight() const;
  std::wstring Text() const;
  void SetText(const std::wstring& text) const;

 private:
  UniqueWindow pane_;
  HWND combo_ = nullptr;  // destroyed with the pane
};

}  // namespace lumen::demo
