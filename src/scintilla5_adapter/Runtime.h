#pragma once
// The adapter's process-wide state: Scintilla.dll and Lexilla.dll loaded from
// the adapter's own folder, the real control's class moved to a private name,
// and the adapter's own global class "Scintilla" in its place.
#include <windows.h>

#include "base/Handles.h"
#include "scintilla5_adapter/Scintilla5.h"

namespace lumen::scintilla5 {

// The real Scintilla 5 class, under the name it is moved to.
inline constexpr wchar_t kInnerClassName[] = L"lumen.Scintilla5";
inline constexpr wchar_t kAdapterClassName[] = L"Scintilla";

class Runtime {
 public:
  // Throws when Scintilla.dll cannot be loaded or its class not moved; a
  // missing Lexilla.dll only leaves documents without lexers.
  explicit Runtime(HINSTANCE adapterModule);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  const Lexers& lexers() const { return lexers_; }

  // The runtime of the loaded adapter; null before DllMain made it.
  static const Runtime* current();
  static void set_current(const Runtime* runtime);

 private:
  // Members go in reverse: the classes are unregistered before the libraries
  // whose window procedures they name are freed.
  UniqueModule scintilla_;
  UniqueModule lexilla_;
  UniqueWindowClass innerClass_;
  UniqueWindowClass adapterClass_;
  Lexers lexers_;
};

}  // namespace lumen::scintilla5
