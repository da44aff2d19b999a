#include "viewer/SourceViewerWindow.h"

#include <algorithm>
#include <exception>

#include "host/Paths.h"
#include "log/Trace.h"
#include "resources/resource.h"
#include "search/HostSync.h"
#include "search/PanelLayout.h"
#include "viewer/EditorLibrary.h"
#include "viewer/FileDescription.h"
#include "viewer/Styling.h"
#include "viewer/Zoom.h"

namespace lumen {

using namespace sci;

namespace {
constexpr DWORD kEditorStyle = WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL;

// The viewer's last ancestor below the desktop: the host's main window.
HWND TopLevelAncestor(HWND window) {
  const HWND desktop = GetDesktopWindow();
  HWND topLevel = GetParent(window);
  for (HWND ancestor = topLevel; ancestor && ancestor != desktop; ancestor = GetParent(ancestor)) topLevel = ancestor;
  return topLevel;
}
}  // namespace

SourceViewerWindow::SourceViewerWindow(HINSTANCE instance, HWND window, const ViewerCreateData* createData)
    : window_(window), instance_(instance),
      search_({[this] {
                 searchPanelShown_ = false;
                 search_.SetPanelShown(false);
                 LayoutChildren(false);
               },
               [this](const MatchCount& count) {
                 if (searchPanel_) searchPanel_->ShowCount(count);
               },
               // The marking goes on between the host's messages.
               [this](bool wanted) { turns_.Want(TurnScheduler::Work::Search, wanted); },
               [this](bool show, unsigned context) { PanelFilterChanged(show, context); },
               [this] { FilterAgain(); }}),
      schemeWatch_(instance, window),
      turns_(window,
             [this](TurnScheduler::Work work, TurnScheduler::Clock::time_point deadline) {
               if (Gone()) return;
               switch (work) {
                 case TurnScheduler::Work::Load:
                   return document_.LoadTurn(deadline);
                 case TurnScheduler::Work::Follow:
                   return document_.FollowTurn();
                 case TurnScheduler::Work::Search:
                   return search_.TakeTurn(deadline);
                 case TurnScheduler::Work::Workers:
                   CopyTurn();
                   return BookmarkMatchesTurn();
               }
             }),
      document_(*this, search_, turns_),
      hostFunctions_(BindHostHelperApi()) {
  // Without the editor control library the viewer still answers the host.
  if (EnsureEditorControlLibrary(instance)) CreateEditor(createData ? createData->rectangle : nullptr);
  accelerators_ = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_ACCELERATORS));
  CreateSearchPanel();
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  looks_.scheme = ActiveScheme(configuration);
  search_.SetUpIndicator(ConfiguredHighlight(configuration, looks_.scheme));
  ApplyWrapping(editor_, configuration, false);
  ApplyTabWidth(editor_, configuration);
  // The view's toggles start as configured and then are the user's.
  if (configuration.hasPath() && configuration.ShowWhitespace()) ToggleView(IDA_SHOW_WHITESPACE);
  if (configuration.hasPath() && configuration.IndentationGuides()) ToggleView(IDA_INDENTATION_GUIDES);
  looks_.toggles.folding = configuration.hasPath() && configuration.Folding();
  // The viewer's own menu comes instead of the control's (WM_CONTEXTMENU).
  editor_.Send(SCI_USEPOPUP, 0);
  // The viewer uses no modification notification: every mark of a search
  // would otherwise send one, and millions of them freeze the host.
  editor_.Send(SCI_SETMODEVENTMASK, SC_MOD_NONE);
  // Nothing is ever undone in a read-only viewer: without collecting undo the
  // control keeps no second copy of each file it is given or cleared of.
  editor_.Send(SCI_SETUNDOCOLLECTION, 0);
}

void SourceViewerWindow::CreateEditor(const RECT* place) {
  // The host's rectangle places the editor only until the first layout.
  editorWindow_.reset(CreateWindowExW(WS_EX_WINDOWEDGE, L"Scintilla", L"Source", kEditorStyle, place ? place->left : 0,
                                      place ? place->top : 0, place ? place->right : 0, place ? place->bottom : 0,
                                      window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorControlId)),
                                      GetModuleHandleW(nullptr), nullptr));
  editor_ = EditorControl(editorWindow_.get());
  search_.SetEditor(editor_);
  document_.SetEditor(editor_);
  ruleMarks_.SetEditor(editor_);
  if (editorWindow_) topLevelWindow_ = TopLevelAncestor(window_);
}

