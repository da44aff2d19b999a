#pragma once
// Collects what the process passes to OutputDebugString while the object
// lives: the calls arrive as debug-print exceptions, which a vectored handler
// sees before any debugger would.
#include <mutex>
#include <string>
#include <vector>
#include <windows.h>

namespace lumen::test {

class DebugOutput {
 public:
  DebugOutput();
  ~DebugOutput();
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

  // One entry per OutputDebugString call, in order.
  std::vector<std::wstring> calls() const;

 private:
  static LONG CALLBACK Handler(EXCEPTION_POINTERS* pointers);
  void* handler_;
};

}  // namespace lumen::test
