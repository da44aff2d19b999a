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
  // The next turn comes a period after this one ended, not at once: the
  // host's own messages have their time between turns however long they are.
  if (timerSet_) SetTimer(window_, kTimer, USER_TIMER_MINIMUM, nullptr);
}

}  // namespace lumen
