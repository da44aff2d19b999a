// The functions the stand-in exports: the host's own (with the contracts the
// plug-in relies on) and the control interface for tests.
#include <cstring>
#include <string>
#include <type_traits>

#include "HostExports.h"
#include "Numbers.h"
#include "StandInState.h"

using lumen::host::XMLHANDLE;
using namespace lumen::standin;

namespace {

// Every host function counts its call, fails on demand, and lets no
// exception out: a failure inside reads as the function's failure result.
template <typename Result, typename Body>
Result HostCall(const char* function, Result failure, Body body) noexcept {
  try {
    StandIn& standIn = TheStandIn();
    std::lock_guard guard(standIn.lock);
    if (standIn.state.CountCall(function)) return failure;
    return body(standIn);
  } catch (...) {
    return failure;
  }
}

// A host function on an element, TRUE when the body succeeds.
template <typename Body>
BOOL ElementCall(const char* function, XMLHANDLE node, Body body) noexcept {
  return HostCall(function, BOOL{FALSE}, [&](StandIn&) -> BOOL { return node && body(*static_cast<Element*>(node)); });
}

// A host function that yields an element, null on failure.
template <typename Body>
XMLHANDLE ElementResult(const char* function, XMLHANDLE node, Body body) noexcept {
  return HostCall(function, XMLHANDLE{}, [&](StandIn&) -> XMLHANDLE {
    return node ? body(*static_cast<Element*>(node)) : nullptr;
  });
}

// A control function: under the lock, and no exception out.
template <typename Body>
auto ControlCall(Body body) noexcept {
  using Result = std::invoke_result_t<Body, StandIn&>;
  try {
    StandIn& standIn = TheStandIn();
    std::lock_guard guard(standIn.lock);
    return body(standIn);
  } catch (...) {
    return Result();
  }
}

bool IsName(LPCWSTR name) { return name && *name; }

// Lengths count the zero; a null buffer asks the length; too small a capacity
// fails and tells the length needed.
bool CopyText(std::wstring_view text, LPWSTR buffer, DWORD* length) {
  if (!length) return false;
  const DWORD needed = static_cast<DWORD>(text.size() + 1);
  const bool fits = !buffer || *length >= needed;
  if (buffer && fits) {
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
  }
  *length = needed;
  return fits;
}

template <typename Integer>
bool StoreNumber(std::wstring_view text, Integer* value) {
  const auto number = ParseDecimal<Integer>(text);
  if (!value || !number) return false;
  *value = *number;
  return true;
}

template <typename Integer>
BOOL ReadNumberAttribute(const char* function, XMLHANDLE node, LPCWSTR name, Integer* value) {
  return ElementCall(function, node, [&](Element& element) {
    const auto* attribute = name ? FindAttribute(element, name) : nullptr;
    return attribute && StoreNumber(ValueOf(*attribute), value);
  });
}

BOOL WriteAttribute(const char* function, XMLHANDLE node, LPCWSTR name, LPCWSTR value) {
  return ElementCall(function, node, [&](Element& element) {
    if (!IsName(name) || !value) return false;
    SetAttribute(element, name, value);
    return true;
  });
}

BOOL WriteText(const char* function, XMLHANDLE node, LPCWSTR text) {
  return ElementCall(function, node, [&](Element& element) {
    if (!text) return false;
    SetText(element, text);
    return true;
  });
}

}  // namespace

BOOL WINAPI GetConfigPathW(DWORD, LPWSTR buffer, DWORD bufferBytes) {
  return HostCall(__func__, BOOL{FALSE}, [&](StandIn& standIn) -> BOOL {
    const auto& folder = standIn.state.ConfigFolder();
    if (!folder || !buffer || (folder->size() + 1) * sizeof(wchar_t) > bufferBytes) return FALSE;
    std::memcpy(buffer, folder->c_str(), (folder->size() + 1) * sizeof(wchar_t));
    return TRUE;
  });
}

// Into the caller's buffer when the text fits below `size`; with a null
// pointer and size 0, a LocalAlloc'ed copy that the caller frees.
int WINAPI GetString(UINT id, LPWSTR* buffer, int size) {
  return HostCall(__func__, 0, [&](StandIn& standIn) -> int {
    const std::wstring* text = standIn.state.FindString(id);
    if (!text || !buffer || size < 0) return 0;
    const size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    const int length = static_cast<int>(text->size());
    if (!*buffer) {
      if (size != 0) return 0;
      auto* copy = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED, bytes));
      if (!copy) return 0;
      std::memcpy(copy, text->c_str(), bytes);
      *buffer = copy;
    } else if (length < size) {
      std::memcpy(*buffer, text->c_str(), bytes);
    }
    return length;
  });
}

XMLHANDLE WINAPI XMLLoadFileW(LPCWSTR path) {
  return HostCall(__func__, XMLHANDLE{}, [&](StandIn& standIn) -> XMLHANDLE {
    return path ? standIn.documents.Load(path) : nullptr;
  });
}

BOOL WINAPI XMLSaveFileW(XMLHANDLE document, LPCWSTR path) {
  return HostCall(__func__, BOOL{FALSE}, [&](StandIn& standIn) -> BOOL {
    return path && standIn.documents.Save(static_cast<Element*>(document), path);
  });
}

