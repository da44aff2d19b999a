#pragma once
// Reads of a file on another machine, where one read may stall as long as
// the network does: each runs on a worker, and the caller waits for it only
// until the deadline it set. A read that comes later is kept until the same
// read is asked again (once settled), which then has its bytes at once.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/SharedFile.h"

namespace lumen {

class TimedReads final : public ReadsAt {
 public:
  using Clock = std::chrono::steady_clock;
  // What a worker runs for a read (for a file by path: opens it and reads).
  using Read = std::function<size_t(uint64_t offset, char* buffer, size_t room)>;
  static Read OfPath(const std::wstring& path);

  explicit TimedReads(Read read) : read_(std::move(read)) {}

  // Reads from now on wait for their worker until `deadline`; after it, a
  // read not come yet reads nothing.
  void WaitUntil(Clock::time_point deadline);
  size_t ReadAt(uint64_t offset, char* buffer, size_t room) override;
  // Whether a read came too late since WaitUntil.
  bool stalled() const { return stalled_; }
  // Whether every read asked for has come.
  bool settled() const;

  struct Pending;

 private:
  Read read_;
  std::vector<std::shared_ptr<Pending>> recent_;  // not delivered yet, oldest first
  Clock::time_point deadline_ = Clock::time_point::max();
  bool stalled_ = false;
};

}  // namespace lumen
