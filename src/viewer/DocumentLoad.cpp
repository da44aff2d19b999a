#include "viewer/DocumentLoad.h"

#include <objidl.h>

#include <algorithm>
#include <exception>
#include <utility>

namespace lumen {
namespace {

// A bigger file's first part, shown at once.
constexpr uint64_t kFirstPartOfBigFile = uint64_t{256} << 10;
// A compressed file's first part is decompressed in about this time.
constexpr auto kFirstDecompressionBudget = std::chrono::milliseconds(40);

// The compression `file` is named for and made with; none when either is missing.
Compression CompressionOf(const std::wstring& path, SharedFile& file) {
  const Compression named = CompressionOfName(path);
  if (named == Compression::None) return named;
  char head[8] = {};
  const size_t read = file.ReadAt(0, head, sizeof head);
  // A read at an offset moves the file's place: back to the start for the reads that follow.
  if (!file.Seek(0)) return Compression::None;
  return CompressionOfHead(std::string_view(head, read)) == named ? named : Compression::None;
}

}  // namespace

DocumentLoad::DocumentLoad(std::wstring name, std::unique_ptr<ByteSource> source, uint64_t announcedSize,
                           bool isStream)
    : name_(std::move(name)), source_(std::move(source)), isStream_(isStream), announcedSize_(announcedSize) {}

DocumentLoad::~DocumentLoad() { Drop(); }

std::unique_ptr<DocumentLoad> DocumentLoad::OfFile(const std::wstring& path) {
  // A big file is read on long after this message: meanwhile others may
  // still write, rename or delete it.
  std::optional<SharedFile> file = SharedFile::Open(path, true);
  // Its size is the opened handle's: a link's target, not the link.
  const std::optional<uint64_t> size = file ? file->Size() : std::nullopt;
  if (!size || *size < 1) return nullptr;
  const std::optional<FileIdentity> identity = file->Identity();
  if (const Compression compression = CompressionOf(path, *file); compression != Compression::None) {
    std::unique_ptr<DocumentLoad> load(new DocumentLoad(path, nullptr, *size, false));
    load->compression_ = compression;
    load->compressedFile_ = std::move(file);
    return load;
  }
  std::unique_ptr<DocumentLoad> load(new DocumentLoad(path, FileSource(std::move(*file)), *size, false));
  load->identity_ = identity;
  return load;
}

std::unique_ptr<DocumentLoad> DocumentLoad::OfStream(const std::wstring& name, IStream* stream) {
  STATSTG status = {};
  if (!stream || FAILED(stream->Stat(&status, STATFLAG_NONAME))) return nullptr;
  const uint64_t size = status.cbSize.QuadPart;
  if (size == 0) return nullptr;
  std::unique_ptr<DocumentLoad> load(new DocumentLoad(name, StreamSource(stream), size, true));
  load->compression_ = CompressionOfName(name);
  return load;
}

std::unique_ptr<DocumentLoad> DocumentLoad::OfStreamBytes(const std::wstring& name, std::string bytes) {
  const uint64_t size = bytes.size();
  if (size == 0 || SizeOfDocument(size) == DocumentSize::Big) return nullptr;
  return std::unique_ptr<DocumentLoad>(new DocumentLoad(name, MemorySource(std::move(bytes)), size, true));
}

bool DocumentLoad::ReadFirstPart(const DecodingRule& rule) {
  rule_ = rule;
  if (compression_ != Compression::None && !isStream_) return ReadFirstDecompressed();
  if (compression_ != Compression::None) DecompressStream();
  const uint64_t wanted = SizeOfDocument(announcedSize_) == DocumentSize::Small ? announcedSize_ : kFirstPartOfBigFile;
  std::string bytes;
  firstBytes_ = ReadUpTo(*source_, bytes, static_cast<size_t>(wanted));
  // A file that shrank, or a stream that delivers less than it announced, has no more.
  const bool whole = firstBytes_ < wanted || firstBytes_ >= announcedSize_;
  if (bytes.empty() || source_->failed()) return false;
  try {
    first_ = DecodeFirstPart(bytes, whole ? firstBytes_ : announcedSize_, rule_);
  } catch (const std::exception&) {
    return false;  // undecodable
  }
  if (first_->text.empty()) return false;
  if (!whole && isStream_) firstStreamBytes_ = bytes;
  if (whole) {
    if (isStream_) streamBytes_ = std::move(bytes);
    stage_ = Stage::Whole;
    source_.reset();  // read: the host's stream is let go
  }
  return true;
}

bool DocumentLoad::ReadFirstDecompressed() {
  if (!compressedFile_) return false;  // read once only
  decompressed_ = DecompressedFile::Open(std::move(*compressedFile_), compression_, announcedSize_,
                                         decompressionLimit_, kFirstDecompressionBudget);
  compressedFile_.reset();
  if (!decompressed_ || decompressed_->firstPart().empty()) return false;
  const std::string& part = decompressed_->firstPart();
  const bool whole = decompressed_->endedInFirstPart();
  // The rest's size is not known before it is decompressed: at least a big document's.
  announcedSize_ = whole ? part.size() : std::max<uint64_t>(part.size(), kLargestSmallDocument + 1);
  const std::string bytes = whole ? part : part.substr(0, kFirstPartOfBigFile);
  firstBytes_ = bytes.size();
  try {
    first_ = DecodeFirstPart(bytes, announcedSize_, rule_);
  } catch (const std::exception&) {
    return false;  // undecodable
  }
  if (first_->text.empty()) return false;
  if (whole) stage_ = Stage::Whole;
  return true;
}

void DocumentLoad::DecompressStream() {
  std::string head;
  ReadUpTo(*source_, head, 8);
  if (CompressionOfHead(head) != compression_) {
    compression_ = Compression::None;  // only named so: read as it is
    source_ = PrefixedSource(std::move(head), std::move(source_));
    return;
  }
  auto decompressing = std::make_unique<DecompressedStream>(std::move(source_), std::move(head), compression_,
                                                             decompressionLimit_);
  streamDecompression_ = decompressing->progress();
  source_ = std::move(decompressing);
  compressedSize_ = announcedSize_;
  // Its text's size is not known before it is decompressed: as big as a stream
  // can be, so that what is more than a first part goes through a window.
  announcedSize_ = kLargestFile + 1;
}

std::unique_ptr<ByteSource> DocumentLoad::TakeStream() {
  if (!isStream_ || pumping_) return nullptr;
  stage_ = Stage::Ended;
  return std::move(source_);
}

void DocumentLoad::BuildRest() {
  factory_ = LoaderFactory::Make();
  if (!factory_) return Drop();
  DocumentBuild::Start start{[factory = factory_.get()](size_t length) { return factory->CreateLoader(length); },
                             nullptr,
                             first_->rest,
                             first_->text,
                             firstBytes_,
                             announcedSize_,
                             roomFor_,
                             rule_};
  if (isStream_) {
    feed_ = std::make_shared<StreamFeed>();
    start.rest = feed_;
  } else {
    start.rest = std::move(source_);
  }
  build_ = DocumentBuild::Begin(std::move(start));
  if (build_) {
    stage_ = Stage::Building;
  } else {
    Drop();
  }
}

void DocumentLoad::LeaveRoomToGrow() {
  constexpr uint64_t kLeastRoomToGrow = uint64_t{8} << 20;
  roomFor_ = announcedSize_ + std::max(announcedSize_ / 4, kLeastRoomToGrow);
}

DocumentLoad::Stage DocumentLoad::Turn(std::chrono::steady_clock::time_point deadline) {
  if (stage_ == Stage::Opened && first_) BuildRest();
  if (stage_ != Stage::Building) return stage_;
  if (feed_) {
    pumping_ = true;
    feed_->Pump(*source_, deadline);
    pumping_ = false;
    if (stage_ != Stage::Building) {
      source_.reset();  // dropped while the host's code ran
      return stage_;
    }
  }
  if (sci::ILoader* loader = build_->LoaderToPrepare()) {
    factory_->MakeUtf8(*loader);
    build_->Prepared();
  }
  // Once all is read, what is left is short: the turn waits for it rather
  // than leave it to a later tick.
  if (build_->bytesRead() >= announcedSize_) build_->Wait(deadline);
  switch (build_->state()) {
    case DocumentBuild::State::Built:
      stage_ = Stage::Built;
      source_.reset();  // the host's stream is let go once read
      factory_.reset();
      break;
    case DocumentBuild::State::Failed:
      Drop();
      break;
    case DocumentBuild::State::Building:
      break;
  }
  return stage_;
}

DocumentBuild::Result DocumentLoad::TakeDocument() {
  stage_ = Stage::Ended;
  return build_->TakeResult();
}

void DocumentLoad::Drop() {
  stage_ = Stage::Ended;
  if (build_) build_->Cancel();
  if (feed_) feed_->Close();
  if (!pumping_) source_.reset();
  if (factory_ && build_ && build_->state() == DocumentBuild::State::Building) {
    LoaderFactory::KeepWhile(std::move(factory_),
                             [build = build_] { return build->state() == DocumentBuild::State::Building; });
  }
  factory_.reset();
}

size_t DocumentLoad::expectedTextLength() const {
  if (stage_ == Stage::Whole) return first_->text.size();
  return ExpectedTextLength(announcedSize_, firstBytes_, first_->text.size());
}

int DocumentLoad::Percent() const {
  if ((stage_ != Stage::Building && stage_ != Stage::Opened) || announcedSize_ == 0) return 100;
  return static_cast<int>(std::min<uint64_t>(bytesRead() * 100 / announcedSize_, 100));
}

}  // namespace lumen
