#include "log/Trace.h"

#include <mutex>
#include <sstream>

#include "log/DebugStream.h"

namespace lumen {

void TraceMessage(std::wostream& out, const char* label, uint32_t message, uint64_t wParam, int64_t lParam) {
  out << label << L" [" << std::hex << message << L"]\t" << std::dec << wParam << L" [" << std::hex << wParam
      << L"]\t" << std::dec << lParam << L" [" << std::hex << static_cast<uint64_t>(lParam) << L"]\n"
      << std::dec;
}

void TraceMessage(const char* label, uint32_t message, uint64_t wParam, int64_t lParam, const std::wstring& prefix) {
  std::wostringstream line;
  line << prefix;
  TraceMessage(line, label, message, wParam, lParam);
  static std::mutex streamLock;
  const std::lock_guard<std::mutex> hold(streamLock);
  ods_out << line.str();
}

}  // namespace lumen
