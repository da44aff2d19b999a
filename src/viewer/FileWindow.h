#pragma once
// A file too big to give the control whole, shown through a window: the
// control holds about a megabyte and a quarter of its text around what the
// user sees, a worker indexes the file's lines, and the window moves as the
// user scrolls near its edge or jumps (the start, the end, a line, a match,
// the scroll bar), keeping the caret, the selection and the first line in
// view where they are in the file. The scroll bar the user sees, the line
// numbers in the margin and the description are the whole file's.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "abi/EditorControl.h"
#include "base/SharedFile.h"
#include "base/TimedReads.h"
#include "search/FileSearch.h"
#include "search/LineFilter.h"
#include "search/WindowedText.h"
#include "text/LineIndex.h"
#include "viewer/EditorDocument.h"

namespace lumen {

// From this size on a file by path is shown through a window, unless the
// configuration says from how many megabytes on. The control holds a whole
// document in 2.3 times the file's size (its text, a style byte for each
// character and its line index): up to here that stays near 150 MB.
inline constexpr uint64_t kWindowedFrom = uint64_t{64} << 20;
constexpr uint64_t WindowedFrom(uint32_t configuredMegabytes) {
  return configuredMegabytes == 0 ? kWindowedFrom : uint64_t{configuredMegabytes} << 20;
}

// A UTF-8 file by path with a line longer than this is shown through a
// window too: the control lays a line out whole each time it
// comes into view, about 70 ms a megabyte in a monospaced font, and several
// times that in another.
inline constexpr size_t kLongestWholeLine = size_t{256} << 10;
// In the first part of a bigger file a line this long is taken for one of them.
inline constexpr size_t kLongLineInFirstPart = size_t{64} << 10;

// A UTF-8 line longer than a window is shown a few pieces of it at a time:
// the control lays a line out whole each time it comes into view, which
// takes too long for lines of many megabytes. A window in such a line starts
// at the start of one of its pieces, so that the same view makes the same window.
inline constexpr uint64_t kLinePiece = uint64_t{32} << 10;

// Where the window lies in the file and what its text is.
struct WindowPlan {
  uint64_t start = 0;           // a line's start, or a piece's of a long line
  uint64_t end = 0;             // a line's start, the file's end, or where a long line is cut
  uint64_t firstLine = 0;       // of the file, at start
  uint64_t firstLineStart = 0;  // before `start` when the window starts inside that line
  bool endsInLine = false;      // the window's last line goes on after its end
};

class FileWindow final : public WindowedText {
 public:
  // What the window tells the document that owns it.
  struct Events {
    std::function<void()> moved;  // the control's text is another part of the file now
    std::function<void()> waiting;  // a move waits for the file's reads (see IndexTurn)
  };

  // The file `text` describes, `file` opened for it; the index starts on a
  // worker (none when no thread starts: the window then stays at the start).
  // `timed`: the reads of a file on another machine, which each message
  // waits for only so long; what came too late is done again in a turn.
  FileWindow(const EditorControl& editor, SharedFile file, FileText text, Events events,
             std::unique_ptr<TimedReads> timed = nullptr);
  ~FileWindow();
  FileWindow(const FileWindow&) = delete;
  FileWindow& operator=(const FileWindow&) = delete;

  // The first window, at the file's start; `applyLooks` as for any new text.
  bool ShowStart(const std::function<void()>& applyLooks);

  // The view scrolled or the selection moved: a view near the window's edge
  // moves the window, the caret at its very start or end (Ctrl+Home,
  // Ctrl+End) goes to the file's.
  void ViewChanged();
  // The scroll bar's thumb at `fraction` (0 to 1) of the file.
  void ShowFraction(double fraction);
  // Ctrl+Home and Ctrl+End; with Shift (`extend`), the selection goes there.
  void ShowFileStart(bool extend = false);
  void ShowFileEnd(bool extend = false);
  // Home or End on a line the window shows only part of: the caret goes to
  // the line's start or end in the file (with `extend`, the selection does);
  // false for any other line, whose keys are the control's.
  bool ShowLineEdge(bool end, bool extend);

  // The selection in the file, from its anchor to its caret: the control's
  // where both ends are in the window.
  struct FileSelection {
    FilePlace anchor, caret;
    bool empty() const { return anchor == caret; }
  };
  FileSelection Selection() const;
  // The whole file selected, the view kept where it is.
  void SelectAll();
  // Whether the selection reaches beyond the window, so that only the file holds its text.
  bool SelectionBeyondWindow() const;
  // A turn while the index grows: a wish for the file's end met once it is
  // known, a move that waited for the file's reads done once they came.
  void IndexTurn();
  // A move waits for reads of the file that came too late.
  bool waiting() const { return static_cast<bool>(again_); }
  // The file grew to `end` bytes (it is followed): the index goes on to
  // there, and a window that ends at the old end takes in what came, the
  // caret and the view kept at the end where the user was there.
  void Grow(uint64_t end);

  // The text of the file's line `line` (from 0), read from the file; none
  // when the index has not passed it or it cannot be read.
  std::optional<std::string> LineText(uint64_t line) const;
  // A filter's text shown: the lines are numbered as the filtered text's lines.
  void NumberThrough(std::shared_ptr<const LineFilter> filter) { numbering_ = std::move(filter); }
  // The number (from 0) the control's line has: its line in the file, or in
  // the text filtered; and whether lines are left out before it.
  uint64_t NumberOf(intptr_t controlLine) const;
  bool GapBefore(intptr_t controlLine) const;
  // The file's line at the control's line.
  uint64_t FileLineOf(intptr_t controlLine) const { return plan_.firstLine + static_cast<uint64_t>(controlLine); }
  // The lines known so far, and whether that is all of them.
  uint64_t lines() const { return index_->lines(); }
  // Complete up to the text's end: a worker that has just finished may not
  // have seen the end the text grew to yet.
  bool indexed() const { return index_->complete() && index_->indexedBytes() >= text_.end; }
  // All of them once indexed; until then as many as the share indexed suggests.
  uint64_t EstimatedLines() const;
  int IndexPercent() const;
  uint64_t size() const { return text_.end; }
  const WindowPlan& plan() const { return plan_; }
  // The first line in view, as a share of the file's bytes, and the share
  // a screen shows: for the scroll bar.
  double ViewFraction() const;
  double ScreenFraction() const;

