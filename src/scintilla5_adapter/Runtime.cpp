#include "scintilla5_adapter/Runtime.h"

#include <stdexcept>

#include "base/ModulePath.h"
#include "scintilla5_adapter/AdapterWindow.h"

namespace lumen::scintilla5 {
namespace {

const Runtime* currentRuntime = nullptr;

std::wstring ModuleFolder(HINSTANCE module) {
  const std::wstring path = ModuleFileName(module);
  if (path.empty()) throw std::runtime_error("the adapter's own path is unknown");
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// From the adapter's folder, never from the search path: another program's
// Scintilla.dll must not stand in for the one built with the adapter.
UniqueModule LoadBeside(HINSTANCE adapterModule, const wchar_t* name) {
  const std::wstring path = ModuleFolder(adapterModule) + name;
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

UniqueModule LoadScintilla(HINSTANCE adapterModule) {
  UniqueModule scintilla = LoadBeside(adapterModule, L"Scintilla.dll");
  if (!scintilla) throw std::runtime_error("Scintilla.dll could not be loaded");
  return scintilla;
}

// Scintilla.dll registered the global class "Scintilla" while loading; the
// adapter needs that name for itself, so the real class moves to a private
// name. Scintilla never looks its class up by name again. A class of that name
// whose window procedure lies elsewhere is not the one to take.
WNDCLASSEXW TakeRealClass(HMODULE scintilla) {
  WNDCLASSEXW real{};
  real.cbSize = sizeof real;
  HMODULE owner = nullptr;
  if (!GetClassInfoExW(scintilla, kAdapterClassName, &real) ||
      !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<const wchar_t*>(real.lpfnWndProc), &owner) ||
      owner != scintilla || !UnregisterClassW(kAdapterClassName, scintilla)) {
    throw std::runtime_error("Scintilla.dll's window class could not be taken over");
  }
  real.lpszClassName = kInnerClassName;
  return real;
}

WNDCLASSEXW AdapterClass(HINSTANCE adapterModule) {
  WNDCLASSEXW adapter{};
  adapter.cbSize = sizeof adapter;
  // Global like the 3.x control's class: lumen creates its editor with the
  // host's instance handle, not ours.
  adapter.style = CS_GLOBALCLASS;
  adapter.lpfnWndProc = AdapterWindowProc;
  adapter.cbWndExtra = sizeof(void*);
  adapter.hInstance = adapterModule;
  adapter.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  adapter.lpszClassName = kAdapterClassName;
  return adapter;
}

}  // namespace

namespace {
UniqueWindowClass RegisterOrThrow(const WNDCLASSEXW& description) {
  UniqueWindowClass registered(description);
  if (!registered) throw std::runtime_error("a window class could not be registered");
  return registered;
}
}  // namespace

Runtime::Runtime(HINSTANCE adapterModule)
    : scintilla_(LoadScintilla(adapterModule)),
      lexilla_(LoadBeside(adapterModule, L"Lexilla.dll")),
      innerClass_(RegisterOrThrow(TakeRealClass(scintilla_.get()))),
      adapterClass_(RegisterOrThrow(AdapterClass(adapterModule))),
      lexers_(lexilla_.get()) {}

const Runtime* Runtime::current() { return currentRuntime; }

void Runtime::set_current(const Runtime* runtime) { currentRuntime = runtime; }

}  // namespace lumen::scintilla5
