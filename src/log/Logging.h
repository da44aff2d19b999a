#pragma once
#include <string>

namespace lumen {

// Applies the plug-in's logging configuration to the logger "default": to the
// file at `logPath` (created with its folder), or to standard output when the
// path is empty. Run at every start-up of the plug-in.
void ConfigureLogging(const std::wstring& logPath);

// The path in the system's ANSI code page, as the logging library opens it;
// empty when the conversion fails.
std::string LogPathInAnsiCodePage(const std::wstring& logPath);

}  // namespace lumen
