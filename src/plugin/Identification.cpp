#include "plugin/Identification.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>

#include "base/SharedFile.h"
#include "base/Text.h"
#include "config/Loaders.h"
#include "config/Recognition.h"
#include "host/Paths.h"
#include "text/Compression.h"
#include "text/Encoding.h"
#include "text/TextContent.h"

namespace lumen {
namespace {

struct Head {
  std::string bytes;
  bool wholeFile = false;
};

std::optional<Head> ReadFileHead(const wchar_t* path) {
  std::optional<SharedFile> file = SharedFile::Open(path);
  if (!file) return std::nullopt;
  Head head;
  const size_t read = file->ReadUpTo(head.bytes, kIdentificationHead);
  if (file->failed()) return std::nullopt;
  head.wholeFile = read < kIdentificationHead;
  return head;
}

// The stream goes back to where it was; one that cannot tell where that is is not read.
std::optional<Head> ReadStreamHead(IStream* stream) {
  ULARGE_INTEGER position = {};
  if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position))) return std::nullopt;
  Head head;
  head.bytes.resize(kIdentificationHead);
  size_t total = 0;
  HRESULT result = S_OK;
  // A stream may deliver less than asked before its end.
  while (total < head.bytes.size()) {
    ULONG read = 0;
    result = stream->Read(head.bytes.data() + total, static_cast<ULONG>(head.bytes.size() - total), &read);
    if (FAILED(result) || read == 0) break;
    total += std::min<size_t>(read, head.bytes.size() - total);
  }
  LARGE_INTEGER back = {};
  back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
  const bool restored = SUCCEEDED(stream->Seek(back, STREAM_SEEK_SET, nullptr));
  if (FAILED(result) || !restored) return std::nullopt;
  head.bytes.resize(total);
  head.wholeFile = total < kIdentificationHead;
  return head;
}

// What identification reads of the configuration.
struct IdentificationKeys {
  std::vector<LanguageKeys> languages;
  std::vector<std::wstring> extensions;
  std::vector<std::wstring> ignoredEndings;
  bool anyAliases = false;
  bool claimTextFiles = false;
  DecodingRule decoding;  // a file's first lines are read as the viewer reads them
};

IdentificationKeys ReadKeys(const ConfigurationSnapshot& configuration) {
  IdentificationKeys keys;
  keys.languages = ReadOr(std::vector<LanguageKeys>(), [&] { return configuration.Languages(); });
  keys.extensions = ReadOr(std::vector<std::wstring>(), [&] { return configuration.Extensions(); });
  keys.ignoredEndings = ReadOr(std::vector<std::wstring>(), [&] { return configuration.IgnoredEndings(); });
  keys.anyAliases = AnyAliases(keys.languages);
  keys.claimTextFiles = ReadOr(false, [&] { return configuration.ClaimTextFiles(); });
  keys.decoding = configuration.Decoding();
  return keys;
}

// The configuration file as the file system describes it: a save (which
// replaces the file) or any write changes it.
struct FileStamp {
  std::wstring path;
  FILETIME created = {};
  FILETIME written = {};
  uint64_t size = 0;

  bool operator==(const FileStamp& other) const {
    return path == other.path && CompareFileTime(&created, &other.created) == 0 &&
           CompareFileTime(&written, &other.written) == 0 && size == other.size;
  }
};

