// Compressed logs decompressed by the formats' own libraries: whole, in any
// pieces, one stream after another, cut short, damaged, fuzzed, and bounded.
// The files are made by the same libraries' compressors.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "CompressedFiles.h"
#include "TestFiles.h"
#include "text/Compression.h"

namespace lumen {
namespace {

using test::Compressed;
using test::Log;

constexpr auto& kFormats = test::kCompressions;

struct Result {
  DecompressionOutcome outcome;
  std::string text;
};

// Decompressed from reads of random sizes up to `piece`.
Result Decompressed(Compression format, const std::string& bytes, uint64_t limit = UINT64_MAX, size_t piece = 1 << 16,
                    unsigned seed = 2) {
  std::mt19937 random(seed);
  size_t at = 0;
  Result result;
  const std::atomic<bool> stop{false};
  result.outcome = Decompress(
      format,
      [&](char* buffer, size_t room) {
        const size_t count = std::min({room, bytes.size() - at, size_t{1} + random() % piece});
        std::copy_n(bytes.data() + at, count, buffer);
        at += count;
        return count;
      },
      [&](std::string_view text) {
        result.text += text;
        return true;
      },
      limit, stop);
  return result;
}

TEST(Compression, DecompressesEachFormatWholeInAnyPiecesAndStreamAfterStream) {
  const std::string small = "one line\n", big = Log(3 << 20);
  for (const Compression format : kFormats) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(format));
    for (const std::string* text : {&small, &big}) {
      const std::string bytes = Compressed(format, *text);
      EXPECT_EQ(CompressionOfHead(bytes), format);
      for (const size_t piece : {size_t{1} << 16, size_t{7}}) {
        if (piece == 7 && text == &big) continue;  // byte by byte only for the small file
        const Result result = Decompressed(format, bytes, UINT64_MAX, piece);
        EXPECT_EQ(result.outcome.end, DecompressionEnd::Whole);
        EXPECT_EQ(result.text, *text);
        EXPECT_EQ(result.outcome.read, bytes.size());
        EXPECT_EQ(result.outcome.written, text->size());
      }
    }
    // Taken a few bytes at a time, as a reader on demand gives them.
    const std::string bytes = Compressed(format, big.substr(0, 70000));
    size_t at = 0;
    DecompressingReader reader(
        format,
        [&](char* buffer, size_t room) {
          const size_t count = std::min(room, bytes.size() - at);
          std::copy_n(bytes.data() + at, count, buffer);
          at += count;
          return count;
        },
        UINT64_MAX);
    std::string text;
    char piece[3];
    while (const size_t count = reader.Read(piece, sizeof piece)) text.append(piece, count);
    EXPECT_EQ(text, big.substr(0, 70000));
    EXPECT_TRUE(reader.ended());
    EXPECT_EQ(reader.outcome().end, DecompressionEnd::Whole);
    // `cat a.gz b.gz > c.gz`, and zeros after the last stream.
    const std::string first = Log(100000, 3), second = Log(50000, 4);
    const Result joined = Decompressed(format, Compressed(format, first) + Compressed(format, second));
    EXPECT_EQ(joined.outcome.end, DecompressionEnd::Whole);
    EXPECT_EQ(joined.text, first + second);
    if (format != Compression::Zstd) {  // zstd takes no padding between or after frames
      const Result padded = Decompressed(format, Compressed(format, first) + std::string(512, '\0'));
      EXPECT_EQ(padded.outcome.end, DecompressionEnd::Whole);
      EXPECT_EQ(padded.text, first);
    }
  }
}

TEST(Compression, SaysWhereACutOrDamagedStreamStopsAndKeepsWhatCameBefore) {
  const std::string text = Log(1 << 20);
  for (const Compression format : kFormats) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(format));
    const std::string bytes = Compressed(format, text);
    for (const size_t cut : {size_t{1}, size_t{5}, bytes.size() / 3, bytes.size() - 1}) {
      const Result result = Decompressed(format, bytes.substr(0, cut));
      EXPECT_EQ(result.outcome.end, DecompressionEnd::Truncated) << "cut at " << cut;
      EXPECT_EQ(text.compare(0, result.text.size(), result.text), 0) << "what came out is the text's start";
      EXPECT_LE(result.text.size(), text.size());
    }
    std::string damaged = bytes;
    for (size_t at = damaged.size() / 2; at < damaged.size() / 2 + 64; ++at) damaged[at] = static_cast<char>(~damaged[at]);
    const Result result = Decompressed(format, damaged);
    EXPECT_EQ(result.outcome.end, DecompressionEnd::Damaged);
    EXPECT_LE(result.outcome.read, damaged.size());
    // What a stream's checks have not yet passed may differ; what comes before the damage is the text.
    const std::string start = result.text.substr(0, 1000);
    EXPECT_EQ(text.compare(0, start.size(), start), 0);
    EXPECT_NE(Decompressed(format, bytes + "garbage!").outcome.end, DecompressionEnd::Whole);
  }
}

