#pragma once
// One load of a file into a viewer, from the host's message to the whole
// text: the file opened by path or as the host's stream, its first part read
// and converted for the viewer to show at once (all of a small document),
// and the rest of a bigger one built into a document of its own by a worker
// (DocumentBuild), to which the viewer's turns pass the host's stream.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "viewer/ByteSource.h"
#include "viewer/DecompressedFile.h"
#include "viewer/DocumentBuild.h"
#include "text/Encoding.h"
#include "base/SharedFile.h"
#include "search/DocumentEvents.h"
#include "viewer/LoaderFactory.h"

struct IStream;

namespace lumen {

// The largest file given to the control whole, or read from the host's
// stream: the control counts in 32 bits. A bigger file by path is shown
// through a window (FileWindow).
inline constexpr uint64_t kLargestFile = 0x7FFFFFFF;

class DocumentLoad {
 public:
  enum class Stage {
    Opened,    // nothing more than the first part read; the rest waits for the first turn
    Whole,     // the first part is the whole file: the load is done
    Building,  // the worker builds the whole document
    Built,     // the whole document is ready to take the first part's place
    Ended,     // dropped, taken, or the rest could not be built
  };

  // Null when the file cannot be opened or is empty; of any size. A file
  // named and made as a compressed one is read as the text it holds.
  static std::unique_ptr<DocumentLoad> OfFile(const std::wstring& path);
  // Null when the stream cannot tell its size (Stat is the host's code) or is
  // empty.
  static std::unique_ptr<DocumentLoad> OfStream(const std::wstring& name, IStream* stream);
  // A stream's bytes kept (see TakeStreamBytes), read again; null when empty.
  static std::unique_ptr<DocumentLoad> OfStreamBytes(const std::wstring& name, std::string bytes);
  ~DocumentLoad();
  DocumentLoad(const DocumentLoad&) = delete;
  DocumentLoad& operator=(const DocumentLoad&) = delete;

  // Reads and converts the first part (a stream's Read is the host's code),
  // its encoding told by `rule`; false when it gives no text to show. The
  // stage is Whole or stays Opened.
  bool ReadFirstPart(const DecodingRule& rule = {});
  // A compressed file's text is decompressed up to `configured` bytes (0:
  // the default; see DecompressionLimit). Before ReadFirstPart.
  void LimitDecompression(uint64_t configured) { decompressionLimit_ = configured; }
  // A compressed file's decompression, once ReadFirstPart has begun it;
  // unless it ended in the first part (Whole), its rest goes to a spool.
  const std::shared_ptr<DecompressedFile>& decompressed() const { return decompressed_; }
  // The compression the file or stream is read through, once ReadFirstPart
  // has seen it is made so; a stream's decompression's progress and its
  // compressed size.
  Compression compression() const { return compression_; }
  const std::shared_ptr<DecompressedFile::Progress>& streamDecompression() const { return streamDecompression_; }
  uint64_t compressedSize() const { return compressedSize_; }
  // The bytes of a stream read whole (a small document), for the viewer to read
  // them again in another encoding: the stream is the host's and gone then.
  // Empty for a file by path or a bigger stream.
  std::string TakeStreamBytes() { return std::move(streamBytes_); }
  // A bigger stream's first part as it came, and the stream itself, for a
  // spool to write the stream to a file (StreamSpool); the load has no rest then.
  const std::string& firstStreamBytes() const { return firstStreamBytes_; }
  std::unique_ptr<ByteSource> TakeStream();
  // Hands the rest to a worker; the load ends with its first part when no
  // worker can start.
  void BuildRest();
  // The document gets room to grow by a quarter (and at least a few
  // megabytes) beyond the file: for a log that goes on growing.
  void LeaveRoomToGrow();
  // A turn of the viewer's: the first starts the workers (after the first
  // part has been shown and painted, which then has the processor to
  // itself); then the host's stream read for the worker until `deadline`
  // (the host's code runs), and how far the worker is.
  Stage Turn(std::chrono::steady_clock::time_point deadline);
  // The whole document once Built; the load is over then.
  DocumentBuild::Result TakeDocument();
  // The rest is not wanted any more: the worker stops and the stream is let go.
  void Drop();

  Stage stage() const { return stage_; }
  const std::wstring& name() const { return name_; }
  bool isStream() const { return isStream_; }
  // Of the file opened by path: the one its bytes come from.
  const std::optional<FileIdentity>& identity() const { return identity_; }
  const std::string& firstText() const { return first_->text; }
  Encoding encoding() const { return first_ ? first_->rest.encoding() : Encoding::Unknown; }
  uint32_t codePage() const { return first_ ? first_->rest.codePage() : 0; }
  // The last bytes of a whole file that end no character yet (not shown).
  size_t heldBack() const { return first_ ? first_->heldBack : 0; }
  // The file's size as it is known: what was read of a file shown whole,
  // else what it announced.
  uint64_t size() const { return stage_ == Stage::Whole ? firstBytes_ : announcedSize_; }
  uint64_t firstBytes() const { return firstBytes_; }
  // How much of the file a worker has read so far.
  uint64_t bytesRead() const { return build_ ? build_->bytesRead() : firstBytes_; }
  // About how long the text will be.
  size_t expectedTextLength() const;
  // How far the reading is, 0 to 100.
  int Percent() const;

 private:
  DocumentLoad(std::wstring name, std::unique_ptr<ByteSource> source, uint64_t announcedSize, bool isStream);

  std::wstring name_;
  std::optional<FileIdentity> identity_;
  // A compressed file: what it is, opened, until ReadFirstPart decompresses it.
  Compression compression_ = Compression::None;
  std::optional<SharedFile> compressedFile_;
  uint64_t decompressionLimit_ = 0;
  std::shared_ptr<DecompressedFile> decompressed_;
  std::shared_ptr<DecompressedFile::Progress> streamDecompression_;
  uint64_t compressedSize_ = 0;
  bool ReadFirstDecompressed();
  // A stream named as compressed: read through a DecompressedStream when its head says it is made so.
  void DecompressStream();
  uint64_t roomFor_ = 0;
  std::unique_ptr<ByteSource> source_;  // the file, or the host's stream (read on this thread only)
  bool isStream_;
  uint64_t announcedSize_;
  uint64_t firstBytes_ = 0;
  std::optional<FirstPart> first_;
  DecodingRule rule_;
  std::string streamBytes_;
  std::string firstStreamBytes_;
  std::shared_ptr<StreamFeed> feed_;  // a stream's bytes on their way to the worker
  std::unique_ptr<LoaderFactory> factory_;  // the worker's, while it builds
  std::shared_ptr<DocumentBuild> build_;
  Stage stage_ = Stage::Opened;
  bool pumping_ = false;  // the host's stream is being read: it stays until that returns
};

}  // namespace lumen
