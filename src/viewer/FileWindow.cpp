#include "viewer/FileWindow.h"

#include <algorithm>

#include "base/BackgroundThread.h"
#include "base/TimeBudgets.h"

namespace lumen {

using namespace sci;

namespace {

// The window: a little text before the line it is made for, so that the
// lexer has the lines before it to colour from, and a megabyte after. Made,
// converted and shown within a few tens of milliseconds by either control
// generation (a 3.x control takes about twice a 5's time over its lines).
constexpr uint64_t kTextBefore = uint64_t{256} << 10;
constexpr uint64_t kTextAfter = uint64_t{1} << 20;
// The view this near the window's start, or the end of the view this near
// its end, moves the window.
constexpr size_t kNearStart = size_t{64} << 10;
constexpr size_t kNearEnd = size_t{256} << 10;
// A line longer than this ends the window in its middle.
constexpr uint64_t kLongestWindowLine = uint64_t{1} << 20;
// The index reads this much at a time.
constexpr size_t kIndexPiece = size_t{1} << 20;

}  // namespace

void FileWindow::IndexOn() {
  if (indexing_->running.exchange(true)) return;  // the running worker reads on to the new end
  index_->Reopen();
  const std::shared_ptr<LineIndex> index = index_;
  const std::shared_ptr<Indexing> indexing = indexing_;
  const std::wstring path = text_.path;
  const size_t width = LineEndOf(text_.encoding).width;
  const bool started = RunInBackground([index, indexing, path, width] {
    std::optional<SharedFile> file = SharedFile::Open(path, true);
    std::unique_ptr<char[]> piece(new char[kIndexPiece]);
    for (uint64_t at = index->indexedBytes();;) {
      const uint64_t end = indexing->end.load();
      size_t read = file && at < end && !indexing->stop.load()
                        ? file->ReadAt(at, piece.get(), static_cast<size_t>(std::min<uint64_t>(kIndexPiece, end - at)))
                        : 0;
      read -= read % width;  // whole units: a half one comes with the next read
      if (read > 0) {
        index->Add({piece.get(), read});
        at += read;
        continue;
      }
      // At the end, or cut short under the index: what it holds is all there
      // is, unless the file grew meanwhile and no other worker took it on.
      index->Finish();
      indexing->running.store(false);
      if (indexing->stop.load() || indexing->end.load() <= at || indexing->running.exchange(true)) return;
      index->Reopen();
    }
  });
  if (!started) {
    indexing_->running.store(false);
    index_->Finish();
  }
}

FileWindow::FileWindow(const EditorControl& editor, SharedFile file, FileText text, Events events,
                       std::unique_ptr<TimedReads> timed)
    : editor_(editor), document_(editor), file_(std::move(file)), timed_(std::move(timed)), text_(std::move(text)),
      events_(std::move(events)),
      index_(std::make_shared<LineIndex>(LineEndOf(text_.encoding))), indexing_(std::make_shared<Indexing>()) {
  indexing_->end.store(text_.end);
  IndexOn();
}

FileWindow::~FileWindow() { indexing_->stop.store(true); }

void FileWindow::Patiently(const std::function<void()>& action) {
  if (!timed_ || patient_) return action();  // inside another's: its time, its turn again
  timed_->WaitUntil(std::chrono::steady_clock::now() + budget::kSlowReadWait);
  again_ = nullptr;
  patient_ = true;
  action();
  patient_ = false;
  if (!timed_->stalled()) return;
  again_ = action;
  if (events_.waiting) events_.waiting();
}

void FileWindow::Grow(uint64_t end) {
  if (end <= text_.end) return;
  const uint64_t oldEnd = text_.end;
  const LRESULT lastLine = editor_.Send(SCI_GETLINECOUNT) - 1;
  const bool caretAtEnd = editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)) == lastLine;
  text_.end = end;
  indexing_->end.store(end);
  IndexOn();
  if (plan_.end != oldEnd) return;  // the window does not reach the old end: nothing in it changes
  if (caretAtEnd) return ShowFileEnd();  // once the index knows the new end
  // The window takes in what came, from the first line in view on.
  Patiently([this] {
    const std::optional<WindowPlan> plan = PlanAround(FirstLineInView());
    if (plan) Move(*plan);
  });
}

