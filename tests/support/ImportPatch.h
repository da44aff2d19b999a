#pragma once
// Replaces one imported function of a loaded module for the object's lifetime,
// so a test can make a platform call fail inside lumen.dll.
#include <windows.h>

namespace lumen::test {

class ImportPatch {
 public:
  ImportPatch(HMODULE module, const char* dllName, const char* function, void* replacement);
  ~ImportPatch();
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  // False when the module does not import that function by name.
  bool applied() const { return slot_ != nullptr; }

 private:
  void Write(void* value);
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace lumen::test
