#include "search/DocumentSearch.h"

#include "base/TimeBudgets.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/ScopeGuard.h"
#include "base/Text.h"

namespace lumen {

using namespace sci;

namespace {
using namespace budget;
// The control paints a mark through a bitmap as wide as the mark: a match of
// hundreds of kilobytes on one line would take it seconds and gigabytes. Its
// head is marked; the selection shows it whole.
constexpr LPARAM kLongestMark = 4096;
}  // namespace

DocumentSearch::DocumentSearch(Events events) : events_(std::move(events)) {}

namespace {
// A worker's search is not wanted any more: it stops at its next slice.
template <typename Work>
void Stop(std::shared_ptr<Work>& work) {
  if (work) work->Cancel();
  work.reset();
}
}  // namespace

void DocumentSearch::SetEditor(const EditorControl& editor) {
  editor_ = editor;
  Stop(fileCount_);
  Stop(fileStep_);
  selectedInFile_.reset();
  step_.reset();
  tally_.reset();
  searcher_.reset();
  selected_.reset();
  marksSearcher_.reset();
  markWalk_.reset();
  marked_.Clear();
  state_ = {};
}

void DocumentSearch::SetUpIndicator(const std::optional<Highlight>& highlight) const {
  SetUpSearchIndicator(editor_, highlight);
}

std::string_view DocumentSearch::Document() const {
  if (!editor_.exists()) return {};
  const auto length = static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETLENGTH), 0));
  const auto* bytes = reinterpret_cast<const char*>(editor_.Send(SCI_GETCHARACTERPOINTER));
  return bytes ? std::string_view(bytes, length) : std::string_view();
}

MatchCount DocumentSearch::count() const {
  MatchCount count;
  count.searching = !text_.empty();
  count.invalidPattern = invalidPattern_;
  if (fileWindow_ && fileCount_) {
    count.total = static_cast<size_t>(fileCount_->total());
    count.counting = !fileCount_->complete();
    if (const auto at = fileCount_->tooComplexAt()) {
      count.tooComplexLine = static_cast<size_t>(fileWindow_->LineOf(*at).value_or(0)) + 1;
    }
  }
  if (tally_) {
    count.total = tally_->total();
    count.counting = state_.phase == SearchState::Phase::Scanning;
    if (const auto at = tally_->tooComplexAt()) {
      count.tooComplexLine = static_cast<size_t>(editor_.Send(SCI_LINEFROMPOSITION, *at)) + 1;
    }
  }
  if (selected_ && selectedNumber_ && SelectedMatchShown()) count.position = *selectedNumber_ + 1;
  return count;
}

bool DocumentSearch::SelectedMatchShown() const {
  const Selection selection = GetSelection(editor_);
  if (!fileWindow_) return selection.start == selected_->start && selection.end == selected_->end;
  // The window may have moved under the match: it is compared in the file.
  return selectedInFile_ && fileWindow_->PlaceOf(static_cast<size_t>(selection.start)) == selectedInFile_->place &&
         static_cast<size_t>(selection.end - selection.start) == selectedInFile_->length;
}

void DocumentSearch::ReportCount() {
  if (fileWindow_ && selectedInFile_ && !selectedNumber_ && fileCount_ && fileCount_->complete()) {
    if (const auto before = fileCount_->CountBefore(selectedInFileNumber_)) selectedNumber_ = static_cast<size_t>(*before);
  }
  if (!fileWindow_ && selected_ && !selectedNumber_ && tally_ && static_cast<size_t>(selected_->start) < tally_->reached()) {
    selectedNumber_ = tally_->CountBefore(Document(), static_cast<size_t>(selected_->start), Clock::now() + kMatchNumber);
  }
  if (events_.countChanged) events_.countChanged(count());
}

void DocumentSearch::StartSearch() {
  step_.reset();
  Stop(fileStep_);
  Stop(fileCount_);
  selectedInFile_.reset();
  selected_.reset();
  selectedNumber_.reset();
  tally_.reset();
  const Searcher::Made made = Searcher::For(query_);
  searcher_ = made.searcher;
  invalidPattern_ = made.invalidPattern;
  if (!searcher_ || !editor_.exists()) {
    state_.phase = SearchState::Phase::Idle;
    return;
  }
  if (fileWindow_) {
    fileCount_ = FileCount::Start(fileWindow_->Text(), searcher_);
  } else {
    tally_.emplace(searcher_, Document());
  }
  state_.phase = SearchState::Phase::Scanning;
}

