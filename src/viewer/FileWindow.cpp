#include "viewer/FileWindow.h"

#include <algorithm>
#include <cstring>

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
// A window in a long line holds this many of its pieces, the view in the second.
constexpr uint64_t kPiecesInWindow = 4;
// A line this long in the window is shown from as far in as it is scrolled.
constexpr LRESULT kLongInWindow = LRESULT{1} << 16;
// About as many characters as a screen shows across.
constexpr double kColumnsOnScreen = 256;
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
    const std::optional<WindowPlan> plan = PlanForView(PositionInView());
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
  uint64_t end = LineStartFrom(reads(), text_, std::min(target + kTextAfter, text_.end), kLongestWindowLine);
  if (InPieces()) end = std::min(end, LongLineCut(start, end));
  const bool endsInLine = !StartsLine(end);
  if (endsInLine && InPieces()) end = CharacterStart(end);
  return WindowPlan{start, end, *firstLine, start, endsInLine};
}

uint64_t FileWindow::LongLineCut(uint64_t start, uint64_t end) const {
  std::string text(static_cast<size_t>(end - start), '\0');
  text.resize(reads().ReadAt(start, text.data(), text.size()));
  constexpr size_t kLongest = kPiecesInWindow * kLinePiece;
  for (size_t at = 0; at < text.size();) {
    const void* found = std::memchr(text.data() + at, '\n', text.size() - at);
    const size_t lineEnd = found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : text.size();
    if (lineEnd - at > kLongest) return start + at + kLongest;
    at = lineEnd + 1;
  }
  return end;
}

std::optional<WindowPlan> FileWindow::PlanAt(uint64_t line, uint64_t column) const {
  if (!InPieces() || column < kLinePiece) return PlanAround(line);
  const std::optional<uint64_t> lineStart = LineStart(line);
  if (!lineStart) return std::nullopt;
  // From the start of the piece before the column's, a few pieces on.
  const uint64_t start = CharacterStart(std::min(*lineStart + (column / kLinePiece - 1) * kLinePiece, text_.end));
  uint64_t end = LineStartFrom(reads(), text_, std::min(start + (kPiecesInWindow - 1) * kLinePiece, text_.end), kLinePiece);
  const bool endsInLine = !StartsLine(end);
  if (endsInLine) end = CharacterStart(end);
  return WindowPlan{start, end, line, *lineStart, endsInLine};
}

std::optional<WindowPlan> FileWindow::PlanAtEnd() const {
  const uint64_t last = index_->lines() - 1;
  const std::optional<uint64_t> lineStart = InPieces() ? LineStart(last) : std::nullopt;
  return PlanAt(last, lineStart ? text_.end - *lineStart : 0);
}

uint64_t FileWindow::CharacterStart(uint64_t offset) const {
  // UTF-8's continuation bytes are 10xxxxxx, at most three after a character's first.
  unsigned char bytes[3];
  const size_t read = reads().ReadAt(offset, reinterpret_cast<char*>(bytes), sizeof bytes);
  size_t skip = 0;
  while (skip < read && (bytes[skip] & 0xC0) == 0x80) ++skip;
  return std::min(offset + skip, text_.end);
}

bool FileWindow::StartsLine(uint64_t offset) const {
  if (offset <= text_.start || offset >= text_.end) return true;
  const LineEnd end = LineEndOf(text_.encoding);
  char before[2] = {};
  if (reads().ReadAt(offset - end.width, before, end.width) != end.width) return true;
  return end.width == 1 ? before[0] == '\n' : before[end.bigEndian ? 1 : 0] == '\n' && before[end.bigEndian ? 0 : 1] == 0;
}

std::optional<size_t> FileWindow::PositionOf(const FilePlace& place) const {
  if (place.lineStart < plan_.firstLineStart || place.lineStart > plan_.end) return std::nullopt;
  // The line after the window's last is outside it but for its start.
  if (place.lineStart == plan_.end && place.column > 0 && plan_.end < text_.end) return std::nullopt;
  FilePlace inWindow = place;
  if (place.lineStart < plan_.start) {
    // The window starts inside this line: its place there is the column's from the window's start.
    const uint64_t before = plan_.start - plan_.firstLineStart;
    if (place.lineStart != plan_.firstLineStart || place.column < before) return std::nullopt;
    inWindow = {plan_.start, static_cast<size_t>(place.column - before)};
  }
  const size_t position = lines_.PositionOf(inWindow);
  // A place in the rest of a long line the window cuts, from where it is cut, is in the next window.
  if (plan_.endsInLine && InPieces() && lines_.PositionOf({inWindow.lineStart, 0}) + inWindow.column >= lines_.utf8().size()) {
    return std::nullopt;
  }
  return position;
}

