// The viewer's commands (shortcuts and its menu item), the editor's
// notifications, and the searches a command or a load starts.
#include <windowsx.h>

#include <cwchar>
#include <exception>

#include "base/Controls.h"
#include "base/Text.h"
#include "base/TimeBudgets.h"
#include "config/Format.h"
#include "log/Trace.h"
#include "search/HostSync.h"
#include "resources/resource.h"
#include "viewer/ColouredCopy.h"
#include "viewer/SourceViewerWindow.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {
constexpr WORD kMenuCommand = 0;
constexpr WORD kAcceleratorCommand = 1;
}  // namespace

void SourceViewerWindow::ShowSearchPanel(bool shown) {
  searchPanelShown_ = shown;
  search_.SetPanelShown(shown);
  LayoutChildren(false);
  UpdateWindow(GetParent(window_));  // the host's pane repaints at once
}

void SourceViewerWindow::ToggleSearchPanel() {
  ShowSearchPanel(!searchPanelShown_);
  if (!Gone() && searchPanel_) searchPanel_->FocusEdit(L"");
}

LRESULT SourceViewerWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  TraceMessage("WM_COMMAND", WM_COMMAND, wParam, lParam, L"SVW " + std::to_wstring(HIWORD(wParam)) + L" ");
  const WORD id = LOWORD(wParam);
  if (HIWORD(wParam) == kMenuCommand) {
    if (id == IDM_FIND) ToggleSearchPanel();
    return 0;
  }
  if (HIWORD(wParam) == kAcceleratorCommand) RunCommand(id);
  return 0;
}

void SourceViewerWindow::RunCommand(WORD id) {
  // The menu's commands that the control carries out itself, with its message.
  static constexpr struct {
    WORD id;
    UINT message;
  } kControlCommands[] = {{IDM_ZOOM_IN, SCI_ZOOMIN}, {IDM_ZOOM_OUT, SCI_ZOOMOUT},
                          {IDM_RESET_ZOOM, SCI_SETZOOM}};  // to zoom 0
  for (const auto& command : kControlCommands) {
    if (command.id == id) {
      editor_.Send(command.message, 0);
      return;
    }
  }
  switch (id) {
    case IDM_COPY:
      CopySelection();
      break;
    case IDM_SELECT_ALL:
      SelectWholeText();
      break;
    case IDM_HIGHLIGHT:
      HighlightWord();
      break;
    case IDA_TOGGLE_BOOKMARK:
      ToggleBookmark();
      break;
    case IDA_NEXT_BOOKMARK:
    case IDA_PREVIOUS_BOOKMARK:
      GoToBookmark(id == IDA_NEXT_BOOKMARK);
      break;
    case IDM_COPY_BOOKMARKED_LINES:
      CopyBookmarkedLines();
      break;
    case IDA_FILTER_MATCHING:
    case IDA_FILTER_HIDING:
      ToggleFilter(id == IDA_FILTER_MATCHING ? LineFilter::Mode::Matching : LineFilter::Mode::NotMatching);
      break;
    case IDM_BOOKMARK_MATCHES:
      BookmarkMatches();
      break;
    case IDM_CLEAR_BOOKMARKS:
      bookmarks_.Clear();
      ShowBookmarks();
      break;
    case IDM_CLEAR_HIGHLIGHTS:
      highlights_.clear();
      ApplyHighlightRules(ConfigurationSnapshot::OfPlugin());
      break;
    case IDA_TOGGLE_SEARCH:
      ToggleSearchPanel();
      break;
    case IDM_SHOW_FIND:
      ShowSearchPanel(true);
      if (!Gone() && searchPanel_) searchPanel_->FocusEdit(L"");
      break;
    case IDA_FIND_NEXT_CTRL_E:
    case IDA_FIND_NEXT_F3:
      search_.FindNext();
      break;
    case IDA_FIND_PREVIOUS_CTRL_R:
    case IDA_FIND_PREVIOUS_SHIFT_F3:
      search_.FindPrevious();
      break;
    case IDA_FIND_SELECTION_FORWARD:
    case IDA_FIND_SELECTION_BACKWARD:
      ShowSearchPanel(true);
      if (!Gone() && searchPanel_) searchPanel_->FocusEdit(L"");
      if (!Gone()) FindSelection(id == IDA_FIND_SELECTION_FORWARD);
      break;
    case IDA_GO_TO_LINE:
      ShowSearchPanel(true);
      if (!Gone() && searchPanel_) searchPanel_->FocusLineEntry();
      break;
    case IDA_HIDE_SEARCH:
      ShowSearchPanel(false);
      break;
    case IDA_COPY_WITH_COLOURS:
      CopyWithColoursOfScheme();
      break;
    case IDA_CONTEXT_MENU:
      OnContextMenu(reinterpret_cast<WPARAM>(editor_.window()), -1);
      break;
    case IDA_WRAP_LINES:
    case IDA_SHOW_WHITESPACE:
    case IDA_INDENTATION_GUIDES:
      ToggleView(id);
      break;
    case IDA_FOLLOW_CHANGES:
      document_.ToggleFollowing();
      break;
    case IDA_FORMAT:
      ToggleFormatted();
      break;
    case IDA_FOLD_ALL:
    case IDA_UNFOLD_ALL:
      if (looks_.folding) editor_.Send(SCI_FOLDALL, id == IDA_FOLD_ALL ? SC_FOLDACTION_CONTRACT : SC_FOLDACTION_EXPAND);
      break;
    default:  // Ctrl+M and Ctrl+W are taken from the host and do nothing
      if (id >= IDM_ENCODING_FIRST && id <= IDM_ENCODING_LAST) document_.ChooseEncoding(id - IDM_ENCODING_FIRST);
      break;
  }
}

