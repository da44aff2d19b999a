#pragma once
// The search in one viewer's document: the search text and its options, the
// matches and the current one, and whether the indicator's marks are the
// search's. The panel drives it through SearchProxy; the viewer tells it of
// loads, selections, focus, the host's find text and the turns of its timer.
//
// Marking goes in turns: the first turn of an action marks what it finds
// within a fraction of a second (all of a small file) and the lines in view;
// the rest follows in short turns between the host's messages. The match list
// is then a prefix of the document's matches, and a step beyond it searches
// on at once.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "abi/EditorControl.h"
#include "config/Model.h"
#include "search/FindHighlight.h"
#include "search/GoToLine.h"
#include "search/MatchScan.h"
#include "search/Pattern.h"
#include "search/SearchProxy.h"

namespace lumen {

class DocumentSearch final : public SearchProxy {
 public:
  // What the search tells the viewer that shows its panel.
  struct Events {
    std::function<void()> hidePanel;                     // Cancel was chosen
    std::function<void(const MatchCount&)> countChanged;  // for the panel's count
    std::function<void(bool)> turnsWanted;                // whether ContinueMarking should be called soon
  };
  explicit DocumentSearch(Events events);

  // One user action, however many calls it makes: its turns all count from
  // its start, so that together they stay within the action's own turn.
  class Action {
   public:
    explicit Action(DocumentSearch& search) : search_(search) {
      if (search_.actionDepth_++ == 0) search_.actionStart_ = MatchScan::Clock::now();
    }
    ~Action() { --search_.actionDepth_; }
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

   private:
    DocumentSearch& search_;
  };

  // The editor searched from now on; none once the viewer's editor is gone.
  void SetEditor(const EditorControl& editor);
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

  // A new document is shown: the old matches go. With the panel shown the new
  // ones are marked at once and the next Find next selects the first;
  // otherwise the next step searches the new document.
  void AfterLoad(bool panelShown);
  // Whether the document shown is the whole file: until it is, the count
  // says it is the count so far.
  void SetDocumentComplete(bool complete);
  // The editor shows another document that begins with the text of the one
  // it replaces: the marks went with that one, and are made again from the
  // start in turns; the selected match stays selected.
  void DocumentReplaced();
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
  // One more turn of the marking in hand, until `deadline`.
  void ContinueMarking(MatchScan::Clock::time_point deadline);

  const std::vector<Match>& matches() const { return matches_; }
  bool marksAreSearch() const { return marksAreSearch_; }
  MatchCount count() const;

 private:
  enum class Marking { Search, Word, HostText };
  // From the document's start: clears the marks and, for the search, the list.
  void StartSearchMarking();
  void StartMarking(Marking marking, const std::string& text, int flags);
  void Found(const Match& match);
  // Runs the marking for `turn`, or until `enough`; then, when it is not done,
  // marks the lines in view (unless told not to) and asks for turns.
  void RunMarking(std::chrono::milliseconds turn, const std::function<bool()>& enough = {}, bool markView = true);
  // Whether the list holds at least `count` matches, searching on for them.
  bool Collect(size_t count);
  bool ListValid() const;
  bool SelectNeighbourMatch(bool forward);
  void ReportCount() const;

  EditorControl editor_;
  Events events_;
  bool matchCase_ = false;
  bool wholeWord_ = false;
  bool regularExpression_ = false;
  bool invalidPattern_ = false;  // the regular expression does not compile
  std::wstring text_;
  std::vector<Match> matches_;  // in document order, never overlapping
  size_t currentMatch_ = 0;
  bool matchSelected_ = false;  // the selection is matches_[currentMatch_]
  bool marksAreSearch_ = false;
  // The next step starts over in a new document: Find next takes its first
  // match, Find previous its last.
  bool startOver_ = false;
  MatchScan scan_;
  Marking marking_ = Marking::Search;
  bool listComplete_ = false;  // matches_ holds every match of the document
  bool documentComplete_ = true;  // else a file is still loading
  // The last match, selected by a step back from the first before the list
  // reached it: its place in the list is known once the list is complete.
  std::optional<Match> selectedLast_;
  bool selectFirstWhenFound_ = false;
  MatchScan::Clock::time_point actionStart_;
  int actionDepth_ = 0;
};

}  // namespace lumen
