#include "viewer/FileDescription.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "text/CharsetDetection.h"

namespace lumen {
namespace {

constexpr UINT kDescriptionFormatId = 24051;
constexpr int kHostStringBuffer = 1024;

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

// swprintf fails alike for too little room and for a format it cannot use:
// the room grows only up to what a sane description could need.
std::wstring FormatDescription(const std::wstring& format, int64_t lines, uint64_t size) {
  const size_t largest = format.size() + 4096;
  for (size_t room = std::max<size_t>(format.size() * 3 / 2, 64);; room *= 2) {
    std::vector<wchar_t> buffer(std::min(room, largest));
    const int written = std::swprintf(buffer.data(), buffer.size(), format.c_str(), lines, size);
    if (written >= 0 && static_cast<size_t>(written) < buffer.size()) return std::wstring(buffer.data(), written);
    if (buffer.size() == largest) return {};
  }
}

}  // namespace

std::wstring DescribedEncoding(const ShownFile& file) {
  std::wstring label = EncodingLabel(static_cast<int32_t>(file.encoding));
  if (file.encoding == Encoding::Ansi && file.codePage != 0) label = CodePageName(file.codePage) + L", ";
  if (file.encodingChosen && label.size() >= 2) label.insert(label.size() - 2, L" (chosen)");
  return label;
}

std::wstring FileDescription(const HostHelperApi& host, const ShownFile& file, int64_t lines, uint64_t bytes,
                             const std::wstring& notes) {
  return DescribedEncoding(file) + FormatDescription(HostString(host, kDescriptionFormatId), lines, bytes) + notes;
}

}  // namespace lumen
