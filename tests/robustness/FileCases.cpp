// Files of every shape, by path and by stream: random bytes, byte order marks
// cut short, broken UTF-16 and UTF-32, long lines, NUL bytes, and streams
// that fail or stop early. A load shows the file or answers 0 and leaves the
// editor as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "Robustness.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "abi/ScintillaInterface.h"
#include "text/CharsetDetection.h"
#include "viewer/FileWindow.h"

namespace lumen::robustness {
namespace {

using namespace sci;
using test::TestStream;

constexpr int kRandomFiles = 300;
constexpr size_t kLargestRandomFile = 3 * 1024 * 1024;
constexpr UINT kOpenFile = 0x8F02, kOpenStream = 0x8F04;

const std::vector<std::string> kByteOrderMarks = {
    std::string("\xFF\xFE\x00\x00", 4), std::string("\x00\x00\xFE\xFF", 4), "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};

uint32_t Unit32(const std::string& bytes, size_t at, bool bigEndian) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<uint8_t>(bytes[at + (bigEndian ? i : 3 - i)]);
    value = (value << 8) | byte;
  }
  return value;
}

// Whether a viewer can show these bytes: anything can, except nothing at all,
// a UTF-8 byte order mark with nothing after it, and UTF-32 holding a value
// beyond U+10FFFF.
bool Showable(const std::string& bytes) {
  const size_t n = bytes.size();
  if (n == 0) return false;
  const bool utf32 =
      n % 4 == 0 && (bytes.compare(0, 4, kByteOrderMarks[0]) == 0 || bytes.compare(0, 4, kByteOrderMarks[1]) == 0);
  if (utf32) {
    const bool bigEndian = bytes[0] == '\0';
    for (size_t at = 0; at < n; at += 4) {
      if (Unit32(bytes, at, bigEndian) > 0x10FFFF) return false;
    }
    return true;
  }
  return bytes != kByteOrderMarks[2];
}

bool IsValidUtf8(const std::string& text) {
  return text.empty() ||
         MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

// What a stream delivers to a reader that asks for its announced size and
// stops at the first empty read; nothing when it is refused or a read fails.
std::optional<std::string> WhatTheStreamDelivers(const TestStream& stream, const std::string& bytes) {
  // Any announced size is read, as far as the stream delivers.
  if (stream.failStat || stream.announcedSize == 0) return std::nullopt;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(stream.announcedSize, bytes.size()));
  if (stream.failRead || stream.failAfter < wanted) return std::nullopt;
  if (stream.piece == 0) return std::string();
  return bytes.substr(0, wanted);
}

class FileLoads {
 public:
  explicit FileLoads(const std::string& configuration = SmallConfiguration()) : configuration_(configuration) {
    host_.WriteConfig(configuration_);
    viewer_ = std::make_unique<Viewer>(host_);
    Reset();
  }

  Host& host() { return host_; }

  // Shows `bytes` by path (a file named `name`) and checks the outcome.
  void ByPath(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = host_.WriteFile(name, bytes);
    const LRESULT shown = viewer_->OpenPath(path);
    WaitWhileLoading();
    Expect(shown, Showable(bytes), bytes);
    DeleteFileW(path.c_str());
  }

  // Shows what `stream` (holding `bytes`) delivers and checks the outcome: only what it delivered.
  void ByStream(const std::wstring& name, TestStream& stream, const std::string& bytes) {
    const std::optional<std::string> delivered = WhatTheStreamDelivers(stream, bytes);
    const LRESULT shown =
        viewer_->Send(kOpenStream, reinterpret_cast<WPARAM>(name.c_str()), reinterpret_cast<LPARAM>(&stream));
    WaitWhileLoading();
    EXPECT_EQ(stream.references(), 1u) << "the stream is let go once loaded";
    const bool showable = delivered && Showable(*delivered);
    Expect(shown, showable, delivered.value_or(std::string()));
    if (showable) {
      const std::wstring size = L", " + std::to_wstring(delivered->size()) + L" bytes";
      const std::wstring description = viewer_->Describe();
      EXPECT_TRUE(description.size() >= size.size() && description.ends_with(size)) << test::ToUtf8(description);
    }
  }

  // Checks an answer that is expected to fail, for inputs that are no file at all.
  void ExpectRefused(LRESULT shown) { Expect(shown, false, std::string()); }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const { return viewer_->Send(message, wParam, lParam); }

