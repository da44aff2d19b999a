#pragma once
// The host stand-in "tessera.exe", loaded into the test program for the
// object's lifetime: while it lives the plug-in finds a host by name, and
// tests steer it through its control interface.
#include <memory>
#include <string>

#include <windows.h>

#include "host_functions/StandInControl.h"

namespace lumen::test {

class HostStandIn {
 public:
  enum class Build {
    Full,     // bin/tessera.exe
    Reduced,  // bin/reduced/tessera.exe: no GetConfigPathW, XMLSaveFileW or GetString
  };

  // Throws std::runtime_error when the stand-in cannot be loaded.
  explicit HostStandIn(Build build = Build::Full);

  static std::wstring PathOf(Build build);

  void SetConfigFolder(const std::wstring& folder) const;
  void ClearConfigFolder() const;  // GetConfigPathW then fails
  void SetString(UINT id, const std::wstring& text) const;
  void RemoveString(UINT id) const;
  // The nth call from now (1-based) of the function fails; nth 0: every call.
  void FailCall(const std::string& function, int nth = 0) const;
  void ClearFailures() const;
  int CallCount(const std::string& function) const;
  int OpenDocuments() const;
  void Reset() const;

  HMODULE module() const { return module_.get(); }

 private:
  struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };

  std::unique_ptr<HINSTANCE__, LibraryFreer> module_;
#define LUMEN_STANDIN_CONTROL_SLOT(name) control::name##_fn name##_ = nullptr;
  LUMEN_STANDIN_CONTROL_FUNCTIONS(LUMEN_STANDIN_CONTROL_SLOT)
#undef LUMEN_STANDIN_CONTROL_SLOT
};

}  // namespace lumen::test
