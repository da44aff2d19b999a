#include "text/Compression.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

namespace lumen {
namespace {

constexpr size_t kPiece = size_t{256} << 10;
// What an xz stream may take to decode: xz -9 needs 65 MB; more is refused as damaged.
constexpr uint64_t kXzMemoryLimit = uint64_t{512} << 20;

std::wstring Lower(std::wstring_view text) {
  std::wstring lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
  return lower;
}

bool EndsWith(std::wstring_view text, std::wstring_view ending) {
  return text.size() > ending.size() && text.substr(text.size() - ending.size()) == ending;
}

struct Ending {
  const wchar_t* text;
  Compression compression;
};
constexpr Ending kEndings[] = {
    {L".gz", Compression::Gzip}, {L".bz2", Compression::Bzip2}, {L".xz", Compression::Xz}, {L".zst", Compression::Zstd}};

// One format's decoder over the caller's buffers.
class Decoder {
 public:
  enum class Step { More, StreamEnd, Error, Truncated };
  virtual ~Decoder() = default;
  // Decodes what it can of [in, in + inLeft) into [out, out + outLeft), moving both on.
  virtual Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool inputEnded) = 0;
  // Ready for the stream that follows one that ended; false when it cannot be.
  virtual bool Restart() = 0;
  // Whether a stream that ended may be followed by `next` (at least four bytes or all there are).
  virtual bool StartsStream(std::string_view next) const = 0;
};

class GzipDecoder final : public Decoder {
 public:
  GzipDecoder() {
    if (inflateInit2(&stream_, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~GzipDecoder() override { inflateEnd(&stream_); }
  Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool) override {
    stream_.next_in = const_cast<Bytef*>(in);
    stream_.avail_in = static_cast<uInt>(std::min<size_t>(inLeft, UINT32_MAX));
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(std::min<size_t>(outLeft, UINT32_MAX));
    const uInt inBefore = stream_.avail_in, outBefore = stream_.avail_out;
    const int result = inflate(&stream_, Z_NO_FLUSH);
    in += inBefore - stream_.avail_in;
    inLeft -= inBefore - stream_.avail_in;
    out += outBefore - stream_.avail_out;
    outLeft -= outBefore - stream_.avail_out;
    if (result == Z_STREAM_END) return Step::StreamEnd;
    return result == Z_OK || result == Z_BUF_ERROR ? Step::More : Step::Error;
  }
  bool Restart() override { return inflateReset(&stream_) == Z_OK; }
  bool StartsStream(std::string_view next) const override { return next.starts_with("\x1F\x8B"); }

 private:
  z_stream stream_ = {};
};

class Bzip2Decoder final : public Decoder {
 public:
  Bzip2Decoder() { Start(); }
  ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&stream_); }
  Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool) override {
    stream_.next_in = reinterpret_cast<char*>(const_cast<uint8_t*>(in));
    stream_.avail_in = static_cast<unsigned>(std::min<size_t>(inLeft, UINT32_MAX));
    stream_.next_out = reinterpret_cast<char*>(out);
    stream_.avail_out = static_cast<unsigned>(std::min<size_t>(outLeft, UINT32_MAX));
    const unsigned inBefore = stream_.avail_in, outBefore = stream_.avail_out;
    const int result = BZ2_bzDecompress(&stream_);
    in += inBefore - stream_.avail_in;
    inLeft -= inBefore - stream_.avail_in;
    out += outBefore - stream_.avail_out;
    outLeft -= outBefore - stream_.avail_out;
    if (result == BZ_STREAM_END) return Step::StreamEnd;
    return result == BZ_OK ? Step::More : Step::Error;
  }
  bool Restart() override {
    BZ2_bzDecompressEnd(&stream_);
    stream_ = {};
    return BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK;
  }
  bool StartsStream(std::string_view next) const override { return next.starts_with("BZh"); }

 private:
  void Start() {
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
  }
  bz_stream stream_ = {};
};

