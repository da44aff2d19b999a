// Loading a file into the viewer and describing it to the host.
#include <objidl.h>

#include <cstdint>
#include <cwchar>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "host/Paths.h"
#include "viewer/SourceViewerWindow.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// Detection and conversion count in 32 bits: larger files are refused.
constexpr uint64_t kLargestFile = 0x7FFFFFFF;
constexpr UINT kDescriptionFormatId = 24051;
constexpr int kHostStringBuffer = 1024;

struct FileHandle {
  explicit FileHandle(HANDLE handle) : handle(handle) {}
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE handle;
};

uint64_t FileSizeOf(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &attributes)) return ~uint64_t{0};
  return (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
}

// The whole file, or false when it cannot be read to the size it had.
bool ReadWholeFile(const wchar_t* path, uint64_t size, std::string& bytes) {
  const FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.handle == INVALID_HANDLE_VALUE) return false;
  bytes.resize(static_cast<size_t>(size));
  DWORD read = 0;
  return ReadFile(file.handle, bytes.data(), static_cast<DWORD>(size), &read, nullptr) && read == size;
}

// What the stream really delivers, up to its announced size: a short stream
// must not be padded with invented bytes.
bool ReadWholeStream(IStream* stream, uint64_t size, std::string& bytes) {
  bytes.resize(static_cast<size_t>(size));
  size_t total = 0;
  while (total < bytes.size()) {
    ULONG read = 0;
    const HRESULT result = stream->Read(bytes.data() + total, static_cast<ULONG>(bytes.size() - total), &read);
    if (FAILED(result)) return false;
    if (read == 0) break;
    total += read;
  }
  bytes.resize(total);
  return total > 0;
}

// The host's description format, "<missing string>" without one.
std::wstring HostString(const HostHelperApi& host, UINT id) {
  constexpr wchar_t kMissing[] = L"<missing string>";
  if (!host.GetString) return kMissing;
  std::vector<wchar_t> buffer(kHostStringBuffer, L'\0');
  LPWSTR pointer = buffer.data();
  const int length = host.GetString(id, &pointer, kHostStringBuffer);
  if (length <= 0) return kMissing;
  if (length < kHostStringBuffer) return std::wstring(buffer.data(), wcsnlen(buffer.data(), kHostStringBuffer));
  LPWSTR copy = nullptr;
  if (host.GetString(id, &copy, 0) <= 0 || !copy) return kMissing;
  const std::wstring text = copy;
  LocalFree(copy);
  return text;
}

std::wstring FormatDescription(const std::wstring& format, int64_t lines, uint64_t size) {
  std::vector<wchar_t> buffer(std::max<size_t>(format.size() * 3 / 2, 64));
  for (;;) {
    const int written = std::swprintf(buffer.data(), buffer.size(), format.c_str(), lines, size);
    if (written >= 0 && static_cast<size_t>(written) < buffer.size()) return std::wstring(buffer.data(), written);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

LRESULT SourceViewerWindow::LoadFromPath(const wchar_t* path) {
  filePath = path ? path : L"";
  if (filePath.empty() || !editor) return 0;
  fileSize = FileSizeOf(filePath.c_str());
  if (static_cast<int64_t>(fileSize) < 1 || fileSize > kLargestFile) return 0;
  std::string bytes;
  if (!ReadWholeFile(filePath.c_str(), fileSize, bytes)) return 0;
  return LoadIntoEditor(std::move(bytes), StyleForExtension(FileExtension(filePath)));
}

LRESULT SourceViewerWindow::LoadFromStream(const wchar_t* name, IStream* stream) {
  STATSTG status = {};
  if (!stream || FAILED(stream->Stat(&status, STATFLAG_NONAME))) return 0;
  filePath = name ? name : L"";
  if (filePath.empty() || !editor || status.cbSize.QuadPart == 0) return 0;
  fileSize = status.cbSize.QuadPart;
  if (fileSize > kLargestFile) return 0;
  std::string bytes;
  if (!ReadWholeStream(stream, fileSize, bytes)) return 0;
  fileSize = bytes.size();
  return LoadIntoEditor(std::move(bytes), StyleForExtension(FileExtension(filePath)));
}

LRESULT SourceViewerWindow::LoadIntoEditor(std::string&& bytes, const Style& style) {
  std::string converted;
  std::string_view text;
  try {
    const Encoding detected = DetectEncoding(bytes);
    encoding = static_cast<int32_t>(detected);
    if (detected == Encoding::Utf8) {
      text = std::string_view(bytes).substr(Utf8TextOffset(bytes));  // shown as it is, without a copy
    } else {
      converted = ConvertToUtf8(bytes, detected);
      std::string().swap(bytes);  // the raw bytes go before the editor takes its copy
      text = converted;
    }
  } catch (const std::exception&) {
    return 0;  // undecodable: the editor keeps what it showed
  }
  // The editor counts its document in 32 bits.
  if (text.empty() || text.size() > static_cast<size_t>(INT32_MAX)) return 0;

  const EditorControl control = Editor();
  control.Send(SCI_SETREADONLY, 0);
  control.Send(SCI_CLEARALL);
  ApplyBaseStyle(control);
  ApplyStyle(control, style);
  control.Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  control.Send(SCI_ADDTEXT, text.size(), text.data());
  control.Send(SCI_GOTOPOS, 0);
  control.Send(SCI_EMPTYUNDOBUFFER);
  control.Send(SCI_SETREADONLY, 1);

  lineNumbering = ReadLineNumbering(lineNumbering);
  UpdateMargin();
  ReportFeatures();
  SearchAgainAfterLoad();
  return 1;
}

void SourceViewerWindow::DescribeFile(HostTextRecord* record) const {
  if (!record) return;
  record->two = 2;
  record->two8 = 2;
  record->zero16 = 0;
  const int64_t lines = Editor().Send(SCI_GETLINECOUNT);
  const std::wstring text =
      EncodingLabel(encoding) + FormatDescription(HostString(hostFunctions, kDescriptionFormatId), lines, fileSize);
  if (record->textCapacity == 0 || !record->text) return;
  const size_t copied = std::min<size_t>(text.size(), record->textCapacity - 1);
  wmemcpy(record->text, text.data(), copied);
  record->text[copied] = L'\0';
}

}  // namespace lumen
