#include "search/FileSearch.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "base/BackgroundThread.h"
#include "text/LineIndex.h"

namespace lumen {
namespace {

// A slice of the file that one worker searches at a time: big enough that
// reading and starting it cost little, small enough that two cores share
// the file evenly and its text is a few megabytes.
constexpr uint64_t kSlice = uint64_t{4} << 20;
// A line longer than a slice is searched in pieces of a slice: a match
// across a piece's edge is not found, and no slice looks far for a line's end.
constexpr uint64_t kLongestLine = kSlice;
// How much is read at a time while looking for a line's end.
constexpr size_t kLookAhead = size_t{64} << 10;

uint64_t NominalStart(const FileText& text, size_t slice) {
  return std::min(text.start + slice * kSlice, text.end);
}

// The lines of [start, end) walked from their first byte, each match handed on.
template <typename OnMatch>
void WalkLines(const FileLines& lines, const std::shared_ptr<const Searcher>& searcher, size_t from, bool fromPlace,
               OnMatch&& onMatch, uint64_t* tooComplexAt = nullptr) {
  const std::string_view document = lines.utf8();
  MatchWalk walk(searcher, document, from, fromPlace ? MatchWalk::From::Place : MatchWalk::From::LineStart);
  const auto never = MatchWalk::Clock::time_point::max();
  for (;;) {
    const MatchWalk::Step step = walk.Next(document, document.size(), never);
    if (step.kind == MatchWalk::Step::Kind::Found) {
      if (!onMatch(step.match)) return;
    } else if (step.kind == MatchWalk::Step::Kind::TooComplex) {
      if (tooComplexAt) {
        const FileMatch line = lines.PlaceOf({static_cast<int32_t>(step.lineStart), static_cast<int32_t>(step.lineStart)});
        *tooComplexAt = std::min(*tooComplexAt, line.place.lineStart);
      }
    } else if (walk.at() >= document.size()) {
      return;
    }
  }
}

// The count's slice that `place` is in, and how many matches of the slice
// come before it. Slices start at the first line start from their nominal
// start: a line across that belongs to the slice before.
SliceNumber NumberInSlice(ReadsAt& file, const FileText& text, const std::shared_ptr<const Searcher>& searcher,
                          const FilePlace& place) {
  const size_t slices = SliceCount(text);
  if (slices == 0) return {};
  auto slice = static_cast<size_t>(std::min<uint64_t>((std::max(place.lineStart, text.start) - text.start) / kSlice, slices - 1));
  uint64_t start = SliceStart(file, text, slice);
  if (place.lineStart < start && slice > 0) start = SliceStart(file, text, --slice);
  const uint64_t end = SliceStart(file, text, slice + 1);
  SliceNumber number{slice, 0};
  if (end <= start) return number;
  FileLines lines;
  lines.Read(file, text, start, end);
  const size_t position = lines.PositionOf(place);
  WalkLines(lines, searcher, 0, false, [&](const Match& match) {
    if (static_cast<size_t>(match.start) >= position) return false;
    ++number.before;
    return true;
  });
  return number;
}

}  // namespace

size_t SliceCount(const FileText& text) {
  return static_cast<size_t>((text.end - std::min(text.start, text.end) + kSlice - 1) / kSlice);
}

uint64_t SliceStart(ReadsAt& file, const FileText& text, size_t slice) {
  return LineStartFrom(file, text, NominalStart(text, slice), kLongestLine);
}

bool FileLines::Read(ReadsAt& file, const FileText& text, uint64_t start, uint64_t end, bool bytesWillDo) {
  start_ = start;
  end_ = LineEndOf(text.encoding);
  raw_.resize(static_cast<size_t>(end > start ? end - start : 0));
  utf8_.clear();
  converted_ = text.encoding != Encoding::Utf8 && !bytesWillDo;
  const size_t read = file.ReadAt(start, raw_.data(), raw_.size());
  const bool whole = read == raw_.size();
  raw_.resize(read);
  if (!converted_) return whole;
  try {
    SliceConverter converter(text.encoding, text.codePage);
    converter.Convert(raw_, true, utf8_);
  } catch (const std::exception&) {
    utf8_.clear();
    return false;
  }
  return whole;
}

FileMatch FileLines::PlaceOf(const Match& match) const {
  const std::string_view text = utf8();
  const auto at = static_cast<size_t>(std::clamp<int64_t>(match.start, 0, static_cast<int64_t>(text.size())));
  const size_t lineEnd = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
  const size_t lineStart = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
  uint64_t rawLineStart = lineStart;
  if (converted_) {
    rawLineStart = AfterLineEnds(raw_, CountLineEnds(text.substr(0, lineStart)), end_).value_or(raw_.size());
  }
  return {{start_ + rawLineStart, at - lineStart}, static_cast<size_t>(std::max(match.end - match.start, 0))};
}

size_t FileLines::PositionOf(const FilePlace& place) const {
  const std::string_view text = utf8();
  if (place.lineStart < start_) return 0;
  const auto rawOffset = static_cast<size_t>(std::min<uint64_t>(place.lineStart - start_, raw_.size()));
  size_t lineStart = rawOffset;
  if (converted_) {
    lineStart = AfterLineEnds(text, CountLineEnds(std::string_view(raw_).substr(0, rawOffset), end_)).value_or(text.size());
  }
  return std::min(lineStart + place.column, text.size());
}

uint64_t LineStartFrom(ReadsAt& file, const FileText& text, uint64_t offset, uint64_t longest) {
  const LineEnd lineEnd = LineEndOf(text.encoding);
  offset += offset & (lineEnd.width - 1u);  // a unit's start
  if (offset <= text.start) return text.start;
  if (offset >= text.end) return text.end;
  // The line end before tells whether a line starts here; else the next is looked for.
  char piece[kLookAhead];
  uint64_t at = offset - lineEnd.width;
  while (at < text.end && at - offset + lineEnd.width <= longest) {
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kLookAhead, text.end - at));
    const size_t read = file.ReadAt(at, piece, wanted);
    if (read < lineEnd.width) return text.end;
    if (const std::optional<size_t> after = AfterLineEnd({piece, read}, 0, lineEnd)) return at + *after;
    at += read - read % lineEnd.width;
  }
  return std::min(at, text.end);
}