void DocumentSearch::StartMarks(SearchState::Marks owner, std::shared_ptr<const Searcher> searcher) {
  ClearSearchIndicator(editor_);
  marked_.Clear();
  markWalk_.reset();
  viewKey_ = {};  // the document may be another of the same length
  wholeParts_.reset();
  marksSearcher_ = std::move(searcher);
  state_.marks = marksSearcher_ ? owner : SearchState::Marks::None;
  markWholeDocument_ = size_ == DocumentSize::Small;
  wideLinesMarked_ = false;
}

std::optional<DocumentSearch::Clock::time_point> DocumentSearch::NewMarksDeadline() const {
  // Only a document marked whole has more to mark than the lines in view.
  if (!markWholeDocument_) return std::nullopt;
  return actionStart_ + kNewMarksWhole;
}

void DocumentSearch::StopMarks() { StartMarks(SearchState::Marks::None, nullptr); }

ColumnWindow DocumentSearch::WindowInView() const {
  // The columns in view, from the horizontal scroll and a character's width.
  const LRESULT charWidth =
      std::max<LRESULT>(editor_.Send(SCI_TEXTWIDTH, STYLE_DEFAULT, reinterpret_cast<LPARAM>("n")), 1);
  RECT client = {};
  GetClientRect(editor_.window(), &client);
  return ColumnsAbout(static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETXOFFSET), 0) / charWidth),
                      static_cast<size_t>(std::max<LONG>(client.right, 0) / charWidth));
}

const std::vector<std::pair<size_t, size_t>>& DocumentSearch::PartsInView(bool viewOnly) {
  const std::string_view document = Document();
  const ColumnWindow window = WindowInView();
  if (window != window_) {
    // Marks of wide lines outside the new window go: each costs every paint.
    if (wideLinesMarked_) {
      ClearSearchIndicator(editor_);
      marked_.Clear();
      markWalk_.reset();
      wideLinesMarked_ = false;
    }
    window_ = window;
    viewKey_ = {};
    wholeParts_.reset();
  }
  const auto tabWidth = static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_GETTABWIDTH), 1));
  // The lines in view, and a screen's worth above and below them.
  const LRESULT first = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  const ViewKey key{first, screen, document.size()};
  if (key != viewKey_) {
    const auto start = static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_POSITIONFROMLINE, std::max<LRESULT>(first - screen, 0)), 0));
    const LRESULT endPosition = editor_.Send(SCI_POSITIONFROMLINE, first + 2 * screen + 2);
    const size_t end = endPosition < 0 ? document.size() : std::min(static_cast<size_t>(endPosition), document.size());
    PartsToMark view = MarkableParts(document, start, end, window_, tabWidth);
    wideLinesMarked_ = wideLinesMarked_ || view.wideLines;
    viewParts_ = std::move(view.parts);
    viewKey_ = key;
  }
  if (viewOnly || !markWholeDocument_) return viewParts_;
  if (!wholeParts_ || wholeParts_->second != document.size()) {
    PartsToMark whole = MarkableParts(document, 0, document.size(), window_, tabWidth);
    wideLinesMarked_ = wideLinesMarked_ || whole.wideLines;
    // The view's first, then the rest.
    whole.parts.insert(whole.parts.begin(), viewParts_.begin(), viewParts_.end());
    wholeParts_.emplace(std::move(whole.parts), document.size());
  }
  return wholeParts_->first;
}

