#pragma once
// Pieces on their way from one thread to another: the one that puts waits
// while the pieces waiting add up to the queue's measure, the one that takes
// waits while there are none, and either stops waiting once the queue is
// closed. A finished queue hands out what it holds, then ends.
#include <cstddef>
#include <deque>
#include <optional>
#include <utility>

#include "base/Sync.h"

namespace lumen {

template <typename Piece>
class BoundedQueue {
 public:
  // `measure(piece)` is what a piece counts for; at most `room` of it waits
  // (one piece more than the room is always let in).
  using Measure = size_t (*)(const Piece&);
  BoundedQueue(size_t room, Measure measure) : room_(room), measure_(measure) {}
  BoundedQueue(const BoundedQueue&) = delete;
  BoundedQueue& operator=(const BoundedQueue&) = delete;

  // Waits for room; false once closed (the piece is dropped).
  bool Push(Piece piece) {
    Lock::Held held(lock_);
    while (queued_ >= room_ && !closed_) held.Wait(changed_);
    return PushHeld(std::move(piece));
  }
  // Never waits: false when full or closed.
  bool TryPush(Piece piece) {
    Lock::Held held(lock_);
    if (queued_ >= room_) return false;
    return PushHeld(std::move(piece));
  }
  // Waits for a piece; none at the end of a finished queue or once closed.
  std::optional<Piece> Pop() {
    Lock::Held held(lock_);
    while (pieces_.empty() && !finished_ && !closed_) held.Wait(changed_);
    if (closed_ || pieces_.empty()) return std::nullopt;
    Piece piece = std::move(pieces_.front());
    pieces_.pop_front();
    queued_ -= measure_(piece);
    changed_.WakeAll();
    return piece;
  }
  // Nothing more comes: what is there is handed out, then Pop ends.
  void Finish() {
    Lock::Held held(lock_);
    finished_ = true;
    changed_.WakeAll();
  }
  // Nobody waits any more, and what waits is dropped.
  void Close() {
    Lock::Held held(lock_);
    closed_ = true;
    pieces_.clear();
    queued_ = 0;
    changed_.WakeAll();
  }
  // Drops what waits and takes pieces again (a source read anew from its start).
  void Restart() {
    Lock::Held held(lock_);
    pieces_.clear();
    queued_ = 0;
    finished_ = false;
    changed_.WakeAll();
  }
  bool full() {
    Lock::Held held(lock_);
    return queued_ >= room_;
  }

 private:
  bool PushHeld(Piece piece) {
    if (closed_) return false;
    queued_ += measure_(piece);
    pieces_.push_back(std::move(piece));
    changed_.WakeAll();
    return true;
  }

  const size_t room_;
  const Measure measure_;
  Lock lock_;
  Condition changed_;
  std::deque<Piece> pieces_;
  size_t queued_ = 0;
  bool finished_ = false;
  bool closed_ = false;
};

}  // namespace lumen
