#include "HeapCheck.h"

#include <malloc.h>
#include <windows.h>

#include <algorithm>

namespace lumen::test {

namespace {

bool HeapsValidNow() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  for (DWORD i = 0; i < std::min<DWORD>(count, 256); ++i) {
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return _heapchk() == _HEAPOK;
}

}  // namespace

bool HeapsValid() {
  // Wine's low-fragmentation heap hands out blocks without the heap's lock,
  // so a check while another thread allocates (a load's worker winding
  // down) may see a block half made. Damage stays; such a sight passes.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (HeapsValidNow()) return true;
    Sleep(200);
  }
  return false;
}

}  // namespace lumen::test
