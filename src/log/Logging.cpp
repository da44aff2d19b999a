#include "log/Logging.h"

#include <climits>
#include <cstdio>
#include <stdexcept>
#include <windows.h>

#include <easylogging++.h>

// The library's global state, with its crash handlers, lives in this DLL.
INITIALIZE_EASYLOGGINGPP

namespace lumen {
namespace {
constexpr unsigned long long kMaxLogFileSize = 0x100000;
}  // namespace

std::string LogPathInAnsiCodePage(const std::wstring& logPath) {
  if (logPath.empty()) return {};
  if (logPath.size() > static_cast<size_t>(INT_MAX)) throw std::runtime_error("narrow_cast<>() failed");
  const int length = static_cast<int>(logPath.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, logPath.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string ansi(size, '\0');
  if (WideCharToMultiByte(CP_ACP, 0, logPath.data(), length, ansi.data(), size, nullptr, nullptr) != size) return {};
  return ansi;
}

void ConfigureLogging(const std::wstring& logPath) {
  using el::ConfigurationType;
  el::Configurations settings;
  settings.setToDefault();
  settings.setGlobally(ConfigurationType::Format, "%datetime %level %func %msg");
  settings.setGlobally(ConfigurationType::LogFlushThreshold, "0");
  const std::string path = LogPathInAnsiCodePage(logPath);
  if (!path.empty()) {
    char maxSize[32];
    std::snprintf(maxSize, sizeof maxSize, "%llu", kMaxLogFileSize);
    settings.setGlobally(ConfigurationType::ToFile, "true");
    settings.setGlobally(ConfigurationType::ToStandardOutput, "false");
    settings.setGlobally(ConfigurationType::MaxLogFileSize, maxSize);
    settings.setGlobally(ConfigurationType::Filename, path);
  } else {
    settings.setGlobally(ConfigurationType::ToFile, "false");
    settings.setGlobally(ConfigurationType::ToStandardOutput, "true");
  }
  el::Loggers::reconfigureLogger(el::Loggers::getLogger("default", true), settings);
}

}  // namespace lumen