bool DocumentSearch::RunMarks(Clock::time_point deadline, bool viewOnly) {
  if (!marksSearcher_ || !editor_.exists()) return true;
  const std::vector<std::pair<size_t, size_t>> wanted = PartsInView(viewOnly);
  const std::string_view document = Document();
  editor_.Send(SCI_SETINDICATORCURRENT, kSearchIndicator);
  // Matches that touch are filled as one: each fill costs the control a
  // notification and a look at the line.
  std::optional<Match> pending;
  const auto fill = [&] {
    if (pending) editor_.Send(SCI_INDICATORFILLRANGE, static_cast<WPARAM>(pending->start), pending->end - pending->start);
    pending.reset();
  };
  // A walk from a line's start finds matches before the part it is to mark.
  size_t partStart = 0;
  const auto mark = [&](const Match& match) {
    if (static_cast<size_t>(match.end) <= partStart) return;
    const Match shown{match.start, std::min(match.end, static_cast<int32_t>(match.start + kLongestMark))};
    if (pending && pending->end == shown.start && shown.end - pending->start <= kLongestMark) {
      pending->end = shown.end;
      return;
    }
    fill();
    pending = shown;
  };
  const ScopeGuard flush([] {}, fill);
  for (const auto& [start, end] : wanted) {
    while (const auto gap = marked_.FirstGap(start, std::min(end, document.size()))) {
      // A walk cut short goes on where it stopped; any other starts at the gap.
      if (!markWalk_ || markWalkStart_ != gap->first || markWalkEnd_ != gap->second) {
        markWalk_.emplace(marksSearcher_, document, gap->first, MatchWalk::From::LineStart);
        markWalkStart_ = gap->first;
        markWalkEnd_ = gap->second;
      }
      partStart = gap->first;
      const bool there = markWalk_->Run(document, gap->second, deadline, mark);
      const size_t reached = std::max(markWalk_->at(), markWalkStart_);
      marked_.Add(markWalkStart_, reached);
      markWalkStart_ = reached;
      if (!there) return false;
      markWalk_.reset();
    }
  }
  return true;
}

size_t DocumentSearch::TallyEnd(std::string_view document) const {
  return documentComplete_ ? document.size() : searcher_->SettledEnd(document);
}

bool DocumentSearch::RunTally(Clock::time_point deadline) {
  if (fileWindow_ && fileCount_) {
    const bool there = fileCount_->complete();
    state_.phase = there ? SearchState::Phase::Complete : SearchState::Phase::Scanning;
    return there;
  }
  if (!tally_) return true;
  const std::string_view document = Document();
  const bool there = tally_->Run(document, TallyEnd(document), deadline);
  state_.phase = there && documentComplete_ ? SearchState::Phase::Complete : SearchState::Phase::Scanning;
  return there;
}

bool DocumentSearch::RunFileStep(Clock::time_point deadline) {
  if (!fileStep_) return true;
  fileStep_->Wait(std::min(deadline, actionStart_ + kFileStepWait));
  const FileStep::Outcome outcome = fileStep_->outcome();
  if (outcome == FileStep::Outcome::Searching) return false;
  const std::shared_ptr<FileStep> step = std::move(fileStep_);
  if (outcome != FileStep::Outcome::Found) return true;
  // The window moves to the match where it must, and its marks are made anew.
  if (const std::optional<Match> shown = fileWindow_->Show(step->found())) {
    SelectFound(*shown);
    selectedInFile_ = step->found();
    selectedInFileNumber_ = step->number();
  }
  return true;
}

bool DocumentSearch::RunStep(Clock::time_point deadline) {
  if (fileWindow_) return RunFileStep(deadline);
  if (!step_) return true;
  const MatchStep::Outcome outcome = step_->Run(Document(), deadline);
  if (outcome == MatchStep::Outcome::Searching) return false;
  if (outcome == MatchStep::Outcome::Found) SelectFound(step_->found());
  step_.reset();
  return true;
}

bool DocumentSearch::Work(Clock::time_point deadline, std::optional<Clock::time_point> marksDeadline) {
  // The step the user waits for, then what they see, the count, and the rest of the marks.
  bool done = RunStep(deadline);
  done = RunMarks(marksDeadline.value_or(deadline), true) && done;
  // A small document is counted whole within the action, however long its marks took.
  const bool small = size_ == DocumentSize::Small;
  // The count gets its share of every turn, whatever came before it.
  done = RunTally(std::max(deadline, Clock::now() + (small ? kSmallCount : kCountShare))) && done;
  done = RunMarks(marksDeadline.value_or(deadline), false) && done;
  if (events_.turnsWanted) events_.turnsWanted(!done);
  return done;
}

void DocumentSearch::TakeTurn(Clock::time_point deadline) {
  const Action action(*this);
  Work(deadline);
  if (tally_ || step_ || fileCount_ || fileStep_) ReportCount();
}

