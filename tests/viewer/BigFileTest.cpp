// Files beyond the size that loads in one piece: their head shown at once, the
// rest arriving between the host's messages. Compiled into the stand-in's and
// the real control's programs, so only the control's public messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "HeapCheck.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "resources/resource.h"
#include "viewer/Encoding.h"
#include "viewer/DocumentLoad.h"

namespace lumen {
namespace {

using namespace sci;
using test::TestStream;
using test::ViewerHarness;

constexpr size_t kMegabyte = size_t{1} << 20;
constexpr size_t kBigFile = kWholeFirstPart + 3 * kMegabyte / 2;

int ClientHeight(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return client.bottom;
}

int Height(HWND window) {
  RECT box = {};
  GetWindowRect(window, &box);
  return box.bottom - box.top;
}

std::string DocumentOf(const ViewerHarness& viewer) {
  std::string text(static_cast<size_t>(viewer.Sci(SCI_GETLENGTH)) + 1, '\0');
  viewer.Sci(SCI_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.pop_back();
  return text;
}

// Appends the code points of `text` in `encoding`; ANSI takes bytes as they are.
void Append(std::string& bytes, Encoding encoding, const std::u32string& text) {
  for (const char32_t c : text) {
    if (encoding == Encoding::Ansi) {
      bytes += static_cast<char>(c);
    } else if (encoding == Encoding::Utf8) {
      std::string utf8;
      if (c < 0x80) utf8 = {static_cast<char>(c)};
      else if (c < 0x800) utf8 = {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
      else if (c < 0x10000) utf8 = {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                                    static_cast<char>(0x80 | (c & 0x3F))};
      else utf8 = {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                   static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
      bytes += utf8;
    } else {
      const bool wide = encoding == Encoding::Utf32LE || encoding == Encoding::Utf32BE;
      const bool bigEndian = encoding == Encoding::Utf16BE || encoding == Encoding::Utf32BE;
      std::vector<uint32_t> units;
      if (wide) units = {static_cast<uint32_t>(c)};
      else if (c < 0x10000) units = {static_cast<uint32_t>(c)};
      else units = {0xD800 + ((c - 0x10000) >> 10), 0xDC00 + ((c - 0x10000) & 0x3FF)};
      const int width = wide ? 4 : 2;
      for (const uint32_t unit : units) {
        for (int i = 0; i < width; ++i) bytes += static_cast<char>(unit >> (8 * (bigEndian ? width - 1 - i : i)));
      }
    }
  }
}

// A big file in `encoding` whose widest character straddles every megabyte,
// where the slices of its loading meet, and then a last line.
std::string BigFile(Encoding encoding, const std::u32string& mark, const std::u32string& widest) {
  std::string bytes;
  Append(bytes, encoding, mark);
  for (size_t boundary = kMegabyte; boundary < kBigFile; boundary += kMegabyte) {
    while (bytes.size() + 64 < boundary) Append(bytes, encoding, U"a line of a big log\r\n");
    while (bytes.size() + 1 < boundary) Append(bytes, encoding, U"x");
    Append(bytes, encoding, widest);
  }
  Append(bytes, encoding, U"\nthe last line");
  return bytes;
}

TEST(BigFiles, ShowTheirHeadAtOnceAndAllOfTheirTextOnceLoadedInEveryEncoding) {
  // Lead and trail byte of a character in the Japanese code page; one character elsewhere.
  const std::u32string ansiWidest = GetACP() == 932 ? U"\x82\xA0" : U"\xE9";
  const struct {
    const char* name;
    std::string bytes;
    Encoding shownAs;
  } cases[] = {
      {"UTF-8", BigFile(Encoding::Utf8, U"", U"\U0001F600"), Encoding::Utf8},
      {"UTF-8, marked", BigFile(Encoding::Utf8, U"\xFEFF", U"\u20AC"), Encoding::Utf8},
      {"UTF-16LE", BigFile(Encoding::Utf16LE, U"\xFEFF", U"\U0001F600"), Encoding::Utf16LE},
      {"UTF-16BE", BigFile(Encoding::Utf16BE, U"\xFEFF", U"\U0001F600"), Encoding::Utf16BE},
      {"UTF-32LE", BigFile(Encoding::Utf32LE, U"\xFEFF", U"\U0001F600"), Encoding::Utf32LE},
      {"ANSI", BigFile(Encoding::Ansi, U"", ansiWidest), Encoding::Ansi},
      // UTF-8 for its first megabytes, and then a byte that UTF-8 has not.
      {"ANSI late", BigFile(Encoding::Utf8, U"", U"\u00E9") + "\xE9", Encoding::Ansi},
  };
  ViewerHarness viewer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(c.bytes.size(), kWholeFirstPart);
    const std::wstring path = viewer.FilePath(L"big.txt");
    test::WriteBytes(path, c.bytes);
    viewer.ClearNotifications();
    ASSERT_EQ(viewer.OpenFile(path), 1);
    EXPECT_LT(DocumentOf(viewer).size(), c.bytes.size() / 2) << "only the head at first";
    EXPECT_NE(viewer.Description().find(L"loading"), std::wstring::npos) << test::ToUtf8(viewer.Description());
    EXPECT_EQ(viewer.Sci(SCI_GETREADONLY), 1);
    EXPECT_LT(Height(viewer.editor()), ClientHeight(viewer.viewer())) << "room for the progress strip";
    const LRESULT headLines = viewer.Sci(SCI_GETLINECOUNT), headMargin = viewer.Sci(SCI_GETMARGINWIDTHN, 0);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_EQ(Height(viewer.editor()), ClientHeight(viewer.viewer()));
    if (std::to_string(viewer.Sci(SCI_GETLINECOUNT)).size() > std::to_string(headLines).size()) {
      EXPECT_GT(viewer.Sci(SCI_GETMARGINWIDTHN, 0), headMargin) << "the margin widens as lines arrive";
    }
    const auto& told = viewer.notifications();
    EXPECT_TRUE(told.size() >= 2 && told.back().code == -2007) << "the host is told when the description is final";
    EXPECT_TRUE(DocumentOf(viewer) == ConvertToUtf8(c.bytes, c.shownAs)) << "the whole text, converted as one";
    const std::wstring lines = std::to_wstring(viewer.Sci(SCI_GETLINECOUNT)) + L" lines, ";
    EXPECT_EQ(viewer.Description(),
              EncodingLabel(static_cast<int32_t>(c.shownAs)) + lines + std::to_wstring(c.bytes.size()) + L" bytes");
    EXPECT_EQ(viewer.Sci(SCI_GETREADONLY), 1);
    EXPECT_EQ(viewer.Sci(SCI_GETCURRENTPOS), 0) << "the caret stays where the user left it";
  }
}

TEST(BigFiles, AreNotLexedWhereTheyHoldALineTooLongToLex) {
  const std::string line = "int value = 42; // a line of code\n", longLine = std::string(20000, 'x') + "\n";
  const auto file = [&](size_t size, size_t longLineAt) {
    std::string text;
    while (text.size() < size) {
      if (text.size() >= longLineAt && text.size() < longLineAt + line.size()) text += longLine;
      text += line;
    }
    return text;
  };
  const struct {
    const char* name;
    std::string text;
    LRESULT lexer;
  } cases[] = {
      {"small, with a long line", file(100000, 50000), 3},
      {"big, short lines only", file(kBigFile, SIZE_MAX), 3},
      {"big, a long line in its head", file(kBigFile, 1000), 1},
      {"big, a long line after its head", file(kBigFile, 3 * kMegabyte), 1},
  };
  ViewerHarness viewer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(viewer.OpenText(c.text, L"code.c"), 1);
    ASSERT_TRUE(viewer.WaitWhileLoading());
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), c.lexer);
    viewer.Send(HBXPLUGINMSG_RELOADSETTINGS);
    EXPECT_EQ(viewer.Sci(SCI_GETLEXER), c.lexer) << "after a reload of the settings";
  }
}

TEST(BigFiles, AbandonTheRestForANewLoadAReloadOrTheViewersEnd) {
  ViewerHarness viewer;
  const std::string big = BigFile(Encoding::Utf8, U"", U"\u20AC");
  const std::wstring bigPath = viewer.FilePath(L"big.log"), smallPath = viewer.FilePath(L"small.txt");
  test::WriteBytes(bigPath, big);
  test::WriteBytes(smallPath, "small\n");
  ASSERT_EQ(viewer.OpenFile(bigPath), 1);
  ASSERT_EQ(viewer.OpenFile(smallPath), 1);
  Sleep(50);
  viewer.Pump();
  EXPECT_EQ(DocumentOf(viewer), "small\n") << "nothing of the big file comes late";
  EXPECT_EQ(viewer.Description(), L"UTF-8, 2 lines, 6 bytes");

  ASSERT_EQ(viewer.OpenFile(bigPath), 1);
  viewer.Pump();
  ASSERT_EQ(viewer.OpenFile(bigPath), 1);  // the host reloads it midway
  EXPECT_EQ(viewer.OpenFile(viewer.FilePath(L"missing.txt")), 0) << "a load that fails leaves it loading";
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_TRUE(DocumentOf(viewer) == big) << "once, not twice, and whole";

  // The viewer goes while a stream still loads: the stream is let go, nothing else runs.
  TestStream stream(big);
  ASSERT_EQ(viewer.OpenStream(L"big.log", &stream), 1);
  EXPECT_GT(stream.references(), 1u);
  DestroyWindow(viewer.viewer());
  viewer.Pump();
  EXPECT_EQ(stream.references(), 1u);
  EXPECT_TRUE(test::HeapsValid());

  // ... or goes inside one of the stream's reads, between the slices.
  viewer.CreateViewer();
  TestStream pumping(big);
  const HWND shown = viewer.viewer();
  pumping.duringRead = [&] {
    if (pumping.position() > 2 * kMegabyte) DestroyWindow(shown);
  };
  ASSERT_EQ(viewer.OpenStream(L"big.log", &pumping), 1);
  for (int turn = 0; turn < 100 && IsWindow(shown); ++turn) {
    Sleep(10);
    viewer.Pump();
  }
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(pumping.references(), 1u);
  EXPECT_TRUE(test::HeapsValid());
}

TEST(BigFiles, AreSearchedAndCopiedAsFarAsTheyHaveArrivedFromASlowStream) {
  ViewerHarness viewer;
  std::string big(kBigFile, 'x');
  for (size_t i = 99; i < big.size(); i += 100) big[i] = '\n';
  const std::vector<size_t> needles = {10, 2 * kMegabyte - 3, big.size() - 20};  // one across a slice's end
  for (const size_t at : needles) big.replace(at, 6, "needle");
  big += '\xE9';  // the last byte makes it ANSI: the text and its search start over
  viewer.Send(WM_COMMAND, IDM_FIND);
  viewer.TypeSearchText(L"needle");
  TestStream slow(big);
  slow.piece = 64 * 1024;
  slow.duringRead = [] { Sleep(1); };
  ASSERT_EQ(viewer.OpenStream(L"big.log", &slow), 1);
  EXPECT_EQ(viewer.Sci(SCI_INDICATORVALUEAT, 0, static_cast<LPARAM>(needles[0])), 1) << "the head is searched at once";
  viewer.Send(HBXPLUGINMSG_COPYTEXT);
  const size_t arrived = DocumentOf(viewer).size();
  EXPECT_EQ(test::ClipboardText().size(), arrived) << "what has arrived is copied";
  ASSERT_TRUE(viewer.WaitWhileLoading());
  for (int turn = 0; turn < 200 && viewer.Sci(SCI_INDICATORVALUEAT, 0, static_cast<LPARAM>(needles[2])) != 1; ++turn) {
    Sleep(5);
    viewer.Pump();
  }
  for (const size_t at : needles) {
    EXPECT_EQ(viewer.Sci(SCI_INDICATORVALUEAT, 0, static_cast<LPARAM>(at + 5)), 1) << "needle at " << at;
  }
  EXPECT_TRUE(DocumentOf(viewer) == ConvertToUtf8(big, Encoding::Ansi));
  EXPECT_EQ(slow.references(), 1u) << "let go once read";
}

}  // namespace
}  // namespace lumen
