#pragma once
// Whether memory of the process is sound: a write past a buffer or into a
// freed object shows as a heap that no longer validates.

namespace lumen::test {

// Every heap of the process, the C runtime's among them, validates.
bool HeapsValid();

}  // namespace lumen::test
