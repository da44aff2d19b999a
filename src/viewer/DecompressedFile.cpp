#include "viewer/DecompressedFile.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "base/BackgroundThread.h"
#include "search/DocumentEvents.h"

namespace lumen {
namespace {

// The first part is at least this much, so that the first screen is there
// whatever the budget (a bzip2 block alone may take longer), and at most a
// small document, beyond which the rest goes to a spool.
constexpr size_t kLeastFirstPart = size_t{256} << 10;
constexpr size_t kMostFirstPart = static_cast<size_t>(kLargestSmallDocument) + 1;
// Decompressed and written at a time.
constexpr size_t kPiece = size_t{1} << 20;
// Left free on the spool's disk for the system and everything else.
constexpr uint64_t kDiskReserve = uint64_t{1} << 30;

}  // namespace

struct DecompressedFile::Work {
  Work(SharedFile source, Compression compression, uint64_t limit)
      : file(std::move(source)) {
    reader.emplace(
        compression,
        [this](char* buffer, size_t room) {
          const size_t got = file.Read(buffer, room);
          read.fetch_add(got, std::memory_order_relaxed);
          return got;
        },
        limit);
  }
  // Called by the reader's owner once it has ended, or stopped.
  void End(DecompressionEnd how) {
    end = how;
    reader.reset();
    ended.store(true, std::memory_order_release);
  }