void SourceViewerWindow::CopyWithColoursOfScheme() {
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  CopyOutcome outcome = CopyOutcome::Copied;
  // A selection beyond a windowed file's window is far more than a coloured copy takes.
  if (document_.window() && document_.window()->SelectionBeyondWindow()) {
    outcome = CopyOutcome::TooBig;
  } else if (looks_.scheme == Scheme::Light || !configuration.hasPath() || configuration.CopyShownColours()) {
    outcome = CopyWithColours(editor_, window_);
  } else {
    const Style base = StyleForExtension(configuration, format::kBaseExtension, Scheme::Light);
    const Style language =
        StyleForFile(configuration, document_.file().name, document_.file().edgeLines, Scheme::Light);
    outcome = CopyWithColours(editor_, window_, base, language);
  }
  if (outcome != CopyOutcome::TooBig) return;
  // Said where the search says how many: the panel comes up to say it.
  MessageBeep(MB_ICONWARNING);
  ShowSearchPanel(true);
  if (!Gone() && searchPanel_) searchPanel_->ShowNote(IDS_COPY_TOO_BIG);
}

void SourceViewerWindow::SelectWholeText() {
  if (FileWindow* window = document_.window()) return window->SelectAll();
  editor_.Send(SCI_SELECTALL);
}

void SourceViewerWindow::CopySelection() {
  const FileWindow* window = document_.window();
  if (!window || !window->SelectionBeyondWindow()) {
    editor_.Send(SCI_COPY);
    return;
  }
  const FileWindow::FileSelection selection = window->Selection();
  CopyFromFile(selection.anchor, selection.caret);
}

void SourceViewerWindow::CopyFromFile(FilePlace from, FilePlace to) {
  const FileWindow* window = document_.window();
  if (!window) return;
  fileCopy_ = FileCopy::Start(window->Text(), from, to);
  if (!fileCopy_) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  fileCopy_->Wait(std::chrono::steady_clock::now() + budget::kFileCopyWait);
  CopyTurn();
}

void SourceViewerWindow::CopyTurn() {
  if (!fileCopy_) return;
  if (fileCopy_->state() == FileCopy::State::Reading) {
    return turns_.WantAt(TurnScheduler::Work::Workers, TurnScheduler::Clock::now() + budget::kFileCopyLook);
  }
  const std::shared_ptr<FileCopy> copy = std::move(fileCopy_);
  if (!copy->PutOnClipboard(window_)) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  if (!copy->cut()) return;
  // Said where the search says how many: the panel comes up to say it.
  ShowSearchPanel(true);
  if (!Gone() && searchPanel_) searchPanel_->ShowNote(IDS_COPY_FIRST_PART);
}

void SourceViewerWindow::ToggleFilter(LineFilter::Mode mode) {
  if (document_.filterMode() == mode) return LeaveFilterAtCaret();
  const std::shared_ptr<const Searcher> searcher = search_.searcher();
  if (!searcher) {
    // Nothing to filter by yet: the panel comes up for it.
    ShowSearchPanel(true);
    if (!Gone() && searchPanel_) searchPanel_->FocusEdit(L"");
    return;
  }
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  if (!document_.ShowFiltered(configuration, searcher, {mode, FilterContext()})) MessageBeep(MB_ICONWARNING);
}