XMLHANDLE WINAPI XMLCreateFile() {
  return HostCall(__func__, XMLHANDLE{}, [](StandIn& standIn) -> XMLHANDLE { return standIn.documents.Create(); });
}

BOOL WINAPI XMLFreeFile(XMLHANDLE document) {
  return HostCall(__func__, BOOL{FALSE}, [&](StandIn& standIn) -> BOOL {
    return !document || standIn.documents.Free(static_cast<Element*>(document));
  });
}

XMLHANDLE WINAPI XMLAddChildNodeW(XMLHANDLE parent, LPCWSTR name) {
  return ElementResult(__func__, parent, [&](Element& element) -> XMLHANDLE {
    return IsName(name) ? &AppendChildElement(element, name) : nullptr;
  });
}

XMLHANDLE WINAPI XMLFindChildNodeW(XMLHANDLE parent, LPCWSTR name) {
  return ElementResult(__func__, parent, [&](Element& element) -> XMLHANDLE { return FirstChildElement(element, name); });
}

XMLHANDLE WINAPI XMLEnumChildNodesW(XMLHANDLE parent, LPCWSTR name, XMLHANDLE previous) {
  return ElementResult(__func__, parent, [&](Element& element) -> XMLHANDLE {
    if (!previous) return FirstChildElement(element, name);
    const auto* child = static_cast<Element*>(previous);
    return child->parent() == &element ? NextSiblingElement(*child, name) : nullptr;
  });
}

BOOL WINAPI XMLSetNodeNameW(XMLHANDLE node, LPCWSTR name) {
  return ElementCall(__func__, node, [&](Element& element) {
    if (!IsName(name)) return false;
    Rename(element, name);
    return true;
  });
}

BOOL WINAPI XMLGetNodeValueW(XMLHANDLE node, LPWSTR buffer, DWORD* length) {
  return ElementCall(__func__, node, [&](Element& element) { return CopyText(TextOf(element), buffer, length); });
}

BOOL WINAPI XMLSetNodeValueW(XMLHANDLE node, LPCWSTR value) {
  return WriteText(__func__, node, value);
}

BOOL WINAPI XMLSetNodeDWORDValue(XMLHANDLE node, DWORD value) {
  return WriteText(__func__, node, std::to_wstring(value).c_str());
}

BOOL WINAPI XMLGetNodeDWORDLONGValue(XMLHANDLE node, DWORDLONG* value) {
  return ElementCall(__func__, node, [&](Element& element) { return StoreNumber(TextOf(element), value); });
}

BOOL WINAPI XMLGetNodeAttributeW(XMLHANDLE node, LPCWSTR name, LPWSTR buffer, DWORD* length, DWORD) {
  return ElementCall(__func__, node, [&](Element& element) {
    const auto* attribute = name ? FindAttribute(element, name) : nullptr;
    return attribute && CopyText(ValueOf(*attribute), buffer, length);
  });
}

BOOL WINAPI XMLSetNodeAttributeW(XMLHANDLE node, LPCWSTR name, LPCWSTR value) {
  return WriteAttribute(__func__, node, name, value);
}

BOOL WINAPI XMLSetNodeBoolAttributeW(XMLHANDLE node, LPCWSTR name, BOOL value) {
  return WriteAttribute(__func__, node, name, value ? L"yes" : L"no");
}

BOOL WINAPI XMLGetNodeIntAttributeW(XMLHANDLE node, LPCWSTR name, int* value) {
  return ReadNumberAttribute(__func__, node, name, value);
}

BOOL WINAPI XMLGetNodeDWORDAttributeW(XMLHANDLE node, LPCWSTR name, DWORD* value) {
  return ReadNumberAttribute(__func__, node, name, value);
}

BOOL WINAPI XMLSetNodeDWORDAttributeW(XMLHANDLE node, LPCWSTR name, DWORD value) {
  return WriteAttribute(__func__, node, name, std::to_wstring(value).c_str());
}

void WINAPI StandInSetConfigFolder(LPCWSTR folder) {
  ControlCall([&](StandIn& standIn) { standIn.state.SetConfigFolder(folder); });
}

void WINAPI StandInSetString(UINT id, LPCWSTR text) {
  ControlCall([&](StandIn& standIn) { standIn.state.SetString(id, text); });
}

void WINAPI StandInFailCall(LPCSTR functionName, int nth) {
  ControlCall([&](StandIn& standIn) {
    if (functionName) {
      standIn.state.FailCall(functionName, nth);
    } else {
      standIn.state.ClearFailures();
    }
  });
}

int WINAPI StandInCallCount(LPCSTR functionName) {
  return ControlCall([&](StandIn& standIn) { return functionName ? standIn.state.CallCount(functionName) : 0; });
}

int WINAPI StandInOpenDocuments() {
  return ControlCall([](StandIn& standIn) { return standIn.documents.OpenCount(); });
}

void WINAPI StandInReset() {
  ControlCall([](StandIn& standIn) { standIn.state.Reset(); });
}
