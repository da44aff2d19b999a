#include "Tour.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "Screenshot.h"
#include "Text.h"
#include "logic/SearchWord.h"
#include "viewer/HostMessages.h"

namespace lumen::demo {
namespace {

constexpr UINT kStepMilliseconds = 400;
constexpr size_t kBytesLookedAt = 64 * 1024;

Tour* runningTour = nullptr;  // thread timers carry no context of their own

std::string ReadStart(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::string bytes(kBytesLookedAt, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

INPUT Key(WORD virtualKey, bool release) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT Character(wchar_t character, bool release) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = character;
  input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
  return input;
}

// Through the system's input queue, as a keyboard would: the messages reach
// the focused window through the host's message loop.
void Send(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

Tour::Tour(MainWindow& window, std::wstring filePath, std::wstring searchText, std::wstring picturePath,
           bool usePanel)
    : window_(window), filePath_(std::move(filePath)), searchText_(std::move(searchText)),
      picturePath_(std::move(picturePath)), usePanel_(usePanel) {}

Tour::~Tour() {
  if (timer_) KillTimer(nullptr, timer_);
  if (runningTour == this) runningTour = nullptr;
}

void Tour::Start() {
  if (usePanel_ && searchText_.empty()) searchText_ = PickSearchWord(ReadStart(filePath_));
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
  const HWND frame = window_.window();
  switch (step_++) {
    case 0:
      if (!window_.viewer()) return End(1, L"lumen shows no file of " + filePath_);
      if (!usePanel_) {
        step_ = 2;
        break;
      }
      SetForegroundWindow(frame);
      Send({Key(VK_CONTROL, false), Key('F', false), Key('F', true), Key(VK_CONTROL, true)});
      break;
    case 1: {
      if (!SearchPanelShown()) return End(1, L"Ctrl+F did not open lumen's search panel");
      std::vector<INPUT> typing;
      for (const wchar_t character : searchText_) {
        typing.push_back(Character(character, false));
        typing.push_back(Character(character, true));
      }
      Send(std::move(typing));
      break;
    }
    case 2:  // one more step for the editor to style and paint what it shows
      RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      break;
    default: {
      const auto picture = CaptureWindow(frame);
      if (!picture) return End(1, L"cannot read the window's picture");
      std::wstring error;
      if (!SavePng(*picture, picturePath_, error)) return End(1, error);
      End(0, L"");
      break;
    }
  }
}

void Tour::End(int exitCode, const std::wstring& message) {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  runningTour = nullptr;
  if (!message.empty()) PrintError(message);
  PostQuitMessage(exitCode);
}

}  // namespace lumen::demo
