#pragma once
// A host's stream too big to keep in memory, written to a file of lumen's
// own as it is read, which the window then shows as a file that grows. The
// file is the spool's: the system deletes it when the last handle to it
// closes, when the spool goes or with the process, however that ends.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/Handles.h"
#include "viewer/ByteSource.h"

namespace lumen {

class StreamSpool {
 public:
  // A new file in lumen's folder of the temporary folder; none when it cannot be made.
  static std::unique_ptr<StreamSpool> Create();
  // Deletes the spools a lumen that was stopped left behind: those no process
  // holds open any more.
  static void RemoveLeftovers();
  // The room left on the disk spools are written to; 0 when it cannot be told.
  static uint64_t FreeSpace();
  StreamSpool(const StreamSpool&) = delete;
  StreamSpool& operator=(const StreamSpool&) = delete;

  const std::wstring& path() const { return path_; }
  // Any thread's; Write and Pump are one thread's at a time.
  uint64_t written() const { return written_.load(std::memory_order_acquire); }
  // Appends `bytes`; false when the disk takes them not all.
  bool Write(std::string_view bytes);
  // Reads `source` (the host's stream: its code runs) into the file until
  // `deadline`; false once it has ended, failed, or the disk is full.
  bool Pump(ByteSource& source, std::chrono::steady_clock::time_point deadline);

 private:
  StreamSpool(std::wstring path, UniqueHandle file) : path_(std::move(path)), file_(std::move(file)) {}

  std::wstring path_;
  UniqueHandle file_;
  std::atomic<uint64_t> written_{0};
  std::unique_ptr<char[]> piece_;
};

}  // namespace lumen
