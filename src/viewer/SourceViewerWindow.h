#pragma once
// One viewer: the child window the host puts into its viewer pane for a file,
// with the editor control showing the file and the search panel below it.
// The window speaks the host's protocol, runs the commands, gives the text
// its looks and lays out its children; the file itself, its load and its
// following, are the ShownDocument's.
#include <memory>
#include <optional>
#include <string>
#include <windows.h>

#include "abi/EditorControl.h"
#include "abi/HostMessages.h"
#include "base/Handles.h"
#include "config/Loaders.h"
#include "host/HostApi.h"
#include "search/DocumentSearch.h"
#include "search/RuleMarks.h"
#include "search/SearchPanel.h"
#include "viewer/Bookmarks.h"
#include "viewer/ContextMenu.h"
#include "viewer/FileCopy.h"
#include "viewer/SchemeWatch.h"
#include "viewer/ShownDocument.h"
#include "viewer/TurnScheduler.h"

namespace lumen {

// What the viewer applied to the editor, kept so that it is applied again
// only where it changes, and the view's toggles.
struct EditorLooks {
  Scheme scheme = Scheme::Light;
  bool selectionColoured = false;  // by a scheme, not the control's own
  bool lineNumbering = false;
  DocumentSize size = DocumentSize::Small;  // of the document the looks were made for
  bool folding = false;                     // fold margin and fold properties given
  // The view's toggles. Whether lines wrap is the control's own state (a big
  // document refuses it); the user's choice, once made, outlasts a reload of
  // the settings, until then the configuration's holds.
  ViewToggles toggles;
  std::optional<bool> wrapChosen;
};

class SourceViewerWindow final : private ShownDocument::Viewer {
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
  LRESULT OnTimer(WPARAM id);
  void OnChildNotification(WPARAM event, LPARAM child);
  LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT OnContextMenu(WPARAM from, LPARAM at);
  LRESULT OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The scroll bar of a windowed file: it maps the whole file.
  LRESULT OnVerticalScroll(WPARAM request, LPARAM bar);
  // A command of the keys or of the context menu.
  void RunCommand(WORD id);
  void ToggleView(WORD id);
  // As the control's Copy, with HTML and RTF beside it: in the light scheme's
  // colours unless the configuration asks for those shown.
  void CopyWithColoursOfScheme();
  // The host's copy: the selection, or everything when nothing is selected.
  void CopyText();
  // Copy and Select all; a windowed file's reach beyond the window into the
  // file, whose text a copy reads on a worker (CopyTurn puts it on the clipboard).
  void CopySelection();
  void SelectWholeText();
  void CopyFromFile(FilePlace from, FilePlace to);
  void CopyTurn();
  // The filter of the search's matches (Ctrl+Shift+F) or of the other lines
  // (Ctrl+Shift+H) shown, or, shown already, left for the file at the caret's line.
  void ToggleFilter(LineFilter::Mode mode);
  void LeaveFilterAtCaret();
  // The filter shown made again: for the search's new query, or with other
  // context lines. The panel's check box and number field ask for it too.
  void FilterAgain();
  void PanelFilterChanged(bool show, unsigned context);
  uint32_t FilterContext() const;
  // The panel's filter controls and its "N of M lines" as the filter is.
  void ShowFilterInPanel();
  // Ctrl+A, Ctrl+C and Ctrl+Insert in a windowed file's editor (Enter in a
  // filter's): true when taken.
  bool TakeWindowedFileKey(const MSG& msg);
  LRESULT MenuItems(uint32_t* count);
  void DescribeFile(HostTextRecord* record) const;

  // The document's looks (ShownDocument::Viewer).
  void ApplyLooks(const ConfigurationSnapshot& configuration) override;
  void ApplyLanguage(const ConfigurationSnapshot& configuration) override;
  void TextChanged() override;
  void ReportToHost() override;
  void ShowProgress() override;
  void Shown(const ConfigurationSnapshot& configuration) override;
  bool Gone() const override { return windowDestroyed_; }
  void ShowFormatFault(Markup markup, uint64_t line) override;
  // Format (Ctrl+Shift+J): the JSON or XML shown indented, or the file again;
  // the markup of the text shown, none when it is neither.
  void ToggleFormatted();
  std::optional<Markup> MarkupShown(const ConfigurationSnapshot& configuration) const;

