#include "viewer/ByteSource.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <utility>


namespace lumen {
namespace {

// One Read of the host's stream takes at most this.
constexpr size_t kLargestRead = size_t{1} << 30;
// What the viewer's thread reads from the host's stream in one call, and how
// much may wait for the worker.
constexpr size_t kStreamPiece = size_t{1} << 20;
constexpr size_t kQueuedBytes = size_t{8} << 20;

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(SharedFile file) : file_(std::move(file)) {}
  size_t Read(char* buffer, size_t room) override { return file_.Read(buffer, room); }
  bool Rewind() override { return file_.Seek(0); }
  bool failed() const override { return file_.failed(); }

 private:
  SharedFile file_;
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

std::unique_ptr<ByteSource> FileSource(SharedFile file) { return std::make_unique<FileBytes>(std::move(file)); }
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

namespace {

class PrefixedBytes final : public ByteSource {
 public:
  PrefixedBytes(std::string head, std::unique_ptr<ByteSource> rest) : head_(std::move(head)), rest_(std::move(rest)) {}
  size_t Read(char* buffer, size_t room) override {
    const size_t held = std::min(room, head_.size() - headRead_);
    std::copy_n(head_.data() + headRead_, held, buffer);
    headRead_ += held;
    return held > 0 ? held : rest_->Read(buffer, room);
  }
  bool Rewind() override {
    headRead_ = head_.size();  // the head comes again from the rest's start
    return rest_->Rewind();
  }
  bool failed() const override { return rest_->failed(); }

 private:
  std::string head_;
  size_t headRead_ = 0;
  std::unique_ptr<ByteSource> rest_;
};

}  // namespace

std::unique_ptr<ByteSource> PrefixedSource(std::string head, std::unique_ptr<ByteSource> rest) {
  return std::make_unique<PrefixedBytes>(std::move(head), std::move(rest));
}

StreamFeed::StreamFeed() : pieces_(kQueuedBytes, [](const std::string& piece) { return piece.size(); }) {}
StreamFeed::~StreamFeed() = default;

size_t StreamFeed::Read(char* buffer, size_t room) {
  if (offset_ == current_.size()) {
    std::optional<std::string> piece = pieces_.Pop();
    if (!piece) return 0;  // the stream's end, or the load dropped
    current_ = std::move(*piece);
    offset_ = 0;
  }
  const size_t count = std::min(room, current_.size() - offset_);
  std::memcpy(buffer, current_.data() + offset_, count);
  offset_ += count;
  return count;
}

bool StreamFeed::Rewind() {
  bool rewound = false;
  {
    Lock::Held held(lock_);
    rewinding_ = Rewinding::Asked;
    while (rewinding_ == Rewinding::Asked && !closed_) held.Wait(changed_);
    rewound = rewinding_ == Rewinding::Done && !closed_;
    rewinding_ = Rewinding::No;
  }
  if (rewound) {
    current_.clear();
    offset_ = 0;
  }
  return rewound;
}

void StreamFeed::Pump(ByteSource& stream, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    bool rewind = false;
    {
      Lock::Held held(lock_);
      if (closed_) return;
      rewind = rewinding_ == Rewinding::Asked;
    }
    // The host's stream is called without the lock: it may take its time.
    if (rewind) {
      const bool rewound = stream.Rewind();
      if (rewound) {
        pieces_.Restart();
        filled_ = 0;
        ended_ = false;
      }
      Lock::Held held(lock_);
      rewinding_ = rewound ? Rewinding::Done : Rewinding::Refused;
      changed_.WakeAll();
      continue;
    }
    // A stream that gives little a call fills one piece over many: a piece
    // is handed on full, at the stream's end, or when the turn is over.
    const bool timeUp = std::chrono::steady_clock::now() >= deadline;
    if (filled_ > 0 && (ended_ || filled_ == kStreamPiece || timeUp)) {
      if (!pieces_.TryPush(std::string(reading_.get(), filled_))) return;  // no room yet: the next turn
      filled_ = 0;
    }
    if (ended_) return pieces_.Finish();
    if (timeUp || pieces_.full()) return;
    // One call into the host at a time, so that the time is looked at after each.
    if (!reading_) reading_.reset(new char[kStreamPiece]);
    const size_t read = stream.Read(reading_.get() + filled_, kStreamPiece - filled_);
    filled_ += read;
    ended_ = read == 0;  // at its end, or failing: the worker ends the text there
  }
}

void StreamFeed::Close() {
  {
    Lock::Held held(lock_);
    closed_ = true;
    changed_.WakeAll();
  }
  pieces_.Close();
}

}  // namespace lumen