  // WindowedText.
  FileText Text() const override { return text_; }
  FilePlace PlaceOf(size_t position) const override;
  std::optional<Match> Show(const FileMatch& match) override;
  std::optional<uint64_t> LineOf(uint64_t lineStart) const override;
  bool GoTo(const LineTarget& target) override;

 private:
  // The public calls' own work, each run Patiently.
  void FollowView();
  void ShowAtFraction(double fraction);
  void ShowStartOfFile(bool extend);
  void ShowEndOfFile(bool extend);
  bool GoToLine(const LineTarget& target);

  // Where line `line` (from 0) starts; none when the index has not passed it.
  std::optional<uint64_t> LineStart(uint64_t line) const;
  // The window with `line` in it, a little of the text before it to colour
  // it from; none when the line is not known yet or cannot be read.
  std::optional<WindowPlan> PlanAround(uint64_t line) const;
  // The window with `column` of `line` in it: around the line, or the pieces
  // of a long line around the column.
  std::optional<WindowPlan> PlanAt(uint64_t line, uint64_t column) const;
  // The window with the file's end in it.
  std::optional<WindowPlan> PlanAtEnd() const;
  // Whether a place's column is the file's bytes into its line, so that a
  // long line can be shown in pieces: UTF-8 text.
  bool InPieces() const { return text_.encoding == Encoding::Utf8; }
  // Where the window from `start` to `end` ends when a line in it is longer
  // than the window shows of a line: that far into the line; else `end`.
  uint64_t LongLineCut(uint64_t start, uint64_t end) const;
  // `offset`, or the start of the character it is inside.
  uint64_t CharacterStart(uint64_t offset) const;
  // Whether `offset` is a line's start.
  bool StartsLine(uint64_t offset) const;
  // Shows `plan`'s text; then puts the first line in view and the selection
  // back where they were in the file.
  // `placeToView`: the file's place to show at the view's top instead (at
  // its left edge too when it is inside its line).
  bool Move(const WindowPlan& plan, const std::function<void()>& applyLooks = {},
            std::optional<FilePlace> placeToView = std::nullopt);
  // Puts `position` at `x` from the view's left edge, or where lines are
  // wrapped its part of its line at the view's top.
  void KeepInView(LRESULT position, LRESULT x);
  // Shows `selection` in the window: as it is where both ends are in it,
  // else kept (see Kept); `caretOutside` is where a caret outside waits.
  void Select(const FileSelection& selection, LRESULT caretOutside);
  std::optional<size_t> PositionOf(const FilePlace& place) const;
  // The file's line of the control's first line in view.
  uint64_t FirstLineInView() const;
  // The control's position the view is at: the first line in view's start,
  // or on the first long line in view as far into it as the view is scrolled.
  LRESULT PositionInView() const;
  // The window for the view at that position: the pieces of a long line
  // scrolled across, else around the first line in view.
  std::optional<WindowPlan> PlanForView(LRESULT positionInView) const;
  // Where the text's left edge is in the control's window, not scrolled.
  LRESULT TextLeft() const;
  // Whether the window is the one the file's last line is shown in: a last
  // line longer than a window ends it before the file's end.
  bool ShowsLastLine() const;
  // Whether `position`, on a long line, is near an end of the part of it
  // the window holds, with more of the line beyond.
  bool NearEdgeOfLongLine(LRESULT position) const;
  void ShowEdgeOfLine(bool end, bool extend);

  // Runs `action` with reads that wait for a file elsewhere until the
  // message's time is up; where one came too late, `action` runs again once
  // the reads have come (IndexTurn).
  void Patiently(const std::function<void()>& action);
  ReadsAt& reads() const { return timed_ ? static_cast<ReadsAt&>(*timed_) : file_; }

  EditorControl editor_;
  EditorDocument document_;
  mutable SharedFile file_;
  std::unique_ptr<TimedReads> timed_;
  std::function<void()> again_;
  std::shared_ptr<const LineFilter> numbering_;
  bool patient_ = false;  // inside Patiently
  FileText text_;
  Events events_;
  std::shared_ptr<LineIndex> index_;
  // What the index's worker reads to, and whether one runs.
  struct Indexing {
    std::atomic<uint64_t> end{0};
    std::atomic<bool> running{false};
    std::atomic<bool> stop{false};
  };
  std::shared_ptr<Indexing> indexing_;
  // Starts the worker that takes the index to indexing_->end, unless one runs.
  void IndexOn();
  WindowPlan plan_;
  FileLines lines_;  // the window's text
  bool endWanted_ = false;  // Ctrl+End came before the index knew the end
  // A selection with an end outside the window, kept in the file. The
  // control shows each end outside at the window's edge on its side (a
  // selection wholly outside as a caret at the first line in view); an end
  // the user has not moved since is still the kept one.
  struct Kept {
    FileSelection inFile;
    LRESULT shownAnchor = 0, shownCaret = 0;
  };
  std::optional<Kept> kept_;
  // Whether the control shows the kept selection as it was left: no jump, no new caret.
  bool KeptShown() const;
  bool moving_ = false;
};

}  // namespace lumen