uint64_t FileWindow::EstimatedLines() const {
  const uint64_t lines = index_->lines(), indexed = index_->indexedBytes();
  if (index_->complete() || indexed == 0) return lines;
  return static_cast<uint64_t>(static_cast<double>(lines) * static_cast<double>(text_.end) / static_cast<double>(indexed));
}

int FileWindow::IndexPercent() const {
  return text_.end == 0 ? 100 : static_cast<int>(index_->indexedBytes() * 100 / text_.end);
}

std::optional<uint64_t> FileWindow::LineStart(uint64_t line) const {
  const std::optional<LineIndex::Lookup> lookup = index_->ForLine(line);
  if (!lookup) return std::nullopt;
  if (lookup->lineEndsToPass == 0) return std::max(lookup->blockStart, text_.start);
  std::string block(static_cast<size_t>(std::min(LineIndex::kBlock, text_.end - lookup->blockStart)), '\0');
  block.resize(reads().ReadAt(lookup->blockStart, block.data(), block.size()));
  const std::optional<size_t> after = AfterLineEnds(block, lookup->lineEndsToPass, LineEndOf(text_.encoding));
  if (!after) return std::nullopt;  // the file changed under the index
  return lookup->blockStart + *after;
}

uint64_t FileWindow::NumberOf(intptr_t controlLine) const {
  const uint64_t line = FileLineOf(controlLine);
  if (!numbering_) return line;
  // The line after the filtered text's last: after the last line it shows.
  return numbering_->FileLineOf(line).value_or(line == 0 ? 0 : numbering_->FileLineOf(line - 1).value_or(0) + 1);
}

bool FileWindow::GapBefore(intptr_t controlLine) const {
  return numbering_ && numbering_->GapBefore(FileLineOf(controlLine));
}

std::optional<std::string> FileWindow::LineText(uint64_t line) const {
  const std::optional<uint64_t> start = LineStart(line);
  if (!start) return std::nullopt;
  FileLines lines;
  lines.Read(reads(), text_, *start, LineStartFrom(reads(), text_, *start + 1, kLongestWindowLine));
  return std::string(lines.utf8());
}

std::optional<uint64_t> FileWindow::LineOf(uint64_t lineStart) const {
  const std::optional<LineIndex::Lookup> lookup = index_->ForOffset(lineStart);
  if (!lookup) return std::nullopt;
  std::string block(static_cast<size_t>(lineStart - lookup->blockStart), '\0');
  block.resize(reads().ReadAt(lookup->blockStart, block.data(), block.size()));
  return lookup->lineAtBlockStart + CountLineEnds(block, LineEndOf(text_.encoding));
}

std::optional<WindowPlan> FileWindow::PlanAround(uint64_t line) const {
  const std::optional<uint64_t> lineStart = LineStart(line);
  if (!lineStart) return std::nullopt;
  const uint64_t target = *lineStart;
  const uint64_t before = target > text_.start + kTextBefore ? target - kTextBefore : text_.start;
  // The first line that starts in the text before; the target's own where a
  // line longer than that comes before it.
  const uint64_t start = std::min(LineStartFrom(reads(), text_, before, target - before + 1), target);
  const std::optional<uint64_t> firstLine = start == target ? std::optional<uint64_t>(line) : LineOf(start);
  if (!firstLine) return std::nullopt;
  const uint64_t end = LineStartFrom(reads(), text_, std::min(target + kTextAfter, text_.end), kLongestWindowLine);
  return WindowPlan{start, end, *firstLine};
}

