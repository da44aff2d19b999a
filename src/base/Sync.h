#pragma once
// What threads share to wait for one another, each in an owning type: a slim
// lock held for a scope, a condition to wait on under it, and an event.
#include <windows.h>

#include <chrono>

#include "base/Handles.h"

namespace lumen {

class Condition;

// A slim reader/writer lock, taken exclusively; it needs no destruction.
class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  // Held for the scope of this object.
  class Held {
   public:
    explicit Held(Lock& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_.lock_); }
    ~Held() { ReleaseSRWLockExclusive(&lock_.lock_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    // Lets the lock go until `changed` is woken, then holds it again.
    void Wait(Condition& changed) const;

   private:
    Lock& lock_;
  };

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

// What the holders of a lock wait on until another of them changes something.
class Condition {
 public:
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  void WakeAll() { WakeAllConditionVariable(&condition_); }

 private:
  friend class Lock::Held;
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

inline void Lock::Held::Wait(Condition& changed) const {
  SleepConditionVariableSRW(&changed.condition_, &lock_.lock_, INFINITE, 0);
}

// An event that stays set once set, until reset: something is done.
class DoneEvent {
 public:
  DoneEvent() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  explicit operator bool() const { return static_cast<bool>(event_); }

  void Set() const { SetEvent(event_.get()); }
  void Reset() const { ResetEvent(event_.get()); }
  // Waits until it is set or `deadline` has come; true when set.
  bool WaitUntil(std::chrono::steady_clock::time_point deadline) const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return WaitForSingleObject(event_.get(), static_cast<DWORD>(left > 0 ? left : 0)) == WAIT_OBJECT_0;
  }

 private:
  UniqueHandle event_;
};

}  // namespace lumen