std::string TextBetween(ReadsAt& file, const FileText& text, FilePlace from, FilePlace to, size_t most, bool& cut) {
  if (to < from) std::swap(from, to);
  from.lineStart = std::clamp(from.lineStart, text.start, text.end);
  // A character takes at least half as many bytes in UTF-8 as in the file
  // (as many but in UTF-16): the file's bytes to the end of `to`'s line, no
  // more than the text wanted.
  const uint64_t width = LineEndOf(text.encoding).width;
  const uint64_t toLineEnd = to.lineStart >= text.end ? text.end : LineStartFrom(file, text, to.lineStart + 1, text.end);
  const uint64_t wanted =
      from.lineStart + std::min<uint64_t>((from.column + uint64_t{most}) * width, text.end - from.lineStart);
  const uint64_t end = std::min(toLineEnd, wanted);
  FileLines lines;
  lines.Read(file, text, from.lineStart, end);
  const std::string_view utf8 = lines.utf8();
  const size_t begin = std::min(from.column, utf8.size());
  // A `to` beyond the bytes read is beyond the text wanted.
  const size_t whole = std::max(to.lineStart >= end ? utf8.size() : lines.PositionOf(to), begin);
  cut = whole - begin > most || (end < toLineEnd && whole == utf8.size());
  size_t stop = std::min(whole, begin + most);
  // Not in the middle of a character.
  while (stop > begin && stop < utf8.size() && (static_cast<unsigned char>(utf8[stop]) & 0xC0) == 0x80) --stop;
  return std::string(utf8.substr(begin, stop - begin));
}

// The count.

FileCount::FileCount(const FileText& text, std::shared_ptr<const Searcher> searcher)
    // A copy of the query's own, made here on the caller's thread: the caller
    // goes on walking its own, whose starts found too complex are its document's.
    : text_(text), searcher_(searcher ? searcher->Fresh() : nullptr),
      slices_(SliceCount(text)) {
  // ASCII text in a code page of one byte a character is counted in the
  // file's own bytes: its ASCII bytes are ASCII characters.
  bytesWillDo_ = text_.encoding == Encoding::Ansi && searcher_ && searcher_->FindsAsciiBytes() &&
                 IsSingleByteCodePage(text_.codePage);
}

FileCount::~FileCount() { Cancel(); }

std::shared_ptr<FileCount> FileCount::Start(const FileText& text, std::shared_ptr<const Searcher> searcher) {
  if (!searcher) return nullptr;
  std::shared_ptr<FileCount> count(new FileCount(text, std::move(searcher)));
  if (count->slices_.empty()) {
    count->finished_.Set();
    return count;
  }
  // Two workers, or one where the file is a single slice.
  const int workers = count->slices_.size() > 1 ? 2 : 1;
  count->working_.store(workers);
  for (int worker = 0; worker < workers; ++worker) {
    if (!RunInBackground([count] { count->Work(); })) {
      if (worker == 0) return nullptr;
      if (count->working_.fetch_sub(1) == 1) count->finished_.Set();
    }
  }
  return count;
}

