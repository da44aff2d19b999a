#pragma once
// Where a file's bytes come from: a file opened by path, the host's stream,
// or, for a worker, the bytes the viewer's thread reads from the host's stream.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/BoundedQueue.h"
#include "base/SharedFile.h"
#include "base/Sync.h"

struct IStream;

namespace lumen {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `room` bytes at `buffer`; 0 at the end or on a failure.
  virtual size_t Read(char* buffer, size_t room) = 0;
  // Back to the first byte; false when the source cannot go back.
  virtual bool Rewind() = 0;
  // Whether a read failed, rather than found the end.
  virtual bool failed() const { return false; }
};

// Appends up to `length` bytes of `source` to `bytes`, fewer only at its end
// or a failure; the count appended.
size_t ReadUpTo(ByteSource& source, std::string& bytes, size_t length);

// Read on any one thread at a time.
std::unique_ptr<ByteSource> FileSource(SharedFile file);
// Holds a reference to the host's stream while it lives. Read, rewound and
// destroyed on the thread that was given the stream only.
std::unique_ptr<ByteSource> StreamSource(IStream* stream);
// Bytes held in memory: a stream's, kept to be read again.
std::unique_ptr<ByteSource> MemorySource(std::string bytes);
// `head`, read from `rest` already, and then the rest of it; rewound, all of `rest`.
std::unique_ptr<ByteSource> PrefixedSource(std::string head, std::unique_ptr<ByteSource> rest);

// Bytes of the host's stream on their way from the viewer's thread, which
// reads the stream, to a worker, which takes them as its source. The viewer's
// thread calls Pump and Close; the worker reads and rewinds, waiting for the
// viewer's thread where it must.
class StreamFeed final : public ByteSource {
 public:
  StreamFeed();
  ~StreamFeed() override;
  StreamFeed(const StreamFeed&) = delete;
  StreamFeed& operator=(const StreamFeed&) = delete;

  // Worker's side.
  size_t Read(char* buffer, size_t room) override;
  bool Rewind() override;

  // Viewer's side: reads `stream` while there is room for its bytes and time
  // before `deadline`, and goes back to its start when the worker asks.
  void Pump(ByteSource& stream, std::chrono::steady_clock::time_point deadline);
  // The worker's load was dropped: whatever it waits for, it waits no longer.
  void Close();

 private:
  enum class Rewinding { No, Asked, Done, Refused };

  BoundedQueue<std::string> pieces_;
  // The worker's piece being read, and how far.
  std::string current_;
  size_t offset_ = 0;
  // The worker's wish to go back to the start, and the viewer's thread's answer.
  Lock lock_;
  Condition changed_;
  Rewinding rewinding_ = Rewinding::No;
  bool closed_ = false;
  // The viewer's thread's own: the piece being filled (not zeroed, made
  // once), and whether the stream has ended.
  std::unique_ptr<char[]> reading_;
  size_t filled_ = 0;
  bool ended_ = false;
};

}  // namespace lumen
