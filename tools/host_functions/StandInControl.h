#pragma once
// The host stand-in's control interface for tests: what the stand-in exports
// besides the host's own functions, declared once for both sides.
#include <windows.h>

namespace lumen::test::control {

// Null: GetConfigPathW fails.
using StandInSetConfigFolder_fn = void(WINAPI*)(LPCWSTR folder);
// Null text removes the string.
using StandInSetString_fn = void(WINAPI*)(UINT id, LPCWSTR text);
// The nth call from now (1-based) of that function fails; nth 0: every call.
// A null name clears all injected failures.
using StandInFailCall_fn = void(WINAPI*)(LPCSTR functionName, int nth);
// Calls of that function since the last reset.
using StandInCallCount_fn = int(WINAPI*)(LPCSTR functionName);
// Documents loaded or created and not yet freed.
using StandInOpenDocuments_fn = int(WINAPI*)();
// Failures, counts and strings back to the defaults; the folder stays.
using StandInReset_fn = void(WINAPI*)();

}  // namespace lumen::test::control

// Every control function, for declaring, exporting and binding them alike.
#define LUMEN_STANDIN_CONTROL_FUNCTIONS(X) \
  X(StandInSetConfigFolder) \
  X(StandInSetString) \
  X(StandInFailCall) \
  X(StandInCallCount) \
  X(StandInOpenDocuments) \
  X(StandInReset)
