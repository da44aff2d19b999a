#pragma once
// The search of a file too big to give the control whole, over the file's
// own bytes on worker threads: the count of its matches and the step to the
// next or previous one from a place anywhere in it. The file is read in
// slices of whole lines, converted to UTF-8 where it is in a code page, and
// each slice is searched as the control's document is (MatchWalk), so that
// the window shown and the file agree on every match.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/SharedFile.h"
#include "base/Sync.h"
#include "search/MatchWalk.h"
#include "text/Encoding.h"
#include "text/LineIndex.h"

namespace lumen {

// Text that is not a file's, for workers to read: a string of its own, or
// the memory of a document lent by its owner, who revokes it before the
// document changes; reads from then on get nothing (a text cut short).
class HeldText {
 public:
  explicit HeldText(std::string text) : own_(std::move(text)), data_(own_.data()), size_(own_.size()) {}
  HeldText(const char* lent, size_t size) : data_(lent), size_(size) {}
  HeldText(const HeldText&) = delete;
  HeldText& operator=(const HeldText&) = delete;

  size_t size() const { return size_; }
  size_t ReadAt(uint64_t offset, char* buffer, size_t room) const;
  // Waits for a read under way; none reads the memory after it.
  void Revoke() const;

 private:
  const std::string own_;
  const char* const data_;
  const size_t size_;
  mutable Lock lock_;
  mutable bool revoked_ = false;
};

// The file's text: where it is, how it is written, the bytes that hold text.
struct FileText {
  std::wstring path;
  Encoding encoding = Encoding::Utf8;  // UTF-8, ANSI or UTF-16 (see LineEnd)
  uint32_t codePage = 0;               // of ANSI text; 0: the system's
  uint64_t start = 0;                  // after a byte order mark
  uint64_t end = 0;                    // the bytes searched
  // The bytes themselves where they are not a file's (a document's text,
  // UTF-8): `path` is not read then.
  std::shared_ptr<const HeldText> bytes;
};

// Reads a FileText's bytes, from its file or from the bytes it holds.
class TextSource final : public ReadsAt {
 public:
  static std::optional<TextSource> Open(const FileText& text);
  size_t ReadAt(uint64_t offset, char* buffer, size_t room) override;

 private:
  TextSource() = default;
  std::optional<SharedFile> file_;
  std::shared_ptr<const HeldText> bytes_;
};

// A place in the file: a line's start, and UTF-8 bytes into its text.
struct FilePlace {
  uint64_t lineStart = 0;
  size_t column = 0;
  auto operator<=>(const FilePlace&) const = default;
};
struct FileMatch {
  FilePlace place;
  size_t length = 0;  // UTF-8 bytes
};

// Lines of the file from `start` (a line's start) to `end`, as text: the
// raw bytes and their UTF-8 (the same bytes for UTF-8).
class FileLines {
 public:
  // Reads [start, end); false when the file reads short of it. `bytesWillDo`:
  // the search finds the same in the raw bytes (Searcher::FindsAsciiBytes
  // over a single-byte code page), which are not converted then.
  bool Read(ReadsAt& file, const FileText& text, uint64_t start, uint64_t end, bool bytesWillDo = false);
  std::string_view utf8() const { return converted_ ? std::string_view(utf8_) : std::string_view(raw_); }
  // The match at `position` of utf8() as a place in the file.
  FileMatch PlaceOf(const Match& match) const;
  // Where `place` (on one of these lines) is in utf8(); its end when beyond.
  size_t PositionOf(const FilePlace& place) const;
  uint64_t start() const { return start_; }

 private:
  uint64_t start_ = 0;
  LineEnd end_;
  std::string raw_;
  std::string utf8_;
  bool converted_ = false;
};

// The first line start at or after `offset`: `offset` itself when a line
// starts there, else after its line's end; a line longer than `longest`
// bytes is cut there.
uint64_t LineStartFrom(ReadsAt& file, const FileText& text, uint64_t offset, uint64_t longest);

// The slices the count's workers share a text in: how many, and where one
// starts (the first line start from its nominal start; the text's end after the last).
size_t SliceCount(const FileText& text);
uint64_t SliceStart(ReadsAt& file, const FileText& text, size_t slice);

// A match's number: the count's slice it is in, and the matches before it there.
struct SliceNumber {
  size_t slice = 0;
  uint64_t before = 0;
};

// The text from `from` to `to` (either may come first), at most `most`
// bytes of its UTF-8 from the first; `cut` tells whether there was more.
std::string TextBetween(ReadsAt& file, const FileText& text, FilePlace from, FilePlace to, size_t most, bool& cut);

class FileCount {
 public:
  // Starts the count on the machine's cores; null when no thread starts.
  static std::shared_ptr<FileCount> Start(const FileText& text, std::shared_ptr<const Searcher> searcher);
  ~FileCount();
  FileCount(const FileCount&) = delete;
  FileCount& operator=(const FileCount&) = delete;

