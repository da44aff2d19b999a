// A log followed while a writer appends to it, over the real editor control
// with the configuration we ship: the time from a write to its text in the
// viewer, the CPU lumen takes while the file does not change, a file that
// grows by 10 MB a second (the longest message meanwhile), and a big log
// that grows by a line and then beyond its document's room.
//
//   follow_benchmark [--editor SciLexer.dll] [--big MB]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchmarkHost.h"
#include "Measurements.h"
#include "ProgramMain.h"
#include "RealEditor.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "base/Handles.h"

namespace lumen::benchmark {
namespace {

using namespace sci;

class Writer {
 public:
  explicit Writer(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!file_) throw std::runtime_error("cannot create the log");
  }
  void Write(const std::string& bytes) const {
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
      throw std::runtime_error("cannot write the log");
    }
  }

 private:
  UniqueHandle file_;
};

double ProcessCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& time) {
    return static_cast<double>((uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 10000.0;
  };
  return value(kernel) + value(user);
}

// A followed log of `megabytes`: one line appended, then more than its
// document has room for; the longest message each time.
void FollowBigLog(Host& host, size_t megabytes) {
  const std::wstring path = host.FilePath(L"big.log");
  const std::string line = "2026-12-09 12:00:00.000 INFO  worker 3: request 1234 served in 12 ms\n";
  std::string block;
  while (block.size() < (size_t{16} << 20)) block += line;
  {
    const Writer filling(path);
    for (size_t written = 0; written < (megabytes << 20); written += block.size()) filling.Write(block);
  }
  const auto length = [&] { return SendMessageW(host.editor(), SCI_GETLENGTH, 0, 0); };
  const auto described = [&] {
    wchar_t text[256] = {};
    HostTextRecord record = {};
    record.text = text;
    record.textCapacity = 256;
    SendMessageW(host.viewer(), HBXPLUGINMSG_DESCRIBEFILE, 0, reinterpret_cast<LPARAM>(&record));
    return std::wstring(text);
  };
  host.Measure(
      [&] { SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str())); },
      std::chrono::minutes(5), [&] { return described().find(L"loading") == std::wstring::npos; });
  SendMessageW(host.editor(), SCI_DOCUMENTEND, 0, 0);
  const UniqueHandle appending(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const auto append = [&](const std::string& bytes) {
    DWORD written = 0;
    WriteFile(appending.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  };
  LRESULT before = length();
  const MessageFigures oneLine =
      host.Measure([&] { append(line); }, std::chrono::seconds(30), [&] { return length() > before; });
  before = length();
  // More than the 2 % the document was given to spare.
  std::string beyond;
  while (beyond.size() < static_cast<size_t>(before) / 100 * 3) beyond += block;
  const MessageFigures outgrown = host.Measure([&] { append(beyond); }, std::chrono::minutes(2), [&] {
    return length() >= before + static_cast<LRESULT>(beyond.size());
  });
  std::printf("a followed %zu MB log: a line appended shown in %.0f ms, longest message %.0f ms; "
              "%.1f MB more than its room shown in %.1f s, longest message %.0f ms (%ls)\n",
              megabytes, oneLine.total, oneLine.longest, static_cast<double>(beyond.size()) / (1 << 20),
              outgrown.total / 1000.0, outgrown.longest, outgrown.longestWhat.c_str());
}

int Run(const std::vector<std::wstring>& arguments) {
  std::wstring editor;
  size_t bigMegabytes = 256;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == L"--editor") editor = arguments[i + 1];
    if (arguments[i] == L"--big") bigMegabytes = std::stoul(arguments[i + 1]);
  }
  const RealEditorFolder real(editor);
  Host host(real.plugin());
  const std::wstring path = host.FilePath(L"app.log");
  const Writer writer(path);
  std::string line = "2026-12-09 12:00:00.000 INFO  worker 3: request 1234 served in 12 ms\n";
  for (int i = 0; i < 1000; ++i) writer.Write(line);
  if (SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str())) != 1) {
    throw std::runtime_error("the log was not shown");
  }
  SendMessageW(host.editor(), SCI_DOCUMENTEND, 0, 0);
  const auto length = [&] { return SendMessageW(host.editor(), SCI_GETLENGTH, 0, 0); };

  // From a write to its text in the document, with the view at the end.
  std::vector<double> latencies;
  for (int i = 0; i < 50; ++i) {
    const LRESULT before = length();
    const MessageFigures figures =
        host.Measure([&] { writer.Write(line); }, std::chrono::seconds(5), [&] { return length() > before; });
    latencies.push_back(figures.total);
  }
  std::sort(latencies.begin(), latencies.end());
  std::printf("write to text shown: median %.0f ms, slowest %.0f ms (50 lines, looks every 100 ms)\n",
              latencies[latencies.size() / 2], latencies.back());

  // Nothing changes for ten seconds: what the looks cost.
  const double cpuBefore = ProcessCpuMilliseconds();
  host.Measure([] {}, std::chrono::seconds(10), [] { return false; });
  const double idle = (ProcessCpuMilliseconds() - cpuBefore) / 10000.0 * 100.0;
  std::printf("CPU while the log does not change: %.2f %% of one core\n", idle);

  // 10 MB a second for five seconds: a megabyte every tenth of a second.
  std::string megabyte;
  while (megabyte.size() < (size_t{1} << 20)) megabyte += line;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  const SIZE_T before = memory.WorkingSetSize;
  const LRESULT lengthBefore = length();
  std::thread growing([&] {
    for (int i = 0; i < 50; ++i) {
      writer.Write(megabyte);
      Sleep(100);
    }
  });
  const MessageFigures figures = host.Measure([] {}, std::chrono::seconds(30), [&] {
    return length() - lengthBefore >= static_cast<LRESULT>(50 * megabyte.size());
  });
  growing.join();
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("10 MB a second for 5 s: all shown %.1f s after the first write; longest message %.0f ms (%ls); "
              "working set +%.0f MB for %.0f MB of text\n",
              figures.total / 1000.0, figures.longest, figures.longestWhat.c_str(),
              static_cast<double>(memory.WorkingSetSize - before) / (1 << 20),
              static_cast<double>(length() - lengthBefore) / (1 << 20));
  FollowBigLog(host, bigMegabytes);
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("follow_benchmark", lumen::benchmark::Run); }
