// The viewer's one timer: each kind of work in its turn when due, in order,
// to its deadline, never inside another turn, and no timer once nothing is
// wanted.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "base/ProcedureScope.h"
#include "viewer/TurnScheduler.h"

namespace lumen {
namespace {

using Work = TurnScheduler::Work;
using Clock = TurnScheduler::Clock;

// A window whose timer messages reach the scheduler, as the viewer's do.
class SchedulerWindow {
 public:
  using Run = TurnScheduler::Run;
  explicit SchedulerWindow(Run run)
      : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
        scheduler_(window_, std::move(run)) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SchedulerWindow::Proc)));
  }
  ~SchedulerWindow() { DestroyWindow(window_); }
  TurnScheduler& scheduler() { return scheduler_; }
  // Runs the thread's messages for `milliseconds`.
  void Pump(int milliseconds) const {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(1);
    }
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const ProcedureScope scope;  // as the viewer's window procedure has
    auto* self = reinterpret_cast<SchedulerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && wParam == TurnScheduler::kTimer) {
      self->scheduler_.OnTimer();
      return 0;
    }
    return CallWindowProcW(self->previous_, window, message, wParam, lParam);
  }

  HWND window_;
  WNDPROC previous_ = nullptr;
  TurnScheduler scheduler_;
};

TEST(TurnScheduler, RunsEachWorkWhenDueInOrderToItsDeadline) {
  struct Turn {
    Work work;
    Clock::time_point at, deadline;
  };
  std::vector<Turn> turns;
  SchedulerWindow window([&](Work work, Clock::time_point deadline) { turns.push_back({work, Clock::now(), deadline}); });
  TurnScheduler& scheduler = window.scheduler();
  scheduler.Want(Work::Search, true);
  scheduler.Want(Work::Load, true);
  const Clock::time_point followDue = Clock::now() + std::chrono::milliseconds(150);
  scheduler.WantAt(Work::Follow, followDue);
  window.Pump(60);
  ASSERT_GE(turns.size(), 2u);
  EXPECT_EQ(turns[0].work, Work::Load) << "a load's turn comes first";
  EXPECT_EQ(turns[1].work, Work::Search);
  EXPECT_LE(turns[0].deadline - turns[0].at, std::chrono::milliseconds(15));
  EXPECT_LE(turns[1].deadline - turns[0].at, std::chrono::milliseconds(40));
  for (const Turn& turn : turns) EXPECT_NE(turn.work, Work::Follow) << "not before it is due";
  scheduler.Want(Work::Load, false);
  scheduler.Want(Work::Search, false);
  turns.clear();
  window.Pump(250);
  ASSERT_EQ(turns.size(), 1u) << "once due, once";
  EXPECT_EQ(turns[0].work, Work::Follow);
  EXPECT_GE(turns[0].at, followDue);
  EXPECT_FALSE(scheduler.wanted(Work::Follow)) << "a look asks for the next itself";
  turns.clear();
  window.Pump(50);
  EXPECT_TRUE(turns.empty()) << "nothing wanted: no turn";
}

// A turn that runs the thread's messages (the host's stream pumping inside
// Read) meets the timer's message again: that tick is skipped.
TEST(TurnScheduler, NeverRunsATurnInsideAnother) {
  int depth = 0, deepest = 0, turns = 0;
  SchedulerWindow* self = nullptr;
  SchedulerWindow window([&](Work, Clock::time_point) {
    deepest = std::max(deepest, ++depth);
    ++turns;
    self->Pump(30);
    --depth;
  });
  self = &window;
  window.scheduler().Want(Work::Load, true);
  window.Pump(200);
  window.scheduler().Want(Work::Load, false);
  EXPECT_GE(turns, 2);
  EXPECT_EQ(deepest, 1);
}

}  // namespace
}  // namespace lumen
