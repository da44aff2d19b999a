// How fast lumen opens large files and how much memory it needs on the way,
// beside what the least possible work costs in the same run:
//
//   load_benchmark [--real | --editor SciLexer.dll] [--wrap] [--whole] [--loaders] [--sizes MB,MB,...] [--runs 3]
//
// With the editor stand-in (default) the reference is a plain read of the file
// plus one copy of its bytes; with --real (the Scintilla 5 control in real\)
// or --editor (another SciLexer.dll, such as a 3.x control) it is the
// control's own SCI_ADDTEXT of the file's text. --loaders compares the ways a
// big file's document can be built with the control's loader. Every measurement
// runs in a fresh process of this program, so that the process's peak working
// set is that of the one operation; the reference and lumen run in turns,
// several times, and the fastest time and the median memory are printed.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Measurements.h"
#include "ProgramMain.h"
#include "RealEditor.h"
#include "SampleFiles.h"
#include "TestFiles.h"

namespace lumen::benchmark {
namespace {

constexpr size_t kKilobyte = size_t{1} << 10;
constexpr size_t kMegabyte = size_t{1} << 20;

enum class Operation { ReadAndCopy, OpenInViewer, AddTextToControl, LoaderOnViewersThread, LoaderGrownByWorker,
                       LoaderOnWorker };
const wchar_t* const kOperationNames[] = {L"read-and-copy", L"open", L"add-text", L"loader-viewer", L"loader-grown",
                                          L"loader-worker"};

struct Options {
  // Which control: none (the stand-in), "real" (the build's Scintilla 5), or
  // the path of another SciLexer.dll.
  std::wstring editor;
  bool loaders = false;
  bool wrap = false;  // the shipped configuration with line wrapping on
  bool whole = false;  // every file given to the control whole, none through a window (up to 2 GB)
  // Sample sizes in bytes. By default 1 KB (the cost of any load), 1, 16 and
  // 128 MB; 1, 16 and 128 MB with a real control.
  std::vector<size_t> sizes;
  int runs = 3;
  bool realEditor() const { return !editor.empty(); }
  std::wstring EditorArguments() const {
    return std::wstring(wrap ? L" --wrap" : L"") + (whole ? L" --whole" : L"") +
           (editor.empty() ? L"" : editor == L"real" ? L" --real" : L" --editor \"" + editor + L"\"");
  }
};

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// --- In the measuring process ---

int Measure(Operation operation, const std::wstring& path, const Options& options) {
  Figures figures;
  const std::wstring bin = test::ProgramFolder();
  std::unique_ptr<RealEditorFolder> real =
      options.realEditor() ? std::make_unique<RealEditorFolder>(options.editor == L"real" ? L"" : options.editor)
                           : nullptr;
  const std::wstring plugin = real ? real->plugin() : bin + L"\\lumen.dll";
  const std::wstring editor = real ? real->editorLibrary() : bin + L"\\SciLexer.dll";
  switch (operation) {
    case Operation::ReadAndCopy: figures = ReadAndCopy(path); break;
    case Operation::OpenInViewer: figures = OpenInViewer(path, plugin, options.wrap, options.whole); break;
    case Operation::AddTextToControl: figures = AddTextToControl(path, editor); break;
    case Operation::LoaderOnViewersThread: figures = BuildWithLoader(path, editor, LoaderWay::FullOnViewersThread); break;
    case Operation::LoaderGrownByWorker: figures = BuildWithLoader(path, editor, LoaderWay::SmallGrownByWorker); break;
    case Operation::LoaderOnWorker: figures = BuildWithLoader(path, editor, LoaderWay::FullOnWorker); break;
  }
  std::printf("%.6f %llu %.6f %.6f %.6f %s\n", figures.seconds, static_cast<unsigned long long>(figures.peakExtraBytes),
              figures.firstScreen, figures.longestMessage, figures.longestOfLumen, figures.label.c_str());
  return 0;
}

// --- In the process that prints the table ---

// Runs this program with `arguments` and gives back what it printed.
std::string RunMeasuringProcess(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) throw std::runtime_error("no pipe");
  const UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    throw std::runtime_error("cannot start the measuring process");
  }
  const UniqueHandle process(started.hProcess), thread(started.hThread);
  writer.reset();  // the child holds the only write end now: the reads below end with it
  std::string output;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) output.append(buffer, read);
  WaitForSingleObject(started.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(started.hProcess, &exitCode);
  if (exitCode != 0) throw std::runtime_error("a measuring process failed");
  return output;
}