void SourceViewerWindow::CreateSearchPanel() {
  try {
    searchPanel_ = std::make_unique<SearchPanel>(instance_, window_, &search_);
    ShowFilterInPanel();
  } catch (const std::exception&) {
    // Without its panel class the viewer still shows files; searching waits.
  }
}

SourceViewerWindow::~SourceViewerWindow() {
  editorWindow_.reset();
  searchPanel_.reset();
}

void SourceViewerWindow::ForgetEditor() {
  static_cast<void>(editorWindow_.release());  // Windows destroys it, not the owner
  editor_ = EditorControl();
  search_.SetEditor(editor_);
  document_.SetEditor(editor_);
  ruleMarks_.SetEditor(editor_);
}

void SourceViewerWindow::OnWindowDestroyed() {
  windowDestroyed_ = true;
  document_.Close();
  // Windows destroys the editor with its parent; nothing is sent to it from now on.
  ForgetEditor();
}

LRESULT SourceViewerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      return OnSize(wParam, lParam);
    case WM_PAINT:
      return OnPaint();
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      return OnTimer(wParam);
    case WM_NOTIFY:
      return OnNotify(wParam, lParam);
    case WM_CONTEXTMENU:
      return OnContextMenu(wParam, lParam);
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_CTLCOLORSTATIC:
      return editorWindow_ && reinterpret_cast<HWND>(lParam) == editorWindow_.get()
                 ? reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW))
                 : 0;
    case WM_MOUSEWHEEL:
      return editor_.Send(WM_MOUSEWHEEL, wParam, lParam);
    case WM_PARENTNOTIFY:
      OnChildNotification(wParam, lParam);
      return DefWindowProcW(window_, message, wParam, lParam);
    case kFilePathQuery:
      return reinterpret_cast<LRESULT>(&document_.file().name);
    case kSchemeChanged:
      OnSchemeChanged();
      return 0;
    case kWindowedViewChanged:
      OnWindowedViewChanged();
      return 0;
    case WM_VSCROLL:
      return OnVerticalScroll(wParam, lParam);
    default:
      if (message >= kFirstHostMessage && message <= kLastHostMessage) return OnHostMessage(message, wParam, lParam);
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

LRESULT SourceViewerWindow::OnTimer(WPARAM id) {
  if (id == TurnScheduler::kTimer) turns_.OnTimer();
  return 0;
}

LRESULT SourceViewerWindow::OnSize(WPARAM type, LPARAM size) {
  TraceMessage("WM_SIZE", WM_SIZE, type, size);
  LayoutChildren(type == SIZE_MINIMIZED);
  return 0;
}

void SourceViewerWindow::OnChildNotification(WPARAM event, LPARAM child) {
  // An editor destroyed under the viewer must not be written to and reported
  // as showing a file: from then on the viewer answers as one without editor.
  if (LOWORD(event) == WM_DESTROY && reinterpret_cast<HWND>(child) == editorWindow_.get()) {
    ForgetEditor();
  }
}

LRESULT SourceViewerWindow::OnPaint() {
  PAINTSTRUCT paint;
  // Only a paint that began may be ended.
  if (HDC dc = BeginPaint(window_, &paint)) {
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    PaintProgress(dc);
    EndPaint(window_, &paint);
  }
  return 0;
}

