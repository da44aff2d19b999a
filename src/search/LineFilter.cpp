#include "search/LineFilter.h"

#include <algorithm>
#include <exception>
#include <string>

#include "base/BackgroundThread.h"
#include "text/LineIndex.h"

namespace lumen {
namespace {

// How many slices the workers may find ahead of the one written next: the
// found text waiting stays a few megabytes whatever one slice takes.
constexpr size_t kMostSlicesAhead = 8;

// The start of the line that ends at `end` (the line holding byte end - 1).
size_t StartOfLineBefore(std::string_view text, size_t end) {
  if (end < 2) return 0;
  const size_t lineEnd = text.rfind('\n', end - 2);
  return lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
}

// After the line end at or after `from`; the text's end when none.
size_t AfterLineFrom(std::string_view text, size_t from) {
  const size_t lineEnd = text.find('\n', from);
  return lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
}

}  // namespace

LineFilter::LineFilter(std::shared_ptr<const Searcher> searcher, Options options, Write write)
    : searcher_(std::move(searcher)), options_(options), write_(std::move(write)) {}

std::shared_ptr<LineFilter> LineFilter::Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                              Options options, Write write) {
  if (!searcher || !write) return nullptr;
  if (options.mode == Mode::NotMatching) options.context = 0;
  std::shared_ptr<LineFilter> filter(new LineFilter(searcher->Fresh(), options, std::move(write)));
  if (!filter->done_ || !filter->StartPass(text, false)) return nullptr;
  return filter;
}

bool LineFilter::Continue(const FileText& more) {
  if (state() != State::Done || more.end <= more.start) return false;
  return StartPass(more, true);
}

void LineFilter::Cancel() {
  cancelled_.store(true);
  const Lock::Held held(lock_);
  changed_.WakeAll();
}

bool LineFilter::StartPass(const FileText& text, bool wholeLinesOnly) {
  text_ = text;
  wholeLinesOnly_ = wholeLinesOnly;
  slices_ = SliceCount(text);
  found_.clear();
  nextSlice_ = 0;
  nextWritten_ = 0;
  bytesRead_.store(text.start, std::memory_order_release);
  done_.Reset();
  state_.store(State::Filtering, std::memory_order_release);
  // Two workers, or one where the text is a single slice.
  const int workers = slices_ > 1 ? 2 : 1;
  working_.store(workers);
  std::shared_ptr<LineFilter> self(shared_from_this());
  bool started = false;
  for (int worker = 0; worker < workers; ++worker) {
    if (RunInBackground([self] { self->Work(); })) {
      started = true;
    } else {
      WorkerLeaves();
    }
  }
  return started;
}

void LineFilter::Work() {
  try {
    std::optional<TextSource> file = TextSource::Open(text_);
    FileLines lines;
    const std::shared_ptr<const Searcher> searcher = searcher_->Fresh();
    for (;;) {
      size_t slice = 0;
      {
        // The next slice, once the writer is near enough.
        const Lock::Held held(lock_);
        while (!cancelled_.load() && !cut_.load() && nextSlice_ < slices_ && nextSlice_ >= nextWritten_ + kMostSlicesAhead) {
          held.Wait(changed_);
        }
        if (!file || cancelled_.load() || cut_.load() || nextSlice_ >= slices_) break;
        slice = nextSlice_++;
      }
      const uint64_t start = SliceStart(*file, text_, slice);
      const uint64_t end = SliceStart(*file, text_, slice + 1);
      lines.Read(*file, text_, start, end);
      SliceFound found = FindInSlice(lines, end, searcher, options_, wholeLinesOnly_ && slice + 1 == slices_);
      // Found; written by this worker if no other writes, on while the next is there.
      bool writes = false;
      {
        const Lock::Held held(lock_);
        found_.emplace(slice, std::move(found));
        writes = !std::exchange(writing_, true);
      }
      while (writes) {
        std::optional<SliceFound> ready;
        {
          const Lock::Held held(lock_);
          const auto next = found_.find(nextWritten_);
          if (next == found_.end() || cut_.load() || cancelled_.load()) {
            writing_ = false;
            changed_.WakeAll();
            break;
          }
          ready = std::move(next->second);
          found_.erase(next);
        }
        WriteFound(*ready);
        const Lock::Held held(lock_);
        ++nextWritten_;
        changed_.WakeAll();
      }
    }
  } catch (const std::exception&) {
    // The other worker may wait for this one's writing: it stops too.
    cut_.store(true);
    const Lock::Held held(lock_);
    changed_.WakeAll();
  }
  ReleaseThreadPatternState();
  WorkerLeaves();
}

