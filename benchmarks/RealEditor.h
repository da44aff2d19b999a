#pragma once
// A folder holding the real editor control and a copy of lumen.dll beside it:
// lumen loads the SciLexer.dll that lies beside itself.
#include <stdexcept>
#include <string>
#include <windows.h>

#include "TestFiles.h"

namespace lumen::benchmark {

class RealEditorFolder {
 public:
  RealEditorFolder() {
    const std::wstring bin = test::ProgramFolder();
    for (const wchar_t* name : {L"real\\SciLexer.dll", L"real\\Scintilla.dll", L"real\\Lexilla.dll", L"lumen.dll"}) {
      const std::wstring target = folder_ / std::wstring(name).substr(std::wstring(name).rfind(L'\\') + 1);
      if (!CopyFileW((bin + L"\\" + name).c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("the real editor control is not built (bin\\real)");
      }
    }
  }
  std::wstring plugin() const { return folder_ / L"lumen.dll"; }
  std::wstring editorLibrary() const { return folder_ / L"SciLexer.dll"; }

 private:
  test::TempFolder folder_;
};

}  // namespace lumen::benchmark
