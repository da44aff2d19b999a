#include "viewer/EditorLibrary.h"

#include "host/Paths.h"

namespace lumen {

bool EnsureEditorControlLibrary(HINSTANCE instance) {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  if (GetClassInfoExW(instance, L"Scintilla", &info)) return true;
  if (LoadLibraryW(SciLexerPath().c_str())) return true;
  wchar_t reason[256] = {};  // read for a debugger; nothing is shown to the user
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 1024, reason, 256,
                 nullptr);
  return false;
}

}  // namespace lumen
