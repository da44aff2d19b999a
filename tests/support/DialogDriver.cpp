#include "DialogDriver.h"

#include <algorithm>
#include <stdexcept>

#include "abi/HostMessages.h"

namespace lumen::test {
namespace {

constexpr wchar_t kHostClass[] = L"lumen.test.hostwindow";

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

thread_local ModalAnswerer* currentAnswerer = nullptr;

}  // namespace

HostWindow::HostWindow(RECT bounds) {
  static const ATOM hostClass = [] {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kHostClass;
    return RegisterClassW(&windowClass);
  }();
  if (!hostClass) throw std::runtime_error("cannot register the host window class");
  window_ = CreateWindowExW(0, kHostClass, L"Tessera", WS_OVERLAPPEDWINDOW | WS_VISIBLE, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw std::runtime_error("cannot create the host window");
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HostWindow::~HostWindow() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  PumpMessages();  // nothing of this test may reach the next one's loop
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == HBXPLUGINMSG_RELOADSETTINGS) {
    if (auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      host->reloads_.emplace_back(wParam, lParam);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool PumpMessages() {
  bool quit = false;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return quit;
}

OpenDialog::OpenDialog(HWND dialog) : dialog_(dialog) {
  if (!dialog_) throw std::runtime_error("no dialog");
  for (HWND child = GetWindow(dialog_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children_.push_back(child);
  }
}

OpenDialog::~OpenDialog() {
  if (IsWindow(dialog_)) DestroyWindow(dialog_);
  PumpMessages();
}

HWND OpenDialog::operator[](DialogControl control) const {
  if (control >= children_.size()) throw std::out_of_range("the dialog has fewer controls");
  return children_[control];
}

void OpenDialog::Click(DialogControl button) const {
  HWND control = (*this)[button];
  SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void OpenDialog::Choose(DialogControl combo, int index) const {
  HWND control = (*this)[combo];
  SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(control));
}

void OpenDialog::SetChecked(DialogControl box, bool checked) const {
  SendMessageW((*this)[box], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OpenDialog::Type(DialogControl edit, const std::wstring& text) const {
  SendMessageW((*this)[edit], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool OpenDialog::ClickAndRun(DialogControl button) const {
  Click(button);
  return PumpMessages();
}

std::wstring OpenDialog::Text(DialogControl control) const { return WindowText((*this)[control]); }

bool OpenDialog::Checked(DialogControl box) const {
  return SendMessageW((*this)[box], BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int OpenDialog::Selection(DialogControl combo) const {
  return static_cast<int>(SendMessageW((*this)[combo], CB_GETCURSEL, 0, 0));
}

int OpenDialog::Count(DialogControl combo) const {
  return static_cast<int>(SendMessageW((*this)[combo], CB_GETCOUNT, 0, 0));
}

std::wstring OpenDialog::Entry(DialogControl combo, int index) const {
  const LRESULT length = SendMessageW((*this)[combo], CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return L"<none>";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW((*this)[combo], CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

RECT OpenDialog::Bounds(DialogControl control) const {
  RECT bounds = {};
  GetWindowRect((*this)[control], &bounds);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

ModalAnswerer::ModalAnswerer(HWND owner, std::function<void(HWND box)> answer)
    : owner_(owner), answer_(std::move(answer)) {
  currentAnswerer = this;
  hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  if (!hook_) throw std::runtime_error("cannot hook the modal boxes");
}

ModalAnswerer::~ModalAnswerer() {
  UnhookWindowsHookEx(hook_);
  currentAnswerer = nullptr;
}

LRESULT CALLBACK ModalAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
  ModalAnswerer* self = currentAnswerer;
  HWND box = reinterpret_cast<HWND>(wParam);
  if (self && code == HCBT_DESTROYWND && box == self->answered_) self->answered_ = nullptr;
  if (self && code == HCBT_ACTIVATE) {
    // A box may be activated more than once; it is answered once.
    if (box != self->answered_ && GetWindow(box, GW_OWNER) == self->owner_) {
      self->answered_ = box;
      self->texts_.push_back(StaticTexts(box));
      self->titles_.push_back(WindowText(box));
      self->answer_(box);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PressButton(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

std::wstring StaticTexts(HWND window) {
  std::wstring texts;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring text = WindowText(child);
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0 || text.empty()) continue;
    if (!texts.empty()) texts += L"\n";
    texts += text;
  }
  return texts;
}

}  // namespace lumen::test
