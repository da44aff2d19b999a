#include "viewer/SourceViewerWindow.h"

#include <exception>

#include "host/Paths.h"
#include "log/Trace.h"
#include "resources/resource.h"
#include "search/FindHighlight.h"
#include "search/PanelLayout.h"
#include "viewer/EditorLibrary.h"
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
    : window(window), instance(instance), creationFlags(createData ? createData->flags : 0),
      hostFunctions(BindHostHelperApi()) {
  // Without the editor control library the viewer still answers the host.
  if (EnsureEditorControlLibrary(instance)) CreateEditor(createData ? createData->rectangle : nullptr);
  SetUpEditor();
}

void SourceViewerWindow::CreateEditor(const RECT* place) {
  // The host's rectangle places the editor only until the first layout.
  editor = CreateWindowExW(WS_EX_WINDOWEDGE, L"Scintilla", L"Source", kEditorStyle, place ? place->left : 0,
                           place ? place->top : 0, place ? place->right : 0, place ? place->bottom : 0, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorControlId)),
                           GetModuleHandleW(nullptr), nullptr);
  if (editor) topLevelWindow = TopLevelAncestor(window);
}

void SourceViewerWindow::SetUpEditor() {
  accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
  try {
    searchPanel = std::make_unique<SearchPanel>(instance, window, static_cast<SearchProxy*>(this));
  } catch (const std::exception&) {
    // Without its panel class the viewer still shows files; searching waits.
  }
  SetUpSearchIndicator();
  ApplyWrapping(Editor());
  ApplyTabWidth(Editor());
  Editor().Send(SCI_USEPOPUP, 0);
  // The viewer uses no modification notification: every mark of a search
  // would otherwise send one, and millions of them freeze the host.
  Editor().Send(SCI_SETMODEVENTMASK, SC_MOD_NONE);
  // Nothing is ever undone in a read-only viewer: without collecting undo the
  // control keeps no second copy of each file it is given or cleared of.
  Editor().Send(SCI_SETUNDOCOLLECTION, 0);
}

SourceViewerWindow::~SourceViewerWindow() {
  if (editor) DestroyWindow(editor);
  searchPanel.reset();
}

void SourceViewerWindow::OnWindowDestroyed() {
  windowDestroyed = true;
  // Windows destroys the editor with its parent; nothing is sent to it from now on.
  editor = nullptr;
}

LRESULT SourceViewerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      return OnSize(wParam, lParam);
    case WM_PAINT:
      return OnPaint();
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NOTIFY:
      return OnNotify(wParam, lParam);
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_CTLCOLORSTATIC:
      return editor && reinterpret_cast<HWND>(lParam) == editor
                 ? reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW))
                 : 0;
    case WM_MOUSEWHEEL:
      return Editor().Send(WM_MOUSEWHEEL, wParam, lParam);
    case WM_PARENTNOTIFY:
      OnChildNotification(wParam, lParam);
      return DefWindowProcW(window, message, wParam, lParam);
    case kFilePathQuery:
      return reinterpret_cast<LRESULT>(&filePath);
    default:
      if (message >= kFirstHostMessage && message <= kLastHostMessage) return OnHostMessage(message, wParam, lParam);
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT SourceViewerWindow::OnSize(WPARAM type, LPARAM size) {
  TraceMessage("WM_SIZE", WM_SIZE, type, size);
  LayoutChildren(type == SIZE_MINIMIZED);
  return 0;
}

void SourceViewerWindow::OnChildNotification(WPARAM event, LPARAM child) {
  // An editor destroyed under the viewer must not be written to and reported
  // as showing a file: from then on the viewer answers as one without editor.
  if (LOWORD(event) == WM_DESTROY && reinterpret_cast<HWND>(child) == editor) editor = nullptr;
}

LRESULT SourceViewerWindow::OnPaint() {
  PAINTSTRUCT paint;
  // Only a paint that began may be ended.
  if (HDC dc = BeginPaint(window, &paint)) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    EndPaint(window, &paint);
  }
  return 0;
}