Figures MeasureInFreshProcess(Operation operation, const std::wstring& path, const Options& options) {
  std::istringstream printed(RunMeasuringProcess(L"--measure " +
                                                 std::wstring(kOperationNames[static_cast<int>(operation)]) + L" \"" +
                                                 path + L"\"" + options.EditorArguments()));
  Figures figures;
  printed >> figures.seconds >> figures.peakExtraBytes >> figures.firstScreen >> figures.longestMessage >>
      figures.longestOfLumen;
  std::getline(printed >> std::ws, figures.label);
  return figures;
}

// The fastest of several runs (other work on the machine only ever adds
// time) and the median memory.
Figures Summary(std::vector<Figures> runs) {
  Figures summary = runs.front();
  for (const Figures& run : runs) {
    summary.seconds = std::min(summary.seconds, run.seconds);
    summary.firstScreen = std::min(summary.firstScreen, run.firstScreen);
    // The host's worst wait is the one people notice: the longest of all runs.
    summary.longestMessage = std::max(summary.longestMessage, run.longestMessage);
    summary.longestOfLumen = std::max(summary.longestOfLumen, run.longestOfLumen);
  }
  std::sort(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.peakExtraBytes < b.peakExtraBytes; });
  summary.peakExtraBytes = runs[runs.size() / 2].peakExtraBytes;
  return summary;
}

// The reference and lumen, run in turns so that both meet the same load of the machine.
std::pair<Figures, Figures> MeasureSideBySide(Operation reference, const std::wstring& path, const Options& options) {
  std::vector<Figures> references, loads;
  for (int run = 0; run < options.runs; ++run) {
    references.push_back(MeasureInFreshProcess(reference, path, options));
    loads.push_back(MeasureInFreshProcess(Operation::OpenInViewer, path, options));
  }
  return {Summary(references), Summary(loads)};
}

std::string SizeName(size_t size) {
  return size < kMegabyte ? std::to_string(size / kKilobyte) + " KB" : std::to_string(size / kMegabyte) + " MB";
}

// Where the time of a UTF-8 load goes once memory is no longer new.
void PrintWarmParts(const test::TempFolder& folder, const Options& options) {
  std::printf("\nUTF-8 sample on buffers already touched (best of %d):\n", options.runs);
  std::printf("%-8s | %9s %9s | %11s %11s %6s\n", "size", "read", "memcpy", "IsValidUtf8", "platform", "ratio");
  for (size_t size : options.sizes) {
    if (size < kMegabyte) continue;
    const std::wstring path = folder / L"warm-sample.c";
    test::WriteBytes(path, SampleText(SampleEncoding::Utf8, size));
    WarmParts best = MeasureWarmParts(path);
    for (int run = 1; run < options.runs; ++run) {
      const WarmParts parts = MeasureWarmParts(path);
      best = {std::min(best.read, parts.read), std::min(best.copy, parts.copy),
              std::min(best.validate, parts.validate), std::min(best.platformValidate, parts.platformValidate)};
    }
    DeleteFileW(path.c_str());
    std::printf("%-8s | %7.4f s %7.4f s | %9.4f s %9.4f s %6.2f\n", SizeName(size).c_str(), best.read, best.copy,
                best.validate, best.platformValidate, best.validate / best.platformValidate);
  }
}

