#pragma once
// A filter of a text's lines, made by a worker: the lines that hold a match
// of a query, each with a few lines of context before and after it (or,
// hiding, the lines that hold none), written one after another as the
// filtered text, with the map from its lines to the text's own. Runs of
// lines that meet or overlap are one run.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

class LineFilter {
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

  State state() const { return state_.load(std::memory_order_acquire); }
  bool Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }
  void Cancel() { cancelled_.store(true); }
  // How far the worker has come: the text's bytes read, the lines shown so far.
  uint64_t bytesRead() const { return bytesRead_.load(std::memory_order_acquire); }
  uint64_t shownLines() const;
  // The text's line that the filtered text's `shownLine` is; none beyond what is made.
  std::optional<uint64_t> FileLineOf(uint64_t shownLine) const;
  // The filtered line that shows the text's `fileLine`, or the first after it; none when none does.
  std::optional<uint64_t> ShownLineOf(uint64_t fileLine) const;
  // Whether lines of the text are left out before the filtered line `shownLine`.
  bool GapBefore(uint64_t shownLine) const;
  // The runs made so far, copied.
  std::vector<FilterRun> Runs() const;

 private:
  LineFilter() = default;
  void Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, Options options, const Write& write);

  std::atomic<State> state_{State::Filtering};
  std::atomic<bool> cancelled_{false};
  std::atomic<uint64_t> bytesRead_{0};
  mutable Lock lock_;
  std::vector<FilterRun> runs_;
  uint64_t shown_ = 0;
  DoneEvent done_;
};

}  // namespace lumen
