#include "BenchmarkHost.h"

#include <stdexcept>

#include "Measurements.h"
#include "TestFiles.h"
#include "base/Controls.h"

namespace lumen::benchmark {

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

Host::Host(const std::wstring& plugin) : plugin_(plugin) {
  config_.Write(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"));
  if (!plugin_.StartUp()) throw std::runtime_error("lumen.dll did not start");
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"lumen.benchmark.Host";
  RegisterClassW(&windowClass);
  host_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000,
                              800, nullptr, nullptr, windowClass.hInstance, nullptr));
  const RECT place = {0, 0, 980, 760};
  viewer_ = plugin_.CreateViewer(host_.get(), &place, 0);
  if (!viewer_) throw std::runtime_error("no viewer");
}

Host::~Host() {
  host_.reset();
  plugin_.Uninit();
}

MessageFigures Host::Measure(const std::function<void()>& action, Clock::duration limit, std::function<bool()> done) {
  MessageFigures figures;
  const Clock::time_point start = Clock::now();
  action();
  figures.action = Milliseconds(Clock::now() - start);
  // Done by default when the file is loaded whole and counted. That is looked
  // at after each message: the control's idle styling of a big file keeps its
  // timer due, so the queue is seldom empty for seconds after a load.
  if (!done) {
    done = [&] {
      return WindowText(panelItem(kCount)).find(L"so far") == std::wstring::npos &&
             DescribeFile(viewer_).find("loading") == std::string::npos;
    };
  }
  const auto dispatch = [&](MSG& message) {
    const Clock::time_point before = Clock::now();
    TranslateMessage(&message);
    DispatchMessageW(&message);
    const double took = Milliseconds(Clock::now() - before);
    if (took > figures.longest) {
      figures.longest = took;
      wchar_t name[64] = {};
      GetClassNameW(message.hwnd, name, 64);
      wchar_t what[96];
      swprintf(what, 96, L"%04x %ls", message.message, message.hwnd ? name : L"thread");
      figures.longestWhat = what;
    }
  };
  MSG message;
  while (Clock::now() - start <= limit && !done()) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      dispatch(message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
  }
  figures.total = Milliseconds(Clock::now() - start);
  // The marks may go on after the count: until the queue is empty (or a
  // second has passed), so that the next action starts with none in hand.
  const Clock::time_point counted = Clock::now();
  while (Clock::now() - counted < std::chrono::seconds(1) && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    dispatch(message);
  }
  return figures;
}

}  // namespace lumen::benchmark
