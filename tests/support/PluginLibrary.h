#pragma once
// lumen.dll loaded from the test program's folder, with its nine exports bound
// by name exactly as the host binds them.
#include <cstdint>
#include <string>
#include <windows.h>

namespace lumen::test {

class PluginLibrary {
 public:
  explicit PluginLibrary(const std::wstring& path = L"");
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  HMODULE module() const { return module_; }

  BOOL(WINAPI* Init)() = nullptr;
  BOOL(WINAPI* USBSafe)(void*) = nullptr;
  BOOL(WINAPI* InitEx)(const void* record) = nullptr;
  void(WINAPI* Uninit)() = nullptr;
  BOOL(WINAPI* IdentifyW)(void* record) = nullptr;
  BOOL(WINAPI* IdentifyFileW)(HWND, const wchar_t* path, void* record, ULONG_PTR) = nullptr;
  BOOL(WINAPI* IdentifyFileStreamW)(HWND, void* stream, const wchar_t* path, void* record) = nullptr;
  HWND(WINAPI* CreateViewer)(HWND parent, const RECT* rectangle, UINT flags) = nullptr;
  HWND(WINAPI* Configure)(HWND parent, HWND notify, UINT notifyData) = nullptr;

  // HBX_InitEx with a start-up record naming host version a.b.c.d.
  BOOL StartUp(uint16_t a = 9, uint16_t b = 1, uint16_t c = 3, uint16_t d = 0);
  bool IsClassRegistered(const wchar_t* className) const;

 private:
  HMODULE module_ = nullptr;
};

// A host record as raw bytes, read and written at the host's offsets, so a
// wrong layout in the plug-in cannot hide behind a shared declaration.
template <size_t Size>
struct RawRecord {
  alignas(8) uint8_t bytes[Size];

  RawRecord() { memset(bytes, 0xCC, Size); }
  template <typename T>
  void Put(size_t offset, T value) {
    memcpy(bytes + offset, &value, sizeof(T));
  }
  template <typename T>
  T Get(size_t offset) const {
    T value;
    memcpy(&value, bytes + offset, sizeof(T));
    return value;
  }
  void* data() { return bytes; }
};

}  // namespace lumen::test
