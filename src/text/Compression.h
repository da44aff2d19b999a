#pragma once
// Compressed files, as rotated logs are kept: gzip, bzip2, xz and zstd,
// decompressed piece by piece by the formats' own libraries (zlib, bzip2,
// liblzma, zstd), whatever the input does.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace lumen {

enum class Compression { None, Gzip, Bzip2, Xz, Zstd };

// The compression a file's name ends in (".gz", ".bz2", ".xz", ".zst", any
// case); none for other names and for archives of many files ("x.tar.gz",
// ".tgz"), which are the file manager's to open.
Compression CompressionOfName(std::wstring_view fileName);
// The name without the compression's ending: "app.log.1" for "app.log.1.gz".
std::wstring NameInside(std::wstring_view fileName);
// The compression whose signature `head` starts with; none without one.
Compression CompressionOfHead(std::string_view head);
// "gzip", "bzip2", "xz", "zstd"; empty for none.
const wchar_t* CompressionName(Compression compression);

// How a decompression ended.
enum class DecompressionEnd {
  Whole,      // the input ended where its last stream did
  Truncated,  // the input ended inside a stream
  Damaged,    // the decoder met bytes no stream holds
  Limited,    // the output reached the limit
  Stopped,    // asked to stop, or the output refused more
};
struct DecompressionOutcome {
  DecompressionEnd end = DecompressionEnd::Whole;
  uint64_t read = 0;     // input bytes taken
  uint64_t written = 0;  // output bytes handed on
};

// Up to `room` bytes into `buffer`; 0 at the end of the input.
using CompressedReader = std::function<size_t(char* buffer, size_t room)>;
// Takes a piece of the output; false to stop.
using DecompressedWriter = std::function<bool(std::string_view piece)>;

// Decompressed bytes on demand, on any one thread at a time: reads `read` as
// it needs, streams one after another (concatenated members, frames) as one.
class DecompressingReader {
 public:
  DecompressingReader(Compression compression, CompressedReader read, uint64_t limit);
  ~DecompressingReader();
  DecompressingReader(const DecompressingReader&) = delete;
  DecompressingReader& operator=(const DecompressingReader&) = delete;

  // Up to `room` bytes into `buffer`; 0 once it has ended (see outcome). Never throws.
  size_t Read(char* buffer, size_t room);
  bool ended() const { return ended_; }
  // How far it has come, and how it ended once it has.
  const DecompressionOutcome& outcome() const { return outcome_; }

 private:
  struct State;
  size_t Decode(uint8_t* buffer, size_t room);
  void BetweenStreams();
  void Finish(DecompressionEnd end);

  std::unique_ptr<State> state_;
  uint64_t limit_;
  DecompressionOutcome outcome_;
  bool ended_ = false;
};

// Reads `read` to its end and hands the decompressed bytes to `write`, at most
// `limit` of them, checking `stop` between pieces. Streams one after another
// (concatenated members, frames) are read as one. Never throws.
DecompressionOutcome Decompress(Compression compression, const CompressedReader& read,
                                const DecompressedWriter& write, uint64_t limit, const std::atomic<bool>& stop);

}  // namespace lumen
