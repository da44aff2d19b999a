#include "host/Paths.h"

#include <stdexcept>
#include <vector>

#include "base/ModulePath.h"
#include "host/HostApi.h"

namespace lumen {
namespace {

constexpr wchar_t kConfigFileName[] = L"lumen.config.xml";
constexpr wchar_t kLogFolderAndName[] = L"\\Logs\\lumen.log";
constexpr wchar_t kEditorLibraryName[] = L"SciLexer.dll";
// Room for the longest path Windows knows: folders deeper than MAX_PATH exist.
constexpr DWORD kHostPathCapacity = 32768;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The host's configuration folder, or false when the host cannot tell.
bool HostConfigFolder(std::wstring& folder) {
  const HostConfigApi api = BindHostConfigApi();
  if (!api.GetConfigPathW) return false;
  std::vector<wchar_t> buffer(kHostPathCapacity, L'\0');
  if (!api.GetConfigPathW(0, buffer.data(), kHostPathCapacity * sizeof(wchar_t))) return false;
  buffer.back() = L'\0';
  folder = buffer.data();
  return true;
}

}  // namespace

size_t FileNameStart(const std::wstring& path) {
  if (path.size() < 2) return 0;
  size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  return end;
}

std::wstring DropLastComponent(const std::wstring& path) {
  const size_t start = FileNameStart(path);
  return start == 0 ? std::wstring() : path.substr(0, start - 1);
}

std::wstring ConfigFilePathIn(const std::wstring& hostConfigFolder) {
  return hostConfigFolder + L"\\" + kConfigFileName;
}

std::wstring LogFilePathFor(const std::wstring& hostConfigFolder) {
  // Two levels above the host's configuration folder; without them there is
  // no sensible place, and the log goes to standard output instead.
  if (FileNameStart(hostConfigFolder) == 0) return {};
  const std::wstring parent = DropLastComponent(hostConfigFolder);
  if (FileNameStart(parent) == 0) return {};
  return DropLastComponent(parent) + kLogFolderAndName;
}

std::wstring SciLexerPathBeside(const std::wstring& modulePath) {
  if (modulePath.empty()) return kEditorLibraryName;
  return DropLastComponent(modulePath) + L"\\" + kEditorLibraryName;
}

std::wstring FileExtension(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : path.substr(dot + 1);
}

std::wstring ConfigFilePath() {
  std::wstring folder;
  if (!HostConfigFolder(folder)) throw std::logic_error("Cannot determine config file path");
  return ConfigFilePathIn(folder);
}

std::wstring LogFilePath() {
  std::wstring folder;
  return HostConfigFolder(folder) ? LogFilePathFor(folder) : std::wstring();
}

std::wstring ModuleFilePath() {
  HMODULE self = nullptr;
  const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&ModuleFilePath), &self)) return {};
  return ModuleFileName(self);
}

std::wstring SciLexerPath() { return SciLexerPathBeside(ModuleFilePath()); }

}  // namespace lumen
