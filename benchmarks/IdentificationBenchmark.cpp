// How long the host waits for lumen's answer to "is this file yours?", and
// how long the viewer takes to choose a language, with the configuration
// lumen ships: 1 000 calls for each way a file is recognised.
//
//   identification_benchmark [--calls 1000]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "ProgramMain.h"
#include "TestFiles.h"
#include "base/Text.h"
#include "config/Loaders.h"
#include "config/Recognition.h"
#include "host/Paths.h"

namespace lumen::benchmark {
namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
  const char* what;
  const wchar_t* name;
  std::string text;
};

// A file of each kind, a few kilobytes long as source files are.
std::vector<Sample> Samples() {
  const std::string body = [] {
    std::string lines;
    while (lines.size() < 6000) lines += "  value = compute(value, 42);  // a line of code\n";
    return lines;
  }();
  return {
      {"by name", L"Makefile", "all:\n\tcc -o x x.c\n" + body},
      {"by extension", L"example.py", "import os\n" + body},
      {"by shared extension", L"example.h", "#pragma once\nnamespace x {\n" + body + "}\n"},
      {"by ignored ending", L"example.json.example", "{\n" + body + "}\n"},
      {"by modeline", L"notes", "# vim: set ft=python:\n" + body},
      {"by first line", L"run", "#!/usr/bin/env python3\n" + body},
      {"as text, by content", L"data.unknown", body},
      {"as JSON, by content", L"settings", "{\n  \"value\": 42,\n" + body + "}\n"},
      {"not claimed (binary)", L"picture.unknown", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + std::string(6000, '\x7F')},
  };
}

struct Timing {
  double mean = 0;
  double slowest = 0;
};

template <typename Call>
Timing Time(int calls, Call call) {
  Timing timing;
  double total = 0;
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    call();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    total += ms;
    timing.slowest = std::max(timing.slowest, ms);
  }
  timing.mean = total / calls;
  return timing;
}

int Run(const std::vector<std::wstring>& arguments) {
  int calls = 1000;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == L"--calls") calls = std::max(1, _wtoi(arguments[i + 1].c_str()));
  }
  test::HostedConfig config;
  const std::string shipped = test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml");
  config.Write(shipped);
  test::PluginLibrary plugin;
  plugin.StartUp();
  const ConfigurationSnapshot snapshot(config.path());
  const std::vector<LanguageKeys> languages = snapshot.Languages();
  const std::vector<std::wstring> ignoredEndings = snapshot.IgnoredEndings();
  std::printf("configuration: %zu KB, %zu languages; %d calls each\n", shipped.size() / 1024, languages.size(), calls);
  // What a load message saves for each reading of the file it does not make.
  const Timing reading = Time(std::max(calls / 10, 1), [&] { const ConfigurationSnapshot loaded(config.path()); });
  std::printf("one reading of the configuration: %.3f ms mean, %.3f ms max\n\n", reading.mean, reading.slowest);
  std::printf("%-22s %16s %16s %16s\n", "file", "identify mean", "identify max", "choose mean");
  for (const Sample& sample : Samples()) {
    const std::wstring path = config.folder() + L"\\" + sample.name;
    test::WriteBytes(path, sample.text);
    test::RawRecord<40> record;
    record.Put<wchar_t*>(24, nullptr);
    BOOL claimed = FALSE;
    const Timing identify = Time(calls, [&] { claimed = plugin.IdentifyFileW(nullptr, path.c_str(), record.data(), 0); });
    // The viewer's choice, as at a file's load: one snapshot, then the rules over the file's edges.
    const Timing choose = Time(calls, [&] {
      const ConfigurationSnapshot loaded(config.path());
      ChooseLanguage(loaded.Languages(), sample.name, FileExtension(sample.name), EdgeLinesOf(sample.text, true),
                     loaded.IgnoredEndings());
    });
    std::printf("%-22s %13.3f ms %13.3f ms %13.3f ms%s\n", sample.what, identify.mean, identify.slowest, choose.mean,
                claimed ? "" : "  (not claimed)");
  }
  return 0;
}

}  // namespace
}  // namespace lumen::benchmark

int main() { return lumen::benchmark::RunProgram("identification_benchmark", lumen::benchmark::Run); }
