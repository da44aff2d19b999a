#include "search/FindHighlight.h"

#include <algorithm>
#include <string_view>

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

std::vector<Match> FindAll(const EditorControl& editor, const std::string& text, int flags) {
  std::vector<Match> found;
  if (text.empty() || !editor.exists()) return found;
  const int32_t length = narrow_cast<int32_t>(editor.Send(SCI_GETLENGTH));
  Sci_TextToFind find = {{0, length}, text.c_str(), {0, 0}};
  while (editor.Send(SCI_FINDTEXT, flags, &find) != -1) {
    found.push_back({find.chrgText.cpMin, find.chrgText.cpMax});
    // An empty match would be found again and again at the same place.
    if (find.chrgText.cpMax <= find.chrg.cpMin) break;
    find.chrg.cpMin = find.chrgText.cpMax;
  }
  return found;
}

std::vector<Match> FindAllMatches(const EditorControl& editor, const Pattern& pattern) {
  std::vector<Match> found;
  const auto length = static_cast<size_t>(editor.Send(SCI_GETLENGTH));
  const auto* bytes = reinterpret_cast<const char*>(editor.Send(SCI_GETCHARACTERPOINTER));
  if (!bytes || length == 0) return found;
  const std::string_view document(bytes, length);
  for (size_t lineStart = 0; lineStart <= document.size();) {
    const size_t lineEnd = std::min(document.find_first_of("\r\n", lineStart), document.size());
    const std::string_view line = document.substr(lineStart, lineEnd - lineStart);
    for (size_t from = 0; from <= line.size();) {
      const auto span = pattern.Find(line, from);
      if (!span) break;
      if (span->end > span->start) {
        found.push_back({narrow_cast<int32_t>(lineStart + span->start), narrow_cast<int32_t>(lineStart + span->end)});
        from = span->end;
      } else {
        // Past an empty match by one whole character.
        from = span->start + 1;
        while (from < line.size() && (static_cast<uint8_t>(line[from]) & 0xC0) == 0x80) ++from;
      }
    }
    if (lineEnd >= document.size()) break;
    lineStart = lineEnd + (document.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1);
  }
  return found;
}

void ClearSearchIndicator(const EditorControl& editor) {
  const LRESULT length = editor.Send(SCI_GETLENGTH);
  editor.Send(SCI_SETINDICATORCURRENT, kSearchIndicator);
  editor.Send(SCI_INDICATORCLEARRANGE, 0, length);
}

void HighlightMatches(const EditorControl& editor, const std::vector<Match>& list) {
  ClearSearchIndicator(editor);
  for (const Match& match : list) editor.Send(SCI_INDICATORFILLRANGE, match.start, match.end - match.start);
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