LRESULT SourceViewerWindow::OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case HBXPLUGINMSG_OPENFILE:
      return document_.OpenPath(reinterpret_cast<const wchar_t*>(lParam));
    case HBXPLUGINMSG_OPENSTREAM:
      return document_.OpenStream(reinterpret_cast<const wchar_t*>(wParam), reinterpret_cast<IStream*>(lParam));
    case HBXPLUGINMSG_DESCRIBEFILE:
      DescribeFile(reinterpret_cast<HostTextRecord*>(lParam));
      return 1;
    case HBXPLUGINMSG_FEATURES:
      return kViewerFeatures;
    case HBXPLUGINMSG_RESIZE:
      TraceMessage("HBXPLUGINMSG_RESIZE", message, wParam, lParam);
      LayoutChildren(false);
      return 0;
    case HBXPLUGINMSG_APPLYZOOM:
    case HBXPLUGINMSG_SETZOOMLEVEL:
      if (!IsZoomUnchanged(wParam)) SetZoomPercent(static_cast<int32_t>(wParam & 0xFFFFFFFF));
      return message == HBXPLUGINMSG_SETZOOMLEVEL ? 1 : 0;
    case HBXPLUGINMSG_QUERYZOOM:
      return ZoomPercent();
    case HBXPLUGINMSG_SELECTWHOLETEXT:
      if (!editor_.exists()) return 0;
      if (FileWindow* window = document_.window()) {
        window->SelectAll();
      } else {
        editor_.Send(EM_SETSEL, 0, -1);
      }
      return 1;
    case HBXPLUGINMSG_HASSELECTION: {
      if (!editor_.exists()) return 0;
      if (const FileWindow* window = document_.window()) return window->Selection().empty() ? 0 : 1;
      DWORD start = 0, end = 0;
      editor_.Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), &end);
      return start < end ? 1 : 0;
    }
    case HBXPLUGINMSG_COPYTEXT:
      if (!editor_.exists()) return 0;
      CopyText();
      return 1;
    case HBXPLUGINMSG_UNKNOWN_8F11:
    case HBXPLUGINMSG_UNKNOWN_8F19:
    case HBXPLUGINMSG_UNKNOWN_8F1B:
      return 0;
    case HBXPLUGINMSG_PASSTOEDITOR:
      return editor_.Send(message, wParam, lParam);
    case HBXPLUGINMSG_MENUITEMS:
      return MenuItems(reinterpret_cast<uint32_t*>(wParam));
    case HBXPLUGINMSG_DIALOGKEYS: {
      auto* msg = reinterpret_cast<MSG*>(lParam);
      return msg && searchPanel_ && IsDialogMessageW(searchPanel_->window(), msg) ? 1 : 0;
    }
    case HBXPLUGINMSG_SHORTCUTKEY: {
      auto* msg = reinterpret_cast<MSG*>(lParam);
      if (msg && TakeWindowedFileKey(*msg)) return 1;
      return msg && accelerators_ ? TranslateAcceleratorW(window_, accelerators_, msg) : 0;
    }
    case HBXPLUGINMSG_RELOADSETTINGS:
      ReloadSettings();
      return 0;
    case HBXPLUGINMSG_UNKNOWN_8F24:
      return kAnswerTo8F24;
    case HBXPLUGINMSG_UNKNOWN_8F2A:
      return wParam != 0 ? 1 : 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void SourceViewerWindow::LayoutChildren(bool minimised) {
  RECT client;
  if (minimised || !editorWindow_ || !GetClientRect(window_, &client)) return;
  const int width = client.right;
  // The strip that shows how far a big file has loaded: twice an edge's height.
  const int strip = document_.LoadPercent() ? 2 * GetSystemMetrics(SM_CYEDGE) : 0;
  const int height = std::max<int>(client.bottom - strip, 0);
  progressStrip_ = {0, height, width, height + strip};
  const HWND panel = searchPanel_ ? searchPanel_->window() : nullptr;
  const int panelHeight = PanelHeightInViewer(searchPanel_ ? searchPanel_->PreferredHeight() : 0);
  const bool panelShown = searchPanelShown_ && panelHeight < height;
  const int editorHeight = panelShown ? height - panelHeight : height;
  // A windowed file's scroll bar is lumen's, beside the editor, instead of the control's.
  const bool windowed = document_.window() != nullptr;
  if (windowed && !fileScrollBar_) {
    fileScrollBar_.reset(CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0, window_, nullptr,
                                         instance_, nullptr));
  }
  const int barWidth = windowed && fileScrollBar_ ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  fileScrollBarShown_ = barWidth > 0;
  editor_.Send(SCI_SETVSCROLLBAR, barWidth == 0 ? 1 : 0);
  if (fileScrollBar_) {
    MoveWindow(fileScrollBar_.get(), width - barWidth, 0, barWidth, editorHeight, TRUE);
    ShowWindow(fileScrollBar_.get(), barWidth ? SW_SHOWNA : SW_HIDE);
  }
  if (panelShown) {
    ShowWindow(panel, SW_SHOW);
    if (panel) MoveWindow(panel, 0, height - panelHeight, width, panelHeight, TRUE);
  } else {
    ShowWindow(panel, SW_HIDE);
  }
  MoveWindow(editorWindow_.get(), 0, 0, width - barWidth, editorHeight, TRUE);
  if (windowed) PostWindowedViewChanged();
  search_.ViewChanged();  // more lines may be in view
  ruleMarks_.MarkView();
}

void SourceViewerWindow::SetZoomPercent(int32_t percent) { editor_.Send(SCI_SETZOOM, ZoomFromPercent(percent)); }

