#pragma once
// Text helpers of the demo host.
#include <string>

namespace lumen::demo {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
// The system's message for an error code, without the trailing line break.
std::wstring SystemErrorText(unsigned long error);
// One line on standard error, where the program was started from a terminal.
void PrintError(const std::wstring& text);

}  // namespace lumen::demo
