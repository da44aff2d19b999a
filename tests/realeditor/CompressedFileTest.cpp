// Compressed files over the real control, in each format: a small one shown
// whole in its language's colours, a big one through a window onto a spool
// that goes with the view, searched and re-read in another encoding; damaged,
// cut short and over the limit, each shown as far as it goes with the place
// it stopped in the description.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CompressedFiles.h"
#include "EditorStandIn.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "abi/HostMessages.h"
#include "abi/ScintillaInterface.h"
#include "resources/resource.h"
#include "text/Encoding.h"
#include "viewer/ContextMenu.h"
#include "viewer/StreamSpool.h"

namespace lumen {
namespace {

using namespace sci;
using test::Compressed;
using test::ViewerHarness;

const wchar_t* Ending(Compression format) {
  switch (format) {
    case Compression::Gzip: return L".gz";
    case Compression::Bzip2: return L".bz2";
    case Compression::Xz: return L".xz";
    default: return L".zst";
  }
}

std::string Utf8(const std::wstring& text) { return test::ToUtf8(text); }

// A small file is its text, whole, in the colours of the name inside it;
// the description names the format and the compressed size.
TEST(RealEditorCompressedFiles, ShowASmallOneWholeInTheLanguageOfTheNameInside) {
  ViewerHarness viewer;
  const std::string source = "int main(void) {\n  return 0; /* done */\n}\n";
  ASSERT_EQ(viewer.OpenText(source, L"plain.c"), 1);
  const LRESULT cLexer = viewer.Sci(SCI_GETLEXER);
  for (const Compression format : test::kCompressions) {
    SCOPED_TRACE(Utf8(CompressionName(format)));
    const std::string bytes = Compressed(format, source);
    const std::wstring path = viewer.FilePath(std::wstring(L"main.c") + Ending(format));
    test::WriteBytes(path, bytes);
    ASSERT_EQ(viewer.OpenFile(path), 1);
    EXPECT_EQ(test::DocumentText(viewer.editor()), source);
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), cLexer);
    const std::wstring expected = std::wstring(L", ") + CompressionName(format) + L" " + std::to_wstring(bytes.size()) + L" bytes";
    EXPECT_NE(viewer.Description().find(expected), std::wstring::npos) << Utf8(viewer.Description());
  }
  // Named so, but not made so: shown as the bytes it holds.
  const std::wstring impostor = viewer.FilePath(L"notes.c.gz");
  test::WriteBytes(impostor, "plain text\n");
  ASSERT_EQ(viewer.OpenFile(impostor), 1);
  EXPECT_EQ(test::DocumentText(viewer.editor()), "plain text\n");
  EXPECT_EQ(viewer.Description().find(L"gzip"), std::wstring::npos);
}