  const std::string& document() const { return document_; }

 private:
  // A big file arrives in slices between messages: the outcome is the whole one.
  void WaitWhileLoading() {
    for (int turn = 0; turn < 6000 && viewer_->Describe().find(L"loading") != std::wstring::npos; ++turn) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(viewer_->Describe().find(L"loading"), std::wstring::npos) << "still loading after a minute";
  }

  // A small file first, so that a failed load has something to leave alone.
  void Reset() {
    ByPath(L"before.txt", "the text shown before\n");
    ASSERT_EQ(document_, "the text shown before\n");
  }

  void Expect(LRESULT shown, bool showable, const std::string& bytes) {
    EXPECT_EQ(shown, showable ? 1 : 0) << bytes.size() << " bytes starting " << test::ToUtf8(Hex(bytes.substr(0, 8)));
    host_.ExpectCleanEnd(configuration_);
    const std::optional<std::string> now = viewer_->Document();
    ASSERT_TRUE(now.has_value());
    if (shown != 1) {
      EXPECT_TRUE(*now == document_) << "a failed load changed the editor";
      return;
    }
    EXPECT_FALSE(now->empty());
    EXPECT_LE(now->size(), bytes.size() * 3 + 3) << "more text than the bytes can encode";
    const HWND editor = viewer_->editor();
    EXPECT_EQ(SendMessageW(editor, SCI_GETREADONLY, 0, 0), 1);
    EXPECT_EQ(SendMessageW(editor, SCI_GETCURRENTPOS, 0, 0), 0);
    const std::wstring description = viewer_->Describe();
    // A Unicode form, the system's code page or one the detector named.
    static const std::vector<std::wstring> labels = [] {
      std::vector<std::wstring> known = {L"UTF-32LE, ", L"UTF-32BE, ", L"UTF-16LE, ",
                                         L"UTF-16BE, ", L"UTF-8, ",    L"ANSI, "};
      for (const CodePage& page : KnownCodePages()) known.push_back(std::wstring(page.name) + L", ");
      return known;
    }();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const auto& label) {
      return description.starts_with(label);
    })) << test::ToUtf8(description);
    document_ = *now;
  }

  static std::wstring Hex(const std::string& bytes) {
    std::wstring text;
    for (const unsigned char byte : bytes) {
      wchar_t digits[4];
      swprintf(digits, 4, L"%02X ", byte);
      text += digits;
    }
    return text;
  }

  Host host_{Host::Kind::Full};
  std::string configuration_;
  std::unique_ptr<Viewer> viewer_;
  std::string document_;
};

const std::vector<std::wstring> kNames = {L"random.txt", L"random.c", L"random.bin", L"random", L"r.unknown"};

TEST(FileRobustness, RandomBytesByPathAndByStream) {
  FileLoads loads;
  for (int index = 0; index < kRandomFiles; ++index) {
    const Case scope("files: random bytes, by path and by stream", std::to_string(index));
    Random random("files: random bytes", index);
    std::string bytes = random.Bytes(random.Length(kLargestRandomFile));
    if (random.Percent(25)) {
      const std::string& mark = random.Pick(kByteOrderMarks);
      bytes = mark.substr(0, 1 + random.Below(mark.size())) + bytes;
    }
    const std::wstring& name = random.Pick(kNames);
    loads.ByPath(name, bytes);
    const int behaviour = static_cast<int>(random.Below(6));
    const std::string content = behaviour == 1 ? bytes.substr(0, random.Below(bytes.size() + 1)) : bytes;
    TestStream stream(content);
    stream.announcedSize = bytes.size();  // the content of case 1 ends before it
    if (behaviour == 0) stream.piece = static_cast<ULONG>(1 + random.Below(4096));
    if (behaviour == 2) {
      stream.failAfter = random.Below(bytes.size() + 1);
      stream.piece = static_cast<ULONG>(1 + random.Below(bytes.size() + 1));
    }
    if (behaviour == 3) stream.announcedSize = random.Below(bytes.size() + 1);  // less than it has
    loads.ByStream(name, stream, content);
  }
}

