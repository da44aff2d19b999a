#include "base/ModulePath.h"

#include <vector>

namespace lumen {

std::wstring ModuleFileName(HMODULE module) {
  constexpr size_t kLongestModulePath = 65535;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= kLongestModulePath) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace lumen
