#include "DebugOutput.h"

namespace lumen::test {
namespace {
constexpr DWORD kPrintAnsi = 0x40010006;  // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

std::mutex mutex;
std::vector<std::wstring> captured;
bool wideSeen = false;
}  // namespace

DebugOutput::DebugOutput() {
  std::lock_guard<std::mutex> lock(mutex);
  captured.clear();
  wideSeen = false;
  handler_ = AddVectoredExceptionHandler(1, &DebugOutput::Handler);
}

DebugOutput::~DebugOutput() { RemoveVectoredExceptionHandler(handler_); }

std::vector<std::wstring> DebugOutput::calls() const {
  std::lock_guard<std::mutex> lock(mutex);
  return captured;
}

LONG CALLBACK DebugOutput::Handler(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if ((record.ExceptionCode != kPrintAnsi && record.ExceptionCode != kPrintWide) || record.NumberParameters < 2) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  std::lock_guard<std::mutex> lock(mutex);
  // Windows raises the wide form and, unhandled, the narrow one: count each call once.
  if (record.ExceptionCode == kPrintWide) {
    wideSeen = true;
    captured.emplace_back(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]));
  } else if (!wideSeen) {
    const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    captured.push_back(wide);
  }
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace lumen::test
