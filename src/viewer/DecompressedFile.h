#pragma once
// A compressed file shown as its text. Its first part is decompressed in the
// viewer's message: a small file ends there and is shown whole; the rest of
// a bigger one is decompressed by a worker into a file of lumen's (a
// StreamSpool), which the window shows as it grows. Nothing is written
// anywhere else, and never more than the limit.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <optional>

#include "base/SharedFile.h"
#include "viewer/ByteSource.h"
#include "text/Compression.h"
#include "viewer/StreamSpool.h"

namespace lumen {

// Decompressed at most, when the configuration sets no limit.
inline constexpr uint64_t kDefaultDecompressionLimit = uint64_t{16} << 30;

class DecompressedFile {
 public:
  enum class State { Decompressing, Ended };
  // What is known of the decompression at a moment.
  struct Progress {
    State state = State::Decompressing;
    DecompressionEnd end = DecompressionEnd::Whole;  // once Ended
    uint64_t written = 0;  // decompressed bytes so far
    uint64_t read = 0;     // compressed bytes taken so far
    bool diskFull = false;     // the spool took no more
    bool limitOfDisk = false;  // the limit was the disk's room, not the configured one
  };

  // `file`, of `compressedSize` bytes, decompressed up to the limit
  // (DecompressionLimit of `configuredLimit`); its first part now, within
  // about `budget` (at least a screenful of text, at most a small document).
  // Never throws.
  static std::unique_ptr<DecompressedFile> Open(SharedFile file, Compression compression, uint64_t compressedSize,
                                                uint64_t configuredLimit, std::chrono::steady_clock::duration budget);
  // A worker that still decompresses stops.
  ~DecompressedFile();
  DecompressedFile(const DecompressedFile&) = delete;
  DecompressedFile& operator=(const DecompressedFile&) = delete;

  Compression compression() const { return compression_; }
  uint64_t compressedSize() const { return compressedSize_; }
  // The text's first part as decompressed, and whether it is all of it.
  const std::string& firstPart() const { return firstPart_; }
  bool endedInFirstPart() const;

  // The first part and then the rest, written by a worker to a spool; false
  // when no spool can be made or no thread started.
  bool SpoolRest();
  // The spool the rest goes to; null before SpoolRest.
  const std::shared_ptr<StreamSpool>& spool() const { return spool_; }
  // Any thread's.
  Progress progress() const;
  // How far the compressed input is read, 0 to 100.
  int Percent() const;

 private:
  struct Work;  // what the viewer's thread and the worker share
  DecompressedFile(Compression compression, uint64_t compressedSize) : compression_(compression), compressedSize_(compressedSize) {}

  Compression compression_;
  uint64_t compressedSize_;
  std::string firstPart_;
  std::shared_ptr<Work> work_;
  std::shared_ptr<StreamSpool> spool_;
};

// A host's compressed stream read as the text it holds, on the thread the
// stream belongs to (its Read is the host's code): the load's first part
// and the spool's pumps pull the text through it piece by piece. It lets the
// stream go once the decompression has ended; its progress outlives it.
class DecompressedStream final : public ByteSource {
 public:
  // `head`: the stream's first bytes, already read from it.
  DecompressedStream(std::unique_ptr<ByteSource> stream, std::string head, Compression compression,
                     uint64_t configuredLimit);
  size_t Read(char* buffer, size_t room) override;
  bool Rewind() override { return false; }
  const std::shared_ptr<DecompressedFile::Progress>& progress() const { return progress_; }

 private:
  std::unique_ptr<ByteSource> stream_;
  std::string head_;
  size_t headRead_ = 0;
  std::shared_ptr<DecompressedFile::Progress> progress_ = std::make_shared<DecompressedFile::Progress>();
  std::optional<DecompressingReader> reader_;
};

// The limit a decompression keeps to: the configured one (0: the default),
// and never more than the room left on the disk the spool is written to,
// less a reserve for the system. `limitOfDisk` tells which of the two it is.
uint64_t DecompressionLimit(uint64_t configured, uint64_t freeSpace, bool& limitOfDisk);

// What the description adds for a compressed file: ", gzip 12.0 MB", and
// where the decompression stopped short (", damaged after 3.2 MB").
std::wstring DecompressionNote(Compression compression, uint64_t compressedSize,
                               const DecompressedFile::Progress& progress);

// "812 bytes", "3.2 KB", "12.0 MB", "1.4 GB": a size as the description gives it.
std::wstring ShortSize(uint64_t bytes);

}  // namespace lumen