// Beyond its first part a file goes to a spool of lumen's, shown through the
// window as it grows: every line reached and counted, the search over all of
// it, another encoding chosen; the spool goes with the view.
TEST(RealEditorCompressedFiles, ShowABigOneThroughAWindowOntoASpoolThatGoesWithTheView) {
  ViewerHarness viewer;
  std::string log = test::Log(12 << 20, 7);
  log.resize(log.rfind('\n') + 1);
  log += "the last line, a needle\n";
  log.insert(0, "a needle first\n");
  const size_t lines = static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
  for (const Compression format : test::kCompressions) {
    SCOPED_TRACE(Utf8(CompressionName(format)));
    const std::wstring path = viewer.FilePath(std::wstring(L"app.log.1") + Ending(format));
    test::WriteBytes(path, Compressed(format, log));
    ASSERT_EQ(viewer.OpenFile(path), 1);
    EXPECT_LT(viewer.Sci(SCI_GETLENGTH), 8 << 20) << "a window, not the text";
    EXPECT_EQ(test::SpoolFiles(), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_NE(viewer.Description().find(std::to_wstring(lines + 1) + L" lines"), std::wstring::npos)
        << Utf8(viewer.Description());
    EXPECT_EQ(viewer.LineBeforeTheEnd(), "the last line, a needle\n");
    viewer.Send(WM_COMMAND, IDM_FIND);
    viewer.TypeSearchText(L"needle");
    EXPECT_TRUE(viewer.WaitFor([&] {
      wchar_t count[64] = {};
      GetWindowTextW(GetDlgItem(viewer.panel(), 7), count, 64);
      return std::wstring(count).find(L"of 2") != std::wstring::npos;
    }));
  }
  // Read again in another encoding: decompressed again, the old spool gone.
  const std::vector<EncodingOption>& options = EncodingOptions();
  const auto koi8r = std::find_if(options.begin(), options.end(), [](const EncodingOption& option) {
    return option.choice == EncodingChoice{Encoding::Ansi, 20866};
  });
  ASSERT_NE(koi8r, options.end());
  viewer.Send(WM_COMMAND, MAKEWPARAM(IDM_ENCODING_FIRST + (koi8r - options.begin()), 1));
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_NE(viewer.Description().find(L"(chosen)"), std::wstring::npos) << Utf8(viewer.Description());
  EXPECT_EQ(test::SpoolFiles(), 1);
  ASSERT_EQ(viewer.OpenText("small\n", L"a.txt"), 1);
  EXPECT_EQ(test::SpoolFiles(), 0);
}

// A host's stream (a file in an archive) is decompressed as it is read:
// a small one shown whole, a big one through a window; a damaged one as far
// as it goes; one only named so as it is.
TEST(RealEditorCompressedFiles, ShowAHostsStreamAsTheTextItHolds) {
  ViewerHarness viewer;
  const std::string small = "int main(void) { return 0; }\n";
  std::string big = test::Log(12 << 20, 5);
  big.resize(big.rfind('\n') + 1);
  const size_t bigLines = static_cast<size_t>(std::count(big.begin(), big.end(), '\n'));
  for (const Compression format : test::kCompressions) {
    SCOPED_TRACE(Utf8(CompressionName(format)));
    const std::wstring name = std::wstring(L"C:\\archive\\main.c") + Ending(format);
    test::TestStream smallStream(Compressed(format, small));
    ASSERT_EQ(viewer.OpenStream(name.c_str(), &smallStream), 1);
    EXPECT_EQ(test::DocumentText(viewer.editor()), small);
    EXPECT_NE(viewer.Description().find(std::wstring(L", ") + CompressionName(format)), std::wstring::npos);
    const std::string packed = Compressed(format, big);
    test::TestStream bigStream(packed);
    bigStream.piece = 256 << 10;
    const std::wstring bigName = std::wstring(L"app.log.1") + Ending(format);
    ASSERT_EQ(viewer.OpenStream(bigName.c_str(), &bigStream), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_NE(viewer.Description().find(std::to_wstring(bigLines + 1) + L" lines"), std::wstring::npos)
        << Utf8(viewer.Description());
    test::TestStream damaged(packed.substr(0, packed.size() / 2) + std::string(4096, '\x55'));
    ASSERT_EQ(viewer.OpenStream(bigName.c_str(), &damaged), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_NE(viewer.Description().find(L"after "), std::wstring::npos) << Utf8(viewer.Description());
  }
  test::TestStream plain(small);
  ASSERT_EQ(viewer.OpenStream(L"notes.c.gz", &plain), 1);
  EXPECT_EQ(test::DocumentText(viewer.editor()), small);
}

// Bad input shows what came before the fault and says where it stopped.
TEST(RealEditorCompressedFiles, ShowWhatCameBeforeDamageACutOrTheLimitAndSaySo) {
  std::string configuration = test::TestConfiguration();
  configuration.replace(configuration.find("<Styles>"), 0, "<Decompression MaxBytes=\"6000000\"/>");
  ViewerHarness viewer(configuration);
  const std::string log = test::Log(8 << 20, 3);
  for (const Compression format : test::kCompressions) {
    SCOPED_TRACE(Utf8(CompressionName(format)));
    const std::string whole = Compressed(format, log), shorter = Compressed(format, log.substr(0, 3 << 20));
    const size_t half = shorter.size() / 2;
    const struct {
      std::string bytes;
      const wchar_t* said;
    } cases[] = {
        {whole.substr(0, whole.size() / 2), L"after "},  // truncated, or damaged where the cut breaks a block
        // Damage in the middle (gzip finds it only at its end, by the checksum), and after the end.
        {shorter.substr(0, half) + std::string(4096, '\x55') + shorter.substr(half + 4096), L"damaged after "},
        {shorter + "junk written after the last stream", L"damaged after 3.0 MB"},
        {whole, L"stopped at the limit of 5.7 MB"},
    };
    for (const auto& [bytes, said] : cases) {
      const std::wstring path = viewer.FilePath(std::wstring(L"bad.log") + Ending(format));
      test::WriteBytes(path, bytes);
      ASSERT_EQ(viewer.OpenFile(path), 1);
      ASSERT_TRUE(viewer.WaitWhileLoading());
      const std::wstring description = viewer.Description();
      EXPECT_NE(description.find(said), std::wstring::npos) << Utf8(description);
      EXPECT_GT(viewer.Sci(SCI_GETLENGTH), 0);
    }
  }
}

// Spools left by a lumen that was stopped go at the next start; those in use stay.
TEST(StreamSpools, LeftoversGoAndSpoolsInUseStay) {
  const std::unique_ptr<StreamSpool> live = StreamSpool::Create();
  ASSERT_TRUE(live && live->Write("in use"));
  const std::wstring folder = live->path().substr(0, live->path().rfind(L'\\') + 1);
  const std::wstring leftover = folder + L"str1234.tmp", other = folder + L"notes.txt";
  test::WriteBytes(leftover, "left behind");
  test::WriteBytes(other, "not a spool");
  StreamSpool::RemoveLeftovers();
  EXPECT_EQ(GetFileAttributesW(leftover.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(live->path().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(other.c_str());
}

}  // namespace
}  // namespace lumen
