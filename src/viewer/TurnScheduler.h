#pragma once
// The viewer's background work, a load's turns and the search's marking, runs
// from one timer: one turn of each in a row, each to a deadline, and never
// inside another turn or while lumen waits for a call into the host (which
// may pump the timer's message meanwhile).
#include <windows.h>

#include <chrono>
#include <functional>

namespace lumen {

class TurnScheduler {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Work { Load, Search };
  // Runs one turn of `work`, which is to end by `deadline`.
  using Run = std::function<void(Work work, Clock::time_point deadline)>;

  // The timer is the window's, with this id.
  static constexpr UINT_PTR kTimer = 1;

  TurnScheduler(HWND window, Run run);
  ~TurnScheduler();
  TurnScheduler(const TurnScheduler&) = delete;
  TurnScheduler& operator=(const TurnScheduler&) = delete;

  void Want(Work work, bool wanted);
  // The timer's message.
  void OnTimer();

 private:
  HWND window_;
  Run run_;
  bool wanted_[2] = {};
  bool timerSet_ = false;
  bool running_ = false;
  int postedTurns_ = 0;  // in a row, since the timer's last
};

}  // namespace lumen