  void ReloadSettings();
  void ApplySettings(const ConfigurationSnapshot& configuration);
  // The language's looks and lexer; none for a big document with a line too
  // long to lex, no folding for a big one.
  void ApplyLanguageStyle(const Style& style);
  // The configuration's highlight rules for the file's language and the
  // user's highlights, in the scheme's colours.
  void ApplyHighlightRules(const ConfigurationSnapshot& configuration);
  // The context menu's Highlight: the selected word, or the one at the caret,
  // in the next of the highlight colours.
  void HighlightWord();
  std::string WordToHighlight() const;
  // Bookmarks: Ctrl+F2, F2 and Shift+F2, the menu's entries; the margin's marks.
  uint64_t CaretFileLine() const;
  void ToggleBookmark();
  void GoToBookmark(bool forward);
  void CopyBookmarkedLines();
  // Every line with a match of the search panel's query bookmarked, found by
  // a worker (BookmarkMatchesTurn takes them in).
  void BookmarkMatches();
  void BookmarkMatchesTurn();
  void ShowBookmarks();
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
  void NotifyHost(int code, uint32_t value);
  void UpdateMargin();
  // A windowed file's view changed: the window moves where it must, the
  // margin numbers the lines in view, the scroll bar follows.
  void OnWindowedViewChanged();
  // Posted, at most one at a time: the scroll bar's first paint and each
  // change of its range cost Wine up to tens of milliseconds, which the
  // message that shows a file does not wait for.
  void PostWindowedViewChanged();
  // The file's numbers for the lines in view, and the scroll bar.
  void NumberLinesInView();
  void UpdateFileView();
  // Room below the editor for the progress strip while a file loads, none after.
  void UpdateProgressStrip();
  void PaintProgress(HDC dc) const;

  // Commands and searching.
  void ShowSearchPanel(bool shown);
  void ToggleSearchPanel();
  void FindSelection(bool forward);

  HWND window_;
  HWND topLevelWindow_ = nullptr;  // the host's main window, where its find box is
  HINSTANCE instance_;
  UniqueWindow editorWindow_;
  EditorControl editor_;  // messages to editorWindow_; none once it is gone
  DocumentSearch search_;
  std::unique_ptr<SearchPanel> searchPanel_;
  HACCEL accelerators_ = nullptr;  // the module's own table, freed with it
  EditorLooks looks_;
  bool searchPanelShown_ = false;
  bool windowDestroyed_ = false;
  SchemeWatch schemeWatch_;
  ViewerMenuItem menuItem_ = {};
  RECT progressStrip_ = {};  // how far a big file has loaded, below the editor
  UniqueWindow fileScrollBar_;    // beside the editor while a windowed file is shown
  bool windowedViewPosted_ = false;
  std::shared_ptr<FileCopy> fileCopy_;  // a copy read from a windowed file, on its way
  // The filter's lines of context: the panel's once chosen, else the
  // configuration's as the last text shown read it.
  std::optional<uint32_t> filterContext_;
  uint32_t configuredFilterContext_ = 0;
  RuleMarks ruleMarks_;
  // The user's highlights, as long as the viewer lives: a word and its colour's index.
  struct UserHighlight {
    SearchQuery query;
    size_t colour = 0;
  };
  std::vector<UserHighlight> highlights_;
  Bookmarks bookmarks_;
  std::shared_ptr<MatchingLines> matching_;  // the lines to bookmark, on their way
  bool fileScrollBarShown_ = false;  // as the last layout left it
  TurnScheduler turns_;
  ShownDocument document_;
  HostHelperApi hostFunctions_;
};

}  // namespace lumen
