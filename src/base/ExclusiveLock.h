#pragma once
// A slim reader/writer lock held exclusively for a scope, and the waits that
// let it go meanwhile.
#include <windows.h>

namespace lumen {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  // Lets the lock go until `changed` is woken, then holds it again.
  void Wait(CONDITION_VARIABLE& changed) const { SleepConditionVariableSRW(&changed, &lock_, INFINITE, 0); }

 private:
  SRWLOCK& lock_;
};

}  // namespace lumen
