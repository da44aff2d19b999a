#include "base/TimedReads.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>

#include "base/BackgroundThread.h"
#include "base/Sync.h"

namespace lumen {
namespace {

// Reads that came too late kept for their next ask: those a window's move
// asks for, a few times over.
constexpr size_t kKeptReads = 16;

}  // namespace

struct TimedReads::Pending {
  uint64_t offset = 0;
  size_t room = 0;
  std::string bytes;  // the worker's until `done`
  std::atomic<bool> done{false};
  DoneEvent event;
};

TimedReads::Read TimedReads::OfPath(const std::wstring& path) {
  return [path](uint64_t offset, char* buffer, size_t room) -> size_t {
    std::optional<SharedFile> file = SharedFile::Open(path);
    return file ? file->ReadAt(offset, buffer, room) : 0;
  };
}

void TimedReads::WaitUntil(Clock::time_point deadline) {
  deadline_ = deadline;
  stalled_ = false;
}

bool TimedReads::settled() const {
  return std::all_of(recent_.begin(), recent_.end(), [](const auto& read) { return read->done.load(); });
}

size_t TimedReads::ReadAt(uint64_t offset, char* buffer, size_t room) {
  auto found = std::find_if(recent_.begin(), recent_.end(),
                            [&](const auto& read) { return read->offset == offset && read->room == room; });
  std::shared_ptr<Pending> read;
  if (found != recent_.end()) {
    read = *found;
  } else {
    read = std::make_shared<Pending>();
    read->offset = offset;
    read->room = room;
    const bool started = read->event && RunInBackground([read, source = read_] {
      try {
        read->bytes.resize(read->room);
        read->bytes.resize(source(read->offset, read->bytes.data(), read->bytes.size()));
      } catch (const std::exception&) {
        read->bytes.clear();
      }
      read->done.store(true);
      read->event.Set();
    });
    if (!started) return 0;
    // The oldest that came make room; one still on its way stays known.
    if (recent_.size() >= kKeptReads) {
      const auto old = std::find_if(recent_.begin(), recent_.end(), [](const auto& kept) { return kept->done.load(); });
      if (old != recent_.end()) recent_.erase(old);
    }
    recent_.push_back(read);
  }
  if (!read->done.load() && !(Clock::now() < deadline_ && read->event.WaitUntil(deadline_))) {
    stalled_ = true;
    return 0;
  }
  const size_t length = std::min(read->bytes.size(), room);
  std::memcpy(buffer, read->bytes.data(), length);
  // Delivered: the next ask reads the file again, as it may be by then.
  recent_.erase(std::find(recent_.begin(), recent_.end(), read));
  return length;
}

}  // namespace lumen