  bool complete() const { return done_.load(std::memory_order_acquire) == slices_.size(); }
  uint64_t total() const { return total_.load(std::memory_order_acquire); }
  // How far the count is, 0 to 100.
  int Percent() const;
  // The start of the first line the pattern was too complex for, once complete.
  std::optional<uint64_t> tooComplexAt() const;
  // How many matches come before the one `number` tells of, once the count is complete.
  std::optional<uint64_t> CountBefore(const SliceNumber& number) const;
  // Waits until the count is complete or `deadline` has come.
  bool Wait(std::chrono::steady_clock::time_point deadline) const;
  // The workers stop at their next slice.
  void Cancel() { cancelled_.store(true); }

  struct Shared;

 private:
  FileCount(const FileText& text, std::shared_ptr<const Searcher> searcher);
  void Work();

  FileText text_;
  std::shared_ptr<const Searcher> searcher_;
  bool bytesWillDo_ = false;  // the count searches the raw bytes
  struct Slice {
    std::atomic<uint64_t> count{0};
    std::atomic<bool> counted{false};
    std::atomic<uint64_t> tooComplexAt{UINT64_MAX};
  };
  std::vector<Slice> slices_;
  std::atomic<size_t> next_{0};
  std::atomic<size_t> done_{0};
  std::atomic<uint64_t> total_{0};
  std::atomic<bool> cancelled_{false};
  std::atomic<int> working_{0};
  DoneEvent finished_;
};

// Walks `text` from its start in slices of whole lines, on the caller's
// thread: each slice's lines, the count of lines before it and where it
// ends in the text go to `slice`, until it answers false or `cancelled`.
// False when the text cannot be read.
bool ForEachSlice(const FileText& text, const std::atomic<bool>& cancelled,
                  const std::function<bool(const FileLines& lines, uint64_t linesBefore, uint64_t end)>& slice);
// Each match of `searcher` in `lines` to `match`, in order, until it answers false.
void ForEachMatch(const FileLines& lines, const std::shared_ptr<const Searcher>& searcher,
                  const std::function<bool(const Match& match)>& match);
// Each line of `lines` (counted on from `linesBefore`) that holds a match, once, in order, until
// `line` answers false.
void ForEachMatchingLine(const FileLines& lines, uint64_t linesBefore, const std::shared_ptr<const Searcher>& searcher,
                         const std::function<bool(uint64_t line)>& line);

// The lines (from 0) that hold a match, found by a worker in the order of
// the text, at most `most` of them.
class MatchingLines {
 public:
  enum class State { Searching, Done, Cut };
  // Null when no thread starts.
  static std::shared_ptr<MatchingLines> Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                              size_t most);
  State state() const { return state_.load(std::memory_order_acquire); }
  // Once not Searching: the lines, in order.
  const std::vector<uint64_t>& lines() const { return lines_; }
  bool Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }
  void Cancel() { cancelled_.store(true); }

 private:
  MatchingLines() = default;
  void Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, size_t most);

  std::atomic<State> state_{State::Searching};
  std::atomic<bool> cancelled_{false};
  std::vector<uint64_t> lines_;
  DoneEvent done_;
};

class FileStep {
 public:
  enum class Outcome { Searching, Found, None };
  // Forwards: the first match at `from` or after it, round the file's end;
  // backwards: the last before it, round its start. Null when no thread starts.
  static std::shared_ptr<FileStep> Start(const FileText& text, std::shared_ptr<const Searcher> searcher,
                                         FilePlace from, bool forward);
  Outcome outcome() const { return outcome_.load(std::memory_order_acquire); }
  // Once Found; with its number as far as the step knows it.
  const FileMatch& found() const { return found_; }
  const SliceNumber& number() const { return number_; }
  bool Wait(std::chrono::steady_clock::time_point deadline) const;
  void Cancel() { cancelled_.store(true); }

 private:
  FileStep() = default;
  void Work(const FileText& text, const std::shared_ptr<const Searcher>& searcher, FilePlace from, bool forward);

  std::atomic<Outcome> outcome_{Outcome::Searching};
  std::atomic<bool> cancelled_{false};
  FileMatch found_;
  SliceNumber number_;
  DoneEvent done_;
};

}  // namespace lumen
