#pragma once
// A file opened for reading while others go on writing, renaming or deleting
// it: every sharing mode, no handle kept longer than its owner needs. The one
// way lumen reads a file: for a load, for a followed file's new bytes, for
// identification's first bytes.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Handles.h"

namespace lumen {

// Which file a path names: after a rotation the same name names another.
struct FileIdentity {
  uint32_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// What reads a file at any place: the file itself, or reads that wait for
// a slow one only so long (TimedReads).
class ReadsAt {
 public:
  // Up to `room` bytes from `offset`, fewer only at the end or on a failure.
  virtual size_t ReadAt(uint64_t offset, char* buffer, size_t room) = 0;

 protected:
  ~ReadsAt() = default;
};

class SharedFile final : public ReadsAt {
 public:
  // None when it cannot be opened. `sequential`: read from start to end.
  static std::optional<SharedFile> Open(const std::wstring& path, bool sequential = false);

  // The opened file's size (a link's target, not the link); none when unknown.
  std::optional<uint64_t> Size() const;
  std::optional<FileIdentity> Identity() const;
  bool Seek(uint64_t offset);
  // Up to `room` bytes at `buffer` from where it stands; 0 at the end or on a failure.
  size_t Read(char* buffer, size_t room);
  // Appends up to `length` bytes to `bytes`, fewer only at the end or on a
  // failure; the count appended.
  size_t ReadUpTo(std::string& bytes, size_t length);
  // Up to `room` bytes from `offset`, wherever the file stands, fewer only at
  // the end or on a failure (a file cut short under the reader reads short).
  size_t ReadAt(uint64_t offset, char* buffer, size_t room) override;
  // Whether a read failed, rather than found the end.
  bool failed() const { return failed_; }

 private:
  explicit SharedFile(UniqueHandle file) : file_(std::move(file)) {}

  UniqueHandle file_;
  bool failed_ = false;
};

}  // namespace lumen
