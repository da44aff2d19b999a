// How long each search action keeps the host's thread, over the real editor
// control (Scintilla 5), with the configuration we ship:
//
//   search_benchmark [--sizes MB,MB,...] [--engines]
//
// For each file size (1, 16 and 64 MB unless told; 1536 for 1.5 GB) and
// pattern the viewer is driven as a user drives it: typing the pattern, an
// option change, F3, Ctrl+F3 on a word deep in the file, a scroll to the
// middle, selecting a word (its highlight), loading the next file with the
// panel shown, showing only the matching lines and the file again; and a
// copy of 128 KB with its colours. For each action
// the table gives the time of the action's own message, the longest single
// message while the work goes on afterwards (the timer's turns, the editor's
// repaints), and how long until the count was complete. Hostile patterns over a line of 2 MB follow.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchmarkHost.h"
#include "Measurements.h"
#include "PluginLibrary.h"
#include "ProgramMain.h"
#include "RealEditor.h"
#include "SampleFiles.h"
#include "TestFiles.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "base/Controls.h"
#include "base/Handles.h"
#include "resources/resource.h"
#include "search/Pattern.h"

namespace lumen::benchmark {
namespace {

constexpr size_t kMegabyte = size_t{1} << 20;
// The panel's controls, by their ids.
constexpr int kSearchEdit = 1, kMatchCase = 5, kRegularExpression = 9;

void Print(const char* size, const char* pattern, const char* action, const MessageFigures& f, const std::wstring& count) {
  std::printf("%-6s %-10s %-18s | %9.1f ms %9.1f ms | %9.1f ms | %-26ls | %ls\n", size, pattern, action, f.action,
              f.longest, f.total, count.c_str(), f.longestWhat.c_str());
  std::fflush(stdout);
}

void RunSize(const RealEditorFolder& real, size_t megabytes) {
  Host host(real.plugin());
  const std::string text = SampleText(SampleEncoding::Utf8, megabytes * kMegabyte);
  const std::wstring first = host.FilePath(L"first.cpp"), second = host.FilePath(L"second.cpp");
  test::WriteBytes(first, text);
  test::WriteBytes(second, text);
  const auto open = [&](const std::wstring& path) {
    SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
  };
  open(first);
  // A word deep in the file, far beyond what the first turn marks.
  const auto word = static_cast<WPARAM>(text.find("items", text.size() / 2));
  const std::string size = std::to_string(megabytes) + " MB";
  const struct {
    const char* name;
    const wchar_t* text;
    bool regular;
  } patterns[] = {{"letter", L"e", false}, {"word", L"items", false}, {"regex", L"total \\+?=", true}};

  // Loading with the panel hidden: what the load costs without its search.
  const MessageFigures plainLoad = host.Measure([&] { open(second); });
  Print(size.c_str(), "-", "load, panel hidden", plainLoad, L"");
  // Copying 128 KB from the middle with its colours (the most that is coloured).
  const MessageFigures copied = host.Measure([&] {
    SendMessageW(host.editor(), sci::SCI_SETSEL, text.size() / 2, static_cast<LPARAM>(text.size() / 2 + (128 << 10)));
    SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_COPY_WITH_COLOURS, 1), 0);
  });
  Print(size.c_str(), "-", "copy 128 KB coloured", copied, L"");
  SendMessageW(host.viewer(), WM_COMMAND, IDM_FIND, 0);
  for (const auto& pattern : patterns) {
    const HWND regular = host.panelItem(kRegularExpression);
    if ((SendMessageW(regular, BM_GETCHECK, 0, 0) != 0) != pattern.regular) SendMessageW(regular, BM_CLICK, 0, 0);
    const auto report = [&](const char* action, const MessageFigures& figures) {
      Print(size.c_str(), pattern.name, action, figures, WindowText(host.panelItem(kCount)));
    };
    report("type", host.Measure([&] { SetWindowTextW(host.panelItem(kSearchEdit), pattern.text); }));
    report("option", host.Measure([&] { SendMessageW(host.panelItem(kMatchCase), BM_CLICK, 0, 0); }));
    report("option back", host.Measure([&] { SendMessageW(host.panelItem(kMatchCase), BM_CLICK, 0, 0); }));
    report("F3", host.Measure([&] { SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FIND_NEXT_F3, 1), 0); }));
    // Typed again, and at once back from the first match while the count goes on.
    SetWindowTextW(host.panelItem(kSearchEdit), L"");
    SetWindowTextW(host.panelItem(kSearchEdit), pattern.text);
    report("Shift+F3 at first", host.Measure([&] {
             SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FIND_PREVIOUS_SHIFT_F3, 1), 0);
           }));
    const HWND editor = host.editor();
    report("Ctrl+F3", host.Measure([&] {
             SendMessageW(editor, sci::SCI_SETSEL, word, static_cast<LPARAM>(word + 5));
             SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FIND_SELECTION_FORWARD, 1), 0);
           }));
    report("scroll to the end", host.Measure([&] {
             SendMessageW(editor, sci::SCI_SETFIRSTVISIBLELINE, static_cast<WPARAM>(SendMessageW(editor, sci::SCI_GETLINECOUNT, 0, 0)), 0);
             UpdateWindow(editor);
           }));
    report("load, panel shown", host.Measure([&] { open(pattern.name[0] == 'l' ? first : second); }));
    report("word highlight", host.Measure([&] {
             SetFocus(editor);
             SendMessageW(editor, sci::SCI_SETSEL, word, static_cast<LPARAM>(word + 5));
             UpdateWindow(editor);
           }));
    // Only the matching lines, until all are there and counted; then the file again.
    SetWindowTextW(host.panelItem(kSearchEdit), pattern.text);  // Ctrl+F3 searched for the word
    const auto toggleFilter = [&] { SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FILTER_MATCHING, 1), 0); };
    report("filter", host.Measure(toggleFilter, std::chrono::minutes(5), [&] {
             const std::wstring count = WindowText(host.panelItem(kCount));
             return DescribeFile(host.viewer()).find("filtering") == std::string::npos &&
                    count.find(L"so far") == std::wstring::npos;
           }));
    report("filter off", host.Measure(toggleFilter));
  }
}

