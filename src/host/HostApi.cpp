#include "host/HostApi.h"

namespace lumen {
namespace {

HMODULE HostModule() { return GetModuleHandleW(LUMEN_HOST_MODULE_NAME); }

template <typename Fn>
void Bind(HMODULE module, const char* name, Fn& slot) {
  slot = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

#define LUMEN_BIND_SLOT(name, type) Bind(module, #name, table.name);

}  // namespace

HostConfigApi BindHostConfigApi() {
  HostConfigApi table;
  if (HMODULE module = HostModule()) {
    LUMEN_HOST_CONFIG_FUNCTIONS(LUMEN_BIND_SLOT)
  }
  return table;
}

HostHelperApi BindHostHelperApi() {
  HostHelperApi table;
  if (HMODULE module = HostModule()) {
    LUMEN_HOST_HELPER_FUNCTIONS(LUMEN_BIND_SLOT)
  } else {
    // Without the named host, a host that embeds the plug-in may still offer
    // its strings from the main executable.
    Bind(GetModuleHandleW(nullptr), "GetString", table.GetString);
  }
  return table;
}

XmlFunctions BindXmlFunctions() {
  XmlFunctions table;
  if (HMODULE module = HostModule()) {
    LUMEN_XML_FUNCTIONS(LUMEN_BIND_SLOT)
  }
  return table;
}

#undef LUMEN_BIND_SLOT

}  // namespace lumen
