#pragma once
// The search panel at the bottom of a viewer: an edit for the search text,
// Find next, Find previous, Cancel, Match case and Whole words, the count of
// matches and the line entry of Go to line. It searches nothing itself: every
// action goes to its SearchProxy.
#include <cstdint>
#include <string>
#include <windows.h>

#include "abi/WindowClasses.h"
#include "base/Controls.h"
#include "search/SearchProxy.h"

namespace lumen {

LRESULT CALLBACK SearchPanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class SearchPanel {
 public:
  // Creates the panel window and its controls; throws std::runtime_error
  // "Cannot create SearchPanel" when the window cannot be made.
  SearchPanel(HINSTANCE instance, HWND parent, SearchProxy* proxy);
  ~SearchPanel();
  SearchPanel(const SearchPanel&) = delete;
  SearchPanel& operator=(const SearchPanel&) = delete;

  HWND window() const { return window_; }
  // Both rows and their margins; 0 without the sizing combo box.
  int PreferredHeight() const;
  // Focus to the edit; a non-empty text replaces the edit's (and so searches).
  void FocusEdit(const std::wstring& text);
  // The edit shows `text`, which the search already has.
  void ShowSearchText(const std::wstring& text);
  // Focus to the line entry, its text selected.
  void FocusLineEntry();
  // "3 of 120", "120 matches", "No matches", or nothing without a search text.
  void ShowCount(const MatchCount& count);
  // A note where the count stands, until the count changes.
  void ShowNote(UINT text);
  void ShowNote(const std::wstring& text);
  // The filter as the viewer has it: the check box, the number of context
  // lines, and after the count "57 of 10000 lines" while it is shown.
  struct FilterShown {
    bool shown = false;
    unsigned context = 0;
    uint64_t lines = 0, fileLines = 0;
    bool operator==(const FilterShown&) const = default;
  };
  void ShowFilter(const FilterShown& filter);

 private:
  friend LRESULT CALLBACK SearchPanelWindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnCommand(WPARAM wParam);
  void OnEditUpdate();
  void OnFilterChanged();
  void ShowCountText();
  void LayoutControls();
  HWND CreateControl(const wchar_t* className, DWORD exStyle, DWORD style, int id, const std::wstring& text);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  SearchProxy* proxy_;
  UniqueWindow edit_, sizingCombo_, findNext_, findPrevious_, cancel_, matchCase_, wholeWords_;
  UniqueWindow regularExpression_, count_, lineLabel_, lineEntry_, filter_, filterContext_, filterArrows_;
  UniqueFont font_;
  bool showingText_ = false;  // the edit's text is set for a search made by the caller
  bool showingFilter_ = false;  // the filter's controls are set to what the viewer has
  std::wstring findNextLabel_, findPreviousLabel_, cancelLabel_, matchCaseLabel_, wholeWordsLabel_, lineLabelText_,
      regularExpressionLabel_, filterLabel_;
  std::wstring countText_;
  FilterShown filterShown_;
};

}  // namespace lumen