void LineFilter::WorkerLeaves() {
  if (working_.fetch_sub(1) != 1) return;
  {
    // What is left found is not written any more.
    const Lock::Held held(lock_);
    found_.clear();
  }
  state_.store(cut_.load() || cancelled_.load() ? State::Cut : State::Done, std::memory_order_release);
  done_.Set();
}

LineFilter::SliceFound LineFilter::FindInSlice(const FileLines& lines, uint64_t end,
                                               const std::shared_ptr<const Searcher>& searcher, Options options,
                                               bool wholeLinesOnly) {
  SliceFound found;
  std::string_view text = lines.utf8();
  found.end = end;
  if (wholeLinesOnly && !text.empty() && text.back() != '\n') {
    // The last line is still being written: it waits for the next pass.
    const size_t cut = StartOfLineBefore(text, text.size());
    found.end = lines.PlaceOf({static_cast<int32_t>(cut), static_cast<int32_t>(cut)}).place.lineStart;
    text = text.substr(0, cut);
  }
  found.lineEnds = CountLineEnds(text);
  const uint64_t lineCount = found.lineEnds + (!text.empty() && text.back() != '\n' ? 1 : 0);
  // The lines of the slice to keep, as spans of lines that meet or overlap joined.
  std::vector<KeptLines> spans;
  const auto keep = [&](uint64_t first, uint64_t count, size_t from, size_t to) {
    if (count == 0) return;
    if (!spans.empty() && first <= spans.back().first + spans.back().count) {
      KeptLines& last = spans.back();
      if (first + count > last.first + last.count) {
        last.count = first + count - last.first;
        last.to = to;
      }
      return;
    }
    spans.push_back({first, count, from, to});
  };
  const unsigned context = options.context;
  if (options.mode == Mode::Matching && context > 0) {
    // The first lines: context after a match in the slices before.
    size_t to = 0;
    uint64_t count = 0;
    for (; count < context && to < text.size(); ++count) to = AfterLineFrom(text, to);
    keep(0, count, 0, to);
  }
  // Each matching line once, with its context, or the lines between them.
  uint64_t line = 0;
  size_t counted = 0;
  size_t hiddenTo = 0;
  uint64_t hiddenLine = 0;
  std::optional<uint64_t> lastMatch;
  ForEachMatch(lines, searcher, [&](const Match& match) {
    const auto at = static_cast<size_t>(match.start);
    if (at >= text.size()) return false;
    line += CountLineEnds(text.substr(counted, at - counted));
    counted = at;
    if (lastMatch == line) return true;
    lastMatch = line;
    found.matches.push_back(line);
    const size_t lineStart = StartOfLineBefore(text, at + 1);
    const size_t lineEnd = AfterLineFrom(text, at);
    if (options.mode == Mode::NotMatching) {
      keep(hiddenLine, line - hiddenLine, hiddenTo, lineStart);
      hiddenLine = line + 1;
      hiddenTo = lineEnd;
      return true;
    }
    size_t from = lineStart, to = lineEnd;
    uint64_t first = line, last = line;
    for (unsigned k = 0; k < context && from > 0; ++k, --first) from = StartOfLineBefore(text, from);
    for (unsigned k = 0; k < context && to < text.size(); ++k, ++last) to = AfterLineFrom(text, to);
    keep(first, last - first + 1, from, to);
    return true;
  });
  if (options.mode == Mode::NotMatching) {
    keep(hiddenLine, lineCount - std::min(hiddenLine, lineCount), hiddenTo, text.size());
  } else if (context > 0) {
    // The last lines: context before a match in the slices after.
    size_t from = text.size();
    uint64_t count = 0;
    for (; count < context && from > 0; ++count) from = StartOfLineBefore(text, from);
    keep(lineCount - count, count, from, text.size());
  }
  // Their text, each line ended.
  for (KeptLines& span : spans) {
    const size_t from = found.text.size();
    found.text.append(text.substr(span.from, span.to - span.from));
    if (found.text.empty() || found.text.back() != '\n') found.text += '\n';
    span.from = from;
    span.to = found.text.size();
  }
  found.kept = std::move(spans);
  return found;
}