// Patterns that make backtracking engines run for ever, typed over a file of
// one line of 2 MB: every message stays short, and the panel says which line
// was too complex.
void RunHostile(const RealEditorFolder& real) {
  Host host(real.plugin());
  std::string line(2 * kMegabyte, 'a');
  for (size_t i = 0; i < line.size(); i += 7) line[i] = 'b';
  const std::wstring path = host.FilePath(L"line.json");
  test::WriteBytes(path, line);
  SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
  SendMessageW(host.viewer(), WM_COMMAND, IDM_FIND, 0);
  SendMessageW(host.panelItem(kRegularExpression), BM_CLICK, 0, 0);
  std::wstring letters;
  while (letters.size() < 10000) letters += L"ab?";
  const struct {
    const char* name;
    std::wstring pattern;
  } patterns[] = {{"(.*)*x", L"(.*)*x"},       {"(a?){1000}", L"(a?){1000}"}, {"(a*)*c", L"(a*)*c"},
                  {"10000 chars", letters},    {"(a|b|ab)*c", L"(a|b|ab)*c"}, {"a", L"a"}};
  for (const auto& p : patterns) {
    SetWindowTextW(host.panelItem(kSearchEdit), L"");
    // Some count for minutes (a match every few bytes, each a long search):
    // ten seconds of the host's messages show what they cost.
    const MessageFigures figures =
        host.Measure([&] { SetWindowTextW(host.panelItem(kSearchEdit), p.pattern.c_str()); }, std::chrono::seconds(10));
    Print("2 MB", p.name, "type (1 line)", figures, WindowText(host.panelItem(kCount)));
  }
}

// The engines side by side: the control's own regular expressions (Scintilla
// 5's SCFIND_REGEXP) and lumen's, finding every match of one pattern.
template <typename Find>
double Timed(Find find) {
  const Clock::time_point start = Clock::now();
  find();
  return Milliseconds(Clock::now() - start);
}

size_t ControlMatches(HWND editor, const std::string& pattern) {
  const auto length = static_cast<int32_t>(SendMessageW(editor, sci::SCI_GETLENGTH, 0, 0));
  sci::Sci_TextToFind find = {{0, length}, pattern.c_str(), {0, 0}};
  size_t count = 0;
  while (SendMessageW(editor, sci::SCI_FINDTEXT, sci::SCFIND_REGEXP | sci::SCFIND_MATCHCASE,
                      reinterpret_cast<LPARAM>(&find)) >= 0) {
    ++count;
    find.chrg.cpMin = std::max(find.chrgText.cpMax, find.chrgText.cpMin + 1);
    if (find.chrg.cpMin >= length) break;
  }
  return count;
}

