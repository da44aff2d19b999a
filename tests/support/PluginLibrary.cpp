#include "PluginLibrary.h"

#include <stdexcept>

#include "TestFiles.h"

namespace lumen::test {
namespace {
template <typename Fn>
void BindExport(HMODULE module, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!slot) throw std::runtime_error(std::string("lumen.dll does not export ") + name);
}
}  // namespace

PluginLibrary::PluginLibrary(const std::wstring& path) {
  const std::wstring file = path.empty() ? ProgramFolder() + L"\\lumen.dll" : path;
  module_ = LoadLibraryW(file.c_str());
  if (!module_) throw std::runtime_error("cannot load lumen.dll");
  BindExport(module_, "HBX_Init", Init);
  BindExport(module_, "HBX_USBSafe", USBSafe);
  BindExport(module_, "HBX_InitEx", InitEx);
  BindExport(module_, "HBX_Uninit", Uninit);
  BindExport(module_, "HBX_IdentifyW", IdentifyW);
  BindExport(module_, "HBX_IdentifyFileW", IdentifyFileW);
  BindExport(module_, "HBX_IdentifyFileStreamW", IdentifyFileStreamW);
  BindExport(module_, "HBX_CreateViewer", CreateViewer);
  BindExport(module_, "HBX_Configure", Configure);
}

PluginLibrary::~PluginLibrary() {
  if (module_) FreeLibrary(module_);
}

BOOL PluginLibrary::StartUp(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  RawRecord<64> record;
  record.Put<uint32_t>(16, (uint32_t{a} << 16) | b);
  record.Put<uint32_t>(20, (uint32_t{c} << 16) | d);
  return InitEx(record.data());
}

bool PluginLibrary::IsClassRegistered(const wchar_t* className) const {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  return GetClassInfoExW(module_, className, &info) != 0;
}

}  // namespace lumen::test
