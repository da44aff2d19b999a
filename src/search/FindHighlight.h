#pragma once
// Finding text in the editor and marking it with the search indicator (0),
// which the search, the selected-word highlight and the host's find text share.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/EditorControl.h"
#include "config/Model.h"

namespace lumen {

// One match in the document: byte positions, end exclusive.
struct Match {
  int32_t start = 0;
  int32_t end = 0;
  bool operator==(const Match&) const = default;
};

constexpr int kSearchIndicator = 0;

// Flags of the editor's find for the two search options.
int SearchFlags(bool matchCase, bool wholeWord);

// Round box in the configured colour and alphas; without a highlight the
// control's default colour and alphas stay.
void SetUpSearchIndicator(const EditorControl& editor, const std::optional<Highlight>& highlight);

void ClearSearchIndicator(const EditorControl& editor);

// Selects a match and scrolls it into view, its end first.
void SelectMatch(const EditorControl& editor, const Match& match);

struct Selection {
  int32_t start = 0;
  int32_t end = 0;
  bool empty() const { return start >= end; }
};
// The main selection: of a rectangle or several selections, searching and the
// word highlight take the piece the caret is in.
Selection GetSelection(const EditorControl& editor);
// The selection's bytes (UTF-8), up to the first zero.
std::string SelectedText(const EditorControl& editor, const Selection& selection);
// Whether the selection is exactly one word of the editor's word characters.
bool IsWholeWord(const EditorControl& editor, const Selection& selection);

}  // namespace lumen
