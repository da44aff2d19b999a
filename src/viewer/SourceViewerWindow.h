#pragma once
// One viewer: the child window the host puts into its viewer pane for a file,
// with the editor control showing the file and the search panel below it.
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
#include "viewer/DocumentLoad.h"
#include "viewer/EditorDocument.h"
#include "viewer/FileFollow.h"
#include "viewer/Encoding.h"
#include "viewer/SchemeWatch.h"
#include "viewer/ContextMenu.h"
#include "viewer/TurnScheduler.h"

struct IStream;

namespace lumen {

// The file a viewer shows, as the host and the choice of its language know
// it. Only a load that shows a file changes it.
struct ShownFile {
  std::wstring name;  // as the host gave it
  EdgeLines edgeLines;  // its language's evidence besides the name
  uint64_t size = 0;
  Encoding encoding = Encoding::Unknown;
  uint32_t codePage = 0;  // of ANSI text; 0: the system's
  bool byPath = false;    // it can be opened again
  bool encodingChosen = false;  // by the user, not detected
  bool cut = false;  // its text goes beyond what the control holds
};

// The viewer's timer that looks at a followed file, beside the turn scheduler's.
inline constexpr UINT_PTR kFollowTimer = TurnScheduler::kTimer + 1;

// Where the user was in a file read again in another encoding: the caret's
// line and the first line in view, put back once the text is there.
struct PlaceInFile {
  intptr_t caretLine = 0;
  intptr_t firstVisibleLine = 0;
};

// What the viewer applied to the editor, kept so that it is applied again
// only where it changes.
struct EditorLooks {
  Scheme scheme = Scheme::Light;
  bool selectionColoured = false;  // by a scheme, not the control's own
  bool lineNumbering = false;
  bool bigDocument = false;  // styled while idle, never wrapped
  bool unlexed = false;      // a big document with a line too long to lex
  bool folding = false;      // fold margin and fold properties given
};

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
  LRESULT OnContextMenu(LPARAM at);
  // A command of the keys or of the context menu.
  void RunCommand(WORD id);
  void ToggleView(WORD id);
  // As the control's Copy, with HTML and RTF beside it: in the light scheme's
  // colours unless the configuration asks for those shown.
  void CopyWithColoursOfScheme();
  LRESULT OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Loading (FileLoading.cpp).
  LRESULT LoadFromPath(const wchar_t* path);
  LRESULT LoadFromStream(const wchar_t* name, IStream* stream);
  // Shows the first part of an opened file (all of a small one); the rest
  // of a big one goes on in the load's turns.
  LRESULT Show(std::unique_ptr<DocumentLoad> opened, uint64_t shown);
  void ShowFirstPart(const ConfigurationSnapshot& configuration, std::string_view text, size_t documentLength);
  void LoadTurn(TurnScheduler::Clock::time_point deadline);
  // The whole document of a big file takes its first part's place.
  void FinishLoading();
  // A document the workers built takes the place of the one shown, which
  // its text begins with (unless it started over as ANSI).
  void AdoptBuilt(const ConfigurationSnapshot& configuration, DocumentBuild::Result& built);
  // The rest of a big file is not wanted any more, or could not be had.
  void EndLoading();
  // Room below the editor for the strip while a file loads, and none after.
  void UpdateProgressStrip();
  void DescribeFile(HostTextRecord* record) const;
  // How the next load tells the file's encoding: the configuration's rule,
  // and the user's choice for the file shown.
  DecodingRule DecodingRuleOf(const ConfigurationSnapshot& configuration) const;
  // The Encoding entry's choice at `index`: the file (by path, or the bytes
  // kept of a stream) is read again in it.
  void ChooseEncoding(size_t index);
  void ReturnTo(const PlaceInFile& place);

  // Following the file as it grows (Following.cpp).
  // From `size` bytes shown of the file `identity` names, the document having room for `room`.
  void StartFollowing(const ConfigurationSnapshot& configuration, uint64_t size,
                      const std::optional<FileIdentity>& identity, size_t room);
  void StartFollowingBuilt(const ConfigurationSnapshot& configuration, const DocumentBuild::Result& built,
                           const std::optional<FileIdentity>& identity);
  void StopFollowing();
  void OnFollowTimer();
  // Whether the user is at the file's end: the caret on its last line, or
  // the last line in view with nothing selected. New lines keep them there.
  enum class EndInView { No, Caret, View };
  EndInView WhereTheEndIs() const;
  void KeepAtEnd(EndInView end);
  void AppendFollowed(const std::string& text);
  // The file became shorter or another: shown again from its start.
  void ShowFollowedAgain();
  // A big document without room for what the file added is built anew, with
  // room to grow, by the workers, and then takes the shown one's place.
  void GrowFollowedDocument();
  void RegrowTurn(TurnScheduler::Clock::time_point deadline);

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
  EditorDocument document() const { return EditorDocument(editor_); }
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

  // Whether a call that could reach the host destroyed the viewer, or showed
  // another file in it, since `shown` files had been shown: the work in hand
  // is then abandoned. A load that fails changes nothing.
  bool Gone() const { return windowDestroyed_; }
  bool Superseded(uint64_t shown) const { return windowDestroyed_ || shown != shownCount_; }

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
  ShownFile shown_;
  EditorLooks looks_;
  bool searchPanelShown_ = false;
  // The view's toggles. Whether lines wrap is the control's own state (the
  // big-file rule may refuse it); the user's choice, once made, outlasts a
  // reload of the settings, until then the configuration's holds.
  ViewToggles toggles_;
  std::optional<bool> wrapChosen_;
  // The user's encoding for the file shown; the next file starts detected.
  std::optional<EncodingChoice> encodingChoice_;
  std::optional<PlaceInFile> placeAfterLoad_;  // where a progressive re-read returns to
  std::string streamBytes_;  // of a stream shown whole, to read again in another encoding
  FileFollower follower_;
  bool windowDestroyed_ = false;
  uint64_t shownCount_ = 0;  // files shown so far
  SchemeWatch schemeWatch_;
  ViewerMenuItem menuItem_ = {};
  std::shared_ptr<DocumentLoad> loading_;  // the rest of a big file on its way
  std::shared_ptr<DocumentLoad> regrowing_;  // a followed big file built anew with room to grow
  int reportedTenth_ = 0;  // how far it was when the host was last told
  RECT progressStrip_ = {};  // how far it is, below the editor
  TurnScheduler turns_;
  HostHelperApi hostFunctions_;
};

}  // namespace lumen