void FileCount::Work() {
  std::optional<TextSource> file = TextSource::Open(text_);
  FileLines lines;
  for (size_t slice = next_++; slice < slices_.size() && !cancelled_.load(); slice = next_++) {
    uint64_t count = 0;
    uint64_t tooComplexAt = UINT64_MAX;
    if (file) {
      const uint64_t start = SliceStart(*file, text_, slice);
      const uint64_t end = SliceStart(*file, text_, slice + 1);
      // A file cut short under the count counts what it still holds.
      if (end > start) {
        lines.Read(*file, text_, start, end, bytesWillDo_);
        WalkLines(lines, searcher_->Fresh(), 0, false, [&](const Match&) { return ++count, true; }, &tooComplexAt);
      }
    }
    slices_[slice].count.store(count);
    slices_[slice].tooComplexAt.store(tooComplexAt);
    slices_[slice].counted.store(true, std::memory_order_release);
    total_.fetch_add(count, std::memory_order_acq_rel);
    done_.fetch_add(1, std::memory_order_acq_rel);
  }
  ReleaseThreadPatternState();
  if (working_.fetch_sub(1) == 1) finished_.Set();
}

int FileCount::Percent() const {
  return slices_.empty() ? 100 : static_cast<int>(done_.load() * 100 / slices_.size());
}

std::optional<uint64_t> FileCount::tooComplexAt() const {
  if (!complete()) return std::nullopt;
  for (const Slice& slice : slices_) {
    if (const uint64_t at = slice.tooComplexAt.load(); at != UINT64_MAX) return at;
  }
  return std::nullopt;
}

std::optional<uint64_t> FileCount::CountBefore(const SliceNumber& number) const {
  if (!complete() || number.slice >= slices_.size()) return std::nullopt;
  uint64_t before = number.before;
  for (size_t i = 0; i < number.slice; ++i) before += slices_[i].count.load();
  return before;
}

bool FileCount::Wait(std::chrono::steady_clock::time_point deadline) const {
  return finished_.WaitUntil(deadline) && complete();
}

// The source of the text.

std::optional<TextSource> TextSource::Open(const FileText& text) {
  TextSource source;
  if (text.bytes) {
    source.bytes_ = text.bytes;
    return source;
  }
  source.file_ = SharedFile::Open(text.path);
  if (!source.file_) return std::nullopt;
  return source;
}

size_t TextSource::ReadAt(uint64_t offset, char* buffer, size_t room) {
  return file_ ? file_->ReadAt(offset, buffer, room) : bytes_->ReadAt(offset, buffer, room);
}

size_t HeldText::ReadAt(uint64_t offset, char* buffer, size_t room) const {
  const Lock::Held held(lock_);
  if (revoked_ || offset >= size_) return 0;
  const size_t length = static_cast<size_t>(std::min<uint64_t>(room, size_ - offset));
  std::memcpy(buffer, data_ + offset, length);
  return length;
}

void HeldText::Revoke() const {
  const Lock::Held held(lock_);
  revoked_ = true;
}

// The matching lines.

std::shared_ptr<MatchingLines> MatchingLines::Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                                    size_t most) {
  std::shared_ptr<MatchingLines> found(new MatchingLines());
  const std::shared_ptr<const Searcher> own = searcher ? searcher->Fresh() : nullptr;
  if (!own || !found->done_ ||
      !RunInBackground([found, text, own, most] { found->Work(text, own, most); })) {
    return nullptr;
  }
  return found;
}

void MatchingLines::Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, size_t most) {
  State state = State::Done;
  ForEachSlice(text, cancelled_, [&](const FileLines& lines, uint64_t linesBefore, uint64_t) {
    ForEachMatchingLine(lines, linesBefore, searcher, [&](uint64_t line) {
      if (lines_.size() >= most) {
        state = State::Cut;
        return false;
      }
      lines_.push_back(line);
      return true;
    });
    return state == State::Done;
  });
  ReleaseThreadPatternState();
  state_.store(state, std::memory_order_release);
  done_.Set();
}