std::optional<size_t> FileWindow::PositionOf(const FilePlace& place) const {
  if (place.lineStart < plan_.start || place.lineStart > plan_.end) return std::nullopt;
  // The line after the window's last is outside it but for its start.
  if (place.lineStart == plan_.end && place.column > 0 && plan_.end < text_.end) return std::nullopt;
  return lines_.PositionOf(place);
}

FilePlace FileWindow::PlaceOf(size_t position) const {
  const auto at = static_cast<int32_t>(std::min(position, lines_.utf8().size()));
  return lines_.PlaceOf({at, at}).place;
}

uint64_t FileWindow::FirstLineInView() const {
  return FileLineOf(editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE)));
}

FileWindow::FileSelection FileWindow::Selection() const {
  const LRESULT anchor = editor_.Send(SCI_GETANCHOR), caret = editor_.Send(SCI_GETCURRENTPOS);
  FileSelection selection{PlaceOf(static_cast<size_t>(anchor)), PlaceOf(static_cast<size_t>(caret))};
  if (!kept_) return selection;
  const bool anchorKept = anchor == kept_->shownAnchor, caretKept = caret == kept_->shownCaret;
  if (anchorKept && caretKept) return kept_->inFile;
  // A selection drawn on from a kept end (Shift and an arrow) still starts there.
  if (anchor != caret) {
    if (anchorKept) selection.anchor = kept_->inFile.anchor;
    if (caretKept) selection.caret = kept_->inFile.caret;
  }
  return selection;
}

bool FileWindow::KeptShown() const {
  return kept_ && editor_.Send(SCI_GETANCHOR) == kept_->shownAnchor &&
         editor_.Send(SCI_GETCURRENTPOS) == kept_->shownCaret;
}

bool FileWindow::SelectionBeyondWindow() const {
  const FileSelection selection = Selection();
  return !PositionOf(selection.anchor) || !PositionOf(selection.caret);
}

void FileWindow::Select(const FileSelection& selection, LRESULT caretOutside) {
  kept_.reset();
  const std::optional<size_t> anchorAt = PositionOf(selection.anchor), caretAt = PositionOf(selection.caret);
  if (anchorAt && caretAt) {
    editor_.Send(SCI_SETSEL, *anchorAt, static_cast<LPARAM>(*caretAt));
    return;
  }
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  const auto shown = [&](const FilePlace& place, const std::optional<size_t>& at) -> LRESULT {
    if (at) return static_cast<LRESULT>(*at);
    return place.lineStart < plan_.start ? 0 : length;
  };
  LRESULT anchor = shown(selection.anchor, anchorAt), caret = shown(selection.caret, caretAt);
  if (anchor == caret) anchor = caret = caretOutside;
  editor_.Send(SCI_SETSEL, anchor, caret);
  kept_ = Kept{selection, anchor, caret};
}

void FileWindow::SelectAll() {
  const LRESULT firstVisible = editor_.Send(SCI_GETFIRSTVISIBLELINE), xOffset = editor_.Send(SCI_GETXOFFSET);
  // As the control selects all: the caret at the start, the anchor at the end.
  Select({{text_.end, 0}, {text_.start, 0}}, editor_.Send(SCI_POSITIONFROMLINE, firstVisible));
  editor_.Send(SCI_SETFIRSTVISIBLELINE, firstVisible);
  editor_.Send(SCI_SETXOFFSET, xOffset);
}

bool FileWindow::Move(const WindowPlan& plan, const std::function<void()>& applyLooks,
                      std::optional<uint64_t> lineToView) {
  const bool first = static_cast<bool>(applyLooks);
  const uint64_t firstInView = lineToView ? *lineToView : first ? 0 : FirstLineInView();
  const FileSelection selection = first ? FileSelection{} : Selection();
  const LRESULT xOffset = editor_.Send(SCI_GETXOFFSET);
  FileLines lines;
  if (!lines.Read(reads(), text_, plan.start, plan.end) && lines.utf8().empty()) return false;
  moving_ = true;
  lines_ = std::move(lines);
  plan_ = plan;
  kept_.reset();
  document_.Replace(lines_.utf8(), applyLooks ? applyLooks : [] {});
  if (!first) {
    // The selection where it was in the file; a caret outside the window
    // waits at the first line in view.
    const intptr_t lineInView =
        firstInView >= plan_.firstLine ? static_cast<intptr_t>(firstInView - plan_.firstLine) : 0;
    Select(selection, editor_.Send(SCI_POSITIONFROMLINE, lineInView));
    editor_.Send(SCI_SETFIRSTVISIBLELINE, editor_.Send(SCI_VISIBLEFROMDOCLINE, lineInView));
    editor_.Send(SCI_SETXOFFSET, xOffset);
  }
  moving_ = false;
  if (events_.moved) events_.moved();
  return true;
}

