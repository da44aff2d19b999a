#include "HostStandIn.h"

#include <stdexcept>

#include "TestFiles.h"

namespace lumen::test {
namespace {

template <typename Fn>
void BindControl(HMODULE module, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!slot) throw std::runtime_error(std::string("the host stand-in does not export ") + name);
}

}  // namespace

HostStandIn::HostStandIn(Build build) : module_(LoadLibraryW(PathOf(build).c_str())) {
  if (!module_) throw std::runtime_error("cannot load the host stand-in " + ToUtf8(PathOf(build)));
#define LUMEN_BIND_CONTROL(name) BindControl(module_.get(), #name, name##_);
  LUMEN_STANDIN_CONTROL_FUNCTIONS(LUMEN_BIND_CONTROL)
#undef LUMEN_BIND_CONTROL
}

std::wstring HostStandIn::PathOf(Build build) {
  return ProgramFolder() + (build == Build::Full ? L"\\tessera.exe" : L"\\reduced\\tessera.exe");
}

void HostStandIn::SetConfigFolder(const std::wstring& folder) const { StandInSetConfigFolder_(folder.c_str()); }
void HostStandIn::ClearConfigFolder() const { StandInSetConfigFolder_(nullptr); }
void HostStandIn::SetString(UINT id, const std::wstring& text) const { StandInSetString_(id, text.c_str()); }
void HostStandIn::RemoveString(UINT id) const { StandInSetString_(id, nullptr); }
void HostStandIn::FailCall(const std::string& function, int nth) const { StandInFailCall_(function.c_str(), nth); }
void HostStandIn::ClearFailures() const { StandInFailCall_(nullptr, 0); }
int HostStandIn::CallCount(const std::string& function) const { return StandInCallCount_(function.c_str()); }
int HostStandIn::OpenDocuments() const { return StandInOpenDocuments_(); }
void HostStandIn::Reset() const { StandInReset_(); }

}  // namespace lumen::test
