#pragma once
// A host window with one lumen viewer in it, lumen loaded from a folder with
// the real editor control, and the host's message loop timed message by
// message: what a benchmark of the viewer's actions needs.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "base/Handles.h"

namespace lumen::benchmark {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration);

struct MessageFigures {
  double action = 0;   // the action's own message
  double longest = 0;  // the longest message after it, until done
  std::wstring longestWhat;  // that message's number and its window's class
  double total = 0;    // until done
};

// The search panel's match count.
inline constexpr int kCount = 7;

class Host {
 public:
  explicit Host(const std::wstring& plugin);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HWND viewer() const { return viewer_; }
  HWND editor() const { return GetDlgItem(viewer_, 1); }
  HWND panelItem(int id) const { return GetDlgItem(GetDlgItem(viewer_, 2), id); }
  std::wstring FilePath(const std::wstring& name) const { return config_.folder() + L"\\" + name; }

  // Runs `action`, then the host's message loop until `done` (by default:
  // the file loaded and counted) or `limit` has passed.
  MessageFigures Measure(const std::function<void()>& action, Clock::duration limit = std::chrono::minutes(10),
                  std::function<bool()> done = nullptr);

 private:
  test::HostedConfig config_;
  test::PluginLibrary plugin_;
  UniqueWindow host_;
  HWND viewer_ = nullptr;
};

}  // namespace lumen::benchmark
