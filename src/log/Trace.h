#pragma once
#include <cstdint>
#include <ostream>

namespace lumen {

// One trace line of a window message:
// label [msg-hex]<TAB>wParam [hex]<TAB>lParam [hex]<LF>
void TraceMessage(std::wostream& out, const char* label, uint32_t message, uint64_t wParam, int64_t lParam);
// The same, to the debugger-output stream.
void TraceMessage(const char* label, uint32_t message, uint64_t wParam, int64_t lParam);

}  // namespace lumen