void DocumentSearch::ViewChanged() {
  const Action action(*this);
  if (!marksSearcher_) return;
  if (!RunMarks(Clock::now() + kViewMarks, true) && events_.turnsWanted) events_.turnsWanted(true);
}

void DocumentSearch::SelectFound(const Match& match) {
  SelectMatch(editor_, match);
  selected_ = match;
  selectedNumber_.reset();
  ++selections_;
}

bool DocumentSearch::SetSearchText(const std::wstring& text) {
  const Action action(*this);
  if (&text != &text_) text_ = text;
  query_.text = WideToUtf8(text_);
  StartSearch();
  // A filter shown follows the query: its document may be another from here on.
  if (searcher_ && events_.queryChanged) events_.queryChanged();
  if (!searcher_) {
    StopMarks();
    state_.marksHeld = false;
    editor_.Send(SCI_SETEMPTYSELECTION, editor_.Send(SCI_GETCURRENTPOS));
    if (events_.turnsWanted) events_.turnsWanted(false);
    ReportCount();
    return false;
  }
  StartMarks(SearchState::Marks::Search, searcher_);
  state_.marksHeld = true;
  // The document's first match; until a turn finds it, nothing is selected.
  editor_.Send(SCI_SETEMPTYSELECTION, editor_.Send(SCI_GETCURRENTPOS));
  if (fileWindow_) {
    fileStep_ = FileStep::Start(fileWindow_->Text(), searcher_, {fileWindow_->Text().start, 0}, true);
  } else {
    step_.emplace(searcher_, Document(), 0, true);
  }
  Work(actionStart_ + kSearchAction, NewMarksDeadline());
  ReportCount();
  const bool found = selected_ || step_ || fileStep_;
  // Without a match the selection may take the indicator again.
  if (!found) state_.marksHeld = false;
  return found;
}

bool DocumentSearch::Step(bool forward) {
  const Action action(*this);
  if (text_.empty() || !editor_.exists()) {
    ReportCount();
    return false;
  }
  if (!searcher_ && !invalidPattern_) StartSearch();  // a new document not searched yet
  const bool none = state_.phase == SearchState::Phase::Complete &&
                    (fileWindow_ ? fileCount_ && fileCount_->total() == 0 : tally_ && tally_->total() == 0);
  if (!searcher_ || none) {
    ReportCount();
    return false;
  }
  // Marks made anew are sure of their first turn; marks under way go on in turns.
  const bool newMarks = state_.marks != SearchState::Marks::Search;
  if (newMarks) StartMarks(SearchState::Marks::Search, searcher_);
  state_.marksHeld = true;
  const Selection selection = GetSelection(editor_);
  const auto from = static_cast<size_t>(forward ? selection.end : selection.start);
  if (fileWindow_) {
    Stop(fileStep_);
    fileStep_ = FileStep::Start(fileWindow_->Text(), searcher_, fileWindow_->PlaceOf(from), forward);
  } else {
    step_.emplace(searcher_, Document(), from, forward);
  }
  const size_t selectionsBefore = selections_;
  Work(actionStart_ + kSearchAction, newMarks ? NewMarksDeadline() : std::nullopt);
  ReportCount();
  return step_.has_value() || fileStep_ || selections_ != selectionsBefore;
}

bool DocumentSearch::FindNext() { return Step(true); }
bool DocumentSearch::FindPrevious() { return Step(false); }

void DocumentSearch::FindSelectedText(const std::wstring& text, bool forward) {
  const Action action(*this);
  if (text.empty()) return;
  if (text != text_ || !searcher_) {
    text_ = text;
    query_.text = WideToUtf8(text);
    StartSearch();
    StopMarks();  // the step marks anew
    if (searcher_ && events_.queryChanged) events_.queryChanged();
  }
  Step(forward);
}

void DocumentSearch::SetFilter(bool show, unsigned context) {
  if (events_.filterChanged) events_.filterChanged(show, context);
}

void DocumentSearch::SetMatchCase(bool matchCase) {
  query_.matchCase = matchCase;
  SetSearchText(text_);
}

void DocumentSearch::SetWholeWord(bool wholeWord) {
  query_.wholeWord = wholeWord;
  SetSearchText(text_);
}

void DocumentSearch::SetRegularExpression(bool regularExpression) {
  query_.regularExpression = regularExpression;
  SetSearchText(text_);
}

