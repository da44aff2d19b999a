#include "FolderListing.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <windows.h>

namespace lumen::demo {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "C:\" and "\" (and "\\" for a share's start) are roots: nothing above them.
bool IsRoot(const std::wstring& path) {
  return (path.size() == 3 && path[1] == L':' && IsSeparator(path[2])) ||
         (!path.empty() && path.size() <= 2 && std::all_of(path.begin(), path.end(), IsSeparator));
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back()) && !IsRoot(path)) path.pop_back();
  return path;
}

std::wstring Lowered(std::wstring text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// ".." before folders before files.
int Rank(const FileEntry& entry) { return entry.name == kParentFolderName ? 0 : entry.isFolder ? 1 : 2; }

}  // namespace

void SortEntries(std::vector<FileEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const FileEntry& a, const FileEntry& b) {
    if (Rank(a) != Rank(b)) return Rank(a) < Rank(b);
    return CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
}

std::vector<FileEntry> FilterEntries(const std::vector<FileEntry>& entries, const std::wstring& filter) {
  const std::wstring wanted = Lowered(filter);
  std::vector<FileEntry> kept;
  for (const FileEntry& entry : entries) {
    if (entry.name == kParentFolderName || Lowered(entry.name).find(wanted) != std::wstring::npos) kept.push_back(entry);
  }
  return kept;
}

std::wstring FormatSize(uint64_t bytes) {
  wchar_t text[32];
  if (bytes < 1024) {
    swprintf(text, std::size(text), L"%llu bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024 * 1024) {
    swprintf(text, std::size(text), L"%.1f KB", bytes / 1024.0);
  } else {
    swprintf(text, std::size(text), L"%.1f MB", bytes / (1024.0 * 1024.0));
  }
  return text;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  std::wstring path = WithoutTrailingSeparators(folder);
  if (!path.empty() && !IsSeparator(path.back())) path += L'\\';
  return path + name;
}

std::wstring ParentFolder(const std::wstring& path) {
  const std::wstring trimmed = WithoutTrailingSeparators(path);
  if (IsRoot(trimmed)) return {};
  const size_t separator = trimmed.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  const std::wstring parent = trimmed.substr(0, separator);
  if (parent.size() == 2 && parent[1] == L':') return parent + L'\\';  // "C:" is a drive's current folder, not its root
  return parent.empty() ? trimmed.substr(0, 1) : parent;
}

std::wstring LastComponent(const std::wstring& path) {
  const std::wstring trimmed = WithoutTrailingSeparators(path);
  const size_t separator = trimmed.find_last_of(L"\\/");
  return separator == std::wstring::npos ? trimmed : trimmed.substr(separator + 1);
}

std::vector<FileEntry> ReadFolder(const std::wstring& folder) {
  std::vector<FileEntry> entries;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(JoinPath(folder, L"*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return entries;
  const std::unique_ptr<void, decltype(&FindClose)> closer(search, &FindClose);
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == kParentFolderName) continue;
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entries.push_back({name, isFolder, isFolder ? 0 : size, false});
  } while (FindNextFileW(search, &found));
  if (!ParentFolder(folder).empty()) entries.push_back({kParentFolderName, true, 0, false});
  return entries;
}

}  // namespace lumen::demo
