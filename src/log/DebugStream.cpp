#include "log/DebugStream.h"

namespace lumen {

namespace {
ods_streambuf<wchar_t> odsBuffer;
}  // namespace

// Declared after its buffer in this file, so it is destroyed before it and
// the buffer's destructor hands out the last text at unload.
std::wostream ods_out(&odsBuffer);

}  // namespace lumen
