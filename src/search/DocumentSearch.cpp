#include "search/DocumentSearch.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"

namespace lumen {

using namespace sci;

namespace {
// An action's own turn: every file of ordinary size is searched and marked
// within it, as if there were no turns at all. Later turns are the viewer's
// (its TurnScheduler), shorter, so that the host's messages keep flowing.
constexpr std::chrono::milliseconds kFirstTurn{50};
// A step that must search on for its match: it ends at the match, which is
// near whenever matches are many; a match that far is left to the next step.
constexpr std::chrono::milliseconds kStepTurn{60};
// Marking the lines in view, and looking for the last match from the end.
constexpr std::chrono::milliseconds kViewTurn{20};
// A first turn hands on at least this many matches however slow the machine:
// a small file is then marked whole before the action returns, as always.
constexpr size_t kSureMatches = 10000;
}  // namespace

DocumentSearch::DocumentSearch(Events events) : events_(std::move(events)) {}

void DocumentSearch::SetEditor(const EditorControl& editor) {
  editor_ = editor;
  scan_.Stop();
  listComplete_ = false;
}

MatchCount DocumentSearch::count() const {
  MatchCount count;
  count.searching = !text_.empty();
  count.position = matchSelected_ && !selectedLast_ && currentMatch_ < matches_.size() ? currentMatch_ + 1 : 0;
  count.total = matches_.size();
  count.invalidPattern = invalidPattern_;
  count.counting = marking_ == Marking::Search && scan_.active() && (!scan_.done() || !documentComplete_);
  if (const auto at = scan_.tooComplexAt(); at && marking_ == Marking::Search) {
    count.tooComplexLine = static_cast<size_t>(editor_.Send(SCI_LINEFROMPOSITION, *at)) + 1;
  }
  return count;
}

void DocumentSearch::ReportCount() const {
  if (events_.countChanged) events_.countChanged(count());
}

void DocumentSearch::SetUpIndicator(const std::optional<Highlight>& highlight) const {
  SetUpSearchIndicator(editor_, highlight);
}

bool DocumentSearch::ListValid() const {
  return listComplete_ || (marking_ == Marking::Search && scan_.active());
}

void DocumentSearch::StartSearchMarking() {
  selectFirstWhenFound_ = false;
  matches_.clear();
  listComplete_ = false;
  invalidPattern_ = false;
  marking_ = Marking::Search;
  ClearSearchIndicator(editor_);
  scan_.Stop();
  if (text_.empty() || !editor_.exists()) return;
  if (!regularExpression_) {
    scan_.Start(editor_, WideToUtf8(text_), SearchFlags(matchCase_, wholeWord_));
    return;
  }
  auto pattern = Pattern::Compile(WideToUtf8(text_), matchCase_, wholeWord_);
  invalidPattern_ = !pattern;
  if (pattern) scan_.Start(editor_, std::move(*pattern));
}

void DocumentSearch::StartMarking(Marking marking, const std::string& text, int flags) {
  // A search list left half-made is made again by the next step that needs it.
  marking_ = marking;
  ClearSearchIndicator(editor_);
  scan_.Start(editor_, text, flags);
}

void DocumentSearch::Found(const Match& match) {
  editor_.Send(SCI_INDICATORFILLRANGE, static_cast<WPARAM>(match.start), match.end - match.start);
  if (marking_ != Marking::Search) return;
  matches_.push_back(match);
  if (selectFirstWhenFound_ && matches_.size() == 1) {
    // The text was typed before its first match was found: it is selected now.
    selectFirstWhenFound_ = false;
    marksAreSearch_ = true;
    SelectMatch(editor_, match);
    matchSelected_ = true;
  }
}

void DocumentSearch::RunMarking(std::chrono::milliseconds turn, const std::function<bool()>& enough, bool markView) {
  if (!scan_.active()) {
    if (events_.turnsWanted) events_.turnsWanted(false);
    return;
  }
  const bool done = scan_.Run(actionStart_ + turn, [this](const Match& match) { Found(match); }, enough,
                              turn == kFirstTurn ? kSureMatches : 0);
  if (done && marking_ == Marking::Search) {
    listComplete_ = true;
    if (selectedLast_) {
      // Its place: the last match that starts where it does or before.
      currentMatch_ = 0;
      for (size_t i = 0; i < matches_.size() && matches_[i].start <= selectedLast_->start; ++i) currentMatch_ = i;
      selectedLast_.reset();
    }
  }
  if (!done && markView) {
    // What the user sees is marked now; the rest follows in turns.
    const auto first = static_cast<WPARAM>(editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE)));
    const LRESULT start = editor_.Send(SCI_POSITIONFROMLINE, first);
    LRESULT end = editor_.Send(SCI_POSITIONFROMLINE, first + static_cast<WPARAM>(editor_.Send(SCI_LINESONSCREEN)) + 2);
    if (end < 0) end = editor_.Send(SCI_GETLENGTH);
    scan_.Within(
        static_cast<size_t>(std::max<LRESULT>(start, 0)), static_cast<size_t>(end),
        [this](const Match& match) {
          editor_.Send(SCI_INDICATORFILLRANGE, static_cast<WPARAM>(match.start), match.end - match.start);
        },
        std::min(MatchScan::Clock::now(), actionStart_ + kFirstTurn) + kViewTurn);
  }
  if (events_.turnsWanted) events_.turnsWanted(!done);
}

