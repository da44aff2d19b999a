#include "viewer/TurnScheduler.h"

#include <utility>

#include "base/ProcedureScope.h"
#include "base/ScopeGuard.h"

namespace lumen {
namespace {
// A turn leaves the host's messages their time between turns: the load's
// part (reading the host's stream, taking the built document) comes first,
// the search's marking takes the rest.
constexpr std::chrono::milliseconds kLoadPart{15};
constexpr std::chrono::milliseconds kTurn{40};
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
  wanted_[static_cast<int>(work)] = wanted;
  const bool any = wanted_[0] || wanted_[1];
  // Set again, the timer counts anew: work just asked for waits its period.
  if (any) {
    SetTimer(window_, kTimer, USER_TIMER_MINIMUM, nullptr);
  } else if (timerSet_) {
    KillTimer(window_, kTimer);
  }
  timerSet_ = any;
}

void TurnScheduler::OnTimer() {
  // Above this message's own procedure, lumen is inside another of its calls:
  // the turn waits for the next tick.
  if (running_ || ProcedureScope::Depth() > 1) return;
  const ScopeGuard running([this] { running_ = true; }, [this] { running_ = false; });
  const Clock::time_point start = Clock::now();
  if (wanted_[static_cast<int>(Work::Load)]) run_(Work::Load, start + kLoadPart);
  if (wanted_[static_cast<int>(Work::Search)]) run_(Work::Search, start + kTurn);
  if (!timerSet_) return;
  // With nothing of the user's waiting, the search's next turn is posted and
  // takes its place among the control's idle work; else, and after a few, it
  // comes a period after this one ended, so that input and repaints have
  // their time. A load's turns leave its workers the processor meanwhile.
  const bool userWaits = HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0;
  const bool searchOnly = !wanted_[static_cast<int>(Work::Load)];
  if (searchOnly && !userWaits && postedTurns_ < kPostedTurns && PostMessageW(window_, WM_TIMER, kTimer, 0)) {
    ++postedTurns_;
    return;
  }
  postedTurns_ = 0;
  SetTimer(window_, kTimer, USER_TIMER_MINIMUM, nullptr);
}

}  // namespace lumen
