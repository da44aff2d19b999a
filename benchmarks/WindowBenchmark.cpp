// Files too big to give the control whole, shown through a window, over the
// real editor control, beside this machine's own scan of the same bytes:
//
//   window_benchmark [--sizes MB,MB,...] [--editor SciLexer.dll] [--ansi | --utf16] [--gzip]
//
// For each size (1536, 2560 and 10240 MB unless told) a log of that size is
// written (and deleted after), then: the machine's reference (the file read
// from the page cache in 1 MB pieces and its line ends counted; memchr for
// "e" over a mapped view), the first screen, the index's speed, Ctrl+End
// once indexed, the count of a word, a letter and a regular expression, the
// filter of a word (its first lines on screen and all of it), and the
// host's working set over an empty viewer's. Every figure says how long
// the longest single message kept the host's thread. --ansi writes each line
// with a Latin-1 letter, so that the file is read (and searched) in the
// system's code page; --utf16 writes the log in UTF-16 (little-endian, with
// its mark), converted as it is read and searched. --gzip compresses the log
// (zlib, level 6, as gzip and logrotate write it) and opens big.log.gz: the
// machine's reference is then zlib's own inflate of it, on one core.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BenchmarkHost.h"
#include "Measurements.h"
#include "ProgramMain.h"
#include "RealEditor.h"
#include "TestFiles.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "base/Controls.h"
#include "base/Handles.h"
#include "base/SharedFile.h"
#include "resources/resource.h"
#include "text/Compression.h"
#include "text/LineIndex.h"

#include <zlib.h>

namespace lumen::benchmark {
namespace {

constexpr uint64_t kMegabyte = uint64_t{1} << 20;
constexpr int kSearchEdit = 1, kRegularExpression = 9;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

uint64_t WorkingSet() {
  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  return memory.WorkingSetSize;
}

// A log of `bytes` bytes: lines of a server's requests, numbers varying.
enum class LogText { Utf8, Ansi, Utf16 };

void WriteLog(const std::wstring& path, uint64_t bytes, LogText form) {
  const bool ansi = form == LogText::Ansi;
  std::string block;
  block.reserve(64 * kMegabyte + 256);
  char line[256];
  for (unsigned n = 0; block.size() < 64 * kMegabyte; ++n) {
    std::snprintf(line, sizeof line,
                  "2026-12-10 12:%02u:%02u.%03u INFO  [worker-%u] request %u handled %u items in %u ms for user%u%s\n",
                  n / 60 % 60, n % 60, n % 1000, n % 16, n, n % 97, n % 13, n % 5000, ansi ? " caf\xE9" : "");
    block += line;
  }
  if (form == LogText::Utf16) {
    // ASCII: each byte a unit of two.
    std::string units;
    units.reserve(2 * block.size());
    for (const char byte : block) units.append({byte, '\0'});
    block = std::move(units);
  }
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  uint64_t written = 0;
  if (form == LogText::Utf16) {
    DWORD done = 0;
    WriteFile(file.get(), "\xFF\xFE", 2, &done, nullptr);
    written = done;
  }
  while (written < bytes) {
    const auto piece = static_cast<DWORD>(std::min<uint64_t>(block.size(), bytes - written));
    DWORD done = 0;
    if (!WriteFile(file.get(), block.data(), piece, &done, nullptr) || done == 0) throw std::runtime_error("disk full");
    written += done;
  }
}

// The machine's own scan: the file's line ends counted from the page cache.
double ReadAndCountLineEnds(const std::wstring& path, uint64_t& lines) {
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  std::vector<char> piece(kMegabyte);
  const Clock::time_point start = Clock::now();
  lines = 0;
  DWORD read = 0;
  while (ReadFile(file.get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) && read > 0) {
    lines += CountLineEnds({piece.data(), read});
  }
  return Seconds(Clock::now() - start);
}

// memchr for one byte over a mapped view of the file, on one core.
double MappedMemchrCount(const std::wstring& path, char byte, uint64_t& count) {
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  GetFileSizeEx(file.get(), &size);
  const UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  const Clock::time_point start = Clock::now();
  count = 0;
  constexpr uint64_t kView = uint64_t{1} << 30;
  for (uint64_t at = 0; at < static_cast<uint64_t>(size.QuadPart); at += kView) {
    const auto length = static_cast<size_t>(std::min<uint64_t>(kView, size.QuadPart - at));
    const auto* view = static_cast<const char*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, static_cast<DWORD>(at >> 32),
                                                              static_cast<DWORD>(at & 0xFFFFFFFF), length));
    if (!view) throw std::runtime_error("no view");
    for (const char* p = view; (p = static_cast<const char*>(std::memchr(p, byte, view + length - p))) != nullptr; ++p) {
      ++count;
    }
    UnmapViewOfFile(view);
  }
  return Seconds(Clock::now() - start);
}

