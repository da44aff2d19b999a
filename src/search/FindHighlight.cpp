#include "search/FindHighlight.h"

#include "base/NarrowCast.h"

namespace lumen {

using namespace sci;

int SearchFlags(bool matchCase, bool wholeWord) {
  return (matchCase ? SCFIND_MATCHCASE : 0) | (wholeWord ? SCFIND_WHOLEWORD : 0);
}

void SetUpSearchIndicator(const EditorControl& editor, const std::optional<Highlight>& highlight) {
  editor.Send(SCI_INDICSETSTYLE, kSearchIndicator, INDIC_ROUNDBOX);
  if (!highlight) return;
  editor.Send(SCI_INDICSETFORE, kSearchIndicator, SwapRedBlue(highlight->foreground));
  editor.Send(SCI_INDICSETALPHA, kSearchIndicator, highlight->foregroundAlpha);
  editor.Send(SCI_INDICSETOUTLINEALPHA, kSearchIndicator, highlight->outlineAlpha);
}

void ClearSearchIndicator(const EditorControl& editor) {
  const LRESULT length = editor.Send(SCI_GETLENGTH);
  editor.Send(SCI_SETINDICATORCURRENT, kSearchIndicator);
  editor.Send(SCI_INDICATORCLEARRANGE, 0, length);
}

void SelectMatch(const EditorControl& editor, const Match& match) {
  editor.Send(SCI_SETSEL, match.start, match.end);
  editor.Send(SCI_SCROLLRANGE, match.start, match.end);
}

Selection GetSelection(const EditorControl& editor) {
  const WPARAM main = static_cast<WPARAM>(editor.Send(SCI_GETMAINSELECTION));
  return {static_cast<int32_t>(editor.Send(SCI_GETSELECTIONNSTART, main)),
          static_cast<int32_t>(editor.Send(SCI_GETSELECTIONNEND, main))};
}

std::string SelectedText(const EditorControl& editor, const Selection& selection) {
  if (selection.empty()) return {};
  // The range's own bytes: the control writes exactly them and a zero, whatever
  // the other pieces of a rectangle or a multiple selection hold.
  std::string buffer(static_cast<size_t>(selection.end - selection.start) + 1, '\0');
  Sci_TextRange range = {{selection.start, selection.end}, buffer.data()};
  editor.Send(SCI_GETTEXTRANGE, 0, &range);
  buffer.resize(buffer.find('\0'));
  return buffer;
}

bool IsWholeWord(const EditorControl& editor, const Selection& selection) {
  return !selection.empty() && editor.Send(SCI_WORDSTARTPOSITION, selection.start + 1, 1) == selection.start &&
         editor.Send(SCI_WORDENDPOSITION, selection.start, 1) == selection.end;
}

}  // namespace lumen
