#pragma once
// A copy of a windowed file's selection that reaches beyond the window: its
// text is read from the file and made clipboard text on a worker, then put
// on the clipboard by the viewer's thread in a moment.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "base/Handles.h"
#include "base/Sync.h"
#include "search/FileSearch.h"

namespace lumen {

// The most a copy of a windowed file takes (its first bytes, in UTF-8).
inline constexpr size_t kMostCopiedFromFile = size_t{64} << 20;

class FileCopy {
 public:
  enum class State { Reading, Ready, Failed };
  // Starts reading [from, to) of `text`; null when no thread starts.
  static std::shared_ptr<FileCopy> Start(const FileText& text, FilePlace from, FilePlace to);
  State state() const { return state_.load(std::memory_order_acquire); }
  // Waits until the text is ready (or failed) or `deadline` has come.
  bool Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }
  // Once Ready: whether the selection held more than was copied.
  bool cut() const { return cut_; }
  // Once Ready: the text onto the clipboard, which then owns it.
  bool PutOnClipboard(HWND owner);

 private:
  FileCopy() = default;
  void Read(const FileText& text, FilePlace from, FilePlace to);

  std::atomic<State> state_{State::Reading};
  UniqueGlobal text_;  // UTF-16 with its terminating zero
  bool cut_ = false;
  DoneEvent done_;
};

}  // namespace lumen
