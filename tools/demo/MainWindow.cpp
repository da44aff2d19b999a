#include "MainWindow.h"

#include <windows.h>

#include <algorithm>
#include <commctrl.h>
#include <stdexcept>

#include "WindowClass.h"
#include "logic/FrameLayout.h"
#include "abi/HostMessages.h"
#include "base/Controls.h"

namespace lumen::demo {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

constexpr wchar_t kFrameClass[] = L"tessera.demo.frame";
constexpr wchar_t kViewerPaneClass[] = L"tessera.viewerpane";
enum ChildId { kFileListId = 10, kFilterComboId, kFindComboId, kStatusBarId, kViewerPaneId };
enum Command { kExitCommand = 100, kConfigureCommand, kFirstViewerCommand = 200, kLastViewerCommand = 231 };
constexpr UINT kNotifyData = 1;  // handed to HBX_Configure, comes back with the reload message
constexpr int kZoomPartWidth = 110;
constexpr int kSizeColumnWidth = 80;

void Place(HWND window, const Box& box) { MoveWindow(window, box.x, box.y, box.width, box.height, TRUE); }

// The empty pane shows why it is empty; the viewer covers it when there is one.
void PaintPaneText(HWND pane) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(pane, &paint);
  if (!dc) return;
  RECT client;
  GetClientRect(pane, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
  const std::wstring text = WindowText(pane);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(pane, GWLP_USERDATA)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOW));
  RECT area = {client.left + 24, 0, client.right - 24, 0};
  DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  const int height = area.bottom;
  area = {client.left + 24, (client.bottom - height) / 2, client.right - 24, (client.bottom + height) / 2};
  DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK);
  SelectObject(dc, previous);
  EndPaint(pane, &paint);
}

// The pane Tessera gives a viewer: it keeps the viewer over its whole area
// and passes the viewer's notifications on to the frame.
LRESULT CALLBACK ViewerPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (HWND viewer = GetWindow(pane, GW_CHILD)) {
        MoveWindow(viewer, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        SendMessageW(viewer, HBXPLUGINMSG_RESIZE, 0, 0);
      }
      InvalidateRect(pane, nullptr, TRUE);
      return 0;
    case WM_NOTIFY:
      return SendMessageW(GetParent(pane), WM_NOTIFY, wParam, lParam);
    case WM_SETFONT:
      SetWindowLongPtrW(pane, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(pane, message, wParam, lParam);
      InvalidateRect(pane, nullptr, TRUE);
      return result;
    }
    case WM_PAINT:
      PaintPaneText(pane);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return DefWindowProcW(pane, message, wParam, lParam);
  }
}

HWND CreateChild(const wchar_t* className, DWORD exStyle, DWORD style, HWND parent, int id, HINSTANCE instance) {
  const HWND child = CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!child) throw std::runtime_error("cannot create the demo's windows");
  return child;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width, int format) {
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  ListView_InsertColumn(list, index, &column);
}

}  // namespace

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->frame_.reset(window);
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      (void)self->frame_.release();  // gone already
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return message == WM_CREATE ? -1 : 0;  // nothing unwinds into the message loop
  }
}

MainWindow::MainWindow(HINSTANCE instance, const Plugin& plugin, PluginInfo info, std::wstring configFolder)
    : instance_(instance), plugin_(plugin), info_(std::move(info)), configFolder_(std::move(configFolder)),
      font_(CreateMessageFont()) {}

MainWindow::~MainWindow() = default;

void MainWindow::Create(int width, int height, int showCommand) {
  RegisterWindowClass(instance_, kFrameClass, FrameProc, COLOR_BTNFACE);
  RegisterWindowClass(instance_, kViewerPaneClass, ViewerPaneProc, COLOR_APPWORKSPACE);
  RegisterFindBoxClasses(instance_);
  CreateWindowExW(0, kFrameClass, L"Tessera demo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, width, height, nullptr, nullptr, instance_, this);
  if (!frame_ || !IsWindow(frame_.get())) throw std::runtime_error("cannot create the demo's main window");
  ShowWindow(frame_.get(), showCommand);
  UpdateWindow(frame_.get());
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_GETMINMAXINFO:
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {560, 360};
      return 0;
    case WM_SETFOCUS:
      SetFocus(fileList_);
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case HBXPLUGINMSG_RELOADSETTINGS:  // posted by lumen's configuration dialog after saving
      if (static_cast<UINT>(lParam) == kNotifyData) OnReloadSettings();
      return 0;
    case WM_DESTROY:
      viewer_.reset();  // the viewer goes before the panes it lives in
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(frame_.get(), message, wParam, lParam);
  }
}

