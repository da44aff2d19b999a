#pragma once
// A big file shown while it is still being read: its head at once, the rest
// slice by slice in the viewer's own turns between the host's messages, so
// that the host's thread is never held for the whole file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <windows.h>

#include "base/Handles.h"
#include "viewer/Encoding.h"

struct IStream;

namespace lumen {

// Files up to this size are read whole, as they always were.
inline constexpr uint64_t kProgressiveLoad = uint64_t{4} << 20;

// Where a file's bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `room` bytes at `buffer`; 0 at the end or on a failure.
  virtual size_t Read(char* buffer, size_t room) = 0;
  // Back to the first byte; false when the source cannot go back.
  virtual bool Rewind() = 0;
};

std::unique_ptr<ByteSource> FileSource(UniqueHandle file);
// Holds a reference to the host's stream until the load ends.
std::unique_ptr<ByteSource> StreamSource(IStream* stream);

class ProgressiveLoad {
 public:
  // What one slice gives the document.
  struct Slice {
    std::string text;       // to append
    bool startOver = false;  // the document so far goes first: its encoding was mistaken
    bool done = false;       // the file has no more
  };

  ProgressiveLoad(std::unique_ptr<ByteSource> source, uint64_t announcedSize);

  // The text of the file's first `length` bytes, its encoding told from them;
  // false when nothing could be read or converted.
  bool ReadHead(size_t length, std::string& text);
  // The next slice of about `length` bytes. A text taken for UTF-8 that turns
  // out not to be starts over as ANSI; a file that cannot be read further or
  // converted ends where it is.
  Slice Next(size_t length);

  Encoding encoding() const { return converter_.encoding(); }
  uint64_t bytesRead() const { return bytesRead_; }
  uint64_t announcedSize() const { return announcedSize_; }
  // How far the reading is, 0 to 100.
  int Percent() const;
  // About how long the document grows to, for the control to make room once.
  size_t ExpectedTextLength() const;

 private:
  // Reads up to `length` bytes into buffer_; false at the end.
  bool Fill(size_t length);

  std::unique_ptr<ByteSource> source_;
  uint64_t announcedSize_;
  uint64_t bytesRead_ = 0;
  SliceConverter converter_{Encoding::Unknown};
  double textPerByte_ = 1;  // in the head: how the text's length follows the file's
  std::string buffer_;
};

}  // namespace lumen
