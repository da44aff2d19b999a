#include "search/LineFilter.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <string>

#include "base/BackgroundThread.h"
#include "text/LineIndex.h"

namespace lumen {

std::shared_ptr<LineFilter> LineFilter::Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                              Options options, Write write) {
  std::shared_ptr<LineFilter> filter(new LineFilter());
  const std::shared_ptr<const Searcher> own = searcher ? searcher->Fresh() : nullptr;
  if (!own || !filter->done_ || !write ||
      !RunInBackground([filter, text, own, options, write = std::move(write)] {
        try {
          filter->Work(text, own, options, write);
        } catch (const std::exception&) {
          filter->state_.store(State::Cut, std::memory_order_release);
        }
        ReleaseThreadPatternState();
        filter->done_.Set();
      })) {
    return nullptr;
  }
  return filter;
}

void LineFilter::Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, Options options,
                      const Write& write) {
  State state = State::Done;
  const bool matching = options.mode == Mode::Matching;
  const unsigned context = matching ? options.context : 0;
  // The last lines left out, for the context before the next match; how many
  // lines after the last match still show; the last line shown.
  std::deque<std::pair<uint64_t, std::string>> before;
  unsigned after = 0;
  std::optional<uint64_t> lastShown;
  uint64_t shown = 0;
  // A slice's filtered text and runs, published together once it is done.
  std::string out;
  std::vector<FilterRun> runs;
  size_t runsBefore = 0;
  const auto show = [&](uint64_t line, std::string_view lineText) {
    const bool goesOn = lastShown && *lastShown + 1 == line;
    if (goesOn && !runs.empty()) {
      ++runs.back().count;
    } else if (!goesOn && runsBefore + runs.size() >= options.mostRuns) {
      state = State::Cut;
      return;
    } else {
      runs.push_back({shown, line, 1});  // one that goes on from the last published joins it there
    }
    out.append(lineText);
    out += '\n';
    ++shown;
    lastShown = line;
  };
  std::vector<uint64_t> matched;
  ForEachSlice(text, cancelled_, [&](const FileLines& lines, uint64_t linesBefore, uint64_t end) {
    const std::string_view utf8 = lines.utf8();
    matched.clear();
    ForEachMatchingLine(lines, linesBefore, searcher, [&](uint64_t line) {
      matched.push_back(line);
      return !cancelled_.load();
    });
    size_t next = 0;
    uint64_t line = linesBefore;
    for (size_t at = 0; at < utf8.size() && state == State::Done; ++line) {
      const size_t lineEnd = std::min(utf8.find('\n', at), utf8.size());
      const std::string_view lineText = utf8.substr(at, lineEnd - at);
      const bool isMatch = next < matched.size() && matched[next] == line;
      if (isMatch) ++next;
      if (!matching) {
        if (!isMatch) show(line, lineText);
      } else if (isMatch) {
        for (const auto& [earlier, earlierText] : before) {
          if (!lastShown || earlier > *lastShown) show(earlier, earlierText);
        }
        before.clear();
        show(line, lineText);
        after = context;
      } else if (after > 0) {
        show(line, lineText);
        --after;
      } else if (context > 0) {
        before.emplace_back(line, std::string(lineText));
        if (before.size() > context) before.pop_front();
      }
      at = lineEnd + 1;
    }
    if (!out.empty() && !write(out)) state = State::Cut;
    out.clear();
    {
      const Lock::Held held(lock_);
      for (const FilterRun& run : runs) {
        // A run that goes on with the last one published joins it.
        FilterRun* last = runs_.empty() ? nullptr : &runs_.back();
        if (last && last->fileLine + last->count == run.fileLine && last->shownLine + last->count == run.shownLine) {
          last->count += run.count;
        } else {
          runs_.push_back(run);
        }
      }
      shown_ = shown;
      runsBefore = runs_.size();
    }
    runs.clear();
    bytesRead_.store(end, std::memory_order_release);
    return state == State::Done;
  });
  state_.store(cancelled_.load() && state == State::Done ? State::Cut : state, std::memory_order_release);
}

uint64_t LineFilter::shownLines() const {
  const Lock::Held held(lock_);
  return shown_;
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