void MainWindow::OnCreate() {
  const HWND frame = frame_.get();
  const auto font = reinterpret_cast<WPARAM>(font_.get());
  filterBox_ = std::make_unique<FindBox>(instance_, frame, kFilterComboId, L"Filter:", font_.get());
  fileList_ = CreateChild(WC_LISTVIEWW, WS_EX_CLIENTEDGE,
                          LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, frame, kFileListId, instance_);
  ListView_SetExtendedListViewStyle(fileList_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  SendMessageW(fileList_, WM_SETFONT, font, FALSE);
  AddColumn(fileList_, 0, L"Name", 200, LVCFMT_LEFT);
  AddColumn(fileList_, 1, L"Size", kSizeColumnWidth, LVCFMT_RIGHT);
  findBox_ = std::make_unique<FindBox>(instance_, frame, kFindComboId, L"Find:", font_.get());
  viewerPane_ = CreateChild(kViewerPaneClass, WS_EX_CLIENTEDGE, WS_CLIPCHILDREN, frame, kViewerPaneId, instance_);
  SendMessageW(viewerPane_, WM_SETFONT, font, FALSE);
  statusBar_ = CreateChild(STATUSCLASSNAMEW, 0, SBARS_SIZEGRIP, frame, kStatusBarId, instance_);
  SendMessageW(statusBar_, WM_SETFONT, font, FALSE);

  // Built whole before it is set: the frame sizes its menu bar when it gets it.
  const HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kExitCommand, L"E&xit");
  viewerMenu_ = CreatePopupMenu();  // filled from the viewer each time it opens
  const HMENU settings = CreatePopupMenu();
  AppendMenuW(settings, MF_STRING, kConfigureCommand, L"&Configure lumen...");
  const HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(viewerMenu_), L"&View");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), L"&Settings");
  SetMenu(frame, bar);  // the frame owns the menus from here on

  if (info_.icon) {
    SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(info_.icon.get()));
    SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(info_.icon.get()));
  }
}

void MainWindow::OnSize() {
  RECT client, status;
  if (!statusBar_ || !GetClientRect(frame_.get(), &client)) return;
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  GetWindowRect(statusBar_, &status);
  int parts[] = {std::max<int>(client.right - kZoomPartWidth, 0), -1};
  SendMessageW(statusBar_, SB_SETPARTS, std::size(parts), reinterpret_cast<LPARAM>(parts));
  const FrameBoxes boxes =
      LayOutFrame(client.right, client.bottom - (status.bottom - status.top), findBox_->PreferredHeight());
  Place(filterBox_->pane(), boxes.filterPane);
  Place(fileList_, boxes.fileList);
  Place(findBox_->pane(), boxes.findPane);
  Place(viewerPane_, boxes.viewerPane);
  const int nameWidth = boxes.fileList.width - kSizeColumnWidth - GetSystemMetrics(SM_CXVSCROLL) - 4;
  ListView_SetColumnWidth(fileList_, 0, std::max(nameWidth, 60));
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  if (viewer_ && header.hwndFrom == viewer_.get()) {
    const auto& notification = reinterpret_cast<const HostNotification&>(header);
    switch (static_cast<int>(header.code)) {
      case kZoomNotification:
        ShowZoom(notification.value);
        break;
      case kFeaturesNotification:  // a new file, new settings or more of a big file: what the host shows may change
        ShowZoom(static_cast<uint32_t>(SendMessageW(viewer_.get(), HBXPLUGINMSG_QUERYZOOM, 0, 0)));
        if (!shownFile_.empty()) DescribeShownFile();
        break;
      default:
        break;
    }
    return 0;
  }
  if (header.idFrom != kFileListId) return DefWindowProcW(frame_.get(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      const bool selected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
      if (const FileEntry* entry = EntryAt(change.iItem); entry && selected && !filling_) ShowEntry(*entry);
      return 0;
    }
    case LVN_ITEMACTIVATE:
      if (const FileEntry* entry = EntryAt(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem)) Activate(*entry);
      return 0;
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_BACK && !ParentFolder(folder_).empty()) {
        ShowFolder(ParentFolder(folder_), LastComponent(folder_));
      }
      return 0;
    case NM_CUSTOMDRAW:
      return OnListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    default:
      return 0;
  }
}

// Files that lumen does not claim are greyed, as Tessera greys what no viewer shows.
LRESULT MainWindow::OnListCustomDraw(NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const FileEntry* entry = EntryAt(static_cast<int>(draw.nmcd.dwItemSpec));
    if (entry && !entry->isFolder && !entry->claimed) draw.clrText = GetSysColor(COLOR_GRAYTEXT);
  }
  return CDRF_DODEFAULT;
}

void MainWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (lParam) {  // a control's notification
    if (id == kFilterComboId && (HIWORD(wParam) == CBN_EDITCHANGE || HIWORD(wParam) == CBN_EDITUPDATE)) {
      shown_ = FilterEntries(entries_, filterBox_->Text());
      FillList(shownFile_, false);
    }
    return;
  }
  if (id == kExitCommand) {
    DestroyWindow(frame_.get());
  } else if (id == kConfigureCommand) {
    Configure();
  } else if (id >= kFirstViewerCommand && id <= kLastViewerCommand && viewer_) {
    const size_t index = static_cast<size_t>(id - kFirstViewerCommand);
    if (index < viewerCommands_.size()) {
      SendMessageW(viewer_.get(), WM_COMMAND, MAKEWPARAM(viewerCommands_[index], 0), 0);
    }
  }
}

// The viewer's menu is the viewer's own: asked anew each time it opens.
void MainWindow::OnInitMenuPopup(HMENU menu) {
  if (menu != viewerMenu_) return;
  while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
  viewerCommands_.clear();
  uint32_t count = 0;
  const auto* items = viewer_ ? reinterpret_cast<const ViewerMenuItem*>(SendMessageW(
                                    viewer_.get(), HBXPLUGINMSG_MENUITEMS, reinterpret_cast<WPARAM>(&count), 0))
                              : nullptr;
  if (!items) count = 0;
  for (uint32_t i = 0; i < count && kFirstViewerCommand + i <= kLastViewerCommand; ++i) {
    const UINT checked = items[i].state == 1 ? MF_CHECKED : MF_UNCHECKED;
    AppendMenuW(menu, MF_STRING | checked, kFirstViewerCommand + i, items[i].label ? items[i].label : L"(no label)");
    viewerCommands_.push_back(items[i].commandId);
  }
  if (viewerCommands_.empty()) AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"No file is shown");
}

// The configuration may list other extensions now, and the viewer re-applies its styles.
void MainWindow::OnReloadSettings() {
  ++reloads_;
  IdentifyEntries();
  shown_ = FilterEntries(entries_, filterBox_->Text());
  FillList(shownFile_, false);
  if (!viewer_) return;
  SendMessageW(viewer_.get(), HBXPLUGINMSG_RELOADSETTINGS, 0, 0);
  DescribeShownFile();
}

void MainWindow::ShowFolder(const std::wstring& folder, const std::wstring& selectName) {
  folder_ = folder;
  entries_ = ReadFolder(folder_);
  IdentifyEntries();
  SortEntries(entries_);
  shown_ = FilterEntries(entries_, filterBox_->Text());
  SetWindowTextW(frame_.get(), (L"Tessera demo with " + info_.name + L" " + info_.version + L" \u2014 " + folder_).c_str());
  std::wstring wanted = selectName;
  if (wanted.empty()) {
    const auto claimed = std::find_if(shown_.begin(), shown_.end(), [](const FileEntry& e) { return e.claimed; });
    if (claimed != shown_.end()) wanted = claimed->name;
  }
  FillList(wanted, true);
  SetFocus(fileList_);
}

void MainWindow::IdentifyEntries() {
  for (FileEntry& entry : entries_) {
    entry.claimed = !entry.isFolder && plugin_.Claims(frame_.get(), JoinPath(folder_, entry.name));
  }
}