bool FileWindow::ShowStart(const std::function<void()>& applyLooks) {
  const std::optional<WindowPlan> plan = PlanAround(0);
  return plan && Move(*plan, applyLooks);
}

void FileWindow::ViewChanged() {
  if (moving_ || !editor_.exists()) return;
  Patiently([this] { FollowView(); });
}

void FileWindow::FollowView() {
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  const LRESULT caret = editor_.Send(SCI_GETCURRENTPOS), anchor = editor_.Send(SCI_GETANCHOR);
  // The caret at the window's very start or end got there by a jump (with
  // Shift, selecting): the view moves the window before the user can reach
  // either edge otherwise. A kept selection shown there is no jump.
  const bool kept = KeptShown();
  if (!kept && caret == 0 && plan_.start > text_.start) return ShowStartOfFile(anchor != 0);
  if (!kept && caret == length && plan_.end < text_.end && !ShowsLastLine()) return ShowEndOfFile(anchor != length);
  const LRESULT firstLine = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  const LRESULT viewStart = editor_.Send(SCI_POSITIONFROMLINE, firstLine);
  LRESULT viewEnd = editor_.Send(SCI_POSITIONFROMLINE, firstLine + screen + 1);
  if (viewEnd < 0) viewEnd = length;
  const bool nearStart = plan_.start > text_.start && viewStart < static_cast<LRESULT>(kNearStart);
  const bool nearEnd = plan_.end < text_.end && length - viewEnd < static_cast<LRESULT>(kNearEnd);
  if (!nearStart && !nearEnd) return;
  const std::optional<WindowPlan> plan = PlanAround(FileLineOf(firstLine));
  if (plan && (plan->start != plan_.start || plan->end != plan_.end)) Move(*plan);
}

bool FileWindow::ShowsLastLine() const {
  const std::optional<WindowPlan> last = PlanAround(index_->lines() - 1);
  return last && last->start == plan_.start && last->end == plan_.end;
}

void FileWindow::ShowFraction(double fraction) {
  Patiently([this, fraction] { ShowAtFraction(fraction); });
}

void FileWindow::ShowAtFraction(double fraction) {
  endWanted_ = false;
  const uint64_t span = text_.end - text_.start;
  uint64_t offset = text_.start + static_cast<uint64_t>(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(span));
  offset = std::min({offset, index_->indexedBytes(), text_.end});
  offset -= offset % LineEndOf(text_.encoding).width;
  // The line the offset is on, found from its block.
  const std::optional<LineIndex::Lookup> lookup = index_->ForOffset(offset);
  if (!lookup) return;
  std::string block(static_cast<size_t>(offset - lookup->blockStart), '\0');
  block.resize(reads().ReadAt(lookup->blockStart, block.data(), block.size()));
  const uint64_t line = lookup->lineAtBlockStart + CountLineEnds(block, LineEndOf(text_.encoding));
  // The caret stays where it was, as a drag of the thumb leaves it.
  const std::optional<WindowPlan> plan = PlanAround(line);
  if (plan) Move(*plan, {}, line);
}

void FileWindow::ShowFileStart(bool extend) {
  Patiently([this, extend] { ShowStartOfFile(extend); });
}

