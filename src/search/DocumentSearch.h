#pragma once
// The search in one viewer's document: the search text and its options, the
// count of its matches, the step to the next or previous one, and the marks
// of the indicator, which the search shares with the selected word and the
// host's find text. The panel drives it through SearchProxy; the viewer tells
// it of loads, selections, focus, the view, the host's find text and the
// turns of its timer.
//
// Each action does what it can within a fraction of a second (all of it on a
// file of ordinary size) and leaves the rest to short turns between the
// host's messages: the count walks the document's bytes from the start; a
// step searches on from the selection; the marks cover every match of a
// small document, and of a big one the lines in view and near them.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "abi/EditorControl.h"
#include "config/Model.h"
#include "search/DocumentEvents.h"
#include "search/FindHighlight.h"
#include "search/GoToLine.h"
#include "search/SearchProxy.h"
#include "search/SearchWalks.h"
#include "search/WindowedText.h"

namespace lumen {

// What the search is doing, and whose marks the indicator shows.
struct SearchState {
  // Idle: nothing to search for (no text, an invalid pattern, or a new
  // document not searched yet). Scanning: the count has not reached the end
  // of the whole file. Complete: every match is counted.
  enum class Phase { Idle, Scanning, Complete };
  enum class Marks { None, Search, HostText, SelectedWord };
  Phase phase = Phase::Idle;
  Marks marks = Marks::None;
  // The search's or the host's marks stay while the selection changes, until
  // the editor takes the focus.
  bool marksHeld = false;
};

class DocumentSearch final : public SearchProxy, public DocumentEvents {
 public:
  using Clock = MatchWalk::Clock;
  // What the search tells the viewer that shows its panel.
  struct Events {
    std::function<void()> hidePanel;                     // Cancel was chosen
    std::function<void(const MatchCount&)> countChanged;  // for the panel's count
    std::function<void(bool)> turnsWanted;                // whether TakeTurn should be called soon
    std::function<void(bool, unsigned)> filterChanged;    // the panel's filter: shown, its context
    std::function<void()> queryChanged;                   // the search text or an option changed
  };
  explicit DocumentSearch(Events events);

