#include "HeapCheck.h"

#include <malloc.h>
#include <windows.h>

#include <algorithm>

namespace lumen::test {

bool HeapsValid() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  for (DWORD i = 0; i < std::min<DWORD>(count, 256); ++i) {
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return _heapchk() == _HEAPOK;
}

}  // namespace lumen::test
