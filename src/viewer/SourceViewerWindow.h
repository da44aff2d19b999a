#pragma once
// One viewer: the child window the host puts into its viewer pane for a file,
// with the editor control showing the file and the search panel below it.
#include <memory>
#include <string>
#include <string_view>
#include <windows.h>

#include "config/Model.h"
#include "host/HostApi.h"
#include "search/SearchPanel.h"
#include "search/SearchProxy.h"
#include "abi/EditorControl.h"
#include "viewer/Encoding.h"
#include "abi/HostMessages.h"

struct IStream;

namespace lumen {

class SourceViewerWindow : private SearchProxy {
 public:
  SourceViewerWindow(HINSTANCE instance, HWND window, const ViewerCreateData* createData);
  ~SourceViewerWindow() override;
  SourceViewerWindow(const SourceViewerWindow&) = delete;
  SourceViewerWindow& operator=(const SourceViewerWindow&) = delete;

  HWND editorWindow() const { return editor; }
  // The window is gone; the object waits for the calls still running in it.
  void OnWindowDestroyed();
  // Dispatches every message but creation and destruction to its handler.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // The search panel's requests.
  bool SetSearchText(const std::wstring& text) override;
  bool FindNext() override;
  bool FindPrevious() override;
  void SetMatchCase(bool flag) override;
  void SetWholeWord(bool flag) override;
  void CancelSearch() override;

  // Windows messages.
  LRESULT OnSize(WPARAM type, LPARAM size);
  LRESULT OnPaint();
  void OnChildNotification(WPARAM event, LPARAM child);
  LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Host messages.
  LRESULT LoadFromPath(const wchar_t* path);
  LRESULT LoadFromStream(const wchar_t* name, IStream* stream);
  LRESULT LoadIntoEditor(std::string&& bytes, const Style& style);
  void DescribeFile(HostTextRecord* record) const;
  void CopyText();
  LRESULT MenuItems(uint32_t* count);
  void ReloadSettings();

  void LayoutChildren(bool minimised);
  void SetZoomPercent(int32_t percent);
  int32_t ZoomPercent() const;
  void ReportFeatures();
  void NotifyHost(int code, uint32_t value);
  void UpdateMargin();
  // The editor of a new viewer, then its accelerators, search panel and options.
  void CreateEditor(const RECT* place);
  void SetUpEditor();

  // Commands and searching.
  void ShowSearchPanel(bool shown);
  void ToggleSearchPanel();
  void FindSelection(bool forward);
  void HighlightSelectedWord();
  void UpdateMatches();
  void SetUpSearchIndicator();
  void SearchAgainAfterLoad();
  void SyncSearchFromHost();
  bool SelectNeighbourMatch(bool forward);

  EditorControl Editor() const { return EditorControl(editor); }
  // Whether a call that could reach the host destroyed the viewer, or started
  // a newer load, meanwhile: the work in hand is then abandoned.
  bool Gone() const { return windowDestroyed; }
  bool Superseded(uint64_t load) const { return windowDestroyed || load != loadCount; }

  HWND window;
  HWND topLevelWindow = nullptr;
  HINSTANCE instance;
  uint32_t creationFlags;
  uint32_t featureFlags = 0;
  HWND editor = nullptr;
  std::unique_ptr<SearchPanel> searchPanel;
  HACCEL accelerators = nullptr;
  std::wstring filePath;
  bool searchPanelShown = false;
  bool searchHighlightActive = false;
  // A load with the panel hidden leaves no match list of the previous text:
  // Find next and previous search the new one when they are first used.
  bool matchesOutdated = false;
  bool windowDestroyed = false;
  uint64_t loadCount = 0;
  bool lineNumbering = false;
  ViewerMenuItem menuItem = {};
  uint64_t fileSize = 0;
  int32_t encoding = static_cast<int32_t>(Encoding::Unknown);
  HostHelperApi hostFunctions;
};

}  // namespace lumen