  // One user action, however many calls it makes: its work all counts from
  // its start, so that together it stays within the action's own turn.
  class Action {
   public:
    explicit Action(DocumentSearch& search) : search_(search) {
      if (search_.actionDepth_++ == 0) search_.actionStart_ = Clock::now();
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

  // Typing: the first match of the document is selected.
  bool SetSearchText(const std::wstring& text) override;
  // From the selection (or the caret) to the next or previous match.
  bool FindNext() override;
  bool FindPrevious() override;
  void SetMatchCase(bool matchCase) override;
  void SetWholeWord(bool wholeWord) override;
  void SetRegularExpression(bool regularExpression) override;
  void CancelSearch() override;
  bool GoToLine(const std::wstring& text) override;
  void FocusDocument() override;
  void SetFilter(bool show, unsigned context) override;

  // The selection's text became the search text (the panel may already have
  // set it): the step from the selection, forwards or backwards.
  void FindSelectedText(const std::wstring& text, bool forward);
  // The query as the panel has it now; none without one (or an invalid pattern).
  std::shared_ptr<const Searcher> searcher() const { return searcher_; }
  // Whether the panel is shown: a new document with the panel shown has its
  // matches counted and marked at once; otherwise the next step searches it.
  void SetPanelShown(bool shown) { panelShown_ = shown; }
  // The document shown (DocumentEvents). Until the document is the whole
  // file, the count says it is the count so far.
  void Shown(DocumentSize size, bool complete, Clock::time_point since) override;
  void Grew(DocumentSize size) override;
  void Replaced() override;
  void Completed() override;
  // A windowed file is counted and stepped through over the file's bytes,
  // on workers; its window is marked as any document.
  void Windowed(WindowedText* window) override;
  // Marks every match of the host's find text (any case, any word).
  void MarkHostFindText(const std::wstring& text);
  // The selection changed: a selected whole word is marked everywhere, unless
  // the marks are held.
  void HighlightSelectedWord();
  // The editor took the focus: from now on the selection owns the marks.
  void ReleaseMarks() { state_.marksHeld = false; }
  // The view scrolled, zoomed or changed its size: what comes into view is marked.
  void ViewChanged();
  // One more turn of the work in hand, until `deadline`.
  void TakeTurn(Clock::time_point deadline);

  const SearchState& state() const { return state_; }
  MatchCount count() const;

 private:
  std::string_view Document() const;
  void SetDocumentComplete(bool complete);
  // A new query, or the same one in a new document: counting from the start.
  void StartSearch();
  void StartMarks(SearchState::Marks owner, std::shared_ptr<const Searcher> searcher);
  void StopMarks();
  // How long the first turn of new marks may take.
  std::optional<Clock::time_point> NewMarksDeadline() const;
  // The step from the selection; selects its match when found.
  bool Step(bool forward);
  void SelectFound(const Match& match);
  // The parts of the work in hand, each until `deadline`; true when done.
  bool RunStep(Clock::time_point deadline);
  bool RunMarks(Clock::time_point deadline, bool viewOnly);
  bool RunTally(Clock::time_point deadline);
  // `marksDeadline`: new marks may take longer than the rest of the turn.
  bool Work(Clock::time_point deadline, std::optional<Clock::time_point> marksDeadline = std::nullopt);
  ColumnWindow WindowInView() const;
  // The parts of the lines in view and near them (and of the whole document
  // when it is marked whole), of a wide line the part about the columns in view.
  const std::vector<std::pair<size_t, size_t>>& PartsInView(bool viewOnly);
  size_t TallyEnd(std::string_view document) const;
  // The step through a windowed file, and the count over it.
  bool RunFileStep(Clock::time_point deadline);
  bool SelectedMatchShown() const;
  void ReportCount();

  EditorControl editor_;
  Events events_;
  SearchQuery query_;
  std::wstring text_;
  SearchState state_;
  bool invalidPattern_ = false;
  bool documentComplete_ = true;  // else a file is still loading
  DocumentSize size_ = DocumentSize::Small;  // a small document is marked whole
  bool panelShown_ = false;

  // The search's own walks, over the search's searcher.
  std::shared_ptr<const Searcher> searcher_;
  std::optional<MatchTally> tally_;
  std::optional<MatchStep> step_;
  // The match the search selected, and its number once known.
  std::optional<Match> selected_;
  std::optional<size_t> selectedNumber_;
  size_t selections_ = 0;  // how many matches the search has selected

  // The marks: whose searcher, where they are made, and the walk making them.
  std::shared_ptr<const Searcher> marksSearcher_;
  MarkedRanges marked_;
  bool markWholeDocument_ = false;
  std::optional<MatchWalk> markWalk_;
  size_t markWalkStart_ = 0;
  size_t markWalkEnd_ = 0;

  // The parts to mark, for the columns about the view; for the lines about
  // the view (its first line, its height and the document's length); for
  // the whole document (and its length).
  ColumnWindow window_;
  bool wideLinesMarked_ = false;
  struct ViewKey {
    LRESULT firstLine = -1, lines = 0;
    size_t length = 0;
    bool operator==(const ViewKey&) const = default;
  };
  ViewKey viewKey_;
  std::vector<std::pair<size_t, size_t>> viewParts_;
  std::optional<std::pair<std::vector<std::pair<size_t, size_t>>, size_t>> wholeParts_;

  // Of a windowed file: the count and the step on workers, and the match
  // selected as a place in the file (the window moves under it).
  WindowedText* fileWindow_ = nullptr;
  std::shared_ptr<FileCount> fileCount_;
  std::shared_ptr<FileStep> fileStep_;
  std::optional<FileMatch> selectedInFile_;
  SliceNumber selectedInFileNumber_;  // the step's part of its number

  Clock::time_point actionStart_;
  int actionDepth_ = 0;
};

}  // namespace lumen
