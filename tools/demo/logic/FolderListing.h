#pragma once
// The file list of the demo host: a folder's entries, their order, the
// filter, and the paths between folders.
#include <cstdint>
#include <string>
#include <vector>

namespace lumen::demo {

inline constexpr wchar_t kParentFolderName[] = L"..";

struct FileEntry {
  std::wstring name;
  bool isFolder = false;
  uint64_t size = 0;
  bool claimed = false;  // a file that lumen said it shows
};

// ".." first, then folders, then files; names ignoring case.
void SortEntries(std::vector<FileEntry>& entries);

// The entries whose names hold `filter`, ignoring case, in their order; ".."
// always stays, so the way up never disappears.
std::vector<FileEntry> FilterEntries(const std::vector<FileEntry>& entries, const std::wstring& filter);

// "512 bytes", "3.4 KB", "12.0 MB".
std::wstring FormatSize(uint64_t bytes);

// Paths are absolute Windows paths ("Z:\src\demo"); a root keeps its separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The folder above; empty for a root.
std::wstring ParentFolder(const std::wstring& path);
// The last component, without trailing separators.
std::wstring LastComponent(const std::wstring& path);

// The folder's entries as the file system has them: no ".", a ".." unless the
// folder is a root, nothing claimed yet. Empty when the folder cannot be read.
std::vector<FileEntry> ReadFolder(const std::wstring& folder);

}  // namespace lumen::demo