std::optional<Markup> SourceViewerWindow::MarkupShown(const ConfigurationSnapshot& configuration) const {
  const ShownFile& file = document_.file();
  return MarkupOf(LanguageOfFile(configuration, file.name, file.edgeLines), file.edgeLines.head);
}

void SourceViewerWindow::ToggleFormatted() {
  if (document_.formatted()) return document_.EndFormatted();
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  const std::optional<Markup> markup = MarkupShown(configuration);
  if (!markup) return (void)MessageBeep(MB_ICONWARNING);
  // The file's own text is formatted, not a filter's.
  if (document_.filter()) document_.EndFilter(std::nullopt);
  // Indented by the tab width, or two spaces.
  const uint32_t width = configuration.hasPath() ? ReadOr(uint32_t{0}, [&] { return configuration.TabWidth(); }) : 0;
  const std::string indent(width >= 1 && width <= 16 ? width : 2, ' ');
  if (Gone() || !document_.ShowFormatted(configuration, *markup, indent)) MessageBeep(MB_ICONWARNING);
}

void SourceViewerWindow::ShowFormatFault(Markup markup, uint64_t line) {
  // Said where the search says how many: the panel comes up to say it.
  ShowSearchPanel(true);
  if (Gone() || !searchPanel_) return;
  const std::wstring format = LoadResourceString(instance_, markup == Markup::Json ? IDS_NOT_VALID_JSON : IDS_NOT_VALID_XML);
  wchar_t text[128] = {};
  std::swprintf(text, std::size(text), format.c_str(), static_cast<unsigned long long>(line));
  searchPanel_->ShowNote(std::wstring(text));
}

uint32_t SourceViewerWindow::FilterContext() const {
  constexpr uint32_t kMostContextLines = 9;
  return std::min(filterContext_.value_or(configuredFilterContext_), kMostContextLines);
}

void SourceViewerWindow::FilterAgain() {
  const std::optional<LineFilter::Mode> mode = document_.filterMode();
  const std::shared_ptr<const Searcher> searcher = search_.searcher();
  if (!mode || !searcher) return;
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  document_.ShowFiltered(configuration, searcher, {*mode, FilterContext()});
}

void SourceViewerWindow::PanelFilterChanged(bool show, unsigned context) {
  const bool contextChanged = context != FilterContext();
  filterContext_ = context;
  const bool matching = document_.filterMode() == LineFilter::Mode::Matching;
  if (show && !matching) return ToggleFilter(LineFilter::Mode::Matching);
  if (!show && matching) return LeaveFilterAtCaret();
  if (show && contextChanged) FilterAgain();
}

void SourceViewerWindow::ShowFilterInPanel() {
  if (!searchPanel_ || Gone()) return;
  SearchPanel::FilterShown shown;
  shown.shown = document_.filterMode() == LineFilter::Mode::Matching;
  shown.context = FilterContext();
  if (const LineFilter* filter = document_.filter()) {
    shown.shown = true;
    shown.lines = filter->shownLines();
    shown.fileLines = static_cast<uint64_t>(document_.DescribedLines());
  }
  searchPanel_->ShowFilter(shown);
}

void SourceViewerWindow::LeaveFilterAtCaret() {
  const FileWindow* window = document_.window();
  const std::optional<uint64_t> line =
      window ? std::optional<uint64_t>(window->NumberOf(static_cast<intptr_t>(
                   editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)))))
             : std::nullopt;
  document_.EndFilter(line);
}

bool SourceViewerWindow::TakeWindowedFileKey(const MSG& msg) {
  // Select all and copy of a windowed file are the file's, not the window's.
  const HWND editor = editorWindow_.get();
  if (!document_.window() || msg.message != WM_KEYDOWN || (msg.hwnd != editor && !IsChild(editor, msg.hwnd))) {
    return false;
  }
  // Enter on a filtered line goes to it in the file.
  if (msg.wParam == VK_RETURN && document_.filter()) {
    LeaveFilterAtCaret();
    return true;
  }
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
  // Home and End on a long line the window shows part of go to its ends in the file.
  if ((msg.wParam == VK_HOME || msg.wParam == VK_END) && !ctrl && !alt) {
    return document_.window()->ShowLineEdge(msg.wParam == VK_END, shift);
  }
  if (!ctrl || shift || alt) return false;
  if (msg.wParam == 'A') {
    SelectWholeText();
  } else if (msg.wParam == 'C' || msg.wParam == VK_INSERT) {
    CopySelection();
  } else {
    return false;
  }
  return true;
}