bool ForEachSlice(const FileText& text, const std::atomic<bool>& cancelled,
                  const std::function<bool(const FileLines& lines, uint64_t linesBefore, uint64_t end)>& slice) {
  std::optional<TextSource> source = TextSource::Open(text);
  if (!source) return false;
  FileLines lines;
  uint64_t linesBefore = 0;
  for (uint64_t start = text.start; start < text.end && !cancelled.load();) {
    const uint64_t end = LineStartFrom(*source, text, std::max(start + kSlice, start + 1), kLongestLine);
    lines.Read(*source, text, start, end);
    if (!slice(lines, linesBefore, end)) break;
    linesBefore += CountLineEnds(lines.utf8());
    start = end;
  }
  return true;
}

void ForEachMatch(const FileLines& lines, const std::shared_ptr<const Searcher>& searcher,
                  const std::function<bool(const Match& match)>& match) {
  WalkLines(lines, searcher->Fresh(), 0, false, match);
}

void ForEachMatchingLine(const FileLines& lines, uint64_t linesBefore, const std::shared_ptr<const Searcher>& searcher,
                         const std::function<bool(uint64_t line)>& line) {
  const std::string_view utf8 = lines.utf8();
  // The line of each match, counted on from the last one's.
  size_t counted = 0;
  uint64_t at = linesBefore;
  std::optional<uint64_t> last;
  ForEachMatch(lines, searcher, [&](const Match& match) {
    const auto start = static_cast<size_t>(match.start);
    at += CountLineEnds(utf8.substr(counted, start - counted));
    counted = start;
    if (last == at) return true;
    last = at;
    return line(at);
  });
}

// The step.

std::shared_ptr<FileStep> FileStep::Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                          FilePlace from, bool forward) {
  std::shared_ptr<FileStep> step(new FileStep());
  // The worker's own copy of the query (see FileCount's).
  const std::shared_ptr<const Searcher> own = searcher ? searcher->Fresh() : nullptr;
  if (!own || !RunInBackground([step, text, own, from, forward] { step->Work(text, own, from, forward); })) {
    return nullptr;
  }
  return step;
}

bool FileStep::Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }

void FileStep::Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, FilePlace from,
                    bool forward) {
  Outcome outcome = Outcome::None;
  std::optional<TextSource> file = TextSource::Open(text);
  FileLines lines;
  from.lineStart = std::clamp(from.lineStart, text.start, text.end);
  if (file && forward) {
    // On from the place to the end, then from the start up to the place.
    uint64_t start = from.lineStart;
    bool wrapped = false;
    while (outcome == Outcome::None && !cancelled_.load()) {
      if (start >= text.end) {
        if (wrapped || from.lineStart == text.start) break;
        wrapped = true;
        start = text.start;
      }
      const uint64_t end = LineStartFrom(*file, text, std::max(start + kSlice, start + 1), kLongestLine);
      lines.Read(*file, text, start, end);
      const bool first = !wrapped && start == from.lineStart;
      WalkLines(lines, searcher->Fresh(), first ? lines.PositionOf(from) : 0, first, [&](const Match& match) {
        const FileMatch found = lines.PlaceOf(match);
        if (wrapped && found.place >= from) return false;
        found_ = found;
        outcome = Outcome::Found;
        return false;
      });
      if (wrapped && end > from.lineStart) break;
      start = end;
    }
  } else if (file) {
    // Back from the place to the start, then from the end down to the place.
    uint64_t end = LineStartFrom(*file, text, from.lineStart + 1, kLongestLine);
    bool wrapped = false;
    while (outcome == Outcome::None && !cancelled_.load()) {
      if (end <= text.start) {
        if (wrapped) break;
        wrapped = true;
        end = text.end;
      }
      uint64_t start = LineStartFrom(*file, text, end > text.start + kSlice ? end - kSlice : text.start, kLongestLine);
      if (start >= end) start = end > text.start + kSlice ? end - kSlice : text.start;  // inside a very long line
      lines.Read(*file, text, start, end);
      WalkLines(lines, searcher->Fresh(), 0, false, [&](const Match& match) {
        const FileMatch found = lines.PlaceOf(match);
        if (!wrapped && found.place >= from) return false;
        if (wrapped && found.place < from) return true;
        found_ = found;
        outcome = Outcome::Found;
        return true;  // the last one before the place is wanted
      });
      if (wrapped && start <= from.lineStart) break;
      end = start;
    }
  }
  // Its number in the file, but for the slices before, which the count has.
  if (outcome == Outcome::Found) number_ = NumberInSlice(*file, text, searcher->Fresh(), found_.place);
  ReleaseThreadPatternState();
  outcome_.store(outcome, std::memory_order_release);
  done_.Set();
}

}  // namespace lumen
