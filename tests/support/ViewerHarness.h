#pragma once
// A host for one viewer: lumen.dll started by a host stand-in with a test
// configuration, a top-level window playing the host's pane, and the viewer
// created in it by HBX_CreateViewer. Keys go through the viewer the way the
// host routes them.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>
#include <objidl.h>

#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"

namespace lumen::test {

// A small configuration: a base language, C (lexer 3) and plain text (txt).
std::string TestConfiguration(bool lineNumbering = true, bool wrapping = false, bool searchSync = false);

// One WM_NOTIFY the viewer sent its host.
struct HostNotification {
  HWND from;
  UINT_PTR id;
  int code;
  uint32_t value;
};

class ViewerHarness {
 public:
  explicit ViewerHarness(const std::string& configuration = TestConfiguration(), RECT place = {0, 0, 800, 600});
  // Another viewer in the host's pane, once the first is gone.
  void CreateViewer();
  ~ViewerHarness();
  ViewerHarness(const ViewerHarness&) = delete;
  ViewerHarness& operator=(const ViewerHarness&) = delete;

  HostedConfig& config() { return config_; }
  PluginLibrary& plugin() { return *plugin_; }
  HWND host() const { return host_; }
  HWND viewer() const { return viewer_; }
  HWND editor() const { return GetDlgItem(viewer_, 1); }
  HWND panel() const { return GetDlgItem(viewer_, 2); }
  HWND searchEdit() const { return GetDlgItem(panel(), 1); }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(viewer_, message, wParam, lParam);
  }
  LRESULT Sci(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(editor(), message, wParam, lParam);
  }
  // The editor's selection as (start, end) byte positions.
  std::pair<int, int> Selection() const {
    return {static_cast<int>(Sci(sci::SCI_GETSELECTIONSTART)), static_cast<int>(Sci(sci::SCI_GETSELECTIONEND))};
  }
  // Writes `bytes` to a file of that name in a private folder and opens it.
  LRESULT OpenText(const std::string& bytes, const std::wstring& name = L"file.c");
  LRESULT OpenFile(const std::wstring& path) { return OpenFile(path.c_str()); }
  LRESULT OpenFile(const wchar_t* path) {
    return Send(HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path));
  }
  LRESULT OpenStream(const wchar_t* name, IStream* stream) {
    return Send(HBXPLUGINMSG_OPENSTREAM, reinterpret_cast<WPARAM>(name), reinterpret_cast<LPARAM>(stream));
  }
  std::wstring FilePath(const std::wstring& name) const { return files_ / name; }

  // A key press (down and up) routed as the host does: the viewer's shortcuts
  // first, then the search panel's dialog keys, else the focused window.
  // Returns whether the viewer took the key-down.
  bool PressKey(UINT key, bool ctrl = false, bool shift = false);
  // Runs messages already queued for this thread.
  void Pump() const;
  // The file description the host would show.
  std::wstring Description() const;
  // Runs the viewer's turns until a big file has loaded completely; false
  // when it is still loading after `patience`.
  bool WaitWhileLoading(DWORD patience = 60000) const;
  // Pumps the viewer's messages until `done`, for at most ten seconds.
  bool WaitFor(const std::function<bool()>& done) const;
  // Ctrl+End in the editor, and the text of the line before the caret's:
  // a file's last line where the file ends in a line end.
  std::string LineBeforeTheEnd();
  // Types into the search panel's edit as a user would (each change searches).
  void TypeSearchText(const std::wstring& text) const;

  const std::vector<HostNotification>& notifications() const { return notifications_; }
  void ClearNotifications() { notifications_.clear(); }
  // What the host does on being notified, after recording the notification.
  std::function<void()> onNotification;

 private:
  static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  RECT place_;
  HostedConfig config_;
  TempFolder files_;
  std::unique_ptr<PluginLibrary> plugin_;
  HWND host_ = nullptr;
  HWND viewer_ = nullptr;
  std::vector<HostNotification> notifications_;
};

}  // namespace lumen::test
