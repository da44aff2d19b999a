#pragma once
// A filter of a text's lines, made by workers: the lines that hold a match
// of a query, each with a few lines of context before and after it (or,
// hiding, the lines that hold none), written one after another as the
// filtered text, with the map from its lines to the text's own. Runs of
// lines that meet or overlap are one run.
//
// Two workers search the search's slices of the text, each keeping only the
// lines that may be shown (about its matches, and at its edges for the
// matches of the slices beside it); whichever finishes the next slice in
// order writes what it and the slices after it show, so that the filtered
// text comes in the text's order at the speed of the count.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Sync.h"
#include "search/FileSearch.h"

namespace lumen {

// Lines of the text shown one after another: the filtered text's line
// `shownLine` is the text's line `fileLine` (both from 0), and so on for `count`.
struct FilterRun {
  uint64_t shownLine = 0;
  uint64_t fileLine = 0;
  uint64_t count = 0;
  bool operator==(const FilterRun&) const = default;
};

class LineFilter : public std::enable_shared_from_this<LineFilter> {
 public:
  enum class Mode { Matching, NotMatching };
  struct Options {
    Mode mode = Mode::Matching;
    unsigned context = 0;  // lines before and after each matching line (Matching only)
    size_t mostRuns = size_t{1} << 22;  // and then the filter stops
  };
  enum class State { Filtering, Done, Cut };
  // The filtered text goes to `write` (UTF-8, each line ended by '\n') as
  // the worker makes it; it answers false when it takes no more. Null when
  // no thread starts.
  using Write = std::function<bool(std::string_view)>;
  static std::shared_ptr<LineFilter> Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                           Options options, Write write);
  ~LineFilter() { Cancel(); }
  LineFilter(const LineFilter&) = delete;
  LineFilter& operator=(const LineFilter&) = delete;

  // Once Done: filters on over what the text gained, from where the filter
  // ended (`more.start`) to `more.end`, its lines counted on and their runs
  // joining the last; a last line without its end is left for the next time.
  // False when it is not Done or no thread starts.
  bool Continue(const FileText& more);

  State state() const { return state_.load(std::memory_order_acquire); }
  bool Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }
  void Cancel();
  // How far the workers have come: the text written up to (where a next
  // pass starts once Done), the lines shown so far.
  uint64_t bytesRead() const { return bytesRead_.load(std::memory_order_acquire); }
  uint64_t shownLines() const;
  // The line ends of the text read so far (its lines, but for a last one without an end).
  uint64_t linesRead() const;
  // The text's line that the filtered text's `shownLine` is; none beyond what is made.
  std::optional<uint64_t> FileLineOf(uint64_t shownLine) const;
  // The filtered line that shows the text's `fileLine`, or the first after it; none when none does.
  std::optional<uint64_t> ShownLineOf(uint64_t fileLine) const;
  // Whether lines of the text are left out before the filtered line `shownLine`.
  bool GapBefore(uint64_t shownLine) const;
  // The runs made so far, copied.
  std::vector<FilterRun> Runs() const;

 private:
  // What a worker found in one slice: how many lines it has, those that hold
  // a match, and the text of the lines kept for the writer.
  struct KeptLines {
    uint64_t first = 0;  // the slice's line, from 0
    uint64_t count = 0;
    size_t from = 0, to = 0;  // in `text`, each line ended by '\n'
  };
  struct SliceFound {
    uint64_t lineEnds = 0;
    std::vector<uint64_t> matches;
    std::string text;
    std::vector<KeptLines> kept;
    uint64_t end = 0;  // in the text searched
  };
  static SliceFound FindInSlice(const FileLines& lines, uint64_t end, const std::shared_ptr<const Searcher>& searcher,
                                Options options, bool wholeLinesOnly);

  LineFilter(std::shared_ptr<const Searcher> searcher, Options options, Write write);
  // A pass over `text` by the workers; false when none starts.
  bool StartPass(const FileText& text, bool wholeLinesOnly);
  void Work();
  // The last worker of a pass to leave ends it.
  void WorkerLeaves();
  // The writer's part: the slices found, in order, shown and published.
  void WriteFound(SliceFound& found);
  void Show(uint64_t first, uint64_t count, std::string_view text);

  const std::shared_ptr<const Searcher> searcher_;
  const Options options_;
  const Write write_;

  // The pass under way, set before its workers start.
  FileText text_;
  bool wholeLinesOnly_ = false;
  size_t slices_ = 0;

  std::atomic<State> state_{State::Done};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> cut_{false};
  std::atomic<uint64_t> bytesRead_{0};
  std::atomic<int> working_{0};

  // The slices found and not yet written, the next to take and to write,
  // whether a worker is writing; under `lock_`, `changed_` woken as they move.
  mutable Lock lock_;
  Condition changed_;
  std::map<size_t, SliceFound> found_;
  size_t nextSlice_ = 0;
  size_t nextWritten_ = 0;
  bool writing_ = false;
  std::vector<FilterRun> runs_;
  uint64_t shown_ = 0;
  uint64_t linesRead_ = 0;

  // The writer's own, one worker at a time: the lines of the text before the
  // next slice, the last lines left out (context for a match to come), the
  // last line a match's context reaches, the last line shown, and the
  // slice's text and runs until they are published.
  uint64_t linesBefore_ = 0;
  std::deque<std::pair<uint64_t, std::string>> leftOut_;
  std::optional<uint64_t> contextUntil_;
  std::optional<uint64_t> lastShown_;
  uint64_t shownSoFar_ = 0;
  size_t runsPublished_ = 0;
  std::string out_;
  std::vector<FilterRun> newRuns_;

  DoneEvent done_;
};

}  // namespace lumen
