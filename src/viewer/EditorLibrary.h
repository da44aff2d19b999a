#pragma once
#include <windows.h>

namespace lumen {

// Makes sure the editor's window class "Scintilla" exists, loading
// SciLexer.dll from beside the plug-in once per process when it does not.
// The library is never freed. False when it cannot be loaded.
bool EnsureEditorControlLibrary(HINSTANCE instance);

}  // namespace lumen
