#pragma once
// The plug-in's file paths, computed afresh at every use.
#include <string>
#include <windows.h>

#include "base/ModulePath.h"

namespace lumen {

// Position where the last component of a path begins; "\" and "/" separate.
size_t FileNameStart(const std::wstring& path);

// The text before the separator that precedes the last component; empty when
// the path has no separator to drop at.
std::wstring DropLastComponent(const std::wstring& path);

std::wstring ConfigFilePathIn(const std::wstring& hostConfigFolder);
std::wstring LogFilePathFor(const std::wstring& hostConfigFolder);
std::wstring SciLexerPathBeside(const std::wstring& modulePath);

// The text after the last "." of the whole path (a dot in a folder counts when
// the file name has none); empty without a ".".
std::wstring FileExtension(const std::wstring& path);

// Throws std::logic_error "Cannot determine config file path" when the host
// cannot tell its configuration folder.
std::wstring ConfigFilePath();
// Empty when the host cannot tell.
std::wstring LogFilePath();
// The plug-in library's own path; empty on failure.
std::wstring ModuleFilePath();
std::wstring SciLexerPath();

}  // namespace lumen
