#pragma once
// The entry of a benchmark program: its wide arguments, and any error said
// in one line under the program's name.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace lumen::benchmark {

inline int RunProgram(const char* name, int (*run)(const std::vector<std::wstring>&)) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::vector<std::wstring> arguments(words + 1, words + count);
  LocalFree(words);
  try {
    return run(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
    return 1;
  }
}

}  // namespace lumen::benchmark