// Beyond the size that loads in one piece: the same kinds of files, long
// enough to arrive in slices, by path and by streams that deliver in small
// pieces, end before their announced size or announce less than they hold.
TEST(FileRobustness, BigFilesThatArriveInSlices) {
  constexpr size_t kBig = size_t{4} << 20;
  FileLoads loads;
  for (int index = 0; index < 12; ++index) {
    const Case scope("files: big, in slices", std::to_string(index));
    Random random("files: big", index);
    // A random piece, marked or not, repeated beyond the size: its characters
    // are cut wherever the slices end.
    std::string piece = random.Bytes(1 + random.Below(70000));
    if (random.Percent(50)) {
      for (char& byte : piece) byte = static_cast<char>(random.Percent(90) ? 0x20 + random.Below(0x60) : byte);
    }
    std::string bytes = random.Percent(60) ? random.Pick(kByteOrderMarks) : std::string();
    const size_t size = kBig + 1 + random.Below(3u << 20);
    while (bytes.size() < size) bytes += piece;
    if (random.Percent(50)) bytes.resize(size);
    loads.ByPath(random.Pick(kNames), bytes);
    const int behaviour = static_cast<int>(random.Below(3));
    const std::string content = behaviour == 1 ? bytes.substr(0, kBig + random.Below(bytes.size() - kBig)) : bytes;
    TestStream stream(content);
    stream.announcedSize = behaviour == 2 ? kBig + 1 + random.Below(bytes.size() - kBig) : bytes.size();
    if (behaviour == 0) stream.piece = static_cast<ULONG>(1 + random.Below(256 * 1024));
    loads.ByStream(random.Pick(kNames), stream, content);
  }
}

TEST(FileRobustness, ByteOrderMarksCutShortAndFollowedByOddLengths) {
  FileLoads loads;
  int index = 0;
  for (const std::string& mark : kByteOrderMarks) {
    for (size_t kept = 1; kept <= mark.size(); ++kept) {
      for (const size_t tail : {0, 1, 2, 3, 4, 5, 7, 8, 9, 13, 255, 1001}) {
        const Case scope("files: byte order marks cut short, odd lengths", std::to_string(index));
        Random random("files: byte order marks", index++);
        const std::string bytes =
            mark.substr(0, kept) + (random.Percent(50) ? random.Bytes(tail) : std::string(tail, 'a'));
        loads.ByPath(L"marked.txt", bytes);
        TestStream stream(bytes);
        stream.piece = static_cast<ULONG>(1 + random.Below(3));
        loads.ByStream(L"marked.txt", stream, bytes);
      }
    }
  }
}

