#include "viewer/EditorDocument.h"

#include <algorithm>

#include "viewer/LoaderFactory.h"

namespace lumen {

using namespace sci;

namespace {

// Freeing a document gives its pages back to the system, about 170 ms a GB
// on the thread that frees it: one this big is freed by a worker.
constexpr size_t kFreedByAWorkerFrom = size_t{64} << 20;

}  // namespace

void EditorDocument::ShowInstead(void* document) const {
  void* const shown =
      length() >= kFreedByAWorkerFrom ? reinterpret_cast<void*>(editor_.Send(SCI_GETDOCPOINTER)) : nullptr;
  if (shown) editor_.Send(SCI_ADDREFDOCUMENT, 0, shown);
  editor_.Send(SCI_SETDOCPOINTER, 0, document);
  editor_.Send(SCI_RELEASEDOCUMENT, 0, document);  // the editor holds the only reference from now on
  if (shown && !LoaderFactory::ReleaseInBackground(shown)) editor_.Send(SCI_RELEASEDOCUMENT, 0, shown);
}

void EditorDocument::Replace(std::string_view text, const std::function<void()>& applyLooks) const {
  Revoke();
  if (length() >= kFreedByAWorkerFrom) {
    // A new document, while a worker frees the old; `applyLooks` gives it its lexer.
    const LRESULT tabWidth = editor_.Send(SCI_GETTABWIDTH);
    if (void* const empty = reinterpret_cast<void*>(editor_.Send(SCI_CREATEDOCUMENT))) ShowInstead(empty);
    editor_.Send(SCI_SETTABWIDTH, tabWidth);
  }
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
  Revoke();
  const LRESULT firstLine = editor_.Send(SCI_GETFIRSTVISIBLELINE), xOffset = editor_.Send(SCI_GETXOFFSET);
  const LRESULT anchor = editor_.Send(SCI_GETANCHOR), caret = editor_.Send(SCI_GETCURRENTPOS);
  const LRESULT tabWidth = editor_.Send(SCI_GETTABWIDTH);
  void* const built = document.release()->ConvertToDocument();
  ShowInstead(built);
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
  Revoke();
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_APPENDTEXT, text.size(), text.data());
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::Clear() const {
  Revoke();
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_CLEARALL);
  editor_.Send(SCI_SETREADONLY, 1);
}

void EditorDocument::MakeRoom(size_t length) const {
  Revoke();  // the control moves its text
  editor_.Send(SCI_ALLOCATE, length);
}

std::shared_ptr<const HeldText> EditorDocument::Lend() const {
  if (lent_ || !editor_.exists()) return lent_;
  const auto length = static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETLENGTH), 0));
  // The text as one piece; it stays where it is until the text changes.
  const auto* characters = reinterpret_cast<const char*>(editor_.Send(SCI_GETCHARACTERPOINTER));
  if (characters) lent_ = std::make_shared<const HeldText>(characters, length);
  return lent_;
}

void EditorDocument::Revoke() const {
  if (lent_) lent_->Revoke();
  lent_.reset();
}

size_t EditorDocument::length() const {
  return static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETLENGTH), 0));
}

}  // namespace lumen