std::optional<FileStamp> StampOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return FileStamp{path, data.ftCreationTime, data.ftLastWriteTime,
                   (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

// The keys of the configuration as it is now. The host asks about every file
// of a folder it lists, so the file is parsed again only when it has changed:
// a save still counts from the next call. Calls may come from several threads.
class KeptKeys {
 public:
  std::shared_ptr<const IdentificationKeys> For(const std::wstring& path) {
    const std::optional<FileStamp> before = StampOf(path);
    {
      const std::lock_guard<std::mutex> lock(guard_);
      if (before && keys_ && stamp_ == before) return keys_;
    }
    auto keys = std::make_shared<const IdentificationKeys>(ReadKeys(ConfigurationSnapshot(path)));
    // A file that changed while it was read is read again by the next call.
    if (before && StampOf(path) == before) {
      const std::lock_guard<std::mutex> lock(guard_);
      stamp_ = before;
      keys_ = keys;
    }
    return keys;
  }

 private:
  std::mutex guard_;
  std::optional<FileStamp> stamp_;
  std::shared_ptr<const IdentificationKeys> keys_;
};

std::shared_ptr<const IdentificationKeys> CurrentKeys() {
  static KeptKeys kept;
  try {
    return kept.For(ConfigFilePath());
  } catch (const std::logic_error&) {
    return std::make_shared<const IdentificationKeys>();  // no configuration: nothing is claimed
  }
}

std::string Decoded(const std::string& bytes, const DecodingRule& rule) {
  try {
    return DecodeFirstPart(bytes, bytes.size(), rule).text;
  } catch (const std::exception&) {
    return {};
  }
}

// By the whole name, the extension, or the name before an ignored ending.
bool ClaimedByName(const IdentificationKeys& keys, const std::wstring& fileName) {
  if (LanguageByName(keys.languages, fileName) || IsHandledExtension(FileExtension(fileName), keys.extensions)) {
    return true;
  }
  // x.h.in and x.json.example: the name before an ignored ending decides.
  const std::wstring inner = InnerName(fileName, keys.ignoredEndings);
  return !inner.empty() && (LanguageByName(keys.languages, inner) ||
                            (inner.find(L'.') != std::wstring::npos &&
                             IsHandledExtension(FileExtension(inner), keys.extensions)));
}

// The first bytes of the text a compressed head holds, as far as it goes.
Head DecompressedHead(Compression compression, const Head& compressed) {
  size_t offset = 0;
  DecompressingReader reader(
      compression,
      [&](char* buffer, size_t room) {
        const size_t count = std::min(room, compressed.bytes.size() - offset);
        std::copy_n(compressed.bytes.data() + offset, count, buffer);
        offset += count;
        return count;
      },
      kIdentificationHead);
  Head head;
  head.bytes.resize(kIdentificationHead);
  size_t filled = 0;
  while (filled < head.bytes.size()) {
    const size_t got = reader.Read(head.bytes.data() + filled, head.bytes.size() - filled);
    if (got == 0) break;
    filled += got;
  }
  head.bytes.resize(filled);
  head.wholeFile = compressed.wholeFile && reader.ended() && reader.outcome().end == DecompressionEnd::Whole;
  return head;
}

}  // namespace

bool IsHandledExtension(const std::wstring& extension, const std::vector<std::wstring>& configured) {
  const std::wstring lower = UserLocale::Get().ToLower(extension);
  return std::find(configured.begin(), configured.end(), lower) != configured.end();
}

std::string HeadText(std::string head, bool wholeFile, const DecodingRule& rule) {
  if (!wholeFile) {
    const size_t lineEnd = head.rfind('\n');
    if (lineEnd == std::string::npos) return {};
    // UTF-16LE ends its line with "\n\0".
    const size_t kept = lineEnd + 1 + (lineEnd + 1 < head.size() && head[lineEnd + 1] == '\0' ? 1 : 0);
    head.resize(kept);
  }
  std::string text = Decoded(head, rule);
  if (text.empty() && head.size() % 4 != 0) text = Decoded(head.substr(0, head.size() & ~size_t{3}), rule);
  return text;
}

bool IdentifyFile(const wchar_t* path, HostFileInfoRecord* record, IStream* stream) {
  if (!path) return false;
  const std::shared_ptr<const IdentificationKeys> keys = CurrentKeys();
  const std::wstring fullPath = path;
  const std::wstring fileName = fullPath.substr(FileNameStart(fullPath));
  std::optional<Head> head;
  const auto readHead = [&] {
    if (!head) head = stream ? ReadStreamHead(stream) : ReadFileHead(path);
    return head.has_value();
  };
  // A compressed file (app.log.1.gz) is claimed as the text it holds; one
  // that only has the name is an ordinary file.
  const Compression compression = CompressionOfName(fileName);
  const bool compressed = compression != Compression::None && readHead() && CompressionOfHead(head->bytes) == compression;
  if (compressed) head = DecompressedHead(compression, *head);
  bool claimed = ClaimedByName(*keys, compressed ? NameInside(fileName) : fileName);
  if (!claimed && keys->anyAliases && readHead()) {
    claimed = LanguageByContent(keys->languages, EdgeLinesOf(HeadText(head->bytes, head->wholeFile, keys->decoding), false))
                  .has_value();
  }
  // Any other text, by its first bytes, where the configuration asks for it.
  if (!claimed && keys->claimTextFiles && readHead()) {
    claimed = LooksLikeText(head->bytes, head->wholeFile);
  }
  if (!claimed) return false;
  if (record) {
    StampTextRecord(*record);
    if (record->text && record->textCapacity != 0) record->text[0] = L'\0';
  }
  return true;
}

}  // namespace lumen