FilePlace FileWindow::PlaceOf(size_t position) const {
  const auto at = static_cast<int32_t>(std::min(position, lines_.utf8().size()));
  FilePlace place = lines_.PlaceOf({at, at}).place;
  if (place.lineStart == plan_.start && plan_.firstLineStart < plan_.start) {
    place = {plan_.firstLineStart, place.column + static_cast<size_t>(plan_.start - plan_.firstLineStart)};
  }
  return place;
}

uint64_t FileWindow::FirstLineInView() const {
  return FileLineOf(editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE)));
}

LRESULT FileWindow::PositionInView() const {
  const LRESULT first = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT firstStart = editor_.Send(SCI_POSITIONFROMLINE, first);
  if (!InPieces()) return firstStart;
  if (editor_.Send(SCI_GETWRAPMODE) != SC_WRAP_NONE) {
    // The first part of a wrapped line in view.
    if (editor_.Send(SCI_LINELENGTH, first) < kLongInWindow) return firstStart;
    return std::max(editor_.Send(SCI_POSITIONFROMPOINT, static_cast<WPARAM>(TextLeft()), 0), firstStart);
  }
  // At the text's left edge on the first long line in view, as far in as the view is scrolled.
  const LRESULT last = std::min(first + editor_.Send(SCI_LINESONSCREEN), editor_.Send(SCI_GETLINECOUNT) - 1);
  for (LRESULT line = first; line <= last; ++line) {
    if (editor_.Send(SCI_LINELENGTH, line) < kLongInWindow) continue;
    const LRESULT lineStart = editor_.Send(SCI_POSITIONFROMLINE, line);
    const LRESULT y = editor_.Send(SCI_POINTYFROMPOSITION, 0, lineStart);
    return std::max(editor_.Send(SCI_POSITIONFROMPOINT, static_cast<WPARAM>(TextLeft()), y), lineStart);
  }
  return firstStart;
}

std::optional<WindowPlan> FileWindow::PlanForView(LRESULT positionInView) const {
  const FilePlace place = PlaceOf(static_cast<size_t>(positionInView));
  if (InPieces() && place.column >= kLinePiece) {
    return PlanAt(FileLineOf(editor_.Send(SCI_LINEFROMPOSITION, positionInView)), place.column);
  }
  return PlanAround(FirstLineInView());
}

LRESULT FileWindow::TextLeft() const {
  const LRESULT line = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  return editor_.Send(SCI_POINTXFROMPOSITION, 0, editor_.Send(SCI_POSITIONFROMLINE, line)) + editor_.Send(SCI_GETXOFFSET);
}