// liblzma reads the streams one after another itself (LZMA_CONCATENATED).
class XzDecoder final : public Decoder {
 public:
  XzDecoder() {
    if (lzma_stream_decoder(&stream_, kXzMemoryLimit, LZMA_CONCATENATED) != LZMA_OK) throw std::bad_alloc();
  }
  ~XzDecoder() override { lzma_end(&stream_); }
  Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool inputEnded) override {
    stream_.next_in = in;
    stream_.avail_in = inLeft;
    stream_.next_out = out;
    stream_.avail_out = outLeft;
    const lzma_ret result = lzma_code(&stream_, inputEnded ? LZMA_FINISH : LZMA_RUN);
    in = stream_.next_in;
    inLeft = stream_.avail_in;
    out = stream_.next_out;
    outLeft = stream_.avail_out;
    if (result == LZMA_STREAM_END) return Step::StreamEnd;
    if (result == LZMA_BUF_ERROR) return inputEnded ? Step::Truncated : Step::More;
    return result == LZMA_OK ? Step::More : Step::Error;
  }
  bool Restart() override { return false; }  // its end is the input's
  bool StartsStream(std::string_view) const override { return false; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// zstd reads frames one after another itself; a frame's end is only a pause.
class ZstdDecoder final : public Decoder {
 public:
  ZstdDecoder() : stream_(ZSTD_createDStream()) {
    if (!stream_ || ZSTD_isError(ZSTD_initDStream(stream_))) throw std::bad_alloc();
  }
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }
  Step Decode(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft, bool) override {
    ZSTD_inBuffer input{in, inLeft, 0};
    ZSTD_outBuffer output{out, outLeft, 0};
    const size_t result = ZSTD_decompressStream(stream_, &output, &input);
    in += input.pos;
    inLeft -= input.pos;
    out += output.pos;
    outLeft -= output.pos;
    if (ZSTD_isError(result)) return Step::Error;
    return result == 0 ? Step::StreamEnd : Step::More;
  }
  bool Restart() override { return true; }
  bool StartsStream(std::string_view next) const override {
    // A frame, or a skippable frame (its magic number's low four bits are free).
    return next.starts_with("\x28\xB5\x2F\xFD") ||
           (next.size() >= 4 && (static_cast<uint8_t>(next[0]) & 0xF0) == 0x50 && next.substr(1, 3) == "\x2A\x4D\x18");
  }

 private:
  ZSTD_DStream* stream_;
};

std::unique_ptr<Decoder> DecoderFor(Compression compression) {
  switch (compression) {
    case Compression::Gzip:
      return std::make_unique<GzipDecoder>();
    case Compression::Bzip2:
      return std::make_unique<Bzip2Decoder>();
    case Compression::Xz:
      return std::make_unique<XzDecoder>();
    case Compression::Zstd:
      return std::make_unique<ZstdDecoder>();
    case Compression::None:
      break;
  }
  return nullptr;
}

// The input as the decoder takes it: a buffer refilled from the reader.
class Input {
 public:
  explicit Input(const CompressedReader& read) : read_(read), buffer_(kPiece) {}

  const uint8_t* at = nullptr;
  size_t left = 0;
  bool ended = false;
  uint64_t taken() const { return total_ - left; }

  // At least `wanted` bytes unread, or all there are once the input has ended.
  void Want(size_t wanted) {
    while (left < wanted && !ended) {
      std::memmove(buffer_.data(), at ? at : buffer_.data(), left);
      const size_t got = read_(reinterpret_cast<char*>(buffer_.data()) + left, buffer_.size() - left);
      at = buffer_.data();
      if (got == 0) {
        ended = true;
      } else {
        left += got;
        total_ += got;
      }
    }
  }
  // One more byte than now, where the buffer has room for it.
  bool WantMore() {
    if (left >= buffer_.size()) return false;
    Want(left + 1);
    return true;
  }
  std::string_view Next(size_t count) const {
    return {reinterpret_cast<const char*>(at), std::min(count, left)};
  }

 private:
  const CompressedReader& read_;
  std::vector<uint8_t> buffer_;
  uint64_t total_ = 0;
};

}  // namespace

// The decoder, its input and where the output stands.
struct DecompressingReader::State {
  State(Compression compression, CompressedReader read) : reader(std::move(read)), decoder(DecoderFor(compression)), input(reader) {}
  CompressedReader reader;
  std::unique_ptr<Decoder> decoder;
  Input input;
  bool ended = false;
};

DecompressingReader::DecompressingReader(Compression compression, CompressedReader read, uint64_t limit)
    : limit_(limit) {
  try {
    state_ = std::make_unique<State>(compression, std::move(read));
  } catch (...) {  // no memory for the decoder
  }
  if (!state_ || !state_->decoder) Finish(DecompressionEnd::Damaged);
}

DecompressingReader::~DecompressingReader() = default;

void DecompressingReader::Finish(DecompressionEnd end) {
  outcome_.end = end;
  if (state_) {
    outcome_.read = state_->input.taken();
    state_->ended = true;
  }
  ended_ = true;
}

size_t DecompressingReader::Read(char* buffer, size_t room) {
  if (ended_ || room == 0) return 0;
  try {
    return Decode(reinterpret_cast<uint8_t*>(buffer), room);
  } catch (...) {  // the decoders' memory, bzip2's own failures, the caller's reader
    Finish(DecompressionEnd::Damaged);
    return 0;
  }
}

