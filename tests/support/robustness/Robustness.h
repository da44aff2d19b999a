#pragma once
// The frame of the robustness suite: seeded randomness, one scope per case
// (counted per kind, under a watchdog, named when the process crashes), a
// host process around lumen.dll with its configuration and log folders, and
// the checks every case ends with.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "HostStandIn.h"
#include "PluginLibrary.h"

namespace lumen::robustness {

// A deterministic generator: case `index` of `kind` always draws the same values,
// so a failing case can be repeated alone.
class Random {
 public:
  Random(const std::string& kind, int index);

  uint64_t Next() { return engine_(); }
  // 0 .. n-1 (0 when n is 0).
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(engine_() % n); }
  int64_t Between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(Below(static_cast<size_t>(high - low + 1)));
  }
  bool Percent(int percent) { return static_cast<int>(Below(100)) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }
  std::string Bytes(size_t count);
  // A length up to `largest`, mostly small: short files are where the edges are.
  size_t Length(size_t largest);

 private:
  std::mt19937_64 engine_;
};

// One case: counted under its kind, watched (the process ends with the case's
// name when it runs longer than `seconds`), and named if the process crashes.
class Case {
 public:
  Case(const std::string& kind, const std::string& name, int seconds = 60);
  ~Case();
  Case(const Case&) = delete;
  Case& operator=(const Case&) = delete;
};

// Whether the editor control beside the plug-in is the real Scintilla 5 one
// (through the adapter) rather than the stand-in; its kinds are counted apart.
bool OverTheRealControl();

// Adds to a kind's count without a case of its own (for sub-steps of a case).
void Count(const std::string& kind, int cases = 1);
// The counts so far, one line per kind.
std::string Counts();

// Folders of this process: the temporary folder and the current folder are
// private to it, so anything that appears there was written by lumen.
std::wstring PrivateTemporaryFolder();
std::wstring PrivateCurrentFolder();
// A fresh folder for one host, outside both.
std::wstring NewCaseFolder();
// Fails the running test when either private folder holds anything.
void ExpectNothingWrittenOutside(const std::string& when);

// The host functions the plug-in calls, by name, for failure injection.
const std::vector<std::string>& HostFunctionNames();
class Host;
// How often `action` calls each of them when nothing fails.
std::map<std::string, int> HostCallsOf(Host& host, const std::function<void()>& action);
// The documents a host may keep when its XMLFreeFile was made to fail at
// `call` (0: at every call): the plug-in cannot free what the host would not.
// Any other failing function keeps none.
int DocumentsTheHostMayKeep(const std::string& failing, int call, int before, int open);

// The configurations every kind of case starts from.
std::string ShippedConfiguration();
std::string SmallConfiguration();

// A host process around lumen.dll: the host stand-in (full, reduced, or none
// at all), a configuration folder Host\Config with the log folder Logs two
// levels up, lumen.dll started, and a top-level window as the host's pane.
class Host {
 public:
  enum class Kind { Full, Reduced, Missing };
  explicit Host(Kind kind = Kind::Full, bool start = true);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  Kind kind() const { return kind_; }
  test::PluginLibrary& plugin() { return *plugin_; }
  // Null when the host is missing.
  test::HostStandIn* standIn() { return standIn_.get(); }
  HWND window() const { return window_; }
  const std::wstring& configFolder() const { return configFolder_; }
  std::wstring configPath() const { return configFolder_ + L"\\lumen.config.xml"; }
  const std::wstring& filesFolder() const { return filesFolder_; }

  void WriteConfig(const std::string& bytes) const;
  void RemoveConfig() const;
  // The configuration file's bytes; nothing when it does not exist.
  std::optional<std::string> ConfigBytes() const;
  // Writes `bytes` to a file of that name beside the test's other files.
  std::wstring WriteFile(const std::wstring& name, const std::string& bytes) const;

  // Runs for each message the host's window receives while it is set: a host
  // may do anything there, destroy the viewer that sent it included.
  std::function<void(UINT message)> onMessage;

  // The reload requests (0x8F1F) posted to the host's window, with their data.
  std::vector<LPARAM> TakeReloadRequests();

  // Documents the stand-in still holds (0 without a stand-in).
  int OpenDocuments() const { return standIn_ ? standIn_->OpenDocuments() : 0; }
  // Runs the messages queued for this thread; true when a WM_QUIT was among them.
  bool Pump();

  // The checks every case ends with: no document left open (beyond `leaked`
  // ones that a failing XMLFreeFile kept), the configuration file as `expected`
  // (nothing: no file), and nothing written outside the configuration and log folders.
  void ExpectCleanEnd(const std::optional<std::string>& expected, int leaked = 0) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Kind kind_;
  std::wstring root_;
  std::wstring configFolder_;
  std::wstring filesFolder_;
  std::unique_ptr<test::HostStandIn> standIn_;
  std::unique_ptr<test::PluginLibrary> plugin_;
  bool started_ = false;
  HWND window_ = nullptr;
  std::vector<LPARAM> reloadRequests_;
};

// `count` wide characters whose end touches an inaccessible page: a write
// past them crashes at once instead of going unnoticed. Filled with 0xFFFF.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t count);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  wchar_t* data() const { return data_; }
  size_t size() const { return count_; }
  bool untouched() const;
  // The text up to the first zero; nothing when there is no zero inside.
  std::optional<std::wstring> Text() const;

 private:
  void* base_ = nullptr;
  wchar_t* data_ = nullptr;
  size_t count_;
};

void ReportEscapedException(const char* what);

// Runs `body`, and fails the test when a C++ exception comes out of it: none
// may leave an export or a window procedure.
template <typename Body>
auto Boundary(const char* what, Body body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    ReportEscapedException(what);
    return decltype(body())();
  }
}

// A viewer created by HBX_CreateViewer in the host's window, destroyed with the object.
class Viewer {
 public:
  explicit Viewer(Host& host, const RECT* place = nullptr);
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  HWND window() const { return window_; }
  HWND editor() const { return GetDlgItem(window_, 1); }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT OpenPath(const std::wstring& path) const { return Send(0x8F02, 0, reinterpret_cast<LPARAM>(path.c_str())); }
  // The editor's document, or nothing without an editor.
  std::optional<std::string> Document() const;
  // The file description the host would show, through a record of that capacity.
  std::wstring Describe(uint32_t capacity = 256) const;
  void Close();

 private:
  HWND window_ = nullptr;
};

}  // namespace lumen::robustness
