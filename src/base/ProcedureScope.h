#pragma once
// The host may destroy a viewer inside any call that reaches it: a
// notification, a stream's Read, a repaint. The objects behind lumen's windows
// are therefore deleted only once the outermost of lumen's window procedures on
// the thread has returned, so that no procedure still running below it works
// on freed memory.
#include <functional>

namespace lumen {

// One running window procedure of lumen's on this thread.
class ProcedureScope {
 public:
  ProcedureScope() noexcept;
  ~ProcedureScope();
  ProcedureScope(const ProcedureScope&) = delete;
  ProcedureScope& operator=(const ProcedureScope&) = delete;

  // Runs `deletion` at once outside every scope, else when the outermost one ends.
  static void DeleteWhenUnwound(std::function<void()> deletion);
  // How many of lumen's window procedures run on this thread: above one, the
  // current message came in while lumen was calling out (the host pumped it).
  static int Depth();
};

}  // namespace lumen
