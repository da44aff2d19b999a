#pragma once
// The search in one viewer's document: the search text and its options, the
// matches and the current one, and whether the indicator's marks are the
// search's. The panel drives it through SearchProxy; the viewer tells it of
// loads, selections, focus and the host's find text.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "abi/EditorControl.h"
#include "config/Model.h"
#include "search/FindHighlight.h"
#include "search/GoToLine.h"
#include "search/Pattern.h"
#include "search/SearchProxy.h"

namespace lumen {

class DocumentSearch final : public SearchProxy {
 public:
  // What the search tells the viewer that shows its panel.
  struct Events {
    std::function<void()> hidePanel;                     // Cancel was chosen
    std::function<void(const MatchCount&)> countChanged;  // for the panel's count
  };
  explicit DocumentSearch(Events events);

  // The editor searched from now on; none once the viewer's editor is gone.
  void SetEditor(const EditorControl& editor) { editor_ = editor; }
  // The indicator's look: the configured highlight, or the control's own.
  void SetUpIndicator(const std::optional<Highlight>& highlight) const;

  bool SetSearchText(const std::wstring& text) override;
  bool FindNext() override;
  bool FindPrevious() override;
  void SetMatchCase(bool matchCase) override;
  void SetWholeWord(bool wholeWord) override;
  void SetRegularExpression(bool regularExpression) override;
  void CancelSearch() override;
  bool GoToLine(const std::wstring& text) override;
  void FocusDocument() override;

  // A new document is shown. With the panel shown its matches are marked at
  // once, and the next Find next selects the first; otherwise the old matches
  // are dropped and the next step searches the new document.
  void AfterLoad(bool panelShown);
  // Marks every match of the host's find text (any case, any word).
  void MarkHostFindText(const std::wstring& text);
  // The selection changed: a selected whole word is marked everywhere, unless
  // the marks are the search's.
  void HighlightSelectedWord();
  // The editor took the focus: from now on the selection owns the marks.
  void ReleaseMarks() { marksAreSearch_ = false; }
  // After the selection's text became the search text: the step from the
  // match at `position`, forwards or backwards.
  void StepFrom(int32_t position, bool forward);

  const std::wstring& text() const { return text_; }
  const std::vector<Match>& matches() const { return matches_; }
  bool marksAreSearch() const { return marksAreSearch_; }
  MatchCount count() const;

 private:
  void UpdateMatches();
  bool SelectNeighbourMatch(bool forward);
  void ReportCount() const;

  EditorControl editor_;
  Events events_;
  bool matchSelected_ = false;  // the selection is matches_[currentMatch_]
  bool matchCase_ = false;
  bool wholeWord_ = false;
  bool regularExpression_ = false;
  bool invalidPattern_ = false;  // the regular expression does not compile
  std::wstring text_;
  std::vector<Match> matches_;  // in document order, never overlapping
  size_t currentMatch_ = 0;
  bool marksAreSearch_ = false;
  // A load with the panel hidden leaves no match list of the previous text:
  // Find next and previous search the new document when they are first used.
  bool matchesOutdated_ = false;
};

}  // namespace lumen