void DocumentSearch::ContinueMarking(MatchScan::Clock::time_point deadline) {
  const Action action(*this);
  const auto turn = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - actionStart_);
  RunMarking(std::max(turn, std::chrono::milliseconds(1)), {}, false);  // the view was marked when the action began
  if (marking_ == Marking::Search) ReportCount();
}

bool DocumentSearch::Collect(size_t count) {
  if (matches_.size() >= count) return true;
  if (!ListValid()) {
    StartSearchMarking();
    marksAreSearch_ = true;
  }
  if (marking_ == Marking::Search && scan_.active() && !scan_.done()) {
    RunMarking(kStepTurn, [&] { return matches_.size() >= count; });
    if (scan_.done()) listComplete_ = true;
  }
  return matches_.size() >= count;
}

bool DocumentSearch::SetSearchText(const std::wstring& text) {
  const Action action(*this);
  currentMatch_ = 0;
  startOver_ = false;
  selectedLast_.reset();
  if (&text != &text_) text_ = text;
  marksAreSearch_ = false;
  matchSelected_ = false;
  StartSearchMarking();
  RunMarking(kFirstTurn);
  if (!matches_.empty()) {
    marksAreSearch_ = true;
    SelectMatch(editor_, matches_.front());
    matchSelected_ = true;
    ReportCount();
    return true;
  }
  editor_.Send(SCI_SETEMPTYSELECTION, editor_.Send(SCI_GETCURRENTPOS));
  // Still searching: the first match is selected when a later turn finds it.
  selectFirstWhenFound_ = scan_.active() && !scan_.done();
  if (selectFirstWhenFound_) marksAreSearch_ = true;
  ReportCount();
  return selectFirstWhenFound_;
}

bool DocumentSearch::SelectNeighbourMatch(bool forward) {
  const Action action(*this);
  if (text_.empty() || !editor_.exists()) {
    ReportCount();
    return false;
  }
  if (!ListValid() || !marksAreSearch_) {
    // A new document, a list another marking cut short, or marks the selection
    // took: the search marks again from the start; the list comes out the same.
    StartSearchMarking();
    RunMarking(kFirstTurn);
  }
  bool selected = false;
  if (selectedLast_) {
    if (forward) {
      selectedLast_.reset();
      currentMatch_ = SIZE_MAX;  // past the last: the next is the first
    } else {
      Collect(SIZE_MAX);  // places the selected last match in the list
    }
  }
  if (startOver_) {
    // Forwards the first match; backwards the step from the first, to the last.
    startOver_ = false;
    currentMatch_ = forward ? SIZE_MAX : 0;
  }
  if (forward) {
    if (currentMatch_ != SIZE_MAX && Collect(currentMatch_ + 2)) {
      ++currentMatch_;
    } else {
      Collect(1);
      currentMatch_ = 0;  // past the last: the first again
    }
    selected = !matches_.empty();
  } else if (currentMatch_ > 0 && currentMatch_ != SIZE_MAX && Collect(currentMatch_)) {
    --currentMatch_;
    selected = true;
  } else if (const auto last =
                 listComplete_ ? std::nullopt : scan_.LastMatch(actionStart_ + kStepTurn)) {
    // Before the first: the last, found from the end while the list grows.
    selectedLast_ = last;
    marksAreSearch_ = true;
    SelectMatch(editor_, *last);
    matchSelected_ = true;
    ReportCount();
    return true;
  } else {
    Collect(SIZE_MAX);
    currentMatch_ = matches_.empty() ? 0 : matches_.size() - 1;
    selected = !matches_.empty();
  }
  if (!selected) {
    ReportCount();
    return false;
  }
  marksAreSearch_ = true;
  SelectMatch(editor_, matches_[currentMatch_]);
  matchSelected_ = true;
  ReportCount();
  return true;
}

