#include "Tour.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <richedit.h>

#include "Screenshot.h"
#include "Text.h"
#include "logic/SearchWord.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "base/Controls.h"

namespace lumen::demo {
namespace {

using namespace sci;

constexpr UINT kStepMilliseconds = 400;
constexpr size_t kBytesLookedAt = 64 * 1024;
constexpr WPARAM kLinesPasted = 24;
constexpr int kPasteWidth = 760;
constexpr int kPasteHeight = 480;

Tour* runningTour = nullptr;  // thread timers carry no context of their own

std::string ReadStart(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::string bytes(kBytesLookedAt, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

// A dialog the frame opened, or a message box: a window it owns.
HWND OwnedPopup(HWND frame) {
  const std::vector<HWND> popups = OwnedPopups(frame);
  return popups.empty() ? nullptr : popups.front();
}

// A push button whose label, without its "&" marks, is `label`.
HWND FindButton(HWND dialog, const std::wstring& label) {
  struct Search {
    const std::wstring& label;
    HWND found;
  } search = {label, nullptr};
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM context) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        wchar_t className[16] = L"";
        GetClassNameW(child, className, static_cast<int>(std::size(className)));
        std::wstring shown = WindowText(child);
        std::erase(shown, L'&');
        if (_wcsicmp(className, L"Button") == 0 && shown == search.label) search.found = child;
        return search.found ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Keys are posted to the window with the keyboard focus, where a keyboard's
// would go, and pass through the host's message loop; the held Ctrl is the
// thread's key state. Unlike the system's input queue this does not depend on
// how fast the display hands keys on.
void HoldKey(BYTE virtualKey, bool held) {
  BYTE keys[256];
  if (!GetKeyboardState(keys)) return;
  keys[virtualKey] = held ? 0x80 : 0;
  SetKeyboardState(keys);
}

void PressKey(HWND target, WORD virtualKey) {
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}

}  // namespace

Tour::Tour(MainWindow& window, std::wstring target, std::wstring searchText, std::wstring picturePath,
           bool usePanel, bool configure, bool menu, bool paste, bool filter)
    : window_(window), target_(std::move(target)), searchText_(std::move(searchText)),
      picturePath_(std::move(picturePath)), usePanel_(usePanel), configure_(configure), menu_(menu), paste_(paste),
      filter_(filter) {}

Tour::~Tour() {
  if (timer_) KillTimer(nullptr, timer_);
  if (runningTour == this) runningTour = nullptr;
}

void Tour::Start() {
  const std::wstring shown = window_.ShownFilePath();
  if (usePanel_ && searchText_.empty() && !shown.empty()) searchText_ = PickSearchWord(ReadStart(shown));
  runningTour = this;
  timer_ = SetTimer(nullptr, 0, kStepMilliseconds, &Tour::OnTimer);
  if (!timer_) End(1, L"cannot start the tour's timer");
}

void CALLBACK Tour::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  try {
    if (runningTour) runningTour->Step();
  } catch (...) {
    if (runningTour) runningTour->End(1, L"the tour failed");
  }
}

bool Tour::SearchPanelShown() const {
  uint32_t count = 0;
  const auto* items = reinterpret_cast<const ViewerMenuItem*>(
      SendMessageW(window_.viewer(), HBXPLUGINMSG_MENUITEMS, reinterpret_cast<WPARAM>(&count), 0));
  return items && count > 0 && items[0].state == 1;
}

void Tour::Step() {
  if (ending_) return Finish();
  const HWND frame = window_.window();
  switch (step_++) {
    case kOpenPanel:
      if (!window_.viewer()) return End(1, L"lumen shows no file of " + target_);
      if (!usePanel_) {
        step_ = kSettle;
        break;
      }
      SetForegroundWindow(frame);
      HoldKey(VK_CONTROL, true);
      PressKey(GetFocus() ? GetFocus() : frame, 'F');
      break;
    case kType:
      HoldKey(VK_CONTROL, false);
      if (!SearchPanelShown()) return End(1, L"Ctrl+F did not open lumen's search panel");
      for (const wchar_t character : searchText_) PostMessageW(GetFocus(), WM_CHAR, character, 1);
      break;
    case kSettle:  // one more step for the editor to style and paint what it shows
      if (usePanel_ && WindowText(GetFocus()) != searchText_) {
        return End(1, L"the typed text did not reach lumen's search field");
      }
      RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (!configure_) step_ = menu_ ? kMenu : paste_ ? kCopy : filter_ ? kFilter : kPicture;
      break;
    case kConfigure:
      window_.RequestConfiguration();
      break;
    case kConfirm: {  // runs in the host's loop for the dialog, or in a message box's
      const HWND dialog = OwnedPopup(frame);
      const HWND ok = dialog ? FindButton(dialog, L"OK") : nullptr;
      if (!ok) return End(1, L"no dialog with an OK button opened for Configure...");
      if (!TakePicture(frame)) return;
      SendMessageW(ok, BM_CLICK, 0, 0);
      break;
    }
    case kCheckReload:
      if (OwnedPopup(frame) || !IsWindowEnabled(frame)) {
        return End(1, L"the configuration dialog is still there after OK");
      }
      if (window_.reloads() != 1) return End(1, L"lumen's dialog did not ask the host to reload its viewers");
      return End(0, L"");
    case kMenu: {
      // Shift+F10 in the text: lumen's menu opens there, and its loop runs the
      // tour's next tick.
      const HWND editor = GetDlgItem(window_.viewer(), 1);
      SetFocus(editor);
      HoldKey(VK_SHIFT, true);
      PressKey(editor, VK_F10);
      break;
    }
    case kMenuPicture: {
      HoldKey(VK_SHIFT, false);
      if (!FindWindowW(L"#32768", nullptr)) return End(1, L"Shift+F10 did not open lumen's menu");
      const bool taken = TakePicture(frame);
      EndMenu();
      if (taken) End(0, L"");
      return;
    }
    case kCopy: {
      // The file's first lines selected in the text, then Ctrl+Shift+C.
      const HWND editor = GetDlgItem(window_.viewer(), 1);
      const LRESULT end = SendMessageW(editor, SCI_POSITIONFROMLINE, kLinesPasted, 0);
      SendMessageW(editor, SCI_SETSEL, 0, end < 0 ? SendMessageW(editor, SCI_GETLENGTH, 0, 0) : end);
      SetFocus(editor);
      HoldKey(VK_CONTROL, true);
      HoldKey(VK_SHIFT, true);
      PressKey(editor, 'C');
      break;
    }
    case kPaste: {
      HoldKey(VK_CONTROL, false);
      HoldKey(VK_SHIFT, false);
      if (!IsClipboardFormatAvailable(RegisterClipboardFormatW(L"Rich Text Format"))) {
        return End(1, L"Ctrl+Shift+C put no rich text on the clipboard");
      }
      richEditLibrary_.reset(LoadLibraryW(L"msftedit.dll"));
      // A rich edit's window text is its content: the window has no caption text.
      pasted_.reset(CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 40, 40,
                                    kPasteWidth, kPasteHeight, nullptr, nullptr, nullptr, nullptr));
      if (!pasted_) return End(1, L"cannot create a rich edit control to paste into");
      SendMessageW(pasted_.get(), WM_PASTE, 0, 0);
      if (GetWindowTextLengthW(pasted_.get()) == 0) return End(1, L"nothing was pasted into the rich edit control");
      SendMessageW(pasted_.get(), EM_SETSEL, 0, 0);
      break;
    }
    case kFilter: {
      // The check box beside the search options, clicked as a person clicks it.
      const HWND box = FindButton(window_.viewer(), L"Show only matching lines");
      if (!box) return End(1, L"lumen's search panel has no check box to show only matching lines");
      SendMessageW(box, BM_CLICK, 0, 0);
      break;
    }
    case kFilterSettle:  // the filter's lines come from a worker, then paint
      RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      step_ = kPicture;
      break;
    case kPastePicture:
      RedrawWindow(pasted_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (TakePicture(pasted_.get())) End(0, L"");
      return;
    default:
      if (TakePicture(frame)) End(0, L"");
      break;
  }
}

bool Tour::TakePicture(HWND window) {
  const auto picture = CaptureWindow(window);
  if (!picture) {
    End(1, L"cannot read the window's picture");
    return false;
  }
  std::wstring error;
  if (!SavePng(*picture, picturePath_, error)) {
    End(1, error);
    return false;
  }
  return true;
}

void Tour::End(int exitCode, const std::wstring& message) {
  if (!message.empty()) PrintError(message);
  exitCode_ = exitCode;
  ending_ = true;
  Finish();
}

// A dialog's own message loop would take the quit message: it is closed
// first, and the tour quits at a later tick.
void Tour::Finish() {
  if (const HWND popup = OwnedPopup(window_.window())) {
    PostMessageW(popup, WM_CLOSE, 0, 0);
    return;
  }
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  runningTour = nullptr;
  PostQuitMessage(exitCode_);
}

}  // namespace lumen::demo
