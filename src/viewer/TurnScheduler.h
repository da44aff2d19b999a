#pragma once
// The viewer's background work, a load's turns, the looks at a followed file,
// the search's marking and what the viewer's own workers found (a copy read
// from a file, the lines to bookmark), runs from one timer: each kind of work when it is
// due, in a row, each to a deadline, and never inside another turn or while
// lumen waits for a call into the host (which may pump the timer's message
// meanwhile).
#include <windows.h>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

namespace lumen {

class TurnScheduler {
 public:
  using Clock = std::chrono::steady_clock;
  // In the order a turn runs them.
  enum class Work { Load, Follow, Search, Workers };
  // Runs one turn of `work`, which is to end by `deadline`.
  using Run = std::function<void(Work work, Clock::time_point deadline)>;

  // The timer is the window's, with this id.
  static constexpr UINT_PTR kTimer = 1;

  TurnScheduler(HWND window, Run run);
  ~TurnScheduler();
  TurnScheduler(const TurnScheduler&) = delete;
  TurnScheduler& operator=(const TurnScheduler&) = delete;

  // Work wanted in the next turns, or not any more.
  void Want(Work work, bool wanted);
  // Work wanted once, in the first turn at or after `due`.
  void WantAt(Work work, Clock::time_point due);
  bool wanted(Work work) const { return due_[Index(work)].has_value(); }
  // The timer's message.
  void OnTimer();

 private:
  static size_t Index(Work work) { return static_cast<size_t>(work); }
  // The timer set for the earliest work due, or killed when none is.
  void SetTimerForDue();

  HWND window_;
  Run run_;
  // When each kind of work is due; none: not wanted.
  std::array<std::optional<Clock::time_point>, 4> due_;
  bool timerSet_ = false;
  bool running_ = false;
  int postedTurns_ = 0;  // in a row, since the timer's last
};

}  // namespace lumen