int32_t SourceViewerWindow::ZoomPercent() const {
  return PercentFromZoom(static_cast<int>(editor_.Send(SCI_GETZOOM)));
}

void SourceViewerWindow::CopyText() {
  if (const FileWindow* window = document_.window()) {
    // Nothing selected: the whole file, as far as a copy takes it.
    const FileWindow::FileSelection selection = window->Selection();
    if (selection.empty()) return CopyFromFile({window->Text().start, 0}, {window->Text().end, 0});
    return CopySelection();
  }
  const EditorControl& control = editor_;
  DWORD start = 0, end = 0;
  control.Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), &end);
  const bool noSelection = start >= end;
  if (noSelection) {
    control.Send(WM_SETREDRAW, FALSE);
    control.Send(EM_SETSEL, 0, -1);
  }
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  control.Send(WM_COPY);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (noSelection) {
    control.Send(EM_SETSEL, 0, 0);
    control.Send(WM_SETREDRAW, TRUE);
  }
}

LRESULT SourceViewerWindow::MenuItems(uint32_t* count) {
  const wchar_t* label = nullptr;
  LoadStringW(instance_, IDS_FIND_MENU_ITEM, reinterpret_cast<LPWSTR>(&label), 0);
  menuItem_ = {label, searchPanelShown_ ? 1u : 2u, IDM_FIND};
  if (count) *count = 1;
  return reinterpret_cast<LRESULT>(&menuItem_);
}

void SourceViewerWindow::NotifyHost(int code, uint32_t value) {
  HostNotification notification = {};
  notification.header.hwndFrom = window_;
  notification.header.idFrom = 0;
  notification.header.code = static_cast<UINT>(code);
  notification.value = value;
  SendMessageW(GetParent(window_), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
}

void SourceViewerWindow::DescribeFile(HostTextRecord* record) const {
  if (!record) return;
  StampTextRecord(*record);
  // While a file loads, the figures are those of what has been read.
  const std::wstring text = FileDescription(hostFunctions_, document_.file(), document_.DescribedLines(),
                                            document_.describedBytes(), document_.DescriptionNotes());
  if (record->textCapacity == 0 || !record->text) return;
  const size_t copied = std::min<size_t>(text.size(), record->textCapacity - 1);
  wmemcpy(record->text, text.data(), copied);
  record->text[copied] = L'\0';
}

void SourceViewerWindow::PaintProgress(HDC dc) const {
  const std::optional<int> percent = document_.LoadPercent();
  if (!percent) return;
  RECT done = progressStrip_;
  done.right = MulDiv(progressStrip_.right, *percent, 100);
  FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
}

void SourceViewerWindow::UpdateMargin() {
  const FileWindow* window = document_.window();
  // A filter's lines carry the file's numbers: the margin is as wide as the file's.
  const std::optional<uint64_t> numbers =
      document_.filter()  ? std::optional<uint64_t>(static_cast<uint64_t>(document_.DescribedLines()))
      : window            ? std::optional<uint64_t>(window->EstimatedLines())
                          : std::nullopt;
  UpdateLineNumberMargin(editor_, looks_.lineNumbering, numbers);
  ShowBookmarks();
  if (!window) return;
  NumberLinesInView();
  PostWindowedViewChanged();
}

void SourceViewerWindow::PostWindowedViewChanged() {
  if (!std::exchange(windowedViewPosted_, true)) PostMessageW(window_, kWindowedViewChanged, 0, 0);
}

void SourceViewerWindow::OnWindowedViewChanged() {
  windowedViewPosted_ = false;
  FileWindow* window = document_.window();
  if (!window || Gone()) return;
  window->ViewChanged();
  if (!Gone()) UpdateFileView();
}

void SourceViewerWindow::NumberLinesInView() {
  const FileWindow* window = document_.window();
  if (!window || !editor_.exists() || !looks_.lineNumbering) return;
  // The lines in view and a screen above and below them carry the file's numbers.
  const LRESULT first = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  const LRESULT lines = editor_.Send(SCI_GETLINECOUNT);
  const intptr_t from = std::max<LRESULT>(first - screen, 0), to = std::min(first + 2 * screen + 2, lines);
  NumberFileLines(editor_, from, to, [window](intptr_t line) { return window->NumberOf(line); });
  // A filter's gaps: a line under the last line before each.
  constexpr int kGapMarker = 23;
  if (!document_.filter()) return;
  editor_.Send(SCI_MARKERDEFINE, kGapMarker, SC_MARK_UNDERLINE);
  editor_.Send(SCI_MARKERSETBACK, kGapMarker, editor_.Send(SCI_STYLEGETFORE, STYLE_LINENUMBER));
  editor_.Send(SCI_SETMARGINMASKN, 1, ~SC_MASK_FOLDERS & ~(1 << kGapMarker));
  editor_.Send(SCI_MARKERDELETEALL, kGapMarker);
  for (intptr_t line = from; line + 1 < to; ++line) {
    if (window->GapBefore(line + 1)) editor_.Send(SCI_MARKERADD, static_cast<WPARAM>(line), kGapMarker);
  }
}

void SourceViewerWindow::UpdateFileView() {
  const FileWindow* window = document_.window();
  if (!window || !editor_.exists()) return;
  NumberLinesInView();
  if (!fileScrollBar_) return;
  constexpr int kRange = 1 << 20;
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMax = kRange - 1;
  info.nPage = static_cast<UINT>(std::clamp(window->ScreenFraction() * kRange, 1.0, static_cast<double>(kRange)));
  info.nPos = static_cast<int>(window->ViewFraction() * kRange);
  SetScrollInfo(fileScrollBar_.get(), SB_CTL, &info, TRUE);
}

LRESULT SourceViewerWindow::OnVerticalScroll(WPARAM request, LPARAM bar) {
  FileWindow* window = document_.window();
  if (!window || reinterpret_cast<HWND>(bar) != fileScrollBar_.get() || !editor_.exists()) return 0;
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  switch (LOWORD(request)) {
    case SB_LINEUP:
    case SB_LINEDOWN:
      editor_.Send(SCI_LINESCROLL, 0, LOWORD(request) == SB_LINEUP ? -1 : 1);
      break;
    case SB_PAGEUP:
    case SB_PAGEDOWN:
      editor_.Send(SCI_LINESCROLL, 0, LOWORD(request) == SB_PAGEUP ? -screen : screen);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info = {};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      GetScrollInfo(fileScrollBar_.get(), SB_CTL, &info);
      window->ShowFraction(static_cast<double>(info.nTrackPos) / static_cast<double>(info.nMax + 1));
      break;
    }
    case SB_TOP:
      window->ShowFileStart();
      break;
    case SB_BOTTOM:
      window->ShowFileEnd();
      break;
    default:
      return 0;
  }
  if (!Gone()) UpdateFileView();
  return 0;
}