void FileWindow::ShowStartOfFile(bool extend) {
  endWanted_ = false;
  const FilePlace anchor = Selection().anchor, start{text_.start, 0};
  const std::optional<WindowPlan> plan = PlanAround(0);
  if (!plan || !Move(*plan)) return;
  Select({extend ? anchor : start, start}, 0);
  editor_.Send(SCI_SETFIRSTVISIBLELINE, 0);
}

void FileWindow::ShowFileEnd(bool extend) {
  Patiently([this, extend] { ShowEndOfFile(extend); });
}

void FileWindow::ShowEndOfFile(bool extend) {
  // Until the index has come to the end, to the last line it knows.
  endWanted_ = !index_->complete();
  const FilePlace anchor = Selection().anchor;
  const std::optional<WindowPlan> plan = PlanAround(index_->lines() - 1);
  if (!plan || !Move(*plan)) return;
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  const FilePlace end = PlaceOf(static_cast<size_t>(length));
  Select({extend ? anchor : end, end}, length);
  editor_.Send(SCI_SCROLLCARET);
}

void FileWindow::IndexTurn() {
  if (again_ && timed_->settled()) {
    const std::function<void()> again = std::move(again_);
    Patiently(again);
  }
  if (endWanted_ && index_->complete()) ShowFileEnd(!Selection().empty());
}

bool FileWindow::GoTo(const LineTarget& target) {
  const auto done = std::make_shared<bool>(false);
  Patiently([this, target, done] { *done = GoToLine(target); });
  return *done || waiting();
}

bool FileWindow::GoToLine(const LineTarget& target) {
  const uint64_t known = index_->lines();
  auto line = static_cast<uint64_t>(std::max<int64_t>(target.line, 1) - 1);
  if (line >= known) {
    if (!index_->complete()) return false;
    line = known - 1;
  }
  endWanted_ = false;
  const std::optional<WindowPlan> plan = PlanAround(line);
  if (!plan || !Move(*plan)) return false;
  kept_.reset();
  lumen::GoToLine(editor_, {static_cast<int64_t>(line - plan_.firstLine) + 1, target.column});
  return true;
}

std::optional<Match> FileWindow::Show(const FileMatch& match) {
  endWanted_ = false;
  std::optional<size_t> start = PositionOf(match.place);
  // A match in the window, but not near its edges, is shown where it is.
  const size_t length = lines_.utf8().size();
  if (!start || (*start < kNearStart && plan_.start > text_.start) ||
      (length - *start < kNearEnd && plan_.end < text_.end)) {
    const std::optional<uint64_t> line = LineOf(match.place.lineStart);
    const std::optional<WindowPlan> plan = line ? PlanAround(*line) : std::nullopt;
    if (!plan || !Move(*plan)) return std::nullopt;
    kept_.reset();
    start = PositionOf(match.place);
    if (!start) return std::nullopt;
  }
  const size_t end = std::min(*start + match.length, lines_.utf8().size());
  return Match{static_cast<int32_t>(*start), static_cast<int32_t>(end)};
}

double FileWindow::ViewFraction() const {
  const uint64_t span = text_.end - text_.start;
  if (span == 0) return 0;
  const LRESULT firstLine = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const FilePlace place = PlaceOf(static_cast<size_t>(std::max<LRESULT>(editor_.Send(SCI_POSITIONFROMLINE, firstLine), 0)));
  return static_cast<double>(place.lineStart - text_.start) / static_cast<double>(span);
}

double FileWindow::ScreenFraction() const {
  const uint64_t span = text_.end - text_.start;
  const size_t shown = lines_.utf8().size();
  if (span == 0 || shown == 0) return 1;
  // The window's share of the file, by the share of its lines a screen shows.
  const double lines = static_cast<double>(std::max<LRESULT>(editor_.Send(SCI_GETLINECOUNT), 1));
  const double screen = static_cast<double>(std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1));
  return std::min(1.0, static_cast<double>(plan_.end - plan_.start) / static_cast<double>(span) * screen / lines);
}

}  // namespace lumen