void FileWindow::KeepInView(LRESULT position, LRESULT x) {
  const LRESULT line = editor_.Send(SCI_LINEFROMPOSITION, position);
  if (editor_.Send(SCI_GETWRAPMODE) == SC_WRAP_NONE) {
    // The offset that puts the position `x` from the left edge, at the offset it has now.
    const LRESULT offset = editor_.Send(SCI_GETXOFFSET);
    editor_.Send(SCI_SETXOFFSET, std::max<LRESULT>(offset + editor_.Send(SCI_POINTXFROMPOSITION, 0, position) - x, 0));
    return;
  }
  // The part of the wrapped line the position is in, at the view's top.
  const LRESULT visible = editor_.Send(SCI_VISIBLEFROMDOCLINE, line);
  editor_.Send(SCI_SETFIRSTVISIBLELINE, visible);
  const LRESULT height = std::max<LRESULT>(editor_.Send(SCI_TEXTHEIGHT, line), 1);
  const LRESULT y = editor_.Send(SCI_POINTYFROMPOSITION, 0, position) -
                    editor_.Send(SCI_POINTYFROMPOSITION, 0, editor_.Send(SCI_POSITIONFROMLINE, line));
  editor_.Send(SCI_SETFIRSTVISIBLELINE, visible + y / height);
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
                      std::optional<FilePlace> placeToView) {
  const bool first = static_cast<bool>(applyLooks);
  const uint64_t firstInView = first ? 0 : FirstLineInView();
  // The place the view is at (see PositionInView), and how far from the view's left edge it is drawn.
  const LRESULT positionInView = first ? 0 : PositionInView();
  const FilePlace inView = placeToView ? *placeToView : PlaceOf(static_cast<size_t>(positionInView));
  std::optional<LRESULT> inViewX;
  if (!first && inView.column > 0) {
    inViewX = placeToView ? TextLeft() : editor_.Send(SCI_POINTXFROMPOSITION, 0, positionInView);
  }
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
    const std::optional<size_t> placeAt = placeToView ? PositionOf(*placeToView) : std::nullopt;
    const LRESULT lineInView = placeAt                          ? editor_.Send(SCI_LINEFROMPOSITION, *placeAt)
                               : !placeToView && firstInView >= plan_.firstLine ? static_cast<LRESULT>(firstInView - plan_.firstLine)
                                                                                : 0;
    Select(selection, editor_.Send(SCI_POSITIONFROMLINE, lineInView));
    editor_.Send(SCI_SETFIRSTVISIBLELINE, editor_.Send(SCI_VISIBLEFROMDOCLINE, lineInView));
    editor_.Send(SCI_SETXOFFSET, xOffset);
    // Inside a long line, the same text at the view's left edge.
    const std::optional<size_t> anchorAt = inViewX ? PositionOf(inView) : std::nullopt;
    if (anchorAt) KeepInView(static_cast<LRESULT>(*anchorAt), *inViewX);
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
  // (A jump to the start leaves the view unscrolled: a caret put back at a
  // window's start far along a long line is none.)
  const bool jumpedToStart = caret == 0 && editor_.Send(SCI_GETXOFFSET) == 0;
  if (!kept && jumpedToStart && plan_.start > text_.start) return ShowStartOfFile(anchor != 0);
  if (!kept && caret == length && plan_.end < text_.end && !ShowsLastLine()) return ShowEndOfFile(anchor != length);
  const LRESULT firstLine = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  const LRESULT viewStart = editor_.Send(SCI_POSITIONFROMLINE, firstLine);
  LRESULT viewEnd = editor_.Send(SCI_POSITIONFROMLINE, firstLine + screen + 1);
  if (viewEnd < 0) viewEnd = length;
  // A window inside a long line moves along it only as the view comes near
  // the part it shows's either end: no move that the next view undoes.
  const LRESULT across = PositionInView();
  const bool insideLine = plan_.firstLineStart < plan_.start && firstLine == 0;
  const bool nearStart = plan_.start > text_.start && viewStart < static_cast<LRESULT>(kNearStart) && !insideLine;
  const bool nearEnd = plan_.end < text_.end && length - viewEnd < static_cast<LRESULT>(kNearEnd) && !insideLine;
  if (!nearStart && !nearEnd && !NearEdgeOfLongLine(across)) return;
  const std::optional<WindowPlan> plan = PlanForView(across);
  if (plan && (plan->start != plan_.start || plan->end != plan_.end)) Move(*plan);
}

bool FileWindow::NearEdgeOfLongLine(LRESULT position) const {
  if (!InPieces()) return false;
  const LRESULT line = editor_.Send(SCI_LINEFROMPOSITION, position);
  const FilePlace place = PlaceOf(static_cast<size_t>(position));
  // The columns of the line the window holds.
  const uint64_t shownFrom = line == 0 ? plan_.start - plan_.firstLineStart : 0;
  const uint64_t shownTo = PlaceOf(static_cast<size_t>(editor_.Send(SCI_GETLINEENDPOSITION, line))).column;
  const bool cut = plan_.endsInLine && line == editor_.Send(SCI_GETLINECOUNT) - 1;
  return (shownFrom > 0 && place.column < shownFrom + kLinePiece / 2) || (cut && place.column + kLinePiece > shownTo);
}

