#include "Measurements.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>
#include <windows.h>
#include <psapi.h>

#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "TestFiles.h"
#include "text/Encoding.h"
#include "abi/ScintillaInterface.h"

namespace lumen::benchmark {
namespace {

constexpr UINT kOpenFile = 0x8F02;
constexpr UINT kDescribeFile = 0x8F06;

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

template <typename Operation>
double Seconds(Operation operation) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  operation();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Times `operation` and takes the growth of the peak working set it causes.
template <typename Operation>
Figures Measure(Operation operation) {
  const uint64_t before = MemoryCounters().WorkingSetSize;
  Figures figures;
  figures.seconds = Seconds(operation);
  const uint64_t peak = MemoryCounters().PeakWorkingSetSize;
  figures.peakExtraBytes = peak > before ? peak - before : 0;
  return figures;
}

UniqueHandle OpenForReading(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) throw std::runtime_error("cannot open the sample file");
  return file;
}

void ReadAll(HANDLE file, char* buffer, size_t length) {
  DWORD read = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(length), &read, nullptr) || read != length) {
    throw std::runtime_error("cannot read the sample file");
  }
}

// An invisible stand-in for the host's main window: nothing is ever painted.
UniqueWindow HostWindow() {
  static const wchar_t* const className = [] {
    WNDCLASSW host = {};
    host.lpfnWndProc = DefWindowProcW;
    host.hInstance = GetModuleHandleW(nullptr);
    host.lpszClassName = L"lumen.benchmark.Host";
    RegisterClassW(&host);
    return host.lpszClassName;
  }();
  UniqueWindow window(CreateWindowExW(0, className, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!window) throw std::runtime_error("cannot create the host window");
  return window;
}

}  // namespace

std::string DescribeFile(HWND viewer) {
  wchar_t text[256] = {};
  test::RawRecord<40> record;
  record.Put<wchar_t*>(24, text);
  record.Put<uint32_t>(32, 256);
  SendMessageW(viewer, kDescribeFile, 0, reinterpret_cast<LPARAM>(record.data()));
  return test::ToUtf8(text);
}

Figures ReadAndCopy(const std::wstring& path) {
  volatile char sink = 0;  // so that the copy is not optimised away
  Figures figures = Measure([&] {
    const UniqueHandle file = OpenForReading(path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) throw std::runtime_error("cannot size the sample file");
    const auto length = static_cast<size_t>(size.QuadPart);
    const std::unique_ptr<char[]> bytes(new char[length]);
    ReadAll(file.get(), bytes.get(), length);
    const std::unique_ptr<char[]> copy(new char[length]);
    std::memcpy(copy.get(), bytes.get(), length);
    sink = copy[length / 2];
  });
  (void)sink;
  figures.firstScreen = figures.longestMessage = figures.seconds;
  return figures;
}

WarmParts MeasureWarmParts(const std::wstring& path) {
  std::string bytes = test::ReadBytes(path);
  std::string copy(bytes.size(), '\0');
  WarmParts parts;
  parts.read = Seconds([&] { ReadAll(OpenForReading(path).get(), bytes.data(), bytes.size()); });
  parts.copy = Seconds([&] { std::memcpy(copy.data(), bytes.data(), bytes.size()); });
  bool valid = false, platformValid = false;
  parts.validate = Seconds([&] { valid = IsValidUtf8(copy.data(), copy.size()); });
  parts.platformValidate = Seconds([&] {
    platformValid = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, copy.data(), static_cast<int>(copy.size()),
                                        nullptr, 0) != 0;
  });
  if (!valid || !platformValid) throw std::runtime_error("the UTF-8 sample is not valid UTF-8");
  return parts;
}

