#pragma once
// Every change of the text the editor shows goes through here (and only
// ShownDocument makes them): a new text in place of the old one, a document
// built elsewhere put in place of the one shown, text added at the end, the
// text cleared. For the user the document is read-only throughout.
#include <cstddef>
#include <functional>
#include <string_view>

#include "abi/EditorControl.h"
#include "search/FileSearch.h"
#include "viewer/DocumentBuild.h"

namespace lumen {

class EditorDocument {
 public:
  explicit EditorDocument(const EditorControl& editor = EditorControl()) : editor_(editor) {}

  // Shows `text` alone, the caret at its start and nothing to undo.
  // `applyLooks` sets styles and lexer once the old text is gone.
  void Replace(std::string_view text, const std::function<void()>& applyLooks) const;
  // Puts `document` in place of the one shown, whose text it begins with,
  // keeping what the user sees: the same first line, selection and caret.
  // What belongs to a document rather than the editor goes with it: the code
  // page, tab width, undo and read-only setting; `applyLanguage` gives it its
  // lexer and keyword lists.
  void Adopt(UniqueLoader document, const std::function<void()>& applyLanguage) const;
  // `text` after the text, where the selection stays.
  void Append(std::string_view text) const;
  void Clear() const;
  // Room for `length` bytes of text: the control copies the whole text to
  // make it, so it is made seldom and ahead.
  void MakeRoom(size_t length) const;
  size_t length() const;
  // The text shown, lent to workers without a copy until it next changes
  // (any change here revokes it first), or until `Revoke`: the owner shows
  // another text by other means. None without an editor.
  std::shared_ptr<const HeldText> Lend() const;
  void Revoke() const;

 private:
  // Shows `document` (the caller's reference goes to the editor) in place of
  // the one shown, which a worker frees if it is big.
  void ShowInstead(void* document) const;

  EditorControl editor_;
  mutable std::shared_ptr<const HeldText> lent_;
};

}  // namespace lumen
