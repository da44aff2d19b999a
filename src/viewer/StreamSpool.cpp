#include "viewer/StreamSpool.h"

#include <algorithm>

namespace lumen {
namespace {

// Read from the stream and written at a time.
constexpr size_t kPiece = size_t{1} << 20;

constexpr wchar_t kPrefix[] = L"str";

// lumen's folder in the temporary folder; empty when the system has none.
std::wstring SpoolFolder() {
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  if (length == 0 || length > MAX_PATH) return {};
  return std::wstring(temporary) + L"lumen";
}

}  // namespace

void StreamSpool::RemoveLeftovers() {
  const std::wstring folder = SpoolFolder();
  if (folder.empty()) return;
  WIN32_FIND_DATAW found = {};
  const std::wstring pattern = folder + L"\\" + kPrefix + L"*.tmp";
  UniqueFindHandle search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    // Shared with nobody: a spool still open anywhere refuses, and is left alone.
    const std::wstring path = folder + L"\\" + found.cFileName;
    UniqueHandle leftover(CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  } while (FindNextFileW(search.get(), &found));
}

uint64_t StreamSpool::FreeSpace() {
  const std::wstring folder = SpoolFolder();
  ULARGE_INTEGER available = {};
  if (folder.empty() || !GetDiskFreeSpaceExW((folder + L"\\..").c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

std::unique_ptr<StreamSpool> StreamSpool::Create() {
  const std::wstring folder = SpoolFolder();
  if (folder.empty()) return nullptr;
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder.c_str(), kPrefix, 0, name) == 0) return nullptr;
  // Others (the window's readers) open it by name while it is written; it
  // goes with its last handle.
  UniqueHandle file(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) {
    DeleteFileW(name);
    return nullptr;
  }
  return std::unique_ptr<StreamSpool>(new StreamSpool(name, std::move(file)));
}

bool StreamSpool::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), kPiece));
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    written_.fetch_add(written, std::memory_order_release);
    bytes.remove_prefix(written);
  }
  return true;
}

bool StreamSpool::Pump(ByteSource& source, std::chrono::steady_clock::time_point deadline) {
  if (!piece_) piece_.reset(new char[kPiece]);
  do {
    const size_t read = source.Read(piece_.get(), kPiece);
    if (read == 0 || !Write({piece_.get(), read})) return false;
  } while (std::chrono::steady_clock::now() < deadline);
  return true;
}

}  // namespace lumen
