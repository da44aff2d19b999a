#pragma once
// lumen.dll as Tessera uses it: loaded from its plug-in folder, started,
// asked about itself and about each file, and asked for viewers and its
// configuration dialog.
#include <cstdint>
#include <string>
#include <windows.h>

#include "base/Handles.h"

namespace lumen::demo {

struct PluginInfo {
  std::wstring name;
  std::wstring description;
  std::wstring version;     // "a.b.c.d"
  std::wstring extensions;  // ".c;.h;..."
  uint64_t fileSizeLimit = 0;
  UniqueIcon icon;
};

class Plugin {
 public:
  // Throws std::runtime_error naming what is missing.
  explicit Plugin(const std::wstring& path);
  // HBX_Uninit after a successful start; the library is freed last.
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // HBX_InitEx as Tessera 9.1.3.0 calls it.
  bool Start();
  // HBX_IdentifyW.
  PluginInfo Describe() const;
  // HBX_IdentifyFileW.
  bool Claims(HWND host, const std::wstring& path) const;
  // HBX_CreateViewer over the pane's client area; null when it fails.
  HWND CreateViewer(HWND pane) const;
  // HBX_Configure; null when the plug-in offers no dialog.
  HWND Configure(HWND parent, HWND notifyWindow, UINT notifyData) const;

 private:
  using InitEx_t = BOOL(WINAPI*)(const void*);
  using Uninit_t = void(WINAPI*)();
  using IdentifyW_t = BOOL(WINAPI*)(void*);
  using IdentifyFileW_t = BOOL(WINAPI*)(HWND, const wchar_t*, void*, ULONG_PTR);
  using CreateViewer_t = HWND(WINAPI*)(HWND, const RECT*, UINT);
  using Configure_t = HWND(WINAPI*)(HWND, HWND, UINT);

  template <typename Function>
  Function Bind(const char* name) const;

  UniqueModule library_;
  InitEx_t initEx_;
  Uninit_t uninit_;
  IdentifyW_t identify_;
  IdentifyFileW_t identifyFile_;
  CreateViewer_t createViewer_;
  Configure_t configure_;
  bool started_ = false;
};

}  // namespace lumen::demo
