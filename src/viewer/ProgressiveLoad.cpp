#include "viewer/ProgressiveLoad.h"

#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>

namespace lumen {
namespace {

class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(UniqueHandle file) : file_(std::move(file)) {}
  size_t Read(char* buffer, size_t room) override {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(room, 1u << 30));
    return ReadFile(file_.get(), buffer, wanted, &read, nullptr) ? read : 0;
  }
  bool Rewind() override { return SetFilePointerEx(file_.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0; }

 private:
  UniqueHandle file_;
};

class StreamBytes final : public ByteSource {
 public:
  explicit StreamBytes(IStream* stream) : stream_(stream) { stream_->AddRef(); }
  ~StreamBytes() override { stream_->Release(); }
  StreamBytes(const StreamBytes&) = delete;
  StreamBytes& operator=(const StreamBytes&) = delete;
  size_t Read(char* buffer, size_t room) override {
    ULONG read = 0;
    const ULONG wanted = static_cast<ULONG>(std::min<size_t>(room, 1u << 30));
    return SUCCEEDED(stream_->Read(buffer, wanted, &read)) ? std::min<size_t>(read, wanted) : 0;
  }
  bool Rewind() override { return SUCCEEDED(stream_->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)); }

 private:
  IStream* stream_;
};

}  // namespace

std::unique_ptr<ByteSource> FileSource(UniqueHandle file) { return std::make_unique<FileBytes>(std::move(file)); }
std::unique_ptr<ByteSource> StreamSource(IStream* stream) { return std::make_unique<StreamBytes>(stream); }

ProgressiveLoad::ProgressiveLoad(std::unique_ptr<ByteSource> source, uint64_t announcedSize)
    : source_(std::move(source)), announcedSize_(announcedSize) {}

bool ProgressiveLoad::Fill(size_t length) {
  // Never beyond the announced size: a stream must not add what it did not announce.
  const uint64_t left = announcedSize_ > bytesRead_ ? announcedSize_ - bytesRead_ : 0;
  buffer_.resize(static_cast<size_t>(std::min<uint64_t>(length, left)));
  size_t total = 0;
  while (total < buffer_.size()) {
    const size_t read = source_->Read(buffer_.data() + total, buffer_.size() - total);
    if (read == 0) break;
    total += read;
  }
  buffer_.resize(total);
  bytesRead_ += total;
  return total > 0;
}

bool ProgressiveLoad::ReadHead(size_t length, std::string& text) {
  try {
    if (!Fill(length)) return false;
    converter_ = SliceConverter(DetectEncodingOfHead(buffer_, announcedSize_));
    const bool whole = bytesRead_ >= announcedSize_;
    if (!converter_.Convert(buffer_, whole, text)) {
      // Not UTF-8 after all, within the head already.
      converter_ = SliceConverter(Encoding::Ansi);
      text.clear();
      converter_.Convert(buffer_, whole, text);
    }
  } catch (const std::exception&) {
    return false;
  }
  textPerByte_ = static_cast<double>(text.size()) / static_cast<double>(buffer_.size());
  return !text.empty();
}

ProgressiveLoad::Slice ProgressiveLoad::Next(size_t length) {
  Slice slice;
  try {
    const bool more = Fill(length);
    slice.done = !more || bytesRead_ >= announcedSize_;
    if (converter_.Convert(more ? std::string_view(buffer_) : std::string_view(), slice.done, slice.text)) {
      return slice;
    }
    // A byte that no UTF-8 holds: the whole file is ANSI, from its first
    // byte. A stream that cannot go back ends with the UTF-8 shown so far.
    slice.text.clear();
    slice.done = !source_->Rewind();
    if (slice.done) return slice;
    converter_ = SliceConverter(Encoding::Ansi);
    bytesRead_ = 0;
    slice.startOver = true;
  } catch (const std::exception&) {
    // What cannot be read into memory or converted ends the file where it is.
    slice.text.clear();
    slice.done = true;
  }
  return slice;
}

int ProgressiveLoad::Percent() const {
  if (announcedSize_ == 0) return 100;
  return static_cast<int>(std::min<uint64_t>(bytesRead_ * 100 / announcedSize_, 100));
}

size_t ProgressiveLoad::ExpectedTextLength() const {
  // As the head goes, with a little to spare: a document that outgrows its
  // room is copied whole into a bigger one.
  const double expected = static_cast<double>(announcedSize_) * textPerByte_ * 1.02 + 65536;
  return static_cast<size_t>(std::min(expected, static_cast<double>(INT32_MAX)));
}

}  // namespace lumen
