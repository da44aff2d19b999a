#pragma once
// A folder holding an editor control and a copy of lumen.dll beside it:
// lumen loads the SciLexer.dll that lies beside itself. By default the real
// Scintilla 5 control the build makes (the adapter with Scintilla.dll and
// Lexilla.dll); or any other SciLexer.dll, such as a 3.x control.
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>

#include "TestFiles.h"

namespace lumen::benchmark {

class RealEditorFolder {
 public:
  // `sciLexer`: the path of another SciLexer.dll; empty for the build's own.
  explicit RealEditorFolder(const std::wstring& sciLexer = L"") {
    const std::wstring bin = test::ProgramFolder();
    const std::vector<std::wstring> files =
        sciLexer.empty() ? std::vector<std::wstring>{bin + L"\\real\\SciLexer.dll", bin + L"\\real\\Scintilla.dll",
                                                     bin + L"\\real\\Lexilla.dll"}
                         : std::vector<std::wstring>{sciLexer};
    for (const std::wstring& file : files) Copy(file, file.substr(file.find_last_of(L"\\/") + 1));
    Copy(bin + L"\\lumen.dll", L"lumen.dll");
  }
  std::wstring plugin() const { return folder_ / L"lumen.dll"; }
  std::wstring editorLibrary() const { return folder_ / L"SciLexer.dll"; }

 private:
  void Copy(const std::wstring& from, const std::wstring& name) const {
    if (!CopyFileW(from.c_str(), (folder_ / name).c_str(), FALSE)) {
      throw std::runtime_error("the editor control is not there: " + test::ToUtf8(from));
    }
  }
  test::TempFolder folder_;
};

}  // namespace lumen::benchmark
