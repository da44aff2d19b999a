#include "ViewerHarness.h"

#include <cstring>
#include <stdexcept>

#include "KeyRouting.h"

namespace lumen::test {
namespace {
constexpr wchar_t kHostClass[] = L"lumen.test.host";
}  // namespace

std::string TestConfiguration(bool lineNumbering, bool wrapping, bool searchSync) {
  auto flag = [](bool on) { return on ? std::string("yes") : std::string("no"); };
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <Highlight Foreground="FF8000" ForegroundAlpha="50" OutlineAlpha="A0"/>
  <FileSizeLimit>1048576</FileSizeLimit>
  <LineNumbering Enabled=")" + flag(lineNumbering) + R"("/>
  <LineWrapping Enabled=")" + flag(wrapping) + R"("/>
  <Tabulator Width="4"/>
  <SearchSync Enabled=")" + flag(searchSync) + R"("/>
  <Styles>
    <Style ext="*" lexer="1" name="Base"><WordStyles>
      <WordStyle name="Default" styleID="32" fgColor="101010" bgColor="FFFFFF" fontName="Courier New" fontSize="10"/>
    </WordStyles></Style>
    <Style ext="c h" lexer="3" name="C"><WordStyles>
      <WordStyle name="Comment" styleID="1" fgColor="123456" fontStyle="2" eolFill="0"/>
      <WordStyle name="Keyword" styleID="5" fgColor="0000FF" fontStyle="1"><Keywords id="0">int char return</Keywords></WordStyle>
      <WordStyle name="Unset" styleID="6" fgColor="" bgColor="-1" fontStyle="4"><Keywords>never sent</Keywords></WordStyle>
      <WordStyle name="Empty keywords" styleID="7"><Keywords id="1"></Keywords></WordStyle>
    </WordStyles></Style>
    <Style ext="txt" lexer="1" name="Text"/>
  </Styles>
</Config>
)";
}

ViewerHarness::ViewerHarness(const std::string& configuration, RECT place) : place_(place) {
  config_.Write(configuration);
  plugin_ = std::make_unique<PluginLibrary>();
  if (!plugin_->StartUp()) throw std::runtime_error("lumen.dll refused to start");
  WNDCLASSW hostClass = {};
  hostClass.lpfnWndProc = &ViewerHarness::HostProc;
  hostClass.hInstance = GetModuleHandleW(nullptr);
  hostClass.lpszClassName = kHostClass;
  RegisterClassW(&hostClass);
  // The client area is the pane's: 800 x 600 unless the test says otherwise.
  RECT frame = {0, 0, place.right - place.left, place.bottom - place.top};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  host_ = CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  SetForegroundWindow(host_);
  CreateViewer();
}

void ViewerHarness::CreateViewer() {
  viewer_ = plugin_->CreateViewer(host_, &place_, 7);
  if (!viewer_) throw std::runtime_error("HBX_CreateViewer failed");
  Pump();
}

ViewerHarness::~ViewerHarness() {
  if (viewer_ && IsWindow(viewer_)) DestroyWindow(viewer_);
  if (host_) DestroyWindow(host_);
  Pump();
  plugin_->Uninit();
}

LRESULT ViewerHarness::OpenText(const std::string& bytes, const std::wstring& name) {
  const std::wstring path = files_ / name;
  WriteBytes(path, bytes);
  return OpenFile(path);
}

LRESULT CALLBACK ViewerHarness::HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* harness = reinterpret_cast<ViewerHarness*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NOTIFY && harness) {
    // Read by the host's offsets, not through the plug-in's own record type.
    const auto* record = reinterpret_cast<const uint8_t*>(lParam);
    HostNotification notification = {};
    memcpy(&notification.from, record, sizeof(HWND));
    memcpy(&notification.id, record + 8, sizeof(UINT_PTR));
    memcpy(&notification.code, record + 16, 4);
    memcpy(&notification.value, record + 24, 4);
    harness->notifications_.push_back(notification);
    if (harness->onNotification) harness->onNotification();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool ViewerHarness::PressKey(UINT key, bool ctrl, bool shift) { return PressKeyInViewer(viewer_, key, ctrl, shift); }

void ViewerHarness::Pump() const { PumpThreadMessages(); }

std::wstring ViewerHarness::Description() const {
  std::vector<wchar_t> buffer(512, L'\0');
  RawRecord<40> record;
  record.Put<wchar_t*>(24, buffer.data());
  record.Put<uint32_t>(32, static_cast<uint32_t>(buffer.size()));
  Send(HBXPLUGINMSG_DESCRIBEFILE, 0, reinterpret_cast<LPARAM>(record.data()));
  return buffer.data();
}

bool ViewerHarness::WaitWhileLoading(DWORD patience) const {
  const ULONGLONG end = GetTickCount64() + patience;
  while (Description().find(L"loading") != std::wstring::npos) {
    if (GetTickCount64() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  return true;
}

std::string ViewerHarness::LineBeforeTheEnd() {
  SetFocus(editor());
  PressKey(VK_END, true);
  Pump();
  const LRESULT line = Sci(sci::SCI_LINEFROMPOSITION, Sci(sci::SCI_GETCURRENTPOS)) - 1;
  std::string text(static_cast<size_t>(Sci(sci::SCI_LINELENGTH, line)) + 1, '\0');
  text.resize(static_cast<size_t>(Sci(sci::SCI_GETLINE, line, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

bool ViewerHarness::WaitFor(const std::function<bool()>& done) const {
  for (int round = 0; round < 1000 && !done(); ++round) {
    Pump();
    Sleep(10);
  }
  return done();
}

void ViewerHarness::TypeSearchText(const std::wstring& text) const {
  SetWindowTextW(searchEdit(), text.c_str());
  Pump();
}

}  // namespace lumen::test