void SourceViewerWindow::ReloadSettings() { ApplySettings(ConfigurationSnapshot::OfPlugin()); }

void SourceViewerWindow::OnSchemeChanged() {
  if (Gone()) return;
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  if (ActiveScheme(configuration) != looks_.scheme) ApplySettings(configuration);
}

void SourceViewerWindow::ApplyLanguageStyle(const Style& style) {
  ApplyStyle(editor_, style);
  // A control that lexes every line whole would take seconds over a long one
  // on every screen of it: the document stays plain. lumen's adapter leaves
  // only the long lines plain itself.
  if (document_.file().holdsUnlexedLine && editor_.Send(kLongestLexedLineQuery) == 0) {
    editor_.Send(SCI_SETLEXER, SCLEX_NULL);
  }
  // A new lexer knows no fold properties; big documents are not folded.
  const bool folding = looks_.toggles.folding && looks_.size == DocumentSize::Small;
  ApplyFolding(editor_, folding, std::exchange(looks_.folding, folding));
}

void SourceViewerWindow::ApplySettings(const ConfigurationSnapshot& configuration) {
  looks_.scheme = ActiveScheme(configuration);
  const ShownFile& file = document_.file();
  const Style style = StyleForFile(configuration, file.name, file.edgeLines, looks_.scheme);
  ApplyBaseStyle(editor_, configuration, looks_.scheme);
  if (editor_.exists()) ApplyLanguageStyle(style);
  looks_.selectionColoured = ApplySchemeColours(editor_, configuration, looks_.scheme, looks_.selectionColoured);
  search_.SetUpIndicator(ConfiguredHighlight(configuration, looks_.scheme));
  ApplyHighlightRules(configuration);
  ApplyWrapping(editor_, configuration, looks_.size == DocumentSize::Big, looks_.wrapChosen);
  looks_.lineNumbering = LineNumbering(configuration, looks_.lineNumbering);
  UpdateMargin();
  ApplyTabWidth(editor_, configuration);
  ReportToHost();
}

