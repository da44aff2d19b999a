#include "base/SharedFile.h"

#include <algorithm>
#include <utility>

namespace lumen {
namespace {

// One ReadFile takes at most this.
constexpr size_t kLargestRead = size_t{1} << 30;

}  // namespace

std::optional<SharedFile> SharedFile::Open(const std::wstring& path, bool sequential) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | (sequential ? FILE_FLAG_SEQUENTIAL_SCAN : 0), nullptr));
  if (!file) return std::nullopt;
  return SharedFile(std::move(file));
}

std::optional<uint64_t> SharedFile::Size() const {
  LARGE_INTEGER length = {};
  if (!GetFileSizeEx(file_.get(), &length) || length.QuadPart < 0) return std::nullopt;
  return static_cast<uint64_t>(length.QuadPart);
}

std::optional<FileIdentity> SharedFile::Identity() const {
  BY_HANDLE_FILE_INFORMATION information = {};
  if (!GetFileInformationByHandle(file_.get(), &information)) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

bool SharedFile::Seek(uint64_t offset) {
  LARGE_INTEGER at = {};
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) != 0;
}

size_t SharedFile::Read(char* buffer, size_t room) {
  DWORD read = 0;
  failed_ = !ReadFile(file_.get(), buffer, static_cast<DWORD>(std::min(room, kLargestRead)), &read, nullptr);
  return failed_ ? 0 : read;
}

size_t SharedFile::ReadUpTo(std::string& bytes, size_t length) {
  const size_t start = bytes.size();
  bytes.resize(start + length);
  size_t total = 0;
  while (total < length) {
    const size_t read = Read(bytes.data() + start + total, length - total);
    if (read == 0) break;
    total += read;
  }
  bytes.resize(start + total);
  return total;
}

size_t SharedFile::ReadAt(uint64_t offset, char* buffer, size_t room) {
  size_t total = 0;
  while (total < room) {
    // The offset rides in the request: two threads may read one file at once.
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>((offset + total) & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>((offset + total) >> 32);
    DWORD read = 0;
    const DWORD asked = static_cast<DWORD>(std::min(room - total, kLargestRead));
    if (!ReadFile(file_.get(), buffer + total, asked, &read, &at)) {
      failed_ = GetLastError() != ERROR_HANDLE_EOF;
      break;
    }
    if (read == 0) break;
    total += read;
  }
  return total;
}

}  // namespace lumen