ConversionTimes MeasureConversion(const std::string& bytes, Encoding encoding) {
  ConversionTimes times;
  std::string ours, theirs;
  times.lumen = Seconds([&] { ours = ConvertToUtf8(bytes, encoding); });
  times.platform = Seconds([&] {
    std::wstring units;
    if (encoding == Encoding::Ansi) {
      units.resize(bytes.size());
      units.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                           units.data(), static_cast<int>(units.size()))));
    } else {
      units.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    }
    const int length = static_cast<int>(units.size());
    theirs.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, units.data(), length, nullptr, 0, nullptr, nullptr)));
    WideCharToMultiByte(CP_UTF8, 0, units.data(), length, theirs.data(), static_cast<int>(theirs.size()), nullptr, nullptr);
  });
  if (ours != theirs) throw std::runtime_error("lumen's conversion differs from the platform's");
  return times;
}

Figures OpenInViewer(const std::wstring& path, const std::wstring& pluginPath, bool wrapping, bool whole) {
  test::HostedConfig config;
  std::string shipped = test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml");
  constexpr std::string_view kNoWrapping = "<LineWrapping Enabled=\"no\"/>";
  if (const size_t at = shipped.find(kNoWrapping); wrapping && at != std::string::npos) {
    shipped.replace(at, kNoWrapping.size(), "<LineWrapping Enabled=\"yes\"/>");
  }
  if (const size_t at = shipped.find("<Styles"); whole && at != std::string::npos) {
    shipped.insert(at, "<FileWindow FromMegabytes=\"2048\"/>");
  }
  config.Write(shipped);
  test::PluginLibrary plugin(pluginPath);
  if (!plugin.StartUp()) throw std::runtime_error("lumen.dll did not start");
  const UniqueWindow host = HostWindow();
  ShowWindow(host.get(), SW_SHOWNOACTIVATE);  // painted, so that the first screen can be timed
  const RECT place = {0, 0, 800, 600};
  const HWND viewer = plugin.CreateViewer(host.get(), &place, 0);
  if (!viewer) throw std::runtime_error("no viewer");
  // A first small load, so that what happens once per viewer is not counted.
  const std::wstring warmUp = config.folder() + L"\\warm-up.c";
  test::WriteBytes(warmUp, "int x;\n");
  SendMessageW(viewer, kOpenFile, 0, reinterpret_cast<LPARAM>(warmUp.c_str()));
  RedrawWindow(host.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

  LRESULT loaded = 0;
  double firstScreen = 0, longest = 0, longestOfLumen = 0;
  Figures figures = Measure([&] {
    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const auto since = [&](const LARGE_INTEGER& from) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    loaded = SendMessageW(viewer, kOpenFile, 0, reinterpret_cast<LPARAM>(path.c_str()));
    longest = longestOfLumen = since(start);
    RedrawWindow(host.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    firstScreen = since(start);
    // The host's loop: every message timed, until the description is final
    // (looked at after each message: the control's idle styling of a big
    // document posts its steps back to back once the load is done).
    const auto loading = [&] { return loaded == 1 && DescribeFile(viewer).find("loading") != std::string::npos; };
    while (loading()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      MSG msg;
      while (loading() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        LARGE_INTEGER dispatched;
        QueryPerformanceCounter(&dispatched);
        DispatchMessageW(&msg);
        const double took = since(dispatched);
        longest = std::max(longest, took);
        // The viewer's own windows, not the control's painting and idle styling.
        wchar_t windowClass[64] = {};
        GetClassNameW(msg.hwnd, windowClass, 64);
        if (std::wstring_view(windowClass).starts_with(L"tesseraviewerplugin.lumen")) {
          longestOfLumen = std::max(longestOfLumen, took);
        }
      }
    }
  });
  if (loaded != 1) throw std::runtime_error("the viewer did not load the sample file");
  figures.firstScreen = firstScreen;
  figures.longestMessage = longest;
  figures.longestOfLumen = longestOfLumen;
  figures.label = DescribeFile(viewer);
  DestroyWindow(viewer);
  plugin.Uninit();
  return figures;
}

namespace {

// A fresh control made as the viewer makes its editor and shown as the viewer
// shows it, with the text of the file at `path` as UTF-8.
struct ControlWithText {
  ControlWithText(const std::wstring& path, const std::wstring& editorLibrary) {
    const std::string bytes = test::ReadBytes(path);
    text = ConvertToUtf8(bytes, DetectEncoding(bytes));
    if (!LoadLibraryW(editorLibrary.c_str())) throw std::runtime_error("cannot load the editor control");
    editor.reset(CreateWindowExW(WS_EX_WINDOWEDGE, L"Scintilla", L"Source",
                                 WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 800, 600, host.get(),
                                 reinterpret_cast<HMENU>(1), GetModuleHandleW(nullptr), nullptr));
    if (!editor) throw std::runtime_error("cannot create the editor control");
    ShowWindow(editor.get(), SW_SHOW);
    ShowWindow(host.get(), SW_SHOWNOACTIVATE);
    Send(sci::SCI_SETCODEPAGE, sci::SC_CP_UTF8);
    RedrawWindow(host.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(editor.get(), message, wParam, lParam);
  }
  void Paint() const { RedrawWindow(host.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

  std::string text;
  UniqueWindow host = HostWindow();
  UniqueWindow editor;
};

}  // namespace

Figures AddTextToControl(const std::wstring& path, const std::wstring& editorLibrary) {
  const ControlWithText control(path, editorLibrary);
  Figures figures = Measure([&] {
    control.Send(sci::SCI_ADDTEXT, control.text.size(), reinterpret_cast<LPARAM>(control.text.data()));
    control.Paint();  // its first screen shown
  });
  figures.firstScreen = figures.longestMessage = figures.seconds;  // one message, before anything shows
  return figures;
}

Figures BuildWithLoader(const std::wstring& path, const std::wstring& editorLibrary, LoaderWay way) {
  constexpr size_t kSlice = size_t{4} << 20;
  const ControlWithText control(path, editorLibrary);
  control.Send(sci::SCI_SETUNDOCOLLECTION, 0);  // as the viewer sets its editor up
  const size_t room = control.text.size() + 65536;
  double longest = 0;
  Figures figures = Measure([&] {
    sci::ILoader* loader = nullptr;
    if (way == LoaderWay::FullOnWorker) {
      // As lumen does it: a hidden control of this thread, its direct function called on the worker.
      UniqueWindow factory;
      longest = Seconds([&] {
        factory.reset(CreateWindowExW(0, L"Scintilla", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
      });
      const auto direct =
          reinterpret_cast<sci::DirectFunction>(SendMessageW(factory.get(), sci::SCI_GETDIRECTFUNCTION, 0, 0));
      const auto pointer = static_cast<intptr_t>(SendMessageW(factory.get(), sci::SCI_GETDIRECTPOINTER, 0, 0));
      std::thread([&] { loader = reinterpret_cast<sci::ILoader*>(direct(pointer, sci::SCI_CREATELOADER, room, 0)); })
          .join();
    } else {
      longest = Seconds([&] {
        loader = reinterpret_cast<sci::ILoader*>(
            control.Send(sci::SCI_CREATELOADER, way == LoaderWay::FullOnViewersThread ? room : size_t{1} << 20));
      });
    }
    if (!loader) throw std::runtime_error("the control made no loader");
    std::thread([&] {
      for (size_t at = 0; at < control.text.size(); at += kSlice) {
        loader->AddData(control.text.data() + at, static_cast<intptr_t>(std::min(kSlice, control.text.size() - at)));
      }
    }).join();
    longest = std::max(longest, Seconds([&] {
      void* document = loader->ConvertToDocument();
      control.Send(sci::SCI_SETDOCPOINTER, 0, reinterpret_cast<LPARAM>(document));
      control.Send(sci::SCI_RELEASEDOCUMENT, 0, reinterpret_cast<LPARAM>(document));
      control.Send(sci::SCI_SETCODEPAGE, sci::SC_CP_UTF8);
      control.Paint();
    }));
  });
  if (control.Send(sci::SCI_GETLENGTH) != static_cast<LRESULT>(control.text.size())) {
    throw std::runtime_error("the loader's document lost text");
  }
  figures.firstScreen = figures.seconds;
  figures.longestMessage = longest;
  return figures;
}

}  // namespace lumen::benchmark