void MainWindow::FillList(const std::wstring& selectName, bool showSelection) {
  filling_ = true;
  SendMessageW(fileList_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(fileList_);
  int selected = -1;
  for (size_t index = 0; index < shown_.size(); ++index) {
    const FileEntry& entry = shown_[index];
    std::wstring name = entry.name;
    if (entry.isFolder && name != kParentFolderName) name += L'\\';
    std::wstring size = entry.isFolder ? L"folder" : FormatSize(entry.size);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(index);
    item.pszText = name.data();
    const int row = ListView_InsertItem(fileList_, &item);
    ListView_SetItemText(fileList_, row, 1, size.data());
    if (entry.name == selectName) selected = row;
  }
  SendMessageW(fileList_, WM_SETREDRAW, TRUE, 0);
  filling_ = !showSelection;
  if (selected >= 0) {
    ListView_SetItemState(fileList_, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(fileList_, selected, FALSE);
  }
  filling_ = false;
}

const FileEntry* MainWindow::EntryAt(int item) const {
  return item >= 0 && static_cast<size_t>(item) < shown_.size() ? &shown_[static_cast<size_t>(item)] : nullptr;
}

void MainWindow::ShowEntry(const FileEntry& entry) {
  if (entry.name == kParentFolderName) {
    return CloseViewer(L"Double-click or press Enter to go up to " + ParentFolder(folder_) + L".");
  }
  if (entry.isFolder) return CloseViewer(L"The folder " + entry.name + L": double-click it or press Enter to open it.");
  if (!entry.claimed) {
    return CloseViewer(entry.name + L"\n\nlumen does not claim this file: no language of its configuration lists "
                                    L"its extension.");
  }
  if (entry.size > info_.fileSizeLimit) {
    return CloseViewer(entry.name + L"\n\nThe file is larger than lumen's size limit of " +
                       FormatSize(info_.fileSizeLimit) + L".");
  }
  if (!EnsureViewer()) return CloseViewer(L"lumen did not create a viewer window.");
  const std::wstring path = JoinPath(folder_, entry.name);
  if (!SendMessageW(viewer_.get(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()))) {
    return CloseViewer(entry.name + L"\n\nlumen could not show this file: it is empty or cannot be read.");
  }
  shownFile_ = entry.name;
  DescribeShownFile();
}

void MainWindow::Activate(const FileEntry& entry) {
  if (entry.name == kParentFolderName) {
    ShowFolder(ParentFolder(folder_), LastComponent(folder_));
  } else if (entry.isFolder) {
    ShowFolder(JoinPath(folder_, entry.name), L"");
  }
}

bool MainWindow::EnsureViewer() {
  if (viewer_) return true;
  viewer_.reset(plugin_.CreateViewer(viewerPane_));
  if (!viewer_) return false;
  SendMessageW(viewer_.get(), HBXPLUGINMSG_RESIZE, 0, 0);
  return true;
}

void MainWindow::CloseViewer(const std::wstring& paneText) {
  viewer_.reset();
  shownFile_.clear();
  SetWindowTextW(viewerPane_, paneText.c_str());
  SetStatus(L"");
  SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
}

void MainWindow::DescribeShownFile() {
  wchar_t text[512] = L"";
  HostTextRecord record = {};
  record.text = text;
  record.textCapacity = static_cast<uint32_t>(std::size(text));
  SendMessageW(viewer_.get(), HBXPLUGINMSG_DESCRIBEFILE, 0, reinterpret_cast<LPARAM>(&record));
  SetStatus(shownFile_ + L"    " + text);
}

void MainWindow::SetStatus(const std::wstring& description) {
  SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(description.c_str()));
}

std::wstring MainWindow::ShownFilePath() const { return shownFile_.empty() ? L"" : JoinPath(folder_, shownFile_); }

void MainWindow::ShowZoom(uint32_t percent) {
  const std::wstring text = L"Zoom " + std::to_wstring(static_cast<int32_t>(percent)) + L"%";
  SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

bool MainWindow::RouteToViewer(MSG& message) {
  if (!viewer_ || message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd != frame_.get() && !IsChild(frame_.get(), message.hwnd)) return false;
  if (filterBox_->Contains(message.hwnd) || findBox_->Contains(message.hwnd)) return false;
  const auto address = reinterpret_cast<LPARAM>(&message);
  if (SendMessageW(viewer_.get(), HBXPLUGINMSG_SHORTCUTKEY, 0, address)) return true;
  return viewer_ && SendMessageW(viewer_.get(), HBXPLUGINMSG_DIALOGKEYS, 0, address) != 0;
}

void MainWindow::RequestConfiguration() const { PostMessageW(frame_.get(), WM_COMMAND, kConfigureCommand, 0); }

// lumen's dialog is modeless and ends by posting a quit message: Tessera runs
// it in a loop of its own until then and destroys it afterwards.
void MainWindow::Configure() {
  const HWND frame = frame_.get();
  const UniqueWindow dialog(plugin_.Configure(frame, frame, kNotifyData));
  if (!dialog) {
    const std::wstring text = L"lumen did not open its configuration dialog: it offers none, or it cannot read "
                              L"lumen.config.xml in the host's configuration folder, which holds every setting:\n" +
                              configFolder_;
    MessageBoxW(frame, text.c_str(), L"Configure lumen", MB_OK | MB_ICONINFORMATION);
    return;
  }
  EnableWindow(frame, FALSE);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(dialog.get(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  EnableWindow(frame, TRUE);  // before the dialog goes, so the frame becomes active again
  SetActiveWindow(frame);
}

}  // namespace lumen::demo