void LineFilter::WriteFound(SliceFound& found) {
  const uint64_t base = linesBefore_;
  const unsigned context = options_.context;
  if (options_.mode == Mode::NotMatching) {
    for (const KeptLines& span : found.kept) {
      Show(base + span.first, span.count, std::string_view(found.text).substr(span.from, span.to - span.from));
    }
  } else {
    // Line by line over the kept ones: a match shows the lines left out
    // before it that its context reaches, itself, and the lines after it.
    size_t nextMatch = 0;
    for (const KeptLines& span : found.kept) {
      const std::string_view text = std::string_view(found.text).substr(span.from, span.to - span.from);
      size_t at = 0;
      for (uint64_t i = 0; i < span.count && !cut_.load(); ++i) {
        const size_t after = AfterLineFrom(text, at);
        const std::string_view lineText = text.substr(at, after - at);
        at = after;
        const uint64_t line = base + span.first + i;
        while (nextMatch < found.matches.size() && base + found.matches[nextMatch] < line) ++nextMatch;
        if (nextMatch < found.matches.size() && base + found.matches[nextMatch] == line) {
          for (const auto& [earlier, earlierText] : leftOut_) {
            if (earlier + context >= line && (!lastShown_ || earlier > *lastShown_)) Show(earlier, 1, earlierText);
          }
          leftOut_.clear();
          Show(line, 1, lineText);
          contextUntil_ = line + context;
        } else if (contextUntil_ && line <= *contextUntil_) {
          Show(line, 1, lineText);
        } else if (context > 0) {
          leftOut_.emplace_back(line, std::string(lineText));
          if (leftOut_.size() > context) leftOut_.pop_front();
        }
      }
    }
  }
  linesBefore_ += found.lineEnds;
  if (!out_.empty() && !write_(out_)) cut_.store(true);
  out_.clear();
  {
    const Lock::Held held(lock_);
    for (const FilterRun& run : newRuns_) {
      // A run that goes on with the last one published joins it.
      FilterRun* last = runs_.empty() ? nullptr : &runs_.back();
      if (last && last->fileLine + last->count == run.fileLine && last->shownLine + last->count == run.shownLine) {
        last->count += run.count;
      } else {
        runs_.push_back(run);
      }
    }
    shown_ = shownSoFar_;
    linesRead_ = linesBefore_;
    runsPublished_ = runs_.size();
  }
  newRuns_.clear();
  bytesRead_.store(found.end, std::memory_order_release);
}

void LineFilter::Show(uint64_t first, uint64_t count, std::string_view text) {
  if (cut_.load()) return;
  const bool goesOn = lastShown_ && *lastShown_ + 1 == first;
  if (goesOn && !newRuns_.empty()) {
    newRuns_.back().count += count;
  } else if (!goesOn && runsPublished_ + newRuns_.size() >= options_.mostRuns) {
    cut_.store(true);
    return;
  } else {
    newRuns_.push_back({shownSoFar_, first, count});  // one that goes on from the last published joins it there
  }
  out_.append(text);
  shownSoFar_ += count;
  lastShown_ = first + count - 1;
}

uint64_t LineFilter::shownLines() const {
  const Lock::Held held(lock_);
  return shown_;
}

uint64_t LineFilter::linesRead() const {
  const Lock::Held held(lock_);
  return linesRead_;
}

std::optional<uint64_t> LineFilter::FileLineOf(uint64_t shownLine) const {
  const Lock::Held held(lock_);
  auto run = std::upper_bound(runs_.begin(), runs_.end(), shownLine,
                              [](uint64_t line, const FilterRun& each) { return line < each.shownLine; });
  if (run == runs_.begin()) return std::nullopt;
  --run;
  if (shownLine - run->shownLine >= run->count) return std::nullopt;
  return run->fileLine + (shownLine - run->shownLine);
}

std::optional<uint64_t> LineFilter::ShownLineOf(uint64_t fileLine) const {
  const Lock::Held held(lock_);
  const auto run = std::upper_bound(runs_.begin(), runs_.end(), fileLine, [](uint64_t line, const FilterRun& each) {
    return line < each.fileLine + each.count;
  });
  if (run == runs_.end()) return std::nullopt;
  return run->shownLine + (fileLine > run->fileLine ? fileLine - run->fileLine : 0);
}

bool LineFilter::GapBefore(uint64_t shownLine) const {
  const Lock::Held held(lock_);
  const auto run = std::lower_bound(runs_.begin(), runs_.end(), shownLine,
                                    [](const FilterRun& each, uint64_t line) { return each.shownLine < line; });
  return run != runs_.end() && run->shownLine == shownLine && run->fileLine > 0;
}

std::vector<FilterRun> LineFilter::Runs() const {
  const Lock::Held held(lock_);
  return runs_;
}

}  // namespace lumen
