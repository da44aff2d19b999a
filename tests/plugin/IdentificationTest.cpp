#include <gtest/gtest.h>

#include <windows.h>

#include "CompressedFiles.h"
#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"

namespace lumen {
namespace {

using test::ConfigWithStyles;
using test::HostedConfig;
using test::PluginLibrary;
using test::RawRecord;

class Identification : public ::testing::Test {
 protected:
  void Languages(const std::string& ext) {
    config.Write(ConfigWithStyles("<Style ext=\"" + ext + "\" lexer=\"3\"/><Style ext=\"txt\" lexer=\"1\"/>"));
  }
  // Both exports must give the same answer: without a stream the file is read.
  bool Claims(const wchar_t* path) {
    RawRecord<40> record;
    RawRecord<40> streamRecord;
    record.Put<wchar_t*>(24, nullptr);
    streamRecord.Put<wchar_t*>(24, nullptr);
    const BOOL byPath = plugin.IdentifyFileW(nullptr, path, record.data(), 0);
    const BOOL byStream = plugin.IdentifyFileStreamW(nullptr, nullptr, path, streamRecord.data());
    EXPECT_EQ(byPath, byStream) << "path and stream variants disagree";
    return byPath != FALSE;
  }
  HostedConfig config;
  PluginLibrary plugin;
};

// Folders deeper than MAX_PATH exist; the configuration in one is still read.
TEST_F(Identification, ReadsAConfigurationFolderLongerThanMaxPath) {
  std::wstring folder = config.folder();
  while (folder.size() < 300) {
    folder += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  config.host().SetConfigFolder(folder);
  test::WriteBytes(L"\\\\?\\" + folder + L"\\lumen.config.xml",
                   ConfigWithStyles("<Style ext=\"deep\" lexer=\"3\"/>"));
  EXPECT_TRUE(Claims(L"a.deep"));
}

TEST_F(Identification, ClaimsByTheLowerCasedTextAfterTheLastDot) {
  Languages("cpp gz c++");
  EXPECT_TRUE(Claims(L"C:\\src\\main.CPP"));
  EXPECT_TRUE(Claims(L"archive.tar.gz"));
  EXPECT_TRUE(Claims(L"a.c++"));
  EXPECT_FALSE(Claims(L"archive.gz.tar"));
  EXPECT_FALSE(Claims(L"C:\\src\\Makefile"));
  EXPECT_FALSE(Claims(L"notes."));
  EXPECT_FALSE(Claims(L"C:\\src.d\\README"));
  EXPECT_FALSE(Claims(L"main.cpp1"));
  Languages("CPP");
  EXPECT_TRUE(Claims(L"main.cpp")) << "configured extensions are lower-cased too";
  Languages(".c .h");
  EXPECT_TRUE(Claims(L"x.c"));
  EXPECT_TRUE(Claims(L"x.H"));
  Languages(".c .k");
  EXPECT_FALSE(Claims(L"x.h")) << "a rewrite of the same size counts from the next call";
  EXPECT_EQ(config.host().OpenDocuments(), 0);
}

TEST_F(Identification, ClaimsByTheNameBeforeAnIgnoredEnding) {
  config.Write(R"(<Config><IgnoredEndings List="in example"/><Styles><Style ext="h" lexer="3"/>
                  <Style ext="txt" names="CMakeLists.txt" lexer="80"/></Styles></Config>)");
  EXPECT_TRUE(Claims(L"config.h.in"));
  EXPECT_TRUE(Claims(L"C:\\src\\CMakeLists.txt.EXAMPLE"));
  EXPECT_FALSE(Claims(L"config.c.in"));
  EXPECT_FALSE(Claims(L"config.h.orig"));
  EXPECT_FALSE(Claims(L"x.in"));
}

// With ClaimTextFiles, a file no rule claims is claimed when its first bytes are text.
TEST_F(Identification, ClaimsTextByItsContentWhereTheConfigurationAsks) {
  const std::wstring notes = config.folder() + L"\\notes", picture = config.folder() + L"\\picture.dat";
  test::WriteBytes(notes, "remember the milk\n");
  test::WriteBytes(picture, std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
  const std::string styles = "<Style ext=\"c\" lexer=\"3\"/>";
  config.Write(ConfigWithStyles(styles));
  EXPECT_FALSE(Claims(notes.c_str())) << "a configuration without the setting claims as before";
  std::string asking = ConfigWithStyles(styles);
  asking.replace(asking.find("<Styles"), 0, "<ClaimTextFiles Enabled=\"yes\"/>");
  config.Write(asking);
  EXPECT_TRUE(Claims(notes.c_str()));
  EXPECT_FALSE(Claims(picture.c_str()));
  EXPECT_FALSE(Claims((config.folder() + L"\\missing").c_str()));
}

// A compressed file is claimed as the text it holds: by the name inside
// (rotated logs' numbers and dates included) or its first line; one only
// named so, and an archive of many files, are not.
TEST_F(Identification, ClaimsACompressedFileAsTheTextItHolds) {
  config.Write(ConfigWithStyles(
      "<Style ext=\"log\" names=\"syslog.? *.log.? *.log-2???????\" lexer=\"3\"/><Style ext=\"sh\" aliases=\"sh\" lexer=\"62\"/>"));
  const struct {
    const wchar_t* name;
    Compression made;
    const char* text;
    bool claimed;
  } files[] = {{L"syslog.2.gz", Compression::Gzip, "Dec 11 kernel: up\n", true},
               {L"app.log.3.BZ2", Compression::Bzip2, "started\n", true},
               {L"access.log-20261201.xz", Compression::Xz, "GET /\n", true},
               {L"app.log.zst", Compression::Zstd, "started\n", true},
               {L"run.gz", Compression::Gzip, "#!/bin/sh\necho\n", true},
               {L"photo.jpg.gz", Compression::Gzip, "not a photo\n", false},
               {L"logs.tar.gz", Compression::Gzip, "app.log\n", false},
               {L"app.log.xz", Compression::None, "plain text\n", false}};
  for (const auto& file : files) {
    SCOPED_TRACE(test::ToUtf8(file.name));
    const std::wstring path = config.folder() + L"\\" + file.name;
    test::WriteBytes(path, file.made == Compression::None ? file.text : test::Compressed(file.made, file.text));
    EXPECT_EQ(Claims(path.c_str()), file.claimed);
  }
}

TEST_F(Identification, WritesOnlyTheNumericFieldsAndAnEmptyText) {
  Languages("c");
  wchar_t text[8] = L"abc";
  RawRecord<40> record;
  record.Put<wchar_t*>(24, text);
  record.Put<uint32_t>(32, 8);
  ASSERT_TRUE(plugin.IdentifyFileW(nullptr, L"x.c", record.data(), 0));
  EXPECT_EQ(record.Get<uint32_t>(0), 0xCCCCCCCCu);
  EXPECT_EQ(record.Get<uint32_t>(4), 2u);
  EXPECT_EQ(record.Get<uint64_t>(8), 2u);
  EXPECT_EQ(record.Get<uint64_t>(16), 0u);
  EXPECT_EQ(text[0], L'\0');

  wcscpy(text, L"abc");
  record.Put<uint32_t>(32, 0);
  ASSERT_TRUE(plugin.IdentifyFileW(nullptr, L"x.c", record.data(), 0));
  EXPECT_STREQ(text, L"abc") << "a capacity of 0 gets no text";
  RawRecord<40> noBuffer;
  noBuffer.Put<wchar_t*>(24, nullptr);
  noBuffer.Put<uint32_t>(32, 8);
  ASSERT_TRUE(plugin.IdentifyFileW(nullptr, L"x.c", noBuffer.data(), 0));
  EXPECT_EQ(noBuffer.Get<uint32_t>(4), 2u);

  RawRecord<40> untouched;
  untouched.Put<wchar_t*>(24, nullptr);
  EXPECT_FALSE(plugin.IdentifyFileW(nullptr, L"x.d", untouched.data(), 0));
  EXPECT_EQ(untouched.Get<uint64_t>(8), 0xCCCCCCCCCCCCCCCCu) << "a file not claimed leaves the record alone";
}

TEST_F(Identification, ClaimsNothingWithoutAUsableConfiguration) {
  EXPECT_FALSE(Claims(L"x.c")) << "no file";
  config.Write("<Config><Styles><Style ext=\"\" lexer=\"1\"/></Styles></Config>");
  EXPECT_FALSE(Claims(L"x.c")) << "no extension at all";
  config.Write("<Config/>");
  EXPECT_FALSE(Claims(L"x.c")) << "no Styles";
  EXPECT_FALSE(plugin.IdentifyFileW(nullptr, nullptr, nullptr, 0)) << "no path";
  EXPECT_EQ(config.host().OpenDocuments(), 0);
}

// The shipped configuration, through the exports: files named as people name
// them are claimed and shown in their languages, an extension-less one by its
// first line; one that cannot be read is simply not claimed.
TEST(IdentificationByNameAndFirstLine, ClaimsAndColoursWithTheShippedConfiguration) {
  using namespace std::string_literals;
  test::ViewerHarness viewer(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"));
  PluginLibrary& plugin = viewer.plugin();
  const struct {
    const wchar_t* name;
    std::string text;
    int lexer;
  } files[] = {{L"Makefile", "all:\n\techo\n", 11},           {L"Dockerfile.dev", "FROM debian\n", 62},
               {L".bashrc", "alias ll='ls -l'\n", 62},         {L"run", "#!/usr/bin/env python3\nprint(1)\n", 2},
               {L"tool", "\xFF\xFE#\0!\0/\0b\0i\0n\0/\0s\0h\0\n\0"s, 62},
               {L"CMakeLists.txt", "project(x)\n", 80},
               // Names no list knows, claimed as text: XML and JSON by their start.
               {L"layout.keep", "<?xml version=\"1.0\"?>\n<a/>\n", 5},
               {L"settings", "{\"a\": 1}\n", 120},
               {L"notes", "remember the milk\n", 1}};
  for (const auto& file : files) {
    SCOPED_TRACE(test::ToUtf8(file.name));
    const std::wstring path = viewer.FilePath(file.name);
    test::WriteBytes(path, file.text);
    RawRecord<40> record;
    record.Put<wchar_t*>(24, nullptr);
    EXPECT_TRUE(plugin.IdentifyFileW(nullptr, path.c_str(), record.data(), 0));
    ASSERT_EQ(viewer.OpenFile(path), 1);
    EXPECT_EQ(viewer.Sci(sci::SCI_GETLEXER), file.lexer);
    EXPECT_EQ(test::ReadBytes(path), file.text) << "the file is left as it was";
  }
  RawRecord<40> record;
  record.Put<wchar_t*>(24, nullptr);
  EXPECT_FALSE(plugin.IdentifyFileW(nullptr, viewer.FilePath(L"missing").c_str(), record.data(), 0));
  const std::wstring locked = viewer.FilePath(L"locked");
  test::WriteBytes(locked, "#!/bin/sh\n");
  const HANDLE exclusive = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(plugin.IdentifyFileW(nullptr, locked.c_str(), record.data(), 0)) << "unreadable: not claimed";
  CloseHandle(exclusive);
  EXPECT_TRUE(plugin.IdentifyFileW(nullptr, locked.c_str(), record.data(), 0));

  // A stream's head is read from the stream, which goes back to where it was.
  test::TestStream stream("#!/usr/bin/perl\n" + std::string(10000, 'x'));
  stream.piece = 100;
  LARGE_INTEGER start = {};
  start.QuadPart = 0;
  stream.Seek(start, STREAM_SEEK_SET, nullptr);
  EXPECT_TRUE(plugin.IdentifyFileStreamW(nullptr, &stream, L"C:\\x\\script", record.data()));
  EXPECT_EQ(stream.position(), 0u);
  EXPECT_LE(stream.readCalls, 41) << "at most 4 KB";
  test::TestStream unseekable("#!/bin/sh\n");
  unseekable.seekable = false;
  EXPECT_FALSE(plugin.IdentifyFileStreamW(nullptr, &unseekable, L"C:\\x\\script", record.data()));
  EXPECT_EQ(unseekable.readCalls, 0) << "a stream that cannot be put back is not read";
}

TEST(IdentificationWithoutHost, ClaimsNothing) {
  PluginLibrary plugin;
  RawRecord<40> record;
  record.Put<wchar_t*>(24, nullptr);
  EXPECT_FALSE(plugin.IdentifyFileW(nullptr, L"x.c", record.data(), 0));
}

}  // namespace
}  // namespace lumen