bool FileWindow::ShowsLastLine() const {
  const std::optional<WindowPlan> last = PlanAtEnd();
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
  const std::optional<uint64_t> lineStart = LineStart(line);
  if (!lineStart) return;
  // Into a long line as far as the thumb is.
  const uint64_t column = InPieces() && offset - *lineStart >= kLinePiece ? offset - *lineStart : 0;
  // The caret stays where it was, as a drag of the thumb leaves it.
  const std::optional<WindowPlan> plan = PlanAt(line, column);
  if (plan) Move(*plan, {}, FilePlace{*lineStart, static_cast<size_t>(column)});
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
  const std::optional<WindowPlan> plan = PlanAtEnd();
  if (!plan || !Move(*plan)) return;
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  const FilePlace end = PlaceOf(static_cast<size_t>(length));
  Select({extend ? anchor : end, end}, length);
  editor_.Send(SCI_SCROLLCARET);
}

bool FileWindow::ShowLineEdge(bool end, bool extend) {
  if (!InPieces()) return false;
  const LRESULT caretLine = editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS));
  const bool cut = end ? plan_.endsInLine && caretLine == editor_.Send(SCI_GETLINECOUNT) - 1
                       : plan_.firstLineStart < plan_.start && caretLine == 0;
  if (!cut) return false;
  Patiently([this, end, extend] { ShowEdgeOfLine(end, extend); });
  return true;
}

void FileWindow::ShowEdgeOfLine(bool end, bool extend) {
  endWanted_ = false;
  const FileSelection selection = Selection();
  const uint64_t line = FileLineOf(editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)));
  const std::optional<uint64_t> lineStart = LineStart(line);
  if (!lineStart) return;
  uint64_t column = 0;
  if (end) {
    // The line's end: before the next line's start, which a scan finds where the index has not come to it.
    const std::optional<uint64_t> next = LineStart(line + 1);
    const uint64_t after = next ? *next : LineStartFrom(reads(), text_, *lineStart + 1, text_.end);
    // Before its "\n" or "\r\n" (UTF-8: one byte each).
    char ending[2] = {};
    const uint64_t from = std::max(after, *lineStart + 2) - 2;
    const size_t read = reads().ReadAt(from, ending, sizeof ending);
    uint64_t lineEnd = after;
    if (read == 2 && after >= *lineStart + 1 && ending[after - from - 1] == '\n') --lineEnd;
    if (read == 2 && lineEnd >= *lineStart + 1 && lineEnd - from >= 1 && ending[lineEnd - from - 1] == '\r') --lineEnd;
    column = lineEnd - *lineStart;
  }
  const std::optional<WindowPlan> plan = PlanAt(line, column);
  if (!plan || !Move(*plan)) return;
  const FilePlace edge{*lineStart, static_cast<size_t>(column)};
  Select({extend ? selection.anchor : edge, edge}, 0);
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
  // Far into a long line, the pieces about the column (a character's, near enough its byte's).
  const uint64_t column = target.column > 1 ? static_cast<uint64_t>(target.column - 1) : 0;
  const std::optional<WindowPlan> plan = PlanAt(line, column);
  if (!plan || !Move(*plan)) return false;
  kept_.reset();
  const int64_t before = static_cast<int64_t>(plan_.start - plan_.firstLineStart);
  lumen::GoToLine(editor_, {static_cast<int64_t>(line - plan_.firstLine) + 1, std::max<int64_t>(target.column - before, 0)});
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
    const std::optional<WindowPlan> plan = line ? PlanAt(*line, match.place.column) : std::nullopt;
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
  const FilePlace place = PlaceOf(static_cast<size_t>(std::max<LRESULT>(PositionInView(), 0)));
  // A long line's bytes before the view count as the lines before it do.
  const uint64_t offset = place.lineStart + (InPieces() ? place.column : 0);
  return static_cast<double>(std::min(offset, text_.end) - text_.start) / static_cast<double>(span);
}

double FileWindow::ScreenFraction() const {
  const uint64_t span = text_.end - text_.start;
  const size_t shown = lines_.utf8().size();
  if (span == 0 || shown == 0) return 1;
  // The window's share of the file, by the share of its lines a screen shows.
  const double lines = static_cast<double>(std::max<LRESULT>(editor_.Send(SCI_GETLINECOUNT), 1));
  const double screen = static_cast<double>(std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1));
  // A window of fewer lines than a screen is part of a long line: a screen shows as much of it as is across.
  if (lines < screen && (plan_.endsInLine || plan_.firstLineStart < plan_.start)) {
    return std::min(1.0, lines * kColumnsOnScreen / static_cast<double>(span));
  }
  return std::min(1.0, static_cast<double>(plan_.end - plan_.start) / static_cast<double>(span) * screen / lines);
}

}  // namespace lumen
