#pragma once
#include <utility>

namespace lumen {

// Runs an enter action when made and an exit action when destroyed, also when
// an error passes: documents and temporary files are released on every way out.
template <typename Exit>
class ScopeGuard {
 public:
  template <typename Enter>
  ScopeGuard(Enter&& enter, Exit exit) : exit_(std::move(exit)) {
    enter();
  }
  ~ScopeGuard() { exit_(); }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  Exit exit_;
};

template <typename Enter, typename Exit>
ScopeGuard(Enter&&, Exit) -> ScopeGuard<Exit>;

}  // namespace lumen