std::string SourceViewerWindow::WordToHighlight() const {
  const Selection selection = GetSelection(editor_);
  if (!selection.empty()) {
    // A selection of one line, as the search takes it.
    std::string text = SelectedText(editor_, selection);
    return text.find_first_of("\r\n") == std::string::npos && text.size() <= 1024 ? text : std::string();
  }
  const LRESULT caret = editor_.Send(SCI_GETCURRENTPOS);
  const LRESULT start = editor_.Send(SCI_WORDSTARTPOSITION, caret, 1), end = editor_.Send(SCI_WORDENDPOSITION, caret, 1);
  if (end <= start) return {};
  return SelectedText(editor_, {static_cast<int32_t>(start), static_cast<int32_t>(end)});
}

void SourceViewerWindow::HighlightWord() {
  const std::string word = WordToHighlight();
  if (word.empty()) return;
  const Selection selection = GetSelection(editor_);
  // A whole word is highlighted where it stands as a word; other text wherever it is.
  const bool wholeWord = selection.empty() || IsWholeWord(editor_, selection);
  const SearchQuery query{word, true, wholeWord, false};
  std::erase_if(highlights_, [&](const UserHighlight& highlight) { return highlight.query == query; });
  const size_t colour = highlights_.empty() ? 0 : (highlights_.back().colour + 1) % kHighlightColours;
  highlights_.push_back({query, colour});
  ApplyHighlightRules(ConfigurationSnapshot::OfPlugin());
}

uint64_t SourceViewerWindow::CaretFileLine() const {
  const auto line = static_cast<intptr_t>(editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)));
  const FileWindow* window = document_.window();
  return window ? window->NumberOf(line) : static_cast<uint64_t>(line);
}

void SourceViewerWindow::ToggleBookmark() {
  if (!editor_.exists()) return;
  bookmarks_.Toggle(CaretFileLine());
  ShowBookmarks();
}

void SourceViewerWindow::GoToBookmark(bool forward) {
  if (!editor_.exists()) return;
  const uint64_t caret = CaretFileLine();
  const std::optional<uint64_t> target = forward ? bookmarks_.Next(caret) : bookmarks_.Previous(caret);
  if (!target) return;
  // In a filter, the line that shows it (or the next shown).
  const LineFilter* filter = document_.filter();
  const std::optional<uint64_t> shown = filter ? filter->ShownLineOf(*target) : target;
  if (!shown) return;
  const LineTarget line{static_cast<int64_t>(*shown) + 1, 1};
  if (FileWindow* window = document_.window()) {
    window->GoTo(line);
  } else {
    GoToLine(editor_, line);
  }
}