size_t DecompressingReader::Decode(uint8_t* buffer, size_t room) {
  Input& input = state_->input;
  Decoder& decoder = *state_->decoder;
  // At the limit one byte more is asked for: whether anything follows.
  const bool atLimit = outcome_.written >= limit_;
  uint8_t spare = 0;
  uint8_t* const into = atLimit ? &spare : buffer;
  const size_t wanted = atLimit ? 1 : static_cast<size_t>(std::min<uint64_t>(room, limit_ - outcome_.written));
  for (;;) {
    input.Want(1);
    uint8_t* out = into;
    size_t outLeft = wanted;
    const uint64_t before = input.taken();
    const Decoder::Step step = decoder.Decode(input.at, input.left, out, outLeft, input.ended);
    const size_t produced = wanted - outLeft;
    outcome_.read = input.taken();
    if (produced > 0 && atLimit) {
      Finish(DecompressionEnd::Limited);
      return 0;
    }
    outcome_.written += produced;
    if (step == Decoder::Step::Error) Finish(DecompressionEnd::Damaged);
    if (step == Decoder::Step::Truncated) Finish(DecompressionEnd::Truncated);
    if (step == Decoder::Step::StreamEnd) BetweenStreams();
    if (produced > 0 || ended_) return produced;
    if (input.taken() == before && step == Decoder::Step::More) {
      // No step forward with all input read: the stream stops short. A
      // decoder that takes nothing of a full buffer is stuck on bad input.
      if (input.ended) {
        Finish(DecompressionEnd::Truncated);
        return 0;
      }
      if (!input.WantMore()) {
        Finish(DecompressionEnd::Damaged);
        return 0;
      }
    }
  }
}

void DecompressingReader::BetweenStreams() {
  Input& input = state_->input;
  input.Want(4);
  if (input.left == 0) return Finish(DecompressionEnd::Whole);
  if (state_->decoder->StartsStream(input.Next(4))) {
    if (!state_->decoder->Restart()) Finish(DecompressionEnd::Damaged);
    return;
  }
  // Zeros after the last stream pad it (tape blocks); anything else is damage.
  for (;;) {
    const std::string_view next = input.Next(input.left);
    const size_t zeros =
        static_cast<size_t>(std::find_if(next.begin(), next.end(), [](char c) { return c != 0; }) - next.begin());
    input.at += zeros;
    input.left -= zeros;
    if (input.left > 0) return Finish(DecompressionEnd::Damaged);
    input.Want(1);
    if (input.left == 0) return Finish(DecompressionEnd::Whole);
  }
}

Compression CompressionOfName(std::wstring_view fileName) {
  const std::wstring name = Lower(fileName);
  for (const Ending& ending : kEndings) {
    if (!EndsWith(name, ending.text)) continue;
    // An archive of many files is the file manager's.
    const std::wstring_view inner = std::wstring_view(name).substr(0, name.size() - wcslen(ending.text));
    return EndsWith(inner, L".tar") ? Compression::None : ending.compression;
  }
  return Compression::None;
}

std::wstring NameInside(std::wstring_view fileName) {
  const Compression compression = CompressionOfName(fileName);
  for (const Ending& ending : kEndings) {
    if (ending.compression == compression && compression != Compression::None) {
      return std::wstring(fileName.substr(0, fileName.size() - wcslen(ending.text)));
    }
  }
  return std::wstring(fileName);
}

Compression CompressionOfHead(std::string_view head) {
  if (head.starts_with("\x1F\x8B")) return Compression::Gzip;
  if (head.starts_with("BZh") && head.size() > 3 && head[3] >= '1' && head[3] <= '9') return Compression::Bzip2;
  if (head.starts_with(std::string_view("\xFD" "7zXZ\0", 6))) return Compression::Xz;
  if (head.starts_with("\x28\xB5\x2F\xFD")) return Compression::Zstd;
  return Compression::None;
}

const wchar_t* CompressionName(Compression compression) {
  switch (compression) {
    case Compression::Gzip:
      return L"gzip";
    case Compression::Bzip2:
      return L"bzip2";
    case Compression::Xz:
      return L"xz";
    case Compression::Zstd:
      return L"zstd";
    case Compression::None:
      break;
  }
  return L"";
}

DecompressionOutcome Decompress(Compression compression, const CompressedReader& read,
                                const DecompressedWriter& write, uint64_t limit, const std::atomic<bool>& stop) {
  DecompressingReader reader(compression, read, limit);
  std::vector<char> piece(kPiece);
  try {
    while (!stop.load(std::memory_order_relaxed)) {
      const size_t count = reader.Read(piece.data(), piece.size());
      if (count == 0) return reader.outcome();
      if (!write(std::string_view(piece.data(), count))) break;
    }
  } catch (...) {  // the caller's writer
  }
  DecompressionOutcome outcome = reader.outcome();
  outcome.end = DecompressionEnd::Stopped;
  return outcome;
}

}  // namespace lumen

