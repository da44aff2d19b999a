#pragma once
// One viewer: the child window the host puts into its viewer pane for a file,
// with the editor control showing the file and the search panel below it.
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <windows.h>

#include "abi/EditorControl.h"
#include "abi/HostMessages.h"
#include "base/Handles.h"
#include "config/Loaders.h"
#include "host/HostApi.h"
#include "search/DocumentSearch.h"
#include "search/SearchPanel.h"
#include "viewer/Encoding.h"
#include "viewer/ProgressiveLoad.h"
#include "viewer/SchemeWatch.h"

struct IStream;

namespace lumen {

class SourceViewerWindow {
 public:
  // Creates the editor (when its library is there), the search panel and the
  // accelerators, and applies the configured options.
  SourceViewerWindow(HINSTANCE instance, HWND window, const ViewerCreateData* createData);
  ~SourceViewerWindow();
  SourceViewerWindow(const SourceViewerWindow&) = delete;
  SourceViewerWindow& operator=(const SourceViewerWindow&) = delete;

  HWND editorWindow() const { return editorWindow_.get(); }
  // The window is gone; the object waits for the calls still running in it.
  void OnWindowDestroyed();
  // Dispatches every message but creation and destruction to its handler.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
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
  LRESULT LoadIntoEditor(std::string&& bytes, const std::wstring& fileName);
  // Shows `text` as a new document; `documentLength` is what it will grow to.
  LRESULT ShowText(std::string_view text, const std::wstring& fileName, size_t documentLength);
  // A big file: its head now, the rest in turns of the loading timer. The
  // editor makes room for all of it at once where its size is known.
  LRESULT BeginLoading(std::unique_ptr<ByteSource> source, const std::wstring& fileName, uint64_t load,
                       bool sizeKnown);
  void ContinueLoading();
  void FinishLoading();
  // The rest of a file still loading is not wanted any more.
  void AbandonLoading();
  // False when the editor cannot take the text.
  bool AppendToDocument(std::string_view text);
  // Repaints what the appends of a turn changed on screen.
  void ShowArrivedText();
  void ClearDocument();
  void DescribeFile(HostTextRecord* record) const;
  void CopyText();
  LRESULT MenuItems(uint32_t* count);
  void ReloadSettings();
  void ApplySettings(const ConfigurationSnapshot& configuration);
  // The language's looks and lexer; none for a big document with a line too
  // long to lex.
  void ApplyLanguage(const Style& style);
  // Windows may have switched between light and dark: a viewer that follows
  // it re-styles its text in place.
  void OnSchemeChanged();

  void CreateEditor(const RECT* place);
  void CreateSearchPanel();
  // The editor was destroyed with or under the viewer: nothing is sent to it any more.
  void ForgetEditor();
  void LayoutChildren(bool minimised);
  void SetZoomPercent(int32_t percent);
  int32_t ZoomPercent() const;
  void ReportFeatures();
  void NotifyHost(int code, uint32_t value);
  void UpdateMargin();
  void PaintProgress(HDC dc) const;

  // Commands and searching.
  void ShowSearchPanel(bool shown);
  void ToggleSearchPanel();
  void FindSelection(bool forward);
  void SearchAgainAfterLoad(const ConfigurationSnapshot& configuration);

  // Whether a call that could reach the host destroyed the viewer, or started
  // a newer load, meanwhile: the work in hand is then abandoned.
  bool Gone() const { return windowDestroyed_; }
  bool Superseded(uint64_t load) const { return windowDestroyed_ || load != loadCount_; }

  static constexpr UINT_PTR kLoadingTimer = 2;

  HWND window_;
  HWND topLevelWindow_ = nullptr;
  HINSTANCE instance_;
  uint32_t creationFlags_;
  uint32_t featureFlags_ = 0;
  UniqueWindow editorWindow_;
  EditorControl editor_;  // messages to editorWindow_; none once it is gone
  DocumentSearch search_;
  std::unique_ptr<SearchPanel> searchPanel_;
  HACCEL accelerators_ = nullptr;  // the module's own table, freed with it
  std::wstring filePath_;
  EdgeLines edgeLines_;  // of the file shown: its language's evidence besides the name
  bool searchPanelShown_ = false;
  bool windowDestroyed_ = false;
  uint64_t loadCount_ = 0;
  bool lineNumbering_ = false;
  Scheme scheme_ = Scheme::Light;  // the one the editor shows
  bool selectionColoured_ = false;  // by a scheme, not the control's own
  SchemeWatch schemeWatch_;
  ViewerMenuItem menuItem_ = {};
  uint64_t fileSize_ = 0;
  std::shared_ptr<ProgressiveLoad> loading_;  // a file still being read
  // Its name and first lines, whatever a later load that fails changes.
  struct LoadingFile {
    std::wstring name;
    EdgeLines edgeLines;
  } loadingFile_;
  int reportedTenth_ = 0;  // how far it was when the host was last told
  bool unlexed_ = false;  // a big document with a line too long to lex
  size_t openLine_ = 0;  // the length so far of the document's unfinished last line
  bool roomMade_ = false;  // the editor has room for all of it, or will grow
  std::chrono::steady_clock::time_point lastShown_;  // when the editor last showed what had arrived
  RECT progressStrip_ = {};  // how far it is, below the editor
  int32_t encoding_ = static_cast<int32_t>(Encoding::Unknown);
  HostHelperApi hostFunctions_;
};

}  // namespace lumen
