// The load engine over an editor window of its own, without a viewer around
// it: every encoding, a small file and a big one, from a file, a stream, a
// stream of small slow pieces, one that pumps messages in its reads and one
// that cannot go back. Compiled into the stand-in's and the real control's
// programs, so only the control's public messages.
#include <gtest/gtest.h>

#include <thread>

#include <chrono>
#include <string>
#include <windows.h>

#include "EditorStandIn.h"
#include "EncodedText.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "abi/ScintillaInterface.h"
#include "viewer/DocumentLoad.h"
#include "viewer/LoaderFactory.h"
#include "viewer/EditorDocument.h"

namespace lumen {
namespace {

using namespace sci;
using test::TestStream;

constexpr size_t kMegabyte = size_t{1} << 20;
constexpr size_t kBigFile = kLargestSmallDocument + 3 * kMegabyte / 2;

enum class Source { Path, Stream, SlowStream, PumpingStream, StreamThatCannotGoBack };
const char* const kSourceNames[] = {"path", "stream", "slow stream", "pumping stream", "stream that cannot go back"};

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class DocumentLoadTest : public ::testing::Test {
 protected:
  // The control stays loaded, as lumen keeps it: a dropped load's worker may
  // still be making its document when the test ends.
  DocumentLoadTest()
      : library_(LoadLibraryW((test::ProgramFolder() + L"\\SciLexer.dll").c_str())),
        editor_(CreateWindowExW(0, L"Scintilla", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
  ~DocumentLoadTest() override { DestroyWindow(editor_); }
  void SetUp() override { ASSERT_NE(editor_, nullptr) << "no editor control beside the program"; }

  LRESULT Sci(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageW(editor_, message, wParam, lParam);
  }

  std::unique_ptr<DocumentLoad> Open(const std::string& bytes, Source source, std::unique_ptr<TestStream>& stream) {
    if (source == Source::Path) {
      const std::wstring path = files_ / L"file.txt";
      test::WriteBytes(path, bytes);
      return DocumentLoad::OfFile(path);
    }
    stream = std::make_unique<TestStream>(bytes);
    if (source == Source::SlowStream) {
      stream->piece = 64 * 1024;
      stream->duringRead = [] { Sleep(1); };
    }
    if (source == Source::PumpingStream) stream->duringRead = PumpMessages;
    stream->seekable = source != Source::StreamThatCannotGoBack;
    return DocumentLoad::OfStream(L"file.txt", stream.get());
  }

  struct Outcome {
    bool shown = false;
    std::string first, whole;  // the text shown at once, and in the end
    Encoding encoding = Encoding::Unknown;
    uint64_t size = 0;
  };
  // What the viewer does with a load: the first part shown at once, the rest
  // in turns until the whole document takes its place.
  Outcome Run(DocumentLoad& load, const std::function<void()>& meanwhile = {}, const DecodingRule& rule = {}) {
    Outcome outcome;
    if (!load.ReadFirstPart(rule)) return outcome;
    outcome.shown = true;
    if (load.stage() == DocumentLoad::Stage::Opened) load.BuildRest();
    const EditorDocument document{EditorControl(editor_)};
    document.Replace(load.firstText(), [] {});
    outcome.first = test::DocumentText(editor_);
    outcome.encoding = load.encoding();
    outcome.size = load.size();
    if (meanwhile) meanwhile();
    for (int turn = 0; turn < 20000 && load.stage() == DocumentLoad::Stage::Building; ++turn) {
      load.Turn(std::chrono::steady_clock::now() + std::chrono::milliseconds(15));
      Sleep(1);
    }
    if (load.stage() == DocumentLoad::Stage::Built) {
      DocumentBuild::Result built = load.TakeDocument();
      outcome.encoding = built.encoding;
      outcome.size = built.bytes;
      document.Adopt(std::move(built.document), [] {});
    }
    outcome.whole = test::DocumentText(editor_);
    return outcome;
  }

  HMODULE library_;
  HWND editor_;
  test::TempFolder files_;
};

// The hidden control makes loaders on a worker's thread; their documents,
// made UTF-8 while empty, show as UTF-8 with the text added; a factory a
// worker may still be in lives on until it is not, and goes with the next.
TEST_F(DocumentLoadTest, TheLoaderFactoryMakesDocumentsOnAWorkerAndKeepsItselfWhileInUse) {
  std::unique_ptr<LoaderFactory> factory = LoaderFactory::Make();
  ASSERT_NE(factory, nullptr);
  UniqueLoader loader;
  std::thread worker([&] { loader = factory->CreateLoader(1 << 20); });
  worker.join();
  ASSERT_NE(loader, nullptr);
  factory->MakeUtf8(*loader);
  const std::string text = "gr\xC3\xBC\xC3\x9F\nzwei\n";
  ASSERT_EQ(loader->AddData(text.data(), static_cast<intptr_t>(text.size())), SC_STATUS_OK);
  Sci(SCI_SETCODEPAGE, 0);
  EditorDocument(EditorControl(editor_)).Adopt(std::move(loader), [] {});
  EXPECT_EQ(test::DocumentText(editor_), text);
  EXPECT_EQ(Sci(SCI_GETCODEPAGE), SC_CP_UTF8);
  EXPECT_EQ(Sci(SCI_GETLINECOUNT), 3);
  bool inUse = true;
  int asked = 0;
  LoaderFactory::KeepWhile(std::move(factory), [&] {
    ++asked;
    return inUse;
  });
  std::unique_ptr<LoaderFactory> next = LoaderFactory::Make();
  EXPECT_EQ(asked, 1) << "kept while in use";
  inUse = false;
  next = LoaderFactory::Make();
  next = LoaderFactory::Make();
  EXPECT_EQ(asked, 2) << "gone with the next one made";
}

// The room made for a document, with the byte more that the control gets,
// stays within what a 3.x control counts, for the largest file shown.
TEST(DocumentRoom, StaysWithinWhatTheControlCounts) {
  const uint64_t largest = kLargestFile;
  for (const auto& [bytes, text] : {std::pair<uint64_t, size_t>{largest, largest}, {largest, 2 * largest},
                                    {largest / 2, largest}, {1000, 1000}}) {
    const size_t room = ExpectedTextLength(largest, bytes, text);
    EXPECT_LE(room + 1, size_t{INT32_MAX}) << bytes << " gave " << text;
  }
  EXPECT_GT(ExpectedTextLength(1000000, 1000, 1000), 1000000u) << "a little to spare";
}

TEST_F(DocumentLoadTest, ShowsEveryEncodingWholeFromEverySource) {
  // Lead and trail byte of a character in the Japanese code page; one character elsewhere.
  const std::u32string ansiWidest = GetACP() == 932 ? U"\x82\xA0" : U"\xE9";
  const struct {
    const char* name;
    Encoding encoding;
    std::u32string mark, widest;
    std::string end;  // bytes after the text
    Encoding shownAs;
  } samples[] = {
      {"UTF-8", Encoding::Utf8, U"", U"\U0001F600", "", Encoding::Utf8},
      // A mark names the encoding: a stray byte after it is shown as it is.
      {"UTF-8, marked, a stray byte", Encoding::Utf8, U"\xFEFF", U"\u20AC", "\xFF", Encoding::Utf8},
      {"UTF-16LE", Encoding::Utf16LE, U"\xFEFF", U"\U0001F600", "", Encoding::Utf16LE},
      {"UTF-16BE", Encoding::Utf16BE, U"\xFEFF", U"\U0001F600", "", Encoding::Utf16BE},
      {"UTF-32LE", Encoding::Utf32LE, U"\xFEFF", U"\U0001F600", "", Encoding::Utf32LE},
      {"UTF-32BE", Encoding::Utf32BE, U"\xFEFF", U"\U0001F600", "", Encoding::Utf32BE},
      {"ANSI", Encoding::Ansi, U"caf\xE9\n", ansiWidest, "", Encoding::Ansi},
      // UTF-8 up to its last byte, which UTF-8 has not: all of it is ANSI.
      {"ANSI from its last byte", Encoding::Utf8, U"", U"\u00E9", "\xE9", Encoding::Ansi},
  };
  for (const size_t size : {size_t{100000}, kBigFile}) {
    for (const auto& sample : samples) {
      const std::string bytes = test::LogAcrossSlices(sample.encoding, sample.mark, sample.widest, size) + sample.end;
      for (const Source source : {Source::Path, Source::Stream, Source::SlowStream, Source::PumpingStream,
                                  Source::StreamThatCannotGoBack}) {
        SCOPED_TRACE(std::string(sample.name) + ", " + std::to_string(size) + " bytes, " +
                     kSourceNames[static_cast<int>(source)]);
        std::unique_ptr<TestStream> stream;
        const std::unique_ptr<DocumentLoad> load = Open(bytes, source, stream);
        ASSERT_NE(load, nullptr);
        const Outcome outcome = Run(*load);
        ASSERT_TRUE(outcome.shown);
        // A stream that cannot go back to its start keeps the UTF-8 its first
        // part was taken for, with the late byte as it is.
        const bool late = size > kLargestSmallDocument && sample.shownAs != sample.encoding;
        const Encoding shownAs = late && source == Source::StreamThatCannotGoBack ? Encoding::Utf8 : sample.shownAs;
        EXPECT_TRUE(outcome.whole == ConvertToUtf8(bytes, shownAs)) << "the whole text, converted as one";
        EXPECT_EQ(outcome.encoding, shownAs);
        EXPECT_EQ(outcome.size, bytes.size());
        if (size > kLargestSmallDocument) {
          EXPECT_LT(outcome.first.size(), outcome.whole.size() / 2) << "only the first part at once";
          if (!late) EXPECT_EQ(outcome.whole.compare(0, outcome.first.size(), outcome.first), 0);
        }
        EXPECT_EQ(Sci(SCI_GETREADONLY), 1);
        EXPECT_EQ(Sci(SCI_GETCODEPAGE), SC_CP_UTF8);
        if (stream) EXPECT_EQ(stream->references(), 1u) << "let go once read";
      }
    }
  }
}

// A big file of ASCII whose Cyrillic comes after its first part starts over
// in the code page that the slice which proved it not UTF-8 tells.
TEST_F(DocumentLoadTest, ABigFileThatProvesLateNotToBeUtf8IsReadInTheCodePageOfItsLateBytes) {
  const std::wstring russian = L"// \x041D\x0435 \x0443\x0434\x0430\x043B\x043E\x0441\x044C \x043E\x0442\x043A\x0440\x044B\x0442\x044C "
                               L"\x0444\x0430\x0439\x043B \x043A\x043E\x043D\x0444\x0438\x0433\x0443\x0440\x0430\x0446\x0438\x0438.\n";
  const auto encoded = [&](UINT codePage) {
    std::string bytes(russian.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(codePage, 0, russian.data(), static_cast<int>(russian.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
  };
  std::string bytes, expected;
  while (bytes.size() < 2 * kMegabyte) {
    bytes += "int value = 42; // an ASCII line\n";
  }
  expected = bytes;
  while (bytes.size() < kBigFile) {
    bytes += encoded(1251);
    expected += encoded(CP_UTF8);
  }
  std::unique_ptr<TestStream> stream;
  DecodingRule detecting;
  detecting.detect = true;
  const std::unique_ptr<DocumentLoad> load = Open(bytes, Source::Path, stream);
  const Outcome outcome = Run(*load, {}, detecting);
  EXPECT_EQ(outcome.encoding, Encoding::Ansi);
  EXPECT_TRUE(outcome.whole == expected);
}

TEST_F(DocumentLoadTest, TheWholeDocumentKeepsTheViewAndTheDocumentsOwnSettings) {
  const std::string bytes = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", kBigFile);
  std::unique_ptr<TestStream> stream;
  const std::unique_ptr<DocumentLoad> load = Open(bytes, Source::Path, stream);
  Sci(SCI_SETTABWIDTH, 3);
  const Outcome outcome = Run(*load, [&] {
    Sci(SCI_SETSEL, 4000, 4010);
    Sci(SCI_SETFIRSTVISIBLELINE, 100);
  });
  ASSERT_EQ(outcome.whole.size(), bytes.size());
  EXPECT_EQ(Sci(SCI_GETFIRSTVISIBLELINE), 100);
  EXPECT_EQ(Sci(SCI_GETANCHOR), 4000);
  EXPECT_EQ(Sci(SCI_GETCURRENTPOS), 4010);
  EXPECT_EQ(Sci(SCI_GETTABWIDTH), 3);
  EXPECT_EQ(Sci(SCI_GETUNDOCOLLECTION), 0);
}

TEST_F(DocumentLoadTest, ADroppedLoadStopsItsWorkerAndLetsTheStreamGo) {
  const std::string bytes = test::LogAcrossSlices(Encoding::Utf8, U"", U"\u20AC", 3 * kBigFile);
  for (const Source source : {Source::Path, Source::Stream}) {
    SCOPED_TRACE(kSourceNames[static_cast<int>(source)]);
    std::unique_ptr<TestStream> stream;
    std::unique_ptr<DocumentLoad> load = Open(bytes, source, stream);
    ASSERT_TRUE(load->ReadFirstPart());
    load->BuildRest();
    load->Turn(std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
    load->Drop();
    EXPECT_EQ(load->stage(), DocumentLoad::Stage::Ended);
    EXPECT_EQ(load->Turn(std::chrono::steady_clock::now()), DocumentLoad::Stage::Ended);
    load.reset();
    if (stream) EXPECT_EQ(stream->references(), 1u);
  }
}

}  // namespace
}  // namespace lumen