LRESULT SourceViewerWindow::OnHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case HBXPLUGINMSG_OPENFILE:
      return LoadFromPath(reinterpret_cast<const wchar_t*>(lParam));
    case HBXPLUGINMSG_OPENSTREAM:
      return LoadFromStream(reinterpret_cast<const wchar_t*>(wParam), reinterpret_cast<IStream*>(lParam));
    case HBXPLUGINMSG_DESCRIBEFILE:
      DescribeFile(reinterpret_cast<HostTextRecord*>(lParam));
      return 1;
    case HBXPLUGINMSG_FEATURES:
      featureFlags = kViewerFeatures;
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
      if (!editor) return 0;
      Editor().Send(EM_SETSEL, 0, -1);
      return 1;
    case HBXPLUGINMSG_HASSELECTION: {
      if (!editor) return 0;
      DWORD start = 0, end = 0;
      Editor().Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), &end);
      return start < end ? 1 : 0;
    }
    case HBXPLUGINMSG_COPYTEXT:
      if (!editor) return 0;
      CopyText();
      return 1;
    case HBXPLUGINMSG_UNKNOWN_8F11:
    case HBXPLUGINMSG_UNKNOWN_8F19:
    case HBXPLUGINMSG_UNKNOWN_8F1B:
      return 0;
    case HBXPLUGINMSG_PASSTOEDITOR:
      return Editor().Send(message, wParam, lParam);
    case HBXPLUGINMSG_MENUITEMS:
      return MenuItems(reinterpret_cast<uint32_t*>(wParam));
    case HBXPLUGINMSG_DIALOGKEYS: {
      auto* msg = reinterpret_cast<MSG*>(lParam);
      return msg && searchPanel && IsDialogMessageW(searchPanel->window(), msg) ? 1 : 0;
    }
    case HBXPLUGINMSG_SHORTCUTKEY: {
      auto* msg = reinterpret_cast<MSG*>(lParam);
      return msg && accelerators ? TranslateAcceleratorW(window, accelerators, msg) : 0;
    }
    case HBXPLUGINMSG_RELOADSETTINGS:
      ReloadSettings();
      return 0;
    case HBXPLUGINMSG_UNKNOWN_8F24:
      return kAnswerTo8F24;
    case HBXPLUGINMSG_UNKNOWN_8F2A:
      return wParam != 0 ? 1 : 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void SourceViewerWindow::LayoutChildren(bool minimised) {
  RECT client;
  if (minimised || !editor || !GetClientRect(window, &client)) return;
  const int width = client.right;
  const int height = client.bottom;
  const HWND panel = searchPanel ? searchPanel->window() : nullptr;
  const int panelHeight = PanelHeightInViewer(searchPanel ? searchPanel->PreferredHeight() : 0);
  if (searchPanelShown && panelHeight < height) {
    ShowWindow(panel, SW_SHOW);
    if (panel) MoveWindow(panel, 0, height - panelHeight, width, panelHeight, TRUE);
    MoveWindow(editor, 0, 0, width, height - panelHeight, TRUE);
  } else {
    MoveWindow(editor, 0, 0, width, height, TRUE);
    ShowWindow(panel, SW_HIDE);
  }
}

void SourceViewerWindow::SetZoomPercent(int32_t percent) { Editor().Send(SCI_SETZOOM, ZoomFromPercent(percent)); }

int32_t SourceViewerWindow::ZoomPercent() const {
  return PercentFromZoom(static_cast<int>(Editor().Send(SCI_GETZOOM)));
}

void SourceViewerWindow::CopyText() {
  const EditorControl control = Editor();
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
  LoadStringW(instance, IDS_FIND_MENU_ITEM, reinterpret_cast<LPWSTR>(&label), 0);
  menuItem = {label, searchPanelShown ? 1u : 2u, IDM_FIND};
  if (count) *count = 1;
  return reinterpret_cast<LRESULT>(&menuItem);
}

void SourceViewerWindow::NotifyHost(int code, uint32_t value) {
  HostNotification notification = {};
  notification.header.hwndFrom = window;
  notification.header.idFrom = 0;
  notification.header.code = static_cast<UINT>(code);
  notification.value = value;
  SendMessageW(GetParent(window), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notification));
}

void SourceViewerWindow::ReportFeatures() {
  featureFlags = kViewerFeatures;
  NotifyHost(kFeaturesNotification, featureFlags);
}

void SourceViewerWindow::UpdateMargin() { UpdateLineNumberMargin(Editor(), lineNumbering); }

void SourceViewerWindow::ReloadSettings() {
  const Style style = StyleForExtension(FileExtension(filePath));
  ApplyBaseStyle(Editor());
  if (editor) ApplyStyle(Editor(), style);
  SetUpSearchIndicator();
  ApplyWrapping(Editor());
  lineNumbering = ReadLineNumbering(lineNumbering);
  UpdateMargin();
  ApplyTabWidth(Editor());
  ReportFeatures();
}

}  // namespace lumen