void SourceViewerWindow::ApplyLooks(const ConfigurationSnapshot& configuration) {
  const ShownFile& file = document_.file();
  configuredFilterContext_ = configuration.hasPath() ? configuration.FilterContextLines() : 0;
  // The marks take the scheme's colour; otherwise they keep the one set up last.
  const Scheme previousScheme = std::exchange(looks_.scheme, ActiveScheme(configuration));
  if (looks_.scheme != previousScheme) search_.SetUpIndicator(ConfiguredHighlight(configuration, looks_.scheme));
  const bool sizeChanged = std::exchange(looks_.size, file.sizeClass) != file.sizeClass;
  ApplyBaseStyle(editor_, configuration, looks_.scheme);
  ApplyLanguageStyle(StyleForFile(configuration, file.name, file.edgeLines, looks_.scheme));
  ApplyHighlightRules(configuration);
  looks_.selectionColoured = ApplySchemeColours(editor_, configuration, looks_.scheme, looks_.selectionColoured);
  // Wrapping is read again only where the document's size changes it.
  if (sizeChanged) ApplyWrapping(editor_, configuration, looks_.size == DocumentSize::Big, looks_.wrapChosen);
  looks_.lineNumbering = LineNumbering(configuration, looks_.lineNumbering);
  // The progress strip comes or goes while the editor is empty: the control
  // lays out a small document in a fraction of the time.
  UpdateProgressStrip();
}

void SourceViewerWindow::ApplyLanguage(const ConfigurationSnapshot& configuration) {
  const ShownFile& file = document_.file();
  ApplyLanguageStyle(StyleForFile(configuration, file.name, file.edgeLines, looks_.scheme));
  ApplyHighlightRules(configuration);
}

void SourceViewerWindow::ApplyHighlightRules(const ConfigurationSnapshot& configuration) {
  const ShownFile& file = document_.file();
  const auto rules = ReadOr(std::vector<HighlightRule>(), [&] { return configuration.HighlightRules(); });
  std::vector<ShownRule> shown = RulesForLanguage(rules, LanguageOfFile(configuration, file.name, file.edgeLines),
                                                  looks_.scheme);
  for (const UserHighlight& highlight : highlights_) {
    shown.push_back({highlight.query, -1, HighlightColour(highlight.colour, looks_.scheme)});
  }
  ruleMarks_.SetRules(shown);
}

void SourceViewerWindow::TextChanged() {
  // A followed log grown big is styled while idle and not wrapped or folded,
  // as such a file is when loaded.
  const DocumentSize before = std::exchange(looks_.size, document_.file().sizeClass);
  if (before != looks_.size) {
    ApplyWrapping(editor_, ConfigurationSnapshot::OfPlugin(), looks_.size == DocumentSize::Big, looks_.wrapChosen);
    ApplyFolding(editor_, false, std::exchange(looks_.folding, false));
  }
  // While the rest of a file is on its way only what is shown is styled.
  ApplyStylingMode(editor_, looks_.size, document_.LoadPercent().has_value());
  ruleMarks_.TextChanged();
  ruleMarks_.MarkView();
  UpdateMargin();
  UpdateProgressStrip();
}

void SourceViewerWindow::UpdateProgressStrip() {
  const bool stripShown = progressStrip_.bottom > progressStrip_.top;
  const bool barWanted = document_.window() != nullptr;
  if (!Gone() && (stripShown != document_.LoadPercent().has_value() || barWanted != fileScrollBarShown_)) {
    LayoutChildren(false);
  }
}

void SourceViewerWindow::ReportToHost() {
  ShowFilterInPanel();
  NotifyHost(kFeaturesNotification, kViewerFeatures);
}

void SourceViewerWindow::ShowProgress() { InvalidateRect(window_, &progressStrip_, FALSE); }

void SourceViewerWindow::Shown(const ConfigurationSnapshot& configuration) {
  // Bookmarks go with their file: another one shown has none yet.
  bookmarks_.BelongTo(document_.file().name);
  ShowBookmarks();
  // The host's find text is marked in a file shown while the panel is not.
  if (searchPanelShown_ || !topLevelWindow_ || !SearchSyncEnabled(configuration)) return;
  std::wstring text;
  try {
    text = ReadHostFindText(topLevelWindow_);
  } catch (const std::exception&) {
    return;  // the host's windows changed under the walk: the file is shown all the same
  }
  // Reading the host's windows runs the host's code.
  if (!text.empty() && !Gone()) search_.MarkHostFindText(text);
}

}  // namespace lumen