// Random damage of every kind ends in a verdict, never a crash or a hang.
TEST(Compression, EndsEveryFuzzedInputWithAVerdict) {
  const std::string text = Log(200000, 9);
  std::mt19937 random(11);
  int verdicts = 0;
  for (const Compression format : kFormats) {
    const std::string bytes = Compressed(format, text);
    for (int round = 0; round < 60; ++round) {
      std::string fuzzed = bytes;
      const int changes = 1 + static_cast<int>(random() % 20);
      for (int i = 0; i < changes; ++i) {
        const size_t at = random() % fuzzed.size();
        switch (random() % 3) {
          case 0:
            fuzzed[at] = static_cast<char>(random());
            break;
          case 1:
            fuzzed.erase(at, 1 + random() % 100);
            break;
          default:
            fuzzed.insert(at, std::string(1 + random() % 100, static_cast<char>(random())));
        }
        if (fuzzed.empty()) fuzzed = "x";
      }
      const Result result = Decompressed(format, fuzzed, 1 << 20);
      EXPECT_LE(result.outcome.written, uint64_t{1} << 20);
      EXPECT_EQ(result.outcome.written, result.text.size());
      ++verdicts;
    }
  }
  EXPECT_EQ(verdicts, 240);
}

TEST(Compression, StopsAtTheLimitAndWhenAskedOrRefused) {
  const std::string text = Log(1 << 20);
  for (const Compression format : kFormats) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(format));
    const std::string bytes = Compressed(format, text);
    const Result limited = Decompressed(format, bytes, 100000);
    EXPECT_EQ(limited.outcome.end, DecompressionEnd::Limited);
    EXPECT_EQ(limited.text, text.substr(0, 100000));
    EXPECT_EQ(Decompressed(format, bytes, text.size()).outcome.end, DecompressionEnd::Whole) << "exactly the limit";
    const std::atomic<bool> stop{true};
    size_t at = 0;
    const auto read = [&](char* buffer, size_t room) {
      const size_t count = std::min(room, bytes.size() - at);
      std::copy_n(bytes.data() + at, count, buffer);
      at += count;
      return count;
    };
    EXPECT_EQ(Decompress(format, read, [](std::string_view) { return true; }, UINT64_MAX, stop).end,
              DecompressionEnd::Stopped);
    at = 0;
    EXPECT_EQ(Decompress(format, read, [](std::string_view) { return false; }, UINT64_MAX, std::atomic<bool>{false}).end,
              DecompressionEnd::Stopped);
  }
}

// The libraries' own cases: xz's good and bad files, zstd's golden frames, bzip2's samples.
TEST(Compression, ReadsTheLibrariesOwnGoodFilesAndRefusesTheirBadOnes) {
  const std::wstring folder = test::ProgramFolder() + L"\\compression-cases";
  int good = 0, bad = 0;
  std::wstring names = test::ListFolder(folder);
  for (size_t start = 0, end; (end = names.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    const std::wstring name = names.substr(start, end - start);
    if (name.ends_with(L".ref")) continue;
    SCOPED_TRACE(test::ToUtf8(name));
    const std::string bytes = test::ReadBytes(folder + L"\\" + name);
    const Compression format = name.ends_with(L".xz") ? Compression::Xz
                               : name.ends_with(L".zst") ? Compression::Zstd
                                                         : Compression::Bzip2;
    const Result result = Decompressed(format, bytes, uint64_t{1} << 30);
    // xz's cases are named good-, bad- and unsupported- (filters it refuses;
    // a check it does not know it decodes unchecked, as the xz tool does).
    if (format == Compression::Xz && !name.starts_with(L"good-") && name != L"unsupported-check.xz") {
      EXPECT_NE(result.outcome.end, DecompressionEnd::Whole);
      ++bad;
    } else {
      EXPECT_EQ(result.outcome.end, DecompressionEnd::Whole);
      if (format == Compression::Bzip2) {
        EXPECT_EQ(result.text, test::ReadBytes(folder + L"\\" + name.substr(0, name.size() - 4) + L".ref"));
      }
      ++good;
    }
  }
  EXPECT_GE(good, 20);
  EXPECT_GE(bad, 30);
}

TEST(Compression, KnowsCompressedNamesButNotArchives) {
  const struct {
    const wchar_t* name;
    Compression compression;
    const wchar_t* inside;
  } names[] = {
      {L"syslog.2.gz", Compression::Gzip, L"syslog.2"},
      {L"app.log.3.GZ", Compression::Gzip, L"app.log.3"},
      {L"access.log-20261201.xz", Compression::Xz, L"access.log-20261201"},
      {L"trace.json.zst", Compression::Zstd, L"trace.json"},
      {L"dump.sql.bz2", Compression::Bzip2, L"dump.sql"},
      {L"backup.tar.gz", Compression::None, L"backup.tar.gz"},
      {L"backup.TAR.xz", Compression::None, L"backup.TAR.xz"},
      {L"backup.tgz", Compression::None, L"backup.tgz"},
      {L".gz", Compression::None, L".gz"},
      {L"notes.txt", Compression::None, L"notes.txt"},
  };
  for (const auto& name : names) {
    EXPECT_EQ(CompressionOfName(name.name), name.compression);
    EXPECT_EQ(NameInside(name.name), name.inside);
  }
  EXPECT_EQ(CompressionOfHead("BZh9"), Compression::Bzip2);
  EXPECT_EQ(CompressionOfHead("BZh"), Compression::None);
  EXPECT_EQ(CompressionOfHead(std::string("\xFD" "7zXZ\0", 6)), Compression::Xz);
  EXPECT_EQ(CompressionOfHead("plain text"), Compression::None);
  EXPECT_EQ(Decompressed(Compression::Gzip, "").outcome.end, DecompressionEnd::Truncated) << "an empty file";
}

}  // namespace
}  // namespace lumen
