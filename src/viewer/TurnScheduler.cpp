#include "viewer/TurnScheduler.h"

#include <algorithm>
#include <utility>

#include "base/ProcedureScope.h"
#include "base/ScopeGuard.h"
#include "base/TimeBudgets.h"

namespace lumen {
namespace {
// Turns posted one after another, before one waits for the timer: a timer's
// message comes only when no message is posted, and the control's own idle
// work (styling a big file) posts its turns back to back.
constexpr int kPostedTurns = 3;
}  // namespace

TurnScheduler::TurnScheduler(HWND window, Run run) : window_(window), run_(std::move(run)) {}

TurnScheduler::~TurnScheduler() {
  if (timerSet_) KillTimer(window_, kTimer);
}

void TurnScheduler::Want(Work work, bool wanted) {
  if (wanted) return WantAt(work, Clock::now());
  due_[Index(work)].reset();
  SetTimerForDue();
}

void TurnScheduler::WantAt(Work work, Clock::time_point due) {
  due_[Index(work)] = due;
  SetTimerForDue();
}

void TurnScheduler::SetTimerForDue() {
  std::optional<Clock::time_point> earliest;
  for (const auto& due : due_) {
    if (due && (!earliest || *due < *earliest)) earliest = due;
  }
  if (!earliest) {
    if (timerSet_) KillTimer(window_, kTimer);
    timerSet_ = false;
    return;
  }
  // Set again, the timer counts anew: work just asked for waits its period.
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*earliest - Clock::now()).count();
  SetTimer(window_, kTimer, static_cast<UINT>(std::max<long long>(wait, USER_TIMER_MINIMUM)), nullptr);
  timerSet_ = true;
}

void TurnScheduler::OnTimer() {
  // Above this message's own procedure, lumen is inside another of its calls:
  // the turn waits for the next tick.
  if (running_ || ProcedureScope::Depth() > 1) return;
  const ScopeGuard running([this] { running_ = true; }, [this] { running_ = false; });
  const Clock::time_point start = Clock::now();
  const auto isDue = [&](Work work) { return due_[Index(work)] && *due_[Index(work)] <= start; };
  if (isDue(Work::Load)) run_(Work::Load, start + budget::kLoadPartOfTurn);
  if (isDue(Work::Follow)) {
    due_[Index(Work::Follow)].reset();  // each look asks for the next
    run_(Work::Follow, start + budget::kLoadPartOfTurn);
  }
  if (isDue(Work::Search)) run_(Work::Search, start + budget::kTurn);
  if (isDue(Work::Workers)) {
    due_[Index(Work::Workers)].reset();
    run_(Work::Workers, start + budget::kLoadPartOfTurn);
  }
  if (!timerSet_) return;
  // With nothing of the user's waiting, the search's next turn is posted and
  // takes its place among the control's idle work; else, and after a few, it
  // comes a period after this one ended, so that input and repaints have
  // their time. A load's turns leave its workers the processor meanwhile.
  const bool userWaits = HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0;
  const bool searchOnly = isDue(Work::Search) && !due_[Index(Work::Load)] && !isDue(Work::Follow) && !isDue(Work::Workers);
  if (searchOnly && !userWaits && postedTurns_ < kPostedTurns && PostMessageW(window_, WM_TIMER, kTimer, 0)) {
    ++postedTurns_;
    return;
  }
  postedTurns_ = 0;
  SetTimerForDue();
}

}  // namespace lumen
