#pragma once
// Work that must not hold the thread that asks for it runs on a thread of its
// own that nobody waits for. The thread keeps the module that started it
// loaded until it ends, so that the host may unload the plug-in meanwhile.
#include <functional>

namespace lumen {

// Starts `work` on a new thread; false when no thread could be started (the
// work then never runs). What `work` throws ends it quietly.
bool RunInBackground(std::function<void()> work);

}  // namespace lumen