// `from` written to `to` as gzip writes it.
void GzipFile(const std::wstring& from, const std::wstring& to) {
  const UniqueHandle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  const UniqueHandle out(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  z_stream stream = {};
  deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::vector<char> piece(kMegabyte), packed(2 * kMegabyte);
  DWORD read = 0;
  int flush = Z_NO_FLUSH;
  do {
    if (!ReadFile(in.get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr)) read = 0;
    flush = read == 0 ? Z_FINISH : Z_NO_FLUSH;
    stream.next_in = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_in = read;
    do {
      stream.next_out = reinterpret_cast<Bytef*>(packed.data());
      stream.avail_out = static_cast<uInt>(packed.size());
      deflate(&stream, flush);
      DWORD done = 0;
      WriteFile(out.get(), packed.data(), static_cast<DWORD>(packed.size() - stream.avail_out), &done, nullptr);
    } while (stream.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&stream);
}

// The machine's own decompression: zlib's inflate of the whole file, in 1 MB pieces.
double Inflate(const std::wstring& path, uint64_t& bytes) {
  std::optional<SharedFile> file = SharedFile::Open(path, true);
  const Clock::time_point start = Clock::now();
  DecompressingReader reader(Compression::Gzip, [&](char* buffer, size_t room) { return file->Read(buffer, room); },
                             UINT64_MAX);
  std::vector<char> piece(kMegabyte);
  bytes = 0;
  while (const size_t got = reader.Read(piece.data(), piece.size())) bytes += got;
  return Seconds(Clock::now() - start);
}

void PressCtrlEnd(HWND editor) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  std::memcpy(state, saved, sizeof state);
  state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  SetKeyboardState(state);
  SetFocus(editor);
  SendMessageW(editor, WM_KEYDOWN, VK_END, 1);
  SendMessageW(editor, WM_KEYUP, VK_END, 1 | (1u << 30) | (1u << 31));
  SetKeyboardState(saved);
}

void RunSize(const RealEditorFolder& real, uint64_t megabytes, LogText form, bool gzip) {
  Host host(real.plugin());
  std::wstring path = host.FilePath(L"big.log");
  const uint64_t bytes = megabytes * kMegabyte;
  WriteLog(path, bytes, form);
  const double gigabytes = static_cast<double>(bytes) / (1 << 30);
  std::printf("\n%.1f GB log (%llu bytes)\n", gigabytes, static_cast<unsigned long long>(bytes));

  uint64_t lines = 0, letters = 0;
  ReadAndCountLineEnds(path, lines);  // into the page cache first
  const double lineScan = ReadAndCountLineEnds(path, lines);
  const double letterScan = MappedMemchrCount(path, 'e', letters);
  std::printf("  machine: line ends read from the cache %.2f s (%.2f GB/s), memchr 'e' over a mapped view %.2f s (%.2f GB/s, %llu)\n",
              lineScan, gigabytes / lineScan, letterScan, gigabytes / letterScan,
              static_cast<unsigned long long>(letters));
  if (gzip) {
    const std::wstring packed = path + L".gz";
    GzipFile(path, packed);
    DeleteFileW(path.c_str());
    path = packed;
    uint64_t inflated = 0;
    const double inflate = Inflate(path, inflated);
    std::printf("  gzip: %.1f MB compressed; zlib's inflate on one core %.2f s (%.0f MB/s of text)\n",
                static_cast<double>(std::filesystem::file_size(path)) / kMegabyte, inflate,
                static_cast<double>(inflated) / kMegabyte / inflate);
  }

  const uint64_t empty = WorkingSet();
  uint64_t most = empty;
  const auto watch = [&] { most = std::max(most, WorkingSet()); };
  const auto print = [](const char* what, const MessageFigures& figures, const std::string& more) {
    std::printf("  %-26s | %9.1f ms | longest message %6.1f ms (%ls) | %s\n", what, figures.total, figures.longest,
                figures.longestWhat.c_str(), more.c_str());
    std::fflush(stdout);
  };

  // A small file first: what happens once per viewer (fonts, the lexers) is not counted.
  const std::wstring warmUp = host.FilePath(L"warm-up.log");
  test::WriteBytes(warmUp, "2026-12-10 12:00:00.000 INFO  warming up\n");
  SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(warmUp.c_str()));
  // The open's own message is the first screen; the index goes on until the
  // description no longer says "loading".
  const MessageFigures opened = host.Measure(
      [&] {
        SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
        RedrawWindow(host.viewer(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      },
      std::chrono::minutes(10), [&] {
        watch();
        return DescribeFile(host.viewer()).find("loading") == std::string::npos;
      });
  print("first screen", {opened.action, 0, L"", opened.action}, "the open's message and its paint");
  char speed[128];
  std::snprintf(speed, sizeof speed, "%.2f GB/s; %s", gigabytes / (opened.total / 1000),
                DescribeFile(host.viewer()).c_str());
  print("index", opened, speed);

  const auto lastLine = [&] { return SendMessageW(host.editor(), sci::SCI_GETLINECOUNT, 0, 0) - 1; };
  const MessageFigures end = host.Measure([&] { PressCtrlEnd(host.editor()); }, std::chrono::seconds(10), [&] {
    const LRESULT caret = SendMessageW(host.editor(), sci::SCI_GETCURRENTPOS, 0, 0);
    std::string margin(32, '\0');
    margin.resize(static_cast<size_t>(
        SendMessageW(host.editor(), sci::SCI_MARGINGETTEXT, lastLine(), reinterpret_cast<LPARAM>(margin.data()))));
    return SendMessageW(host.editor(), sci::SCI_LINEFROMPOSITION, caret, 0) == lastLine() &&
           margin == std::to_string(lines + 1);
  });
  print("Ctrl+End", end, "the file's last line in view");

  SendMessageW(host.viewer(), WM_COMMAND, IDM_FIND, 0);
  const HWND edit = host.panelItem(kSearchEdit);
  const struct {
    const char* name;
    const wchar_t* text;
    bool regular;
  } patterns[] = {{"count \"items\"", L"items", false},
                  {"count \"e\"", L"e", false},
                  {"count request \\d+ handled 9\\d", L"request \\d+ handled 9\\d", true}};
  for (const auto& pattern : patterns) {
    const HWND regular = host.panelItem(kRegularExpression);
    if ((SendMessageW(regular, BM_GETCHECK, 0, 0) != 0) != pattern.regular) SendMessageW(regular, BM_CLICK, 0, 0);
    const MessageFigures counted = host.Measure([&] { SetWindowTextW(edit, pattern.text); }, std::chrono::minutes(5), [&] {
      watch();
      const std::wstring count = WindowText(host.panelItem(kCount));
      return !count.empty() && count.find(L"so far") == std::wstring::npos;
    });
    char more[160];
    std::snprintf(more, sizeof more, "%.2f GB/s; %ls", gigabytes / (counted.total / 1000),
                  WindowText(host.panelItem(kCount)).c_str());
    print(pattern.name, counted, more);
  }
  // The filter of a word one line in 5000 holds: its first lines on screen, then all of it.
  const HWND regular = host.panelItem(kRegularExpression);
  if (SendMessageW(regular, BM_GETCHECK, 0, 0) != 0) SendMessageW(regular, BM_CLICK, 0, 0);
  host.Measure([&] { SetWindowTextW(edit, L"user1234"); }, std::chrono::minutes(5), [&] {
    const std::wstring count = WindowText(host.panelItem(kCount));
    return !count.empty() && count.find(L"so far") == std::wstring::npos;
  });
  double firstLines = -1;
  const auto filterStart = std::chrono::steady_clock::now();
  const MessageFigures filtered = host.Measure(
      [&] { SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FILTER_MATCHING, 1), 0); }, std::chrono::minutes(10),
      [&] {
        watch();
        if (firstLines < 0 && SendMessageW(host.editor(), sci::SCI_GETLENGTH, 0, 0) > 0) {
          firstLines = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - filterStart).count();
        }
        return DescribeFile(host.viewer()).find("filtering") == std::string::npos;
      });
  char more[200];
  std::snprintf(more, sizeof more, "first lines %.0f ms, %.2f GB/s; %s", firstLines,
                gigabytes / (filtered.total / 1000), DescribeFile(host.viewer()).c_str());
  print("filter \"user1234\"", filtered, more);
  watch();
  std::printf("  memory: %.0f MB over the empty viewer's at most, %.0f MB at the end\n",
              static_cast<double>(most - empty) / kMegabyte,
              static_cast<double>(WorkingSet() > empty ? WorkingSet() - empty : 0) / kMegabyte);
  SendMessageW(host.viewer(), WM_CLOSE, 0, 0);
  DeleteFileW(path.c_str());
}

int Main(const std::vector<std::wstring>& arguments) {
  std::vector<uint64_t> sizes = {1536, 2560, 10240};
  std::wstring editor;
  LogText form = LogText::Utf8;
  bool gzip = false;
  for (const std::wstring& argument : arguments) {
    if (argument == L"--gzip") gzip = true;
    if (argument == L"--ansi") form = LogText::Ansi;
    if (argument == L"--utf16") form = LogText::Utf16;
  }
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == L"--sizes") {
      sizes.clear();
      for (size_t at = 0; at < arguments[i + 1].size();) {
        const size_t comma = arguments[i + 1].find(L',', at);
        sizes.push_back(std::stoull(arguments[i + 1].substr(at, comma - at)));
        at = comma == std::wstring::npos ? arguments[i + 1].size() : comma + 1;
      }
    } else if (arguments[i] == L"--editor") {
      editor = arguments[i + 1];
    }
  }
  const RealEditorFolder real(editor);
  for (const uint64_t megabytes : sizes) RunSize(real, megabytes, form, gzip);
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("window_benchmark", lumen::benchmark::Main); }