void PrintConversions(const Options& options) {
  std::printf("\nConversions to UTF-8 of bytes already in memory (best of %d):\n", options.runs);
  std::printf("%-8s %-9s | %9s %9s %6s\n", "size", "from", "lumen", "platform", "ratio");
  for (size_t size : options.sizes) {
    if (size < kMegabyte) continue;
    for (SampleEncoding sample : {SampleEncoding::Utf16LE, SampleEncoding::Ansi}) {
      const std::string bytes = SampleText(sample, size);
      const Encoding encoding = sample == SampleEncoding::Ansi ? Encoding::Ansi : Encoding::Utf16LE;
      ConversionTimes best = MeasureConversion(bytes, encoding);
      for (int run = 1; run < options.runs; ++run) {
        const ConversionTimes times = MeasureConversion(bytes, encoding);
        best = {std::min(best.lumen, times.lumen), std::min(best.platform, times.platform)};
      }
      std::printf("%-8s %-9s | %7.4f s %7.4f s %6.2f\n", SizeName(size).c_str(), SampleEncodingName(sample), best.lumen,
                  best.platform, best.lumen / best.platform);
    }
  }
}

std::string DetectedEncoding(const std::string& label) { return label.substr(0, label.find(',')); }

std::string ControlName(const Options& options) {
  if (!options.realEditor()) return "editor stand-in, reference: a plain read plus one memcpy";
  const std::string control = options.editor == L"real" ? "Scintilla 5" : test::ToUtf8(options.editor);
  return "real editor control (" + control + "), reference: the control's own SCI_ADDTEXT" +
         (options.wrap ? "; lines wrapped as configured" : "");
}

void PrintRow(size_t size, const char* sample, const Figures& base, const Figures& lumen) {
  std::printf("%-7s %-9s %-9s | %9.4f s %9.4f s %6.2f | %10.4f s %10.4f s %10.4f s | ", SizeName(size).c_str(),
              sample, DetectedEncoding(lumen.label).c_str(), base.seconds, lumen.seconds,
              lumen.seconds / base.seconds, lumen.firstScreen, lumen.longestOfLumen, lumen.longestMessage);
  const double megabyte = static_cast<double>(kMegabyte);
  if (size < kMegabyte) {
    std::printf("%12s %12s %6s\n", "-", "-", "-");  // below what the working set shows reliably
  } else {
    std::printf("%9.1f MB %9.1f MB %6.2f\n", static_cast<double>(base.peakExtraBytes) / megabyte,
                static_cast<double>(lumen.peakExtraBytes) / megabyte,
                static_cast<double>(lumen.peakExtraBytes) / static_cast<double>(base.peakExtraBytes));
  }
  std::fflush(stdout);
}

// The candidates for building a big file's document, each beside the
// control's own SCI_ADDTEXT: the longest message is the viewer's thread's part.
int PrintLoaders(const Options& options) {
  std::printf("Building a document with the control's loader: %s; %d runs each\n", ControlName(options).c_str(),
              options.runs);
  std::printf("%-7s %-22s | %11s %11s %6s | %12s | %12s %12s %6s\n", "file", "way", "SCI_ADDTEXT", "loader",
              "ratio", "longest msg", "ref. memory", "memory", "ratio");
  const test::TempFolder folder;
  const std::pair<Operation, const char*> ways[] = {{Operation::LoaderOnViewersThread, "made whole, viewer"},
                                                    {Operation::LoaderGrownByWorker, "made small, grown"},
                                                    {Operation::LoaderOnWorker, "made whole, worker"}};
  for (size_t size : options.sizes) {
    const std::wstring path = folder / L"sample.c";
    test::WriteBytes(path, SampleText(SampleEncoding::Utf8, size));
    for (const auto& [way, name] : ways) {
      std::vector<Figures> references, builds;
      for (int run = 0; run < options.runs; ++run) {
        references.push_back(MeasureInFreshProcess(Operation::AddTextToControl, path, options));
        builds.push_back(MeasureInFreshProcess(way, path, options));
      }
      const Figures base = Summary(references), built = Summary(builds);
      std::printf("%-7s %-22s | %9.4f s %9.4f s %6.2f | %10.4f s | %9.1f MB %9.1f MB %6.2f\n", SizeName(size).c_str(),
                  name, base.seconds, built.seconds, built.seconds / base.seconds, built.longestMessage,
                  static_cast<double>(base.peakExtraBytes) / kMegabyte, static_cast<double>(built.peakExtraBytes) / kMegabyte,
                  static_cast<double>(built.peakExtraBytes) / static_cast<double>(base.peakExtraBytes));
      std::fflush(stdout);
    }
  }
  return 0;
}