void DocumentSearch::CancelSearch() {
  state_.marksHeld = false;  // the marks stay until the selection changes
  if (events_.hidePanel) events_.hidePanel();
}

bool DocumentSearch::GoToLine(const std::wstring& text) {
  const auto target = ParseLineTarget(text);
  if (!target || !editor_.exists()) return false;
  if (fileWindow_) {
    if (!fileWindow_->GoTo(*target)) return false;
  } else {
    lumen::GoToLine(editor_, *target);
  }
  selected_.reset();
  ReportCount();
  FocusDocument();
  return true;
}

void DocumentSearch::FocusDocument() {
  if (editor_.exists()) SetFocus(editor_.window());
}

void DocumentSearch::Shown(DocumentSize size, bool complete, Clock::time_point since) {
  const Action action(*this);
  if (actionDepth_ == 1) actionStart_ = since;  // the load's message shares its time with the search
  size_ = size;
  SetDocumentComplete(complete);
  // The old document's marks went with it.
  step_.reset();
  Stop(fileStep_);
  Stop(fileCount_);
  selectedInFile_.reset();
  tally_.reset();
  searcher_.reset();
  selected_.reset();
  state_.phase = SearchState::Phase::Idle;
  StopMarks();
  if (events_.turnsWanted) events_.turnsWanted(false);
  if (!panelShown_ || text_.empty()) return;  // the next step searches the new document
  StartSearch();
  StartMarks(SearchState::Marks::Search, searcher_);
  state_.marksHeld = state_.marks == SearchState::Marks::Search;
  Work(actionStart_ + kSearchAction, NewMarksDeadline());
  ReportCount();
}

void DocumentSearch::SetDocumentComplete(bool complete) {
  if (std::exchange(documentComplete_, complete) == complete || !tally_) return;
  // Complete: the count goes on to the document's very end. Not complete:
  // what was counted near the end may change as the rest comes.
  if (!complete) tally_->Rewind(searcher_->SettledEnd(Document()));
  state_.phase = SearchState::Phase::Scanning;
  if (complete && events_.turnsWanted) events_.turnsWanted(true);
  ReportCount();
}

void DocumentSearch::Replaced() {
  // The marks went with the old document; the count and a step go on.
  if (marksSearcher_) StartMarks(state_.marks, marksSearcher_);
  if ((marksSearcher_ || tally_ || step_ || fileCount_ || fileStep_) && events_.turnsWanted) events_.turnsWanted(true);
}

void DocumentSearch::Grew(DocumentSize size) {
  size_ = size;
  if (fileWindow_) {
    // The file is counted again to its new end, at the speed of the machine.
    if (searcher_) {
      Stop(fileCount_);
      fileCount_ = FileCount::Start(fileWindow_->Text(), searcher_);
      selectedNumber_.reset();
      state_.phase = SearchState::Phase::Scanning;
      ReportCount();  // the panel says at once that it counts again
    }
    return Replaced();
  }
  // What was counted near the old end may change with what came after it.
  SetDocumentComplete(false);
  SetDocumentComplete(true);
  Replaced();
}

void DocumentSearch::Completed() { SetDocumentComplete(true); }

void DocumentSearch::Windowed(WindowedText* window) {
  fileWindow_ = window;
  Stop(fileStep_);
  Stop(fileCount_);
  selectedInFile_.reset();
}

void DocumentSearch::MarkHostFindText(const std::wstring& text) {
  const Action action(*this);
  StartMarks(SearchState::Marks::HostText, Searcher::For({WideToUtf8(text), false, false, false}).searcher);
  state_.marksHeld = true;
  Work(actionStart_ + kSearchAction, NewMarksDeadline());
}

void DocumentSearch::HighlightSelectedWord() {
  const Action action(*this);
  if (state_.marksHeld) return;
  const Selection selection = GetSelection(editor_);
  if (IsWholeWord(editor_, selection)) {
    StartMarks(SearchState::Marks::SelectedWord,
               Searcher::For({SelectedText(editor_, selection), true, true, false}).searcher);
    Work(actionStart_ + kSearchAction, NewMarksDeadline());
    return;
  }
  if (state_.marks != SearchState::Marks::None) StopMarks();
}

}  // namespace lumen