  SharedFile file;
  std::atomic<uint64_t> read{0};
  // The viewer's thread's until the worker starts, then the worker's; gone
  // once it has ended (a decoder's window may take tens of megabytes).
  std::optional<DecompressingReader> reader;
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
  // Set before `ended`, read after it.
  DecompressionEnd end = DecompressionEnd::Whole;
  bool diskFull = false;
  bool limitOfDisk = false;
};

uint64_t DecompressionLimit(uint64_t configured, uint64_t freeSpace, bool& limitOfDisk) {
  const uint64_t wanted = configured == 0 ? kDefaultDecompressionLimit : configured;
  // A disk whose room is not known is left to refuse the writes itself.
  const uint64_t room = freeSpace == 0 ? UINT64_MAX : std::max<uint64_t>(freeSpace > kDiskReserve ? freeSpace - kDiskReserve : 0, kMostFirstPart);
  limitOfDisk = room < wanted;
  return std::min(wanted, room);
}

std::wstring ShortSize(uint64_t bytes) {
  if (bytes < 1024) return std::to_wstring(bytes) + L" bytes";
  const wchar_t* const units[] = {L"KB", L"MB", L"GB", L"TB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  wchar_t text[32] = {};
  std::swprintf(text, std::size(text), L"%.1f %ls", value, units[unit]);
  return text;
}

std::unique_ptr<DecompressedFile> DecompressedFile::Open(SharedFile file, Compression compression,
                                                         uint64_t compressedSize, uint64_t configuredLimit,
                                                         std::chrono::steady_clock::duration budget) {
  try {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    std::unique_ptr<DecompressedFile> opened(new DecompressedFile(compression, compressedSize));
    bool limitOfDisk = false;
    const uint64_t limit = DecompressionLimit(configuredLimit, StreamSpool::FreeSpace(), limitOfDisk);
    opened->work_ = std::make_shared<Work>(std::move(file), compression, limit);
    opened->work_->limitOfDisk = limitOfDisk;
    DecompressingReader& reader = *opened->work_->reader;
    std::string& first = opened->firstPart_;
    first.resize(kMostFirstPart);
    size_t filled = 0;
    while (filled < first.size()) {
      const size_t got = reader.Read(first.data() + filled, std::min(first.size() - filled, kLeastFirstPart));
      filled += got;
      if (got == 0 || (filled >= kLeastFirstPart && std::chrono::steady_clock::now() >= deadline)) break;
    }
    first.resize(filled);
    if (reader.ended()) opened->work_->End(reader.outcome().end);
    return opened;
  } catch (...) {  // no memory for the first part
    return nullptr;
  }
}

DecompressedFile::~DecompressedFile() {
  if (work_) work_->stop.store(true, std::memory_order_relaxed);
}

bool DecompressedFile::endedInFirstPart() const { return !spool_ && work_->ended.load(std::memory_order_acquire); }

bool DecompressedFile::SpoolRest() {
  std::shared_ptr<StreamSpool> spool(StreamSpool::Create());
  if (!spool || !spool->Write(firstPart_)) return false;
  spool_ = spool;
  std::string().swap(firstPart_);  // the spool holds it now
  if (work_->ended.load(std::memory_order_acquire)) return true;
  const bool started = RunInBackground([work = work_, spool] {
    std::unique_ptr<char[]> piece(new char[kPiece]);
    while (!work->stop.load(std::memory_order_relaxed)) {
      const size_t got = work->reader->Read(piece.get(), kPiece);
      if (got == 0) break;
      if (!spool->Write({piece.get(), got})) {
        work->diskFull = true;
        break;
      }
    }
    work->End(work->reader->ended() ? work->reader->outcome().end : DecompressionEnd::Stopped);
  });
  if (!started) spool_.reset();
  return started;
}

DecompressedFile::Progress DecompressedFile::progress() const {
  Progress progress;
  progress.read = work_->read.load(std::memory_order_relaxed);
  progress.written = spool_ ? spool_->written() : firstPart_.size();
  progress.limitOfDisk = work_->limitOfDisk;
  if (work_->ended.load(std::memory_order_acquire)) {
    progress.state = State::Ended;
    progress.end = work_->end;
    progress.diskFull = work_->diskFull;
  }
  return progress;
}

DecompressedStream::DecompressedStream(std::unique_ptr<ByteSource> stream, std::string head, Compression compression,
                                       uint64_t configuredLimit)
    : stream_(std::move(stream)), head_(std::move(head)) {
  const uint64_t limit = DecompressionLimit(configuredLimit, StreamSpool::FreeSpace(), progress_->limitOfDisk);
  reader_.emplace(
      compression,
      [this](char* buffer, size_t room) {
        size_t got = std::min(room, head_.size() - headRead_);
        std::copy_n(head_.data() + headRead_, got, buffer);
        headRead_ += got;
        if (got == 0 && stream_) got = stream_->Read(buffer, room);
        progress_->read += got;
        return got;
      },
      limit);
}

size_t DecompressedStream::Read(char* buffer, size_t room) {
  if (!reader_) return 0;
  const size_t got = reader_->Read(buffer, room);
  progress_->written += got;
  if (reader_->ended()) {
    progress_->state = DecompressedFile::State::Ended;
    progress_->end = reader_->outcome().end;
    reader_.reset();
    stream_.reset();  // the host's stream is let go
  }
  return got;
}

std::wstring DecompressionNote(Compression compression, uint64_t compressedSize,
                               const DecompressedFile::Progress& progress) {
  std::wstring note = std::wstring(L", ") + CompressionName(compression) + L" " + ShortSize(compressedSize);
  if (progress.state != DecompressedFile::State::Ended) return note;
  const std::wstring where = ShortSize(progress.written);
  switch (progress.end) {
    case DecompressionEnd::Damaged:
      return note + L", damaged after " + where;
    case DecompressionEnd::Truncated:
      return note + L", truncated after " + where;
    case DecompressionEnd::Limited:
      return note + (progress.limitOfDisk ? L", stopped at " + where + L": the disk is nearly full"
                                          : L", stopped at the limit of " + where);
    case DecompressionEnd::Stopped:
      return progress.diskFull ? note + L", stopped at " + where + L": the disk is full" : note;
    case DecompressionEnd::Whole:
      break;
  }
  return note;
}

int DecompressedFile::Percent() const {
  if (work_->ended.load(std::memory_order_acquire) || compressedSize_ == 0) return 100;
  return static_cast<int>(std::min<uint64_t>(work_->read.load(std::memory_order_relaxed) * 100 / compressedSize_, 99));
}

}  // namespace lumen