size_t OwnMatches(const std::string& text, const std::string& source) {
  const auto pattern = Pattern::Compile(source, true, false);
  size_t count = 0;
  for (size_t lineStart = 0; lineStart < text.size();) {
    const size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
    const std::string_view line(text.data() + lineStart, lineEnd - lineStart);
    for (size_t from = 0; from <= line.size();) {
      const Pattern::Result found = pattern->Find(line, from);
      if (found.outcome != Pattern::Outcome::Found) break;
      ++count;
      from = std::max(found.span.end, found.span.start + 1);
    }
    lineStart = lineEnd + 1;
  }
  return count;
}

void CompareEngines(const RealEditorFolder& real) {
  if (!LoadLibraryW(real.editorLibrary().c_str())) throw std::runtime_error("no editor control");
  const UniqueWindow editor(CreateWindowExW(0, L"Scintilla", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
  const struct {
    const char* what;
    std::string text;
    std::string pattern;
  } cases[] = {
      {"16 MB source, items\\[[a-z]*\\]", SampleText(SampleEncoding::Utf8, 16 * kMegabyte), "items\\[[a-z]*\\]"},
      {"16 MB source, e", SampleText(SampleEncoding::Utf8, 16 * kMegabyte), "e"},
      {"a line of 1000 a, a*a*b", std::string(1000, 'a'), "a*a*b"},
      {"a line of 2000 a, a*a*b", std::string(2000, 'a'), "a*a*b"},
      {"a line of 2 MB, a*a*b", std::string(2 * kMegabyte, 'a'), "a*a*b"},
  };
  std::printf("\nregular expressions, every match: the control's own engine and lumen's (PCRE2, bounded per line)\n");
  for (const auto& c : cases) {
    SendMessageW(editor.get(), sci::SCI_CLEARALL, 0, 0);
    SendMessageW(editor.get(), sci::SCI_ADDTEXT, c.text.size(), reinterpret_cast<LPARAM>(c.text.data()));
    size_t control = 0, own = 0;
    // The control's engine backtracks in cubic time here: 2 MB would take years.
    const bool controlRuns = c.text.size() < 100000 || c.pattern != "a*a*b";
    const double controlTime = controlRuns ? Timed([&] { control = ControlMatches(editor.get(), c.pattern); }) : -1;
    const double ownTime = Timed([&] { own = OwnMatches(c.text, c.pattern); });
    std::printf("%-32s | control %9.1f ms (%zu) | lumen %9.1f ms (%zu)\n", c.what, controlTime, control, ownTime, own);
    std::fflush(stdout);
  }
}

std::vector<size_t> ParseSizes(const std::wstring& list) {
  std::vector<size_t> sizes;
  std::wistringstream items(list);
  for (std::wstring item; std::getline(items, item, L',');) sizes.push_back(std::stoul(item));
  return sizes;
}

int Run(const std::vector<std::wstring>& arguments) {
  std::vector<size_t> sizes = {1, 16, 64};
  bool enginesOnly = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == L"--engines") {
      enginesOnly = true;
    } else if (arguments[i] == L"--sizes" && i + 1 < arguments.size()) {
      sizes = ParseSizes(arguments[++i]);
    } else {
      std::fprintf(stderr, "usage: search_benchmark [--sizes MB,MB,...] [--engines]\n");
      return 2;
    }
  }
  const RealEditorFolder real;
  std::printf("lumen search benchmark: real editor control (Scintilla 5), shipped configuration\n");
  if (!enginesOnly) {
    std::printf("%-6s %-10s %-18s | %12s %12s | %12s | %-26s | %s\n", "file", "pattern", "action", "action", "longest after",
                "until counted", "count", "longest is");
  }
  if (!enginesOnly) {
    for (size_t size : sizes) RunSize(real, size);
    RunHostile(real);
  }
  CompareEngines(real);
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("search_benchmark", lumen::benchmark::Run); }
