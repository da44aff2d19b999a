#include "viewer/ByteSource.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/ExclusiveLock.h"

namespace lumen {
namespace {

// One Read of the platform takes at most this.
constexpr size_t kLargestRead = size_t{1} << 30;
// What the viewer's thread reads from the host's stream in one call, and how
// much may wait for the worker.
constexpr size_t kStreamPiece = size_t{1} << 20;
constexpr size_t kQueuedBytes = size_t{8} << 20;

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(UniqueHandle file) : file_(std::move(file)) {}
  size_t Read(char* buffer, size_t room) override {
    DWORD read = 0;
    failed_ = !ReadFile(file_.get(), buffer, static_cast<DWORD>(std::min(room, kLargestRead)), &read, nullptr);
    return failed_ ? 0 : read;
  }
  bool Rewind() override { return SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0; }
  bool failed() const override { return failed_; }

 private:
  UniqueHandle file_;
  bool failed_ = false;
};

class StreamBytes final : public ByteSource {
 public:
  explicit StreamBytes(IStream* stream) : stream_(stream) { stream_->AddRef(); }
  ~StreamBytes() override { stream_->Release(); }
  StreamBytes(const StreamBytes&) = delete;
  StreamBytes& operator=(const StreamBytes&) = delete;
  size_t Read(char* buffer, size_t room) override {
    ULONG read = 0;
    const auto wanted = static_cast<ULONG>(std::min(room, kLargestRead));
    failed_ = FAILED(stream_->Read(buffer, wanted, &read));
    // A stream that claims more than was asked for is not believed.
    return failed_ ? 0 : std::min<size_t>(read, wanted);
  }
  bool Rewind() override { return SUCCEEDED(stream_->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)); }
  bool failed() const override { return failed_; }

 private:
  IStream* stream_;
  bool failed_ = false;
};

}  // namespace

size_t ReadUpTo(ByteSource& source, std::string& bytes, size_t length) {
  const size_t start = bytes.size();
  bytes.resize(start + length);
  size_t total = 0;
  while (total < length) {
    const size_t read = source.Read(bytes.data() + start + total, length - total);
    if (read == 0) break;
    total += read;
  }
  bytes.resize(start + total);
  return total;
}

std::unique_ptr<ByteSource> FileSource(UniqueHandle file) { return std::make_unique<FileBytes>(std::move(file)); }
std::unique_ptr<ByteSource> StreamSource(IStream* stream) { return std::make_unique<StreamBytes>(stream); }

namespace {

class HeldBytes final : public ByteSource {
 public:
  explicit HeldBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(char* buffer, size_t room) override {
    const size_t count = std::min(room, bytes_.size() - at_);
    std::memcpy(buffer, bytes_.data() + at_, count);
    at_ += count;
    return count;
  }
  bool Rewind() override {
    at_ = 0;
    return true;
  }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> MemorySource(std::string bytes) { return std::make_unique<HeldBytes>(std::move(bytes)); }

StreamFeed::StreamFeed() = default;
StreamFeed::~StreamFeed() = default;

size_t StreamFeed::Read(char* buffer, size_t room) {
  const ExclusiveLock locked(lock_);
  while (pieces_.empty() && !ended_ && !closed_) locked.Wait(changed_);
  if (pieces_.empty()) return 0;
  const std::string& piece = pieces_.front();
  const size_t count = std::min(room, piece.size() - offset_);
  std::memcpy(buffer, piece.data() + offset_, count);
  offset_ += count;
  queued_ -= count;
  if (offset_ == piece.size()) {
    pieces_.pop_front();
    offset_ = 0;
  }
  return count;
}

bool StreamFeed::Rewind() {
  const ExclusiveLock locked(lock_);
  rewinding_ = Rewinding::Asked;
  while (rewinding_ == Rewinding::Asked && !closed_) locked.Wait(changed_);
  const bool rewound = rewinding_ == Rewinding::Done && !closed_;
  rewinding_ = Rewinding::No;
  return rewound;
}

void StreamFeed::Pump(ByteSource& stream, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    bool rewind = false;
    {
      const ExclusiveLock locked(lock_);
      rewind = rewinding_ == Rewinding::Asked;
      const bool full = queued_ >= kQueuedBytes;
      if (closed_ || (!rewind && (ended_ || full || std::chrono::steady_clock::now() >= deadline))) return;
    }
    // The host's stream is called without the lock: it may take its time.
    if (rewind) {
      const bool rewound = stream.Rewind();
      const ExclusiveLock locked(lock_);
      if (rewound) {
        pieces_.clear();
        offset_ = queued_ = filled_ = 0;
        ended_ = false;
      }
      rewinding_ = rewound ? Rewinding::Done : Rewinding::Refused;
      Changed();
      continue;
    }
    // One call into the host at a time, so that the time is looked at after
    // each. A stream that gives little a call fills one piece over many: a
    // piece is handed on full, at the stream's end, or when the turn ends.
    if (!reading_) reading_.reset(new char[kStreamPiece]);
    const size_t read = stream.Read(reading_.get() + filled_, kStreamPiece - filled_);
    filled_ += read;
    const bool ended = read == 0;
    if (!ended && filled_ < kStreamPiece && std::chrono::steady_clock::now() < deadline) continue;
    const ExclusiveLock locked(lock_);
    if (filled_ > 0) {
      queued_ += filled_;
      pieces_.emplace_back(reading_.get(), filled_);
      filled_ = 0;
    }
    ended_ = ended;  // at its end, or failing: the worker ends the text there
    Changed();
  }
}

void StreamFeed::Close() {
  const ExclusiveLock locked(lock_);
  closed_ = true;
  pieces_.clear();
  offset_ = queued_ = 0;
  Changed();
}

}  // namespace lumen
