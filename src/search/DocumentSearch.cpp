#include "search/DocumentSearch.h"

#include <utility>

#include "base/Text.h"

namespace lumen {

using namespace sci;

DocumentSearch::DocumentSearch(Events events) : events_(std::move(events)) {}

MatchCount DocumentSearch::count() const {
  return {!text_.empty(), matchSelected_ && currentMatch_ < matches_.size() ? currentMatch_ + 1 : 0, matches_.size(),
          invalidPattern_};
}

void DocumentSearch::ReportCount() const {
  if (events_.countChanged) events_.countChanged(count());
}

void DocumentSearch::SetUpIndicator(const std::optional<Highlight>& highlight) const {
  SetUpSearchIndicator(editor_, highlight);
}

void DocumentSearch::UpdateMatches() {
  matches_.clear();
  invalidPattern_ = false;
  if (text_.empty()) return;
  if (!regularExpression_) {
    matches_ = FindAll(editor_, WideToUtf8(text_), SearchFlags(matchCase_, wholeWord_));
    return;
  }
  const auto pattern = Pattern::Compile(WideToUtf8(text_), matchCase_, wholeWord_);
  invalidPattern_ = !pattern;
  if (pattern) matches_ = FindAllMatches(editor_, *pattern);
}

bool DocumentSearch::SetSearchText(const std::wstring& text) {
  currentMatch_ = 0;
  matchesOutdated_ = false;
  if (&text != &text_) text_ = text;
  marksAreSearch_ = false;
  UpdateMatches();
  if (!matches_.empty()) {
    HighlightMatches(editor_, matches_);
    marksAreSearch_ = true;
    SelectMatch(editor_, matches_.front());
    matchSelected_ = true;
    ReportCount();
    return true;
  }
  editor_.Send(SCI_SETEMPTYSELECTION, editor_.Send(SCI_GETCURRENTPOS));
  ClearSearchIndicator(editor_);
  matchSelected_ = false;
  ReportCount();
  return false;
}

bool DocumentSearch::SelectNeighbourMatch(bool forward) {
  if (matchesOutdated_) {
    matchesOutdated_ = false;
    UpdateMatches();
    // The first step in a new document selects its first match, or its last one backwards.
    currentMatch_ = forward && !matches_.empty() ? matches_.size() - 1 : 0;
    marksAreSearch_ = false;
  }
  if (matches_.empty()) {
    ReportCount();
    return false;
  }
  const size_t last = matches_.size() - 1;
  if (forward) {
    currentMatch_ = currentMatch_ < last ? currentMatch_ + 1 : 0;
  } else {
    currentMatch_ = currentMatch_ != 0 && currentMatch_ <= last ? currentMatch_ - 1 : last;
  }
  if (!marksAreSearch_) HighlightMatches(editor_, matches_);
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
  matches_.clear();
  currentMatch_ = 0;
  matchesOutdated_ = false;
  matchSelected_ = false;
  if (!panelShown) {
    matchesOutdated_ = !text_.empty();
    return;
  }
  UpdateMatches();
  ReportCount();
  if (matches_.empty()) return;
  currentMatch_ = matches_.size() - 1;  // so that the next Find next selects the first
  HighlightMatches(editor_, matches_);
  marksAreSearch_ = true;
}

void DocumentSearch::MarkHostFindText(const std::wstring& text) {
  HighlightMatches(editor_, FindAll(editor_, WideToUtf8(text), 0));
  marksAreSearch_ = true;
}

void DocumentSearch::HighlightSelectedWord() {
  if (marksAreSearch_) return;
  const Selection selection = GetSelection(editor_);
  if (IsWholeWord(editor_, selection)) {
    HighlightMatches(editor_, FindAll(editor_, SelectedText(editor_, selection), SCFIND_MATCHCASE | SCFIND_WHOLEWORD));
  } else {
    ClearSearchIndicator(editor_);
  }
}

void DocumentSearch::StepFrom(int32_t position, bool forward) {
  for (size_t i = 0; i < matches_.size(); ++i) {
    if (matches_[i].start == position) currentMatch_ = i;
  }
  SelectNeighbourMatch(forward);
}

}  // namespace lumen