std::string Utf16Bytes(const std::vector<uint16_t>& units, bool bigEndian) {
  std::string bytes;
  for (const uint16_t unit : units) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(FileRobustness, Utf16WithUnpairedSurrogates) {
  FileLoads loads;
  for (int index = 0; index < 60; ++index) {
    const Case scope("files: UTF-16 with unpaired surrogates", std::to_string(index));
    Random random("files: UTF-16 surrogates", index);
    const bool bigEndian = index % 2 == 1;
    std::vector<uint16_t> units = {0xFEFF};
    const size_t count = random.Below(200);
    for (size_t i = 0; i < count; ++i) {
      switch (random.Below(4)) {
        case 0:
          units.push_back(static_cast<uint16_t>(0xD800 + random.Below(0x400)));
          break;  // high alone
        case 1:
          units.push_back(static_cast<uint16_t>(0xDC00 + random.Below(0x400)));
          break;  // low alone
        default:
          units.push_back(static_cast<uint16_t>('a' + random.Below(26)));
          break;
      }
    }
    if (random.Percent(50)) units.push_back(0xD83D);  // a pair cut at the end
    const std::string bytes = Utf16Bytes(units, bigEndian);
    loads.ByPath(L"broken16.txt", bytes);
    EXPECT_TRUE(IsValidUtf8(loads.document())) << "unpaired surrogates reach the editor as valid UTF-8";
    EXPECT_EQ(loads.document().rfind("\xEF\xBB\xBF", 0), 0u) << "the mark is the text's first character";
  }
}

TEST(FileRobustness, Utf32WithValuesBeyondTheLastCodePoint) {
  FileLoads loads;
  for (int index = 0; index < 60; ++index) {
    const Case scope("files: UTF-32 beyond U+10FFFF", std::to_string(index));
    Random random("files: UTF-32 beyond", index);
    const bool bigEndian = index % 2 == 1;
    std::string bytes = kByteOrderMarks[bigEndian ? 1 : 0];
    const size_t count = random.Below(100);
    for (size_t i = 0; i < count; ++i) {
      uint32_t value = static_cast<uint32_t>('a' + random.Below(26));
      if (random.Percent(10)) value = 0x110000 + static_cast<uint32_t>(random.Below(0xFFEEFFFF));
      if (random.Percent(10)) value = static_cast<uint32_t>(0xD800 + random.Below(0x800));
      for (int byte = 0; byte < 4; ++byte) {
        const int shift = bigEndian ? 24 - 8 * byte : 8 * byte;
        bytes += static_cast<char>((value >> shift) & 0xFF);
      }
    }
    loads.ByPath(L"wide32.txt", bytes);
    TestStream stream(bytes);
    loads.ByStream(L"wide32.txt", stream, bytes);
  }
}

TEST(FileRobustness, LongLinesWithoutLineEndsAndNulBytes) {
  FileLoads loads;
  for (int index = 0; index < 12; ++index) {
    const Case scope("files: long lines and NUL bytes", std::to_string(index));
    Random random("files: long lines", index);
    // Odd lengths of ASCII: UTF-8, shown byte for byte.
    std::string bytes(static_cast<size_t>(random.Between(1, 2 * 1024 * 1024)) | 1, 'x');
    if (index % 2) {
      for (size_t nul = random.Below(64); nul > 0; --nul) bytes[random.Below(bytes.size())] = '\0';
    }
    loads.ByPath(L"long.txt", bytes);
    // Too long to show whole, it is shown through a window, from its start.
    const std::string shown = loads.document();
    if (bytes.size() > kLongestWholeLine) {
      EXPECT_TRUE(!shown.empty() && bytes.compare(0, shown.size(), shown) == 0) << "the line's start is shown as it is";
    } else {
      EXPECT_TRUE(shown == bytes) << "the line is shown as it is";
    }
    EXPECT_EQ(loads.Send(0x8F0F, 0, 0), 0) << "nothing selected";
  }
}

TEST(FileRobustness, FilesAndStreamsTheViewerCannotRead) {
  FileLoads loads;
  Host& host = loads.host();
  const Case scope("files: unreadable files and streams", "by path");
  const std::wstring folder = host.filesFolder();
  const std::wstring locked = host.WriteFile(L"locked.txt", "locked text\n");
  const HANDLE lock =
      CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::vector<std::wstring> paths = {folder + L"\\missing.txt",
                                           folder,
                                           locked,
                                           host.WriteFile(L"empty.txt", ""),
                                           folder + L"\\" + std::wstring(40000, L'a') + L".txt",
                                           L""};
  for (const std::wstring& path : paths) {
    loads.ExpectRefused(loads.Send(kOpenFile, 0, reinterpret_cast<LPARAM>(path.c_str())));
  }
  loads.ExpectRefused(loads.Send(kOpenFile, 0, 0));
  CloseHandle(lock);
  Count("files: unreadable files and streams", static_cast<int>(paths.size()));

  const Case streams("files: unreadable files and streams", "by stream");
  TestStream good("good text\n");
  loads.ExpectRefused(loads.Send(kOpenStream, reinterpret_cast<WPARAM>(L"a.txt"), 0));
  loads.ExpectRefused(loads.Send(kOpenStream, 0, reinterpret_cast<LPARAM>(&good)));
  loads.ExpectRefused(loads.Send(kOpenStream, reinterpret_cast<WPARAM>(L""), reinterpret_cast<LPARAM>(&good)));
  const std::string text = "only a little\n";
  TestStream failingStat(text), empty(""), failing(text), silent(text), huge(text), wrapping(text);
  failingStat.failStat = true;
  failing.failAfter = 0;
  silent.piece = 0;
  // Announcing far more than they deliver: shown as far as they do.
  huge.announcedSize = uint64_t{1} << 31;
  wrapping.announcedSize = (uint64_t{1} << 32) + text.size();  // its low 32 bits are the real size
  for (TestStream* stream : {&failingStat, &empty, &failing, &silent, &huge, &wrapping}) {
    loads.ByStream(L"stream.txt", *stream, stream == &empty ? std::string() : text);
  }
  Count("files: unreadable files and streams", 9);
}

}  // namespace
}  // namespace lumen::robustness
