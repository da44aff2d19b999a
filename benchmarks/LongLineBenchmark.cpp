// Files with very long lines over the real editor control: how long each
// action keeps the host's thread, and whether the lines around the long ones
// keep their colours.
//
//   long_line_benchmark [--editor SciLexer.dll] [--megabytes N]
//
// Two files of N MB (50 unless told): a minified script (lines of 2 MB
// between runs of short lines, as bundles join their modules) and a one-line
// JSON document. For each: the first screen, the load, scrolling through it
// (PageDown, End, across the long line with the scroll bar, Ctrl+End), the
// count of a word near its end and the step to it; each with the longest
// single message, and the style of a short line's keyword and of a long
// line's text. Then a one-line JSON document of twice the size, formatted.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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
#include "resources/resource.h"

namespace lumen::benchmark {
namespace {

constexpr int kSearchEdit = 1;

// Bundled modules: runs of short lines between lines of 2 MB.
std::string MinifiedScript(size_t bytes) {
  std::string script;
  script.reserve(bytes + (4 << 20));
  for (unsigned module = 0; script.size() < bytes; ++module) {
    for (int line = 0; line < 40; ++line) {
      script += "function module" + std::to_string(module) + "_" + std::to_string(line) +
                "(a, b) { return a + b * " + std::to_string(line) + "; } // short line\n";
    }
    std::string joined;
    for (unsigned piece = 0; joined.size() < (2u << 20); ++piece) {
      joined += "var v" + std::to_string(piece) + "=function(e,t){return e.map(function(n){return n*" +
                std::to_string(piece % 97) + "+t})};";
    }
    script += joined + "\n";
  }
  script += "function last() { return 'needle'; }\n";
  return script;
}

// One line of JSON: an array of records.
std::string OneLineJson(size_t bytes) {
  std::string json = "[";
  json.reserve(bytes + 256);
  for (unsigned n = 0; json.size() < bytes; ++n) {
    json += "{\"id\":" + std::to_string(n) + ",\"name\":\"user" + std::to_string(n % 5000) +
            "\",\"tags\":[\"a\",\"b\"],\"score\":" + std::to_string(n % 1000) + ".5},";
  }
  json += "{\"id\":-1,\"name\":\"needle\"}]";
  return json;
}

void PressKey(HWND editor, UINT key, bool ctrl) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  std::memcpy(state, saved, sizeof state);
  if (ctrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  SetKeyboardState(state);
  SetFocus(editor);
  SendMessageW(editor, WM_KEYDOWN, key, 1);
  SendMessageW(editor, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
  SetKeyboardState(saved);
}

void Print(const char* what, const MessageFigures& figures, const std::string& more = "") {
  std::printf("  %-28s | %9.1f ms | longest message %7.1f ms (%ls) %s\n", what, figures.total,
              std::max(figures.action, figures.longest),
              figures.longest > figures.action ? figures.longestWhat.c_str() : L"the action's own", more.c_str());
  std::fflush(stdout);
}

// The action and the paint it causes, and whatever the queue holds after it.
MessageFigures Act(Host& host, const std::function<void()>& action) {
  return host.Measure(
      [&] {
        action();
        RedrawWindow(host.viewer(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      },
      std::chrono::seconds(30), [] { return true; });
}

void RunFile(const RealEditorFolder& real, const wchar_t* name, const std::string& text) {
  Host host(real.plugin());
  const std::wstring path = host.FilePath(name);
  test::WriteBytes(path, text);
  size_t longest = 0, lines = 0;
  for (size_t at = 0; at < text.size(); ++lines) {
    const size_t end = std::min(text.find('\n', at), text.size());
    longest = std::max(longest, end - at);
    at = end + 1;
  }
  std::printf("\n%ls: %.1f MB, %zu lines, the longest %.1f MB\n", name, text.size() / 1048576.0, lines,
              longest / 1048576.0);

  const std::wstring warmUp = host.FilePath(L"warm-up.js");
  test::WriteBytes(warmUp, "var warm = 1;\n");
  SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(warmUp.c_str()));
  const MessageFigures opened = host.Measure([&] {
    SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
    RedrawWindow(host.viewer(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  });
  std::printf("  %-28s | %9.1f ms\n", "first screen", opened.action);
  Print("whole text loaded", opened, DescribeFile(host.viewer()));

  const HWND editor = host.editor();
  MessageFigures scroll{};
  const auto keep = [&](const MessageFigures& figures) {
    scroll.total += figures.total;
    if (std::max(figures.action, figures.longest) > std::max(scroll.action, scroll.longest)) scroll = {figures.action, figures.longest, figures.longestWhat, scroll.total};
  };
  for (int page = 0; page < 20; ++page) keep(Act(host, [&] { PressKey(editor, VK_NEXT, false); }));
  Print("PageDown x20", scroll);
  scroll = {};
  keep(Act(host, [&] { PressKey(editor, VK_END, false); }));
  keep(Act(host, [&] { PressKey(editor, VK_HOME, false); }));
  Print("End and Home on its line", scroll);
  scroll = {};
  for (int step = 0; step < 20; ++step) keep(Act(host, [&] { SendMessageW(editor, WM_HSCROLL, SB_PAGERIGHT, 0); }));
  Print("scroll right x20", scroll);
  keep(Act(host, [&] { PressKey(editor, VK_END, true); }));
  Print("Ctrl+End", scroll);

  SendMessageW(host.viewer(), WM_COMMAND, IDM_FIND, 0);
  const HWND edit = host.panelItem(kSearchEdit);
  const MessageFigures counted = host.Measure([&] { SetWindowTextW(edit, L"needle"); }, std::chrono::minutes(2), [&] {
    const std::wstring count = WindowText(host.panelItem(kCount));
    return !count.empty() && count.find(L"so far") == std::wstring::npos;
  });
  char more[128];
  std::snprintf(more, sizeof more, "%ls", WindowText(host.panelItem(kCount)).c_str());
  Print("count \"needle\"", counted, more);
  PressKey(editor, VK_HOME, true);
  const MessageFigures stepped = Act(host, [&] { SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1); });
  Print("step to it", stepped);

  // Colours: a short line's keyword keeps its style; a long line's text is the base style's.
  const LRESULT length = SendMessageW(editor, sci::SCI_GETLENGTH, 0, 0);
  SendMessageW(editor, sci::SCI_COLOURISE, 0, static_cast<LPARAM>(std::min<LRESULT>(length, 8 << 20)));
  std::printf("  styles: at the start %d, in the first long line %d\n",
              static_cast<int>(SendMessageW(editor, sci::SCI_GETSTYLEAT, 0, 0)),
              static_cast<int>(SendMessageW(editor, sci::SCI_GETSTYLEAT,
                                            std::min<LRESULT>(length - 1, static_cast<LRESULT>(text.find("var v1=") + 4)), 0)));
  SendMessageW(host.viewer(), WM_CLOSE, 0, 0);
  DeleteFileW(path.c_str());
}

// A one-line JSON document formatted (Ctrl+Shift+J): its first screen, all
// of it formatted, and scrolling through the formatted text.
void RunFormat(const RealEditorFolder& real, size_t megabytes) {
  Host host(real.plugin());
  const std::wstring path = host.FilePath(L"records.json");
  test::WriteBytes(path, OneLineJson(megabytes << 20));
  std::printf("\nrecords.json formatted: %zu MB, one line\n", megabytes);
  const MessageFigures opened = host.Measure([&] {
    SendMessageW(host.viewer(), HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
    RedrawWindow(host.viewer(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  });
  Print("opened", opened, DescribeFile(host.viewer()));
  const HWND editor = host.editor();
  const MessageFigures first = Act(host, [&] { SendMessageW(host.viewer(), WM_COMMAND, MAKEWPARAM(IDA_FORMAT, 1), 0); });
  Print("Format: first screen", first);
  const MessageFigures whole = host.Measure([] {}, std::chrono::minutes(5), [&] {
    return DescribeFile(host.viewer()).find("formatting") == std::string::npos;
  });
  Print("all of it formatted", whole, DescribeFile(host.viewer()));
  MessageFigures scroll{};
  for (int page = 0; page < 20; ++page) {
    const MessageFigures paged = Act(host, [&] { PressKey(editor, VK_NEXT, false); });
    if (std::max(paged.action, paged.longest) > std::max(scroll.action, scroll.longest)) scroll = paged;
  }
  const MessageFigures end = Act(host, [&] { PressKey(editor, VK_END, true); });
  if (std::max(end.action, end.longest) > std::max(scroll.action, scroll.longest)) scroll = end;
  Print("PageDown x20 and Ctrl+End", scroll);
  SendMessageW(host.viewer(), WM_CLOSE, 0, 0);
  DeleteFileW(path.c_str());
}

int Main(const std::vector<std::wstring>& arguments) {
  std::wstring editor;
  size_t megabytes = 50;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == L"--editor") editor = arguments[i + 1];
    if (arguments[i] == L"--megabytes") megabytes = std::stoul(arguments[i + 1]);
  }
  const RealEditorFolder real(editor);
  RunFile(real, L"bundle.min.js", MinifiedScript(megabytes << 20));
  RunFile(real, L"records.json", OneLineJson(megabytes << 20));
  RunFormat(real, 2 * megabytes);
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("long_line_benchmark", lumen::benchmark::Main); }