int PrintTable(const Options& options) {
  const Operation reference = options.realEditor() ? Operation::AddTextToControl : Operation::ReadAndCopy;
  std::printf("lumen load benchmark: %s; %d runs each: fastest time, median memory; ANSI code page %u\n",
              ControlName(options).c_str(), options.runs, GetACP());
  // The longest message to lumen's windows (the load message and the turns),
  // and of all the host's messages, the control's own painting and idle
  // styling among them.
  std::printf("%-17s %-9s | %11s %11s %6s | %12s %12s %12s | %12s %12s %6s\n", "file", "detected", "reference",
              "lumen", "ratio", "first screen", "lumen's msg", "longest msg", "ref. memory", "lumen memory",
              "ratio");
  const test::TempFolder folder;
  for (size_t size : options.sizes) {
    for (SampleEncoding encoding :
         {SampleEncoding::Utf8, SampleEncoding::Utf16LE, SampleEncoding::Ansi, SampleEncoding::AnsiLate}) {
      const std::wstring path = folder / (L"sample-" + std::to_wstring(size) + L"-" +
                                          std::to_wstring(static_cast<int>(encoding)) + L".c");
      test::WriteBytes(path, SampleText(encoding, size));
      const auto [base, lumen] = MeasureSideBySide(reference, path, options);
      DeleteFileW(path.c_str());
      PrintRow(size, SampleEncodingName(encoding), base, lumen);
    }
  }
  if (!options.realEditor()) {
    PrintWarmParts(folder, options);
    PrintConversions(options);
  }
  return 0;
}

// Megabytes, separated by commas.
std::vector<size_t> ParseSizes(const std::wstring& list) {
  std::vector<size_t> sizes;
  std::wistringstream items(list);
  for (std::wstring item; std::getline(items, item, L',');) sizes.push_back(std::stoul(item) * kMegabyte);
  return sizes;
}

int Run(const std::vector<std::wstring>& arguments) {
  Options options;
  std::wstring measure, path;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == L"--real") {
      options.editor = L"real";
    } else if (argument == L"--editor" && hasValue) {
      options.editor = arguments[++i];
    } else if (argument == L"--loaders") {
      options.loaders = true;
    } else if (argument == L"--wrap") {
      options.wrap = true;
    } else if (argument == L"--whole") {
      options.whole = true;
    } else if (argument == L"--sizes" && hasValue) {
      options.sizes = ParseSizes(arguments[++i]);
    } else if (argument == L"--runs" && hasValue) {
      options.runs = std::max(1, std::stoi(arguments[++i]));
    } else if (argument == L"--measure" && i + 2 < arguments.size()) {
      measure = arguments[++i];
      path = arguments[++i];
    } else {
      std::fprintf(stderr,
                   "usage: load_benchmark [--real | --editor SciLexer.dll] [--wrap] [--whole] [--loaders] [--sizes MB,MB,...] "
                   "[--runs 3]\n");
      return 2;
    }
  }
  if (options.sizes.empty()) {
    options.sizes = options.realEditor() ? std::vector<size_t>{kMegabyte, 16 * kMegabyte, 128 * kMegabyte}
                                         : std::vector<size_t>{kKilobyte, kMegabyte, 16 * kMegabyte, 128 * kMegabyte};
  }
  if (measure.empty()) return options.loaders ? PrintLoaders(options) : PrintTable(options);
  const auto* name = std::find(std::begin(kOperationNames), std::end(kOperationNames), measure);
  if (name == std::end(kOperationNames)) return 2;
  return Measure(static_cast<Operation>(name - std::begin(kOperationNames)), path, options);
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("load_benchmark", lumen::benchmark::Run); }
