#include "viewer/EditorDocument.h"

#include <algorithm>

namespace lumen {

using namespace sci;

void EditorDocument::Replace(std::string_view text, const std::function<void()>& applyLooks) const {
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_CLEARALL);
  applyLooks();
  editor_.Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  editor_.Send(SCI_ADDTEXT, text.size(), text.data());
  editor_.Send(SCI_GOTOPOS, 0);
  editor_.Send(SCI_EMPTYUNDOBUFFER);
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::Adopt(UniqueLoader document, const std::function<void()>& applyLanguage) const {
  if (!editor_.exists() || !document) return;
  const LRESULT firstLine = editor_.Send(SCI_GETFIRSTVISIBLELINE), xOffset = editor_.Send(SCI_GETXOFFSET);
  const LRESULT anchor = editor_.Send(SCI_GETANCHOR), caret = editor_.Send(SCI_GETCURRENTPOS);
  const LRESULT tabWidth = editor_.Send(SCI_GETTABWIDTH);
  void* const built = document.release()->ConvertToDocument();
  editor_.Send(SCI_SETDOCPOINTER, 0, built);
  editor_.Send(SCI_RELEASEDOCUMENT, 0, built);  // the editor holds the only reference from now on
  editor_.Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  editor_.Send(SCI_SETTABWIDTH, tabWidth);
  editor_.Send(SCI_SETUNDOCOLLECTION, 0);
  applyLanguage();
  editor_.Send(SCI_SETSEL, anchor, caret);
  editor_.Send(SCI_SETFIRSTVISIBLELINE, firstLine);
  editor_.Send(SCI_SETXOFFSET, xOffset);
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::Append(std::string_view text) const {
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_APPENDTEXT, text.size(), text.data());
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::Clear() const {
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_CLEARALL);
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::MakeRoom(size_t length) const { editor_.Send(SCI_ALLOCATE, length); }

size_t EditorDocument::length() const {
  return static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETLENGTH), 0));
}

}  // namespace lumen
