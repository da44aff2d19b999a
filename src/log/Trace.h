#pragma once
#include <cstdint>
#include <ostream>
#include <string>

namespace lumen {

// One trace line of a window message:
// label [msg-hex]<TAB>wParam [hex]<TAB>lParam [hex]<LF>
void TraceMessage(std::wostream& out, const char* label, uint32_t message, uint64_t wParam, int64_t lParam);
// The same after `prefix`, to the debugger-output stream. Viewers on several
// threads trace at once: each line reaches the stream whole, under one lock.
void TraceMessage(const char* label, uint32_t message, uint64_t wParam, int64_t lParam,
                  const std::wstring& prefix = {});

}  // namespace lumen