void SourceViewerWindow::CopyBookmarkedLines() {
  // While a filter is shown the file's own text waits out of reach.
  if (!editor_.exists() || bookmarks_.empty() || document_.filter()) return;
  const FileWindow* window = document_.window();
  const uint64_t first = window ? window->plan().firstLine : 0;
  const auto shownLines = static_cast<uint64_t>(editor_.Send(SCI_GETLINECOUNT));
  std::string text;
  for (const uint64_t line : bookmarks_.lines()) {
    if (line >= first && line - first < shownLines) {
      const auto at = static_cast<WPARAM>(line - first);
      std::string each(static_cast<size_t>(editor_.Send(SCI_LINELENGTH, at)) + 1, '\0');
      each.resize(static_cast<size_t>(editor_.Send(SCI_GETLINE, at, reinterpret_cast<LPARAM>(each.data()))));
      text += each;
    } else if (window) {
      text += window->LineText(line).value_or(std::string());
    }
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    if (text.size() > kMostCopiedFromFile) break;  // as a copy from a file takes at most
  }
  editor_.Send(SCI_COPYTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
}

void SourceViewerWindow::BookmarkMatches() {
  // At most this many at once: a set of them costs tens of bytes each.
  constexpr size_t kMostMatchingLines = 100000;
  const std::shared_ptr<const Searcher> searcher = search_.searcher();
  if (!editor_.exists() || !searcher) return;
  const std::optional<FileText> text = document_.TextForWorkers();
  if (!text) return;
  if (matching_) matching_->Cancel();
  matching_ = MatchingLines::Start(*text, searcher, kMostMatchingLines);
  if (!matching_) return;
  matching_->Wait(std::chrono::steady_clock::now() + budget::kFileCopyWait);
  BookmarkMatchesTurn();
}

void SourceViewerWindow::BookmarkMatchesTurn() {
  if (!matching_) return;
  if (matching_->state() == MatchingLines::State::Searching) {
    return turns_.WantAt(TurnScheduler::Work::Workers, TurnScheduler::Clock::now() + budget::kFileCopyLook);
  }
  const std::shared_ptr<MatchingLines> found = std::move(matching_);
  for (const uint64_t line : found->lines()) {
    if (!bookmarks_.lines().contains(line)) bookmarks_.Toggle(line);
  }
  ShowBookmarks();
  if (found->state() != MatchingLines::State::Cut) return;
  ShowSearchPanel(true);
  if (!Gone() && searchPanel_) searchPanel_->ShowNote(IDS_BOOKMARKS_CUT);
}

void SourceViewerWindow::ShowBookmarks() {
  constexpr int kBookmarkMarker = 24;
  if (!editor_.exists()) return;
  editor_.Send(SCI_MARKERDEFINE, kBookmarkMarker, SC_MARK_BOOKMARK);
  editor_.Send(SCI_MARKERSETBACK, kBookmarkMarker, SwapRedBlue(0x3C78D8));
  editor_.Send(SCI_MARKERSETFORE, kBookmarkMarker, SwapRedBlue(0x3C78D8));
  editor_.Send(SCI_MARKERDELETEALL, kBookmarkMarker);
  const FileWindow* window = document_.window();
  const uint64_t first = window ? window->plan().firstLine : 0;
  const auto shownLines = static_cast<uint64_t>(editor_.Send(SCI_GETLINECOUNT));
  const auto& lines = bookmarks_.lines();
  if (document_.filter()) {
    // A filter's lines are the file's lines it shows.
    for (uint64_t line = 0; line < shownLines && !lines.empty(); ++line) {
      if (lines.contains(window->NumberOf(static_cast<intptr_t>(line)))) {
        editor_.Send(SCI_MARKERADD, static_cast<WPARAM>(line), kBookmarkMarker);
      }
    }
  }
  for (auto line = lines.lower_bound(first); !document_.filter() && line != lines.end() && *line - first < shownLines;
       ++line) {
    editor_.Send(SCI_MARKERADD, static_cast<WPARAM>(*line - first), kBookmarkMarker);
  }
  // The symbols' margin widens while the file has bookmarks.
  const LRESULT width = bookmarks_.empty() ? 4 : std::max<LRESULT>(editor_.Send(SCI_TEXTHEIGHT, 0) * 3 / 4, 12);
  editor_.Send(SCI_SETMARGINWIDTHN, 1, width);
}

void SourceViewerWindow::ToggleView(WORD id) {
  switch (id) {
    case IDA_WRAP_LINES:
      // Documents too big to wrap stay as they are.
      if (looks_.size == DocumentSize::Big) return;
      looks_.wrapChosen = editor_.Send(SCI_GETWRAPMODE) == SC_WRAP_NONE;
      ApplyWrapping(editor_, ConfigurationSnapshot::OfPlugin(), false, looks_.wrapChosen);
      break;
    case IDA_SHOW_WHITESPACE:
      looks_.toggles.whitespace = !looks_.toggles.whitespace;
      editor_.Send(SCI_SETVIEWWS, looks_.toggles.whitespace ? SCWS_VISIBLEALWAYS : SCWS_INVISIBLE);
      editor_.Send(SCI_SETVIEWEOL, looks_.toggles.whitespace ? 1 : 0);
      break;
    case IDA_INDENTATION_GUIDES:
      looks_.toggles.indentationGuides = !looks_.toggles.indentationGuides;
      editor_.Send(SCI_SETINDENTATIONGUIDES, looks_.toggles.indentationGuides ? SC_IV_LOOKBOTH : SC_IV_NONE);
      break;
    default:
      break;
  }
}

LRESULT SourceViewerWindow::OnContextMenu(WPARAM from, LPARAM at) {
  // The text's menu, for the text only: the panel's edits have their own.
  const auto window = reinterpret_cast<HWND>(from);
  if (window != editor_.window() && !IsChild(editor_.window(), window)) {
    return DefWindowProcW(window_, WM_CONTEXTMENU, from, at);
  }
  if (!editor_.exists()) return 0;
  POINT point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (at == -1) {
    // From the keyboard: at the caret.
    const LRESULT caret = editor_.Send(SCI_GETCURRENTPOS);
    point = {static_cast<LONG>(editor_.Send(SCI_POINTXFROMPOSITION, 0, caret)),
             static_cast<LONG>(editor_.Send(SCI_POINTYFROMPOSITION, 0, caret) + editor_.Send(SCI_TEXTHEIGHT, 0))};
    ClientToScreen(editor_.window(), &point);
  }
  MenuState state = {looks_.toggles,
                     looks_.size == DocumentSize::Big,
                     document_.window() ? !document_.window()->Selection().empty()
                                        : editor_.Send(SCI_GETSELECTIONEND) > editor_.Send(SCI_GETSELECTIONSTART),
                     document_.encodingChoice(),
                     document_.canReadAgain(),
                     document_.following() == FileFollower::State::Following,
                     document_.following() != FileFollower::State::Off,
                     !WordToHighlight().empty(),
                     !highlights_.empty(),
                     !bookmarks_.empty(),
                     search_.searcher() != nullptr,
                     document_.filterMode() == LineFilter::Mode::Matching,
                     document_.filterMode() == LineFilter::Mode::NotMatching};
  state.toggles.wrapLines = editor_.Send(SCI_GETWRAPMODE) != SC_WRAP_NONE;  // the control's, not a copy kept here
  state.formatted = document_.formatted();
  state.canFormat = MarkupShown(ConfigurationSnapshot::OfPlugin()).has_value();
  const UINT chosen = ShowContextMenu(instance_, window_, point, ContextMenuEntries(state));
  // The menu's loop ran the host's messages: the viewer may be gone.
  if (chosen != 0 && !Gone()) RunCommand(static_cast<WORD>(chosen));
  return 0;
}

LRESULT SourceViewerWindow::OnNotify(WPARAM wParam, LPARAM lParam) {
  TraceMessage("WM_NOTIFY", WM_NOTIFY, wParam, lParam);
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (wParam != static_cast<WPARAM>(kEditorControlId) || !header) {
    return DefWindowProcW(window_, WM_NOTIFY, wParam, lParam);
  }
  switch (header->code) {
    case SCN_UPDATEUI: {
      const int updated = reinterpret_cast<const SCNotification*>(lParam)->updated;
      // A windowed file's window moves after the control's paint, never in
      // it; the numbers written in the margin change the content, not the view.
      const bool viewMoved = (updated & (SC_UPDATE_V_SCROLL | SC_UPDATE_H_SCROLL | SC_UPDATE_SELECTION)) != 0;
      if (document_.window() && viewMoved) PostWindowedViewChanged();
      if (updated & (SC_UPDATE_V_SCROLL | SC_UPDATE_H_SCROLL)) search_.ViewChanged();
      if (updated & SC_UPDATE_V_SCROLL) ruleMarks_.MarkView();
      if (!Gone() && (updated & SC_UPDATE_SELECTION)) {
        search_.HighlightSelectedWord();
        return 0;
      }
      break;
    }
    case SCN_DOUBLECLICK:
      if (document_.filter()) {
        LeaveFilterAtCaret();
        return 0;
      }
      break;
    case SCN_FOCUSIN:
      search_.ReleaseMarks();  // the selection highlight takes the indicator back
      break;
    case SCN_ZOOM:
      UpdateMargin();  // digits grow and shrink with the zoom
      search_.ViewChanged();
      ruleMarks_.MarkView();
      NotifyHost(kZoomNotification, static_cast<uint32_t>(ZoomPercent()));
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, WM_NOTIFY, wParam, lParam);
}

void SourceViewerWindow::FindSelection(bool forward) {
  const DocumentSearch::Action action(search_);
  const Selection selection = GetSelection(editor_);
  if (selection.empty()) return;
  const std::wstring text = Utf8ToWide(SelectedText(editor_, selection));
  if (searchPanel_) searchPanel_->ShowSearchText(text);
  if (!Gone()) search_.FindSelectedText(text, forward);
}

}  // namespace lumen
