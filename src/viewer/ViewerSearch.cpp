// The viewer's searching: the search panel's requests, the selected-word
// highlight, the search after each load and the host's find text.
#include <exception>
#include <optional>
#include <stdexcept>

#include "config/Loaders.h"
#include "base/Text.h"
#include "host/Paths.h"
#include "search/FindHighlight.h"
#include "search/HostSync.h"
#include "viewer/SourceViewerWindow.h"

namespace lumen {

using namespace sci;

namespace {
std::optional<Highlight> ConfiguredHighlight() {
  try {
    return LoadHighlight(ConfigFilePath());
  } catch (const style::style_error&) {
  } catch (const std::logic_error&) {
  }
  return std::nullopt;
}

bool SearchSyncEnabled() {
  try {
    return LoadSearchSync(ConfigFilePath());
  } catch (const std::logic_error&) {
    return false;
  }
}
}  // namespace

void SourceViewerWindow::SetUpSearchIndicator() { lumen::SetUpSearchIndicator(Editor(), ConfiguredHighlight()); }

void SourceViewerWindow::UpdateMatches() {
  matches.clear();
  if (searchText.empty()) return;
  matches = FindAll(Editor(), WideToUtf8(searchText), SearchFlags(matchCase, wholeWord));
}

bool SourceViewerWindow::SetSearchText(const std::wstring& text) {
  currentMatch = 0;
  matchesOutdated = false;
  if (&text != &searchText) searchText = text;
  searchHighlightActive = false;
  UpdateMatches();
  const EditorControl control = Editor();
  if (!matches.empty()) {
    HighlightMatches(control, matches);
    searchHighlightActive = true;
    SelectMatch(control, matches.front());
    return true;
  }
  control.Send(SCI_SETEMPTYSELECTION, control.Send(SCI_GETCURRENTPOS));
  ClearSearchIndicator(control);
  return false;
}

bool SourceViewerWindow::SelectNeighbourMatch(bool forward) {
  if (matchesOutdated) {
    matchesOutdated = false;
    UpdateMatches();
    // The first step in a new text selects its first match, or its last one backwards.
    currentMatch = forward && !matches.empty() ? matches.size() - 1 : 0;
    searchHighlightActive = false;
  }
  if (matches.empty()) return false;
  const size_t last = matches.size() - 1;
  if (forward) {
    currentMatch = currentMatch < last ? currentMatch + 1 : 0;
  } else {
    currentMatch = currentMatch != 0 && currentMatch <= last ? currentMatch - 1 : last;
  }
  if (!searchHighlightActive) HighlightMatches(Editor(), matches);
  searchHighlightActive = true;
  SelectMatch(Editor(), matches[currentMatch]);
  return true;
}

bool SourceViewerWindow::FindNext() { return SelectNeighbourMatch(true); }
bool SourceViewerWindow::FindPrevious() { return SelectNeighbourMatch(false); }

void SourceViewerWindow::SetMatchCase(bool flag) {
  matchCase = flag;
  SetSearchText(searchText);
}

void SourceViewerWindow::SetWholeWord(bool flag) {
  wholeWord = flag;
  SetSearchText(searchText);
}

void SourceViewerWindow::CancelSearch() {
  searchPanelShown = false;
  searchHighlightActive = false;  // the marks stay until the selection changes
  LayoutChildren(false);
}

void SourceViewerWindow::FindSelection(bool forward) {
  const EditorControl control = Editor();
  const Selection selection = GetSelection(control);
  if (selection.empty()) return;
  const std::wstring text = Utf8ToWide(SelectedText(control, selection));
  if (searchPanel) {
    searchPanel->SetTextAndSearch(text);
  } else {
    SetSearchText(text);
  }
  if (Gone()) return;
  for (size_t i = 0; i < matches.size(); ++i) {
    if (matches[i].start == selection.start) currentMatch = i;
  }
  if (forward) {
    FindNext();
  } else {
    FindPrevious();
  }
}

void SourceViewerWindow::HighlightSelectedWord() {
  if (searchHighlightActive) return;
  const EditorControl control = Editor();
  const Selection selection = GetSelection(control);
  if (IsWholeWord(control, selection)) {
    HighlightMatches(control, FindAll(control, SelectedText(control, selection), SCFIND_MATCHCASE | SCFIND_WHOLEWORD));
  } else {
    ClearSearchIndicator(control);
  }
}

void SourceViewerWindow::SearchAgainAfterLoad() {
  matches.clear();
  currentMatch = 0;
  matchesOutdated = false;
  if (searchPanelShown) {
    UpdateMatches();
    if (matches.empty()) return;
    currentMatch = matches.size() - 1;  // so that the next Find next selects the first
    HighlightMatches(Editor(), matches);
    searchHighlightActive = true;
    return;
  }
  matchesOutdated = !searchText.empty();
  try {
    SyncSearchFromHost();
  } catch (const std::exception&) {
    // The host's windows changed under the walk: the file is shown all the same.
  }
}

void SourceViewerWindow::SyncSearchFromHost() {
  if (!topLevelWindow || !SearchSyncEnabled()) return;
  const std::wstring text = ReadHostFindText(topLevelWindow);
  if (text.empty() || Gone()) return;  // reading the host's windows runs the host's code
  HighlightMatches(Editor(), FindAll(Editor(), WideToUtf8(text), 0));
  searchHighlightActive = true;
}

}  // namespace lumen