bool DocumentSearch::FindNext() { return SelectNeighbourMatch(true); }
bool DocumentSearch::FindPrevious() { return SelectNeighbourMatch(false); }

void DocumentSearch::SetMatchCase(bool matchCase) {
  matchCase_ = matchCase;
  SetSearchText(text_);
}

void DocumentSearch::SetWholeWord(bool wholeWord) {
  wholeWord_ = wholeWord;
  SetSearchText(text_);
}

void DocumentSearch::SetRegularExpression(bool regularExpression) {
  regularExpression_ = regularExpression;
  SetSearchText(text_);
}

void DocumentSearch::CancelSearch() {
  marksAreSearch_ = false;  // the marks stay until the selection changes
  if (events_.hidePanel) events_.hidePanel();
}

bool DocumentSearch::GoToLine(const std::wstring& text) {
  const auto target = ParseLineTarget(text);
  if (!target || !editor_.exists()) return false;
  lumen::GoToLine(editor_, *target);
  matchSelected_ = false;
  ReportCount();
  FocusDocument();
  return true;
}

void DocumentSearch::FocusDocument() {
  if (editor_.exists()) SetFocus(editor_.window());
}

void DocumentSearch::AfterLoad(bool panelShown) {
  const Action action(*this);
  scan_.Stop();
  if (events_.turnsWanted) events_.turnsWanted(false);
  matches_.clear();
  listComplete_ = false;
  currentMatch_ = 0;
  matchSelected_ = false;
  selectedLast_.reset();
  startOver_ = !text_.empty();
  if (!panelShown) return;
  StartSearchMarking();
  RunMarking(kFirstTurn);
  ReportCount();
  if (!matches_.empty() || !scan_.done()) marksAreSearch_ = true;
}

void DocumentSearch::SetDocumentComplete(bool complete) {
  if (std::exchange(documentComplete_, complete) != complete && marking_ == Marking::Search) ReportCount();
}

void DocumentSearch::DocumentReplaced() {
  if (!scan_.Restart()) return;
  if (marking_ == Marking::Search) {
    // As after a load: while the search marks, the marks are the search's.
    matches_.clear();
    listComplete_ = false;
    marksAreSearch_ = true;
  }
  if (events_.turnsWanted) events_.turnsWanted(true);
}

void DocumentSearch::MarkHostFindText(const std::wstring& text) {
  const Action action(*this);
  StartMarking(Marking::HostText, WideToUtf8(text), 0);
  RunMarking(kFirstTurn);
  marksAreSearch_ = true;
}

void DocumentSearch::HighlightSelectedWord() {
  const Action action(*this);
  if (marksAreSearch_) return;
  const Selection selection = GetSelection(editor_);
  if (IsWholeWord(editor_, selection)) {
    StartMarking(Marking::Word, SelectedText(editor_, selection), SCFIND_MATCHCASE | SCFIND_WHOLEWORD);
    RunMarking(kFirstTurn);
    return;
  }
  if (marking_ != Marking::Search) scan_.Stop();
  ClearSearchIndicator(editor_);
  if (marking_ != Marking::Search && events_.turnsWanted) events_.turnsWanted(false);
}

void DocumentSearch::StepFrom(int32_t position, bool forward) {
  const Action action(*this);
  if (ListValid() && !listComplete_) {
    RunMarking(kStepTurn, [&] { return !matches_.empty() && matches_.back().start >= position; });
  }
  for (size_t i = 0; i < matches_.size(); ++i) {
    if (matches_[i].start == position) currentMatch_ = i;
  }
  SelectNeighbourMatch(forward);
}

}  // namespace lumen
