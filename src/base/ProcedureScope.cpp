#include "base/ProcedureScope.h"

#include <vector>

namespace lumen {
namespace {
// Plain values only: a thread-local object with a destructor would run it at
// thread exit, possibly after the host has unloaded this library.
thread_local int depth = 0;
thread_local std::vector<std::function<void()>>* pending = nullptr;

void RunPending() {
  // Deleting an object destroys its windows, whose procedures open scopes of
  // their own: they must not run the list again meanwhile.
  ++depth;
  while (pending && !pending->empty()) {
    const std::function<void()> deletion = std::move(pending->back());
    pending->pop_back();
    deletion();
  }
  delete pending;
  pending = nullptr;
  --depth;
}
}  // namespace

ProcedureScope::ProcedureScope() noexcept { ++depth; }

ProcedureScope::~ProcedureScope() {
  if (--depth == 0 && pending) RunPending();
}

int ProcedureScope::Depth() { return depth; }

void ProcedureScope::DeleteWhenUnwound(std::function<void()> deletion) {
  if (depth == 0) {
    deletion();
    return;
  }
  if (!pending) pending = new std::vector<std::function<void()>>();
  pending->push_back(std::move(deletion));
}

}  // namespace lumen
