#pragma once
// The demo host's main window, playing Tessera's part: a folder's files on
// the left (each asked whether lumen claims it), the viewer pane on the
// right, a status bar, a menu with the viewer's items and "Configure...",
// and two find boxes where Tessera keeps its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include <commctrl.h>

#include "FindBox.h"
#include "base/Handles.h"
#include "Plugin.h"
#include "logic/FolderListing.h"

namespace lumen::demo {

class MainWindow {
 public:
  // `configFolder`: the host's configuration folder, where lumen.config.xml lies.
  MainWindow(HINSTANCE instance, const Plugin& plugin, PluginInfo info, std::wstring configFolder);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates and shows the window; throws std::runtime_error when it cannot.
  void Create(int width, int height, int showCommand);
  HWND window() const { return frame_.get(); }
  HWND viewer() const { return viewer_.get(); }

  // Lists the folder and selects the named entry, or the first file lumen
  // claims when the name is empty.
  void ShowFolder(const std::wstring& folder, const std::wstring& selectName);
  // Text in the host's find box, which lumen searches in each file it loads
  // when its configuration says so.
  void SetFindText(const std::wstring& text) { findBox_->SetText(text); }
  // The file in the viewer; empty when none is shown.
  std::wstring ShownFilePath() const;
  // Chooses Configure... in the menu, as a person would.
  void RequestConfiguration() const;
  // How often lumen's dialog asked the host to reload its viewers.
  int reloads() const { return reloads_; }

  // Keyboard messages go to the viewer first, as Tessera routes them: its
  // shortcuts, then its search panel's dialog keys. True when the viewer used
  // the message. The host's own find boxes keep their keys.
  bool RouteToViewer(MSG& message);

 private:
  friend LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnSize();
  LRESULT OnNotify(const NMHDR& header);
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnInitMenuPopup(HMENU menu);
  void OnReloadSettings();
  LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw) const;

  void IdentifyEntries();
  // Selecting the named entry shows it unless `showSelection` is false.
  void FillList(const std::wstring& selectName, bool showSelection);
  const FileEntry* EntryAt(int item) const;
  void ShowEntry(const FileEntry& entry);
  void Activate(const FileEntry& entry);
  bool EnsureViewer();
  void CloseViewer(const std::wstring& paneText);
  void DescribeShownFile();
  void SetStatus(const std::wstring& description);
  void ShowZoom(uint32_t percent);
  void Configure();

  HINSTANCE instance_;
  const Plugin& plugin_;
  PluginInfo info_;
  std::wstring configFolder_;
  UniqueFont font_;
  UniqueWindow frame_;
  HWND fileList_ = nullptr;  // children die with the frame
  HWND viewerPane_ = nullptr;
  HWND statusBar_ = nullptr;
  std::unique_ptr<FindBox> filterBox_;
  std::unique_ptr<FindBox> findBox_;
  HMENU viewerMenu_ = nullptr;  // destroyed with the frame's menu
  UniqueWindow viewer_;

  std::wstring folder_;
  std::vector<FileEntry> entries_;  // the whole folder, identified
  std::vector<FileEntry> shown_;    // what the filter leaves, in list order
  std::wstring shownFile_;          // name of the file in the viewer
  std::vector<uint32_t> viewerCommands_;  // command ids of the viewer's menu items
  bool filling_ = false;
  int reloads_ = 0;
};

}  // namespace lumen::demo
