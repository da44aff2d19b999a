// Damaged configurations pushed through everything that reads the file:
// identification, the plug-in information, a viewer's styling and reload,
// and the save that the dialog's OK makes of what it loaded.
#include <gtest/gtest.h>

#include "ConfigurationMutations.h"
#include "Exports.h"
#include "HostedConfig.h"
#include "Robustness.h"
#include "TestFiles.h"
#include "TestStream.h"
#include "base/Text.h"
#include "plugin/Identification.h"
#include "text/Encoding.h"

namespace lumen::robustness {
namespace {

constexpr int kShippedSamples = 100;
constexpr int kSmallSamples = 300;
// Odd in length, so that no statistical test takes it for UTF-16.
const std::string kSourceText = "int main(void) { return 0; } // a line of source\n";

std::vector<std::wstring> NamesToIdentify(Random& random, const ConfigurationSample& sample,
                                          const Expectations& expected) {
  std::vector<std::wstring> names = {L"Makefile", L"notes.", L"archive.tar.gz", L"C:\\src.d\\README"};
  std::vector<std::wstring> extensions =
      sample.bytes ? ExtensionCandidates(*sample.bytes) : std::vector<std::wstring>{};
  extensions.insert(extensions.end(), expected.extensions.begin(), expected.extensions.end());
  extensions.insert(extensions.end(), {L"c", L"CPP", L"txt", L"*", L"unknown"});
  for (int i = 0; i < 5; ++i) {
    std::wstring extension = random.Pick(extensions);
    if (random.Percent(30)) extension = UserLocale::Get().ToUpper(extension);
    names.push_back(L"file." + extension);
  }
  return names;
}

// Every capacity from 0 to a little beyond the list when it is no longer than
// `everyUpTo`, else the edges and a few between them.
std::vector<uint32_t> CapacitiesToTry(Random& random, size_t listLength, size_t everyUpTo) {
  const auto length = static_cast<uint32_t>(listLength);
  std::vector<uint32_t> capacities;
  if (listLength <= everyUpTo) {
    for (uint32_t capacity = 0; capacity <= length + 3; ++capacity) capacities.push_back(capacity);
    return capacities;
  }
  capacities = {0, 1, 2, 3, length, length + 1, length + 2};
  if (length > 0) capacities.push_back(length - 1);
  for (int i = 0; i < 3; ++i) capacities.push_back(static_cast<uint32_t>(random.Below(length + 3)));
  return capacities;
}

void ExpectIdentification(Host& host, Random& random, const ConfigurationSample& sample, const Expectations& expected) {
  const std::vector<std::wstring> names = NamesToIdentify(random, sample, expected);
  for (const std::wstring& name : names) {
    const bool claimed = IdentifyFile(host, name, random.Below(4), random.Percent(30));
    EXPECT_EQ(claimed, ClaimedWithoutContent(expected, name)) << test::ToUtf8(name);
  }
  Count("configuration: files identified", static_cast<int>(names.size()));
}

void ExpectPluginInformation(Host& host, Random& random, const Expectations& expected, size_t everyCapacityUpTo) {
  const std::vector<uint32_t> capacities = CapacitiesToTry(random, expected.handledList.size(), everyCapacityUpTo);
  for (const uint32_t capacity : capacities) {
    const PluginInfo info = IdentifyPlugin(host, capacity);
    EXPECT_EQ(info.extensions, ExpectedExtensionBuffer(expected.handledList, capacity)) << "capacity " << capacity;
    EXPECT_EQ(info.fileSizeLimit, expected.fileSizeLimit);
  }
  Count("configuration: HBX_IdentifyW capacities", static_cast<int>(capacities.size()));
}

// A configured extension as a file system takes it in a name.
std::wstring AsFileNamePart(std::wstring extension) {
  extension.resize(std::min<size_t>(extension.size(), 100));
  for (wchar_t& c : extension) {
    if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) c = L'_';
  }
  return extension;
}

void ExpectViewerStyling(Host& host, Random& random, const ConfigurationSample& sample, const Expectations& expected) {
  Viewer viewer(host);
  if (!viewer.window()) return;
  // A configured language first, so that its word styles reach the editor.
  std::vector<std::wstring> configured = expected.extensions;
  if (configured.empty() && sample.bytes) configured = ExtensionCandidates(*sample.bytes);
  configured.push_back(L"txt");
  std::vector<std::wstring> any = configured;
  if (sample.bytes) any = ExtensionCandidates(*sample.bytes);
  any.push_back(L"unknown");
  for (std::wstring extension : {random.Pick(configured), random.Pick(any)}) {
    extension = AsFileNamePart(extension);
    const Lexers lexers = ExpectFileShown(host, viewer, L"sample." + extension, kSourceText);
    const int expected = ExpectedLexer(host, L"sample." + extension, kSourceText);
    EXPECT_TRUE(lexers.loaded == expected && lexers.reloaded == expected) << test::ToUtf8(extension);
  }
  Count("configuration: viewer loads with styling and reload", 2);
}

// Everything that reads the configuration, then the save that OK makes of it.
void PushThrough(Host& host, Random& random, const ConfigurationSample& sample, size_t everyCapacityUpTo) {
  SCOPED_TRACE(sample.description);
  if (sample.bytes) {
    host.WriteConfig(*sample.bytes);
  } else {
    host.RemoveConfig();
  }
  std::optional<std::string> bytes = sample.bytes;
  {
    std::optional<LockedFile> lock;
    if (sample.locked) lock.emplace(host.configPath());
    const Expectations expected = ReadExpectations(host);
    // Over the real control only the viewer is new: the rest never reaches it.
    if (!OverTheRealControl()) {
      ExpectIdentification(host, random, sample, expected);
      ExpectPluginInformation(host, random, expected, everyCapacityUpTo);
    }
    ExpectViewerStyling(host, random, sample, expected);
    host.ExpectCleanEnd(sample.locked ? std::optional<std::string>("<unreadable>") : bytes);
    if (!expected.configuration || OverTheRealControl()) return;
    const bool saved = Save(host, *expected.configuration);
    EXPECT_NE(saved, expected.configuration->styles.empty())
        << "a configuration with languages is saved, one without is not";
    if (saved) {
      ExpectLoadsAsSaved(host, *expected.configuration);
      bytes = host.ConfigBytes();
    }
    Count("configuration: saved as loaded and loaded again");
  }
  host.ExpectCleanEnd(bytes);
}

// The configuration as it is, with every capacity of the plug-in information,
// then damaged samples of it, with every capacity up to `everyCapacityUpTo`.
void MutatedSamples(const char* kind, const std::string& base, int samples, size_t everyCapacityUpTo) {
  Host host;
  for (int index = 0; index < samples; ++index) {
    Random random(kind, index);
    const ConfigurationSample sample =
        index == 0 ? ConfigurationSample{"as it is", base} : MutateConfiguration(base, random);
    const Case scope(kind, std::to_string(index) + " (" + sample.description + ")");
    PushThrough(host, random, sample, index == 0 ? SIZE_MAX : everyCapacityUpTo);
  }
}

TEST(ConfigurationRobustness, TheShippedConfigurationDamaged) {
  MutatedSamples("configuration: the shipped one, damaged", ShippedConfiguration(), kShippedSamples, 0);
}

TEST(ConfigurationRobustness, ASmallConfigurationDamaged) {
  MutatedSamples("configuration: a small one, damaged", SmallConfiguration(), kSmallSamples, 400);
}

// Languages with drawn names and aliases, and files with drawn names, first
// lines and modelines: empty, huge, binary, unterminated, UTF-16. Each file is
// claimed exactly as the recognition rules say, by path and by stream, shown
// in the language they choose, and left as it was.
std::string DrawnList(Random& random, const std::vector<std::string>& pool) {
  std::string list;
  for (size_t count = random.Below(4); count > 0; --count) list += random.Pick(pool) + " ";
  if (random.Percent(5)) list += std::string(20000 + random.Below(50000), random.Percent(50) ? '*' : 'p');
  return list;
}

std::string DrawnFirstLines(Random& random) {
  static const std::vector<std::string> lines = {
      "#!/usr/bin/env python3", "#!/bin/sh", "#!", "#! ", "#!/usr/bin/env", "#!/usr/bin/env -S VAR=1 -u X perl -w",
      "#!/usr/local/bin/ruby2.7.1", "#!" + std::string(30000, '/'), "# vim: set ft=python:", "// vim: ft=",
      "/* -*- mode: sh -*- */", "-*- -*-", "-*-", "vim:", "ex: ft=sh", " vi:ft=make:", "\xFF\xFE\x00#!",
      std::string("#!/bin/\0sh", 10), "x"};
  std::string text;
  for (size_t count = 1 + random.Below(3); count > 0; --count) {
    text += random.Percent(20) ? random.Bytes(random.Length(200)) : random.Pick(lines);
    text += random.Pick(std::vector<std::string>{"\n", "\r\n", "\r", ""});
  }
  if (random.Percent(20)) text = std::string(random.Below(6000), '\n') + text;  // past the first five lines, or 4 KB
  if (random.Percent(10)) {  // as UTF-16LE with its mark
    std::string wide = "\xFF\xFE";
    for (char c : text) wide += std::string{c, '\0'};
    text = wide;
  }
  return random.Percent(5) ? std::string() : text;
}

TEST(ConfigurationRobustness, NamesAliasesModelinesAndFirstLines) {
  static const std::vector<std::string> names = {"Makefile", "*", "?", "*.*", "**?*", ".bashrc", "Dockerfile.*",
                                                 "CMakeLists.txt", "\xC3\xA4*", "*.c", "[x]", "run"};
  static const std::vector<std::string> aliases = {"python", "python3", "sh", "perl", "make", "c++", "",
                                                   "\xC3\xA4", "ruby", "-", "env"};
  static const std::vector<std::wstring> fileNames = {L"Makefile", L"run", L"script", L".bashrc", L"Dockerfile.dev",
                                                      L"a.c", L"notes.txt", L"\u00e4x", L"CMakeLists.txt",
                                                      std::wstring(200, L'n')};
  Host host;
  for (int index = 0; index < 120; ++index) {
    Random random("recognition", index);
    const Case scope("configuration: names, aliases and first lines", std::to_string(index));
    std::string styles;
    for (int language = 0; language < 3; ++language) {
      styles += "<Style ext=\"" + std::string(language == 0 ? "c" : language == 1 ? "txt" : "") + "\" lexer=\"" +
                std::to_string(language + 2) + "\" names=\"" + DrawnList(random, names) + "\" aliases=\"" +
                DrawnList(random, aliases) + "\"/>";
    }
    const std::string configuration = test::ConfigWithStyles(styles);
    host.WriteConfig(configuration);
    const Expectations expected = ReadExpectations(host);
    const std::wstring name = random.Pick(fileNames);
    const std::string text = DrawnFirstLines(random);
    const std::wstring path = host.WriteFile(name, text);
    const std::string head = text.substr(0, kIdentificationHead);
    DecodingRule detecting;  // these configurations leave detection on
    detecting.detect = true;
    const bool claimed =
        ClaimedWithoutContent(expected, path) ||
        (AnyAliases(expected.languages) &&
         LanguageByContent(expected.languages,
                           EdgeLinesOf(HeadText(head, text.size() < kIdentificationHead, detecting), false)).has_value());
    EXPECT_EQ(IdentifyFile(host, path, random.Below(4), random.Percent(50)), claimed);
    test::TestStream stream(text);
    stream.piece = 1 + static_cast<ULONG>(random.Below(5000));
    test::RawRecord<40> record;
    record.Put<wchar_t*>(24, nullptr);
    EXPECT_EQ(Boundary("HBX_IdentifyFileStreamW",
                       [&] { return host.plugin().IdentifyFileStreamW(nullptr, &stream, path.c_str(), record.data()); }) != FALSE,
              claimed);
    EXPECT_EQ(stream.position(), 0u) << "the stream is put back";
    EXPECT_EQ(test::ReadBytes(path), text) << "identification leaves the file as it was";
    if (!text.empty() && text.rfind("\xEF\xBB\xBF", 0) != 0 && DetectEncoding(text) == Encoding::Utf8) {
      Viewer viewer(host);
      if (viewer.window()) {
        const Lexers lexers = ExpectFileShown(host, viewer, name, text);
        const int lexer = ExpectedLexer(host, name, text);
        EXPECT_TRUE(lexers.loaded == lexer && lexers.reloaded == lexer) << lexers.loaded << " " << lexer;
      }
    }
    host.ExpectCleanEnd(configuration);
  }
}

// Hand-written edges that random damage reaches only by luck.
TEST(ConfigurationRobustness, HandWrittenEdges) {
  using test::ConfigWithStyles;
  const std::string longKeywords(100000, 'k');
  const std::vector<std::string> documents = {
      "",
      "<Config/>",
      "\xEF\xBB\xBF",
      "   \n\t  ",
      ConfigWithStyles(""),
      "<Config><Styles/><Styles><Style ext=\"c\" lexer=\"3\"/></Styles></Config>",
      ConfigWithStyles("<Style ext=\"c\"/><Style ext=\"h\" lexer=\"3\"><WordStyles><WordStyle/></WordStyles></Style>"),
      ConfigWithStyles("<Style ext=\" ...  \t\n.c..h. \" lexer=\"3\"/><Style ext=\"* c* c++ \xC3\xB1 " +
                       std::string(5000, 'e') + "\" lexer=\"-1\"/>"),
      ConfigWithStyles(
          "<Style ext=\"c\" lexer=\"2147483647\"><WordStyles>"
          "<WordStyle styleID=\"-2147483648\" fgColor=\"7FFFFFFF\" bgColor=\"-80000000\" fontSize=\"2147483647\""
          " fontStyle=\"-1\" eolFill=\"-7\" fontName=\"" +
          std::string(3000, 'F') +
          "\"/>"
          "<WordStyle styleID=\"255\" fgColor=\"0x00ff00\"><Keywords id=\"4294967295\">int</Keywords></WordStyle>"
          "<WordStyle styleID=\"-1\" bgColor=\"00FF00\"><Keywords id=\"4294967294\">char</Keywords></WordStyle>"
          "<WordStyle styleID=\"0\"><Keywords id=\"9\">" +
          longKeywords +
          "</Keywords></WordStyle>"
          "</WordStyles></Style>"),
      ConfigWithStyles(
          "<Style ext=\"c\" lexer=\"3\"><WordStyles><WordStyle styleID=\"5\" fgColor=\"FFFFFFFF\"/>"
          "</WordStyles></Style><Style ext=\"h\" lexer=\"3\"><WordStyles>"
          "<WordStyle styleID=\"5\" bgColor=\"GHI\"/></WordStyles></Style><Style ext=\"txt\" lexer=\"1\"/>"),
      "<Other><Highlight Foreground=\"-1\" ForegroundAlpha=\"123456789\" OutlineAlpha=\"0x\"/>"
      "<FileSizeLimit>18446744073709551615</FileSizeLimit><Tabulator Width=\"4294967295\"/>"
      "<Styles><Style ext=\"c\" lexer=\"3\"/></Styles></Other>",
      "<Config><FileSizeLimit>-1</FileSizeLimit><Tabulator Width=\"0\"/><LineNumbering Enabled=\"yEs\"/>"
      "<Styles><Style ext=\"c\" lexer=\"3\"/></Styles></Config>",
      "<Config><FileSizeLimit>4294967296</FileSizeLimit><Highlight Foreground=\"0xFFFFFFFF\" ForegroundAlpha=\"0\""
      " OutlineAlpha=\"FF\"/><Styles><Style ext=\"c\" lexer=\"3\"/></Styles></Config>",
      std::string(200, '<'),
      "<Config>" + std::string(300, ' ') + "<Styles>" + std::string(200, '\n') + "<Style ext=\"c\" lexer=\"3\">" +
          [] {
            std::string nested;
            for (int level = 0; level < 200; ++level) nested += "<Deeper>";
            for (int level = 0; level < 200; ++level) nested += "</Deeper>";
            return nested;
          }() +
          "</Style></Styles></Config>",
  };
  Host host;
  for (size_t index = 0; index < documents.size(); ++index) {
    const Case scope("configuration: hand-written edges", std::to_string(index));
    Random random("configuration: hand-written edges", static_cast<int>(index));
    PushThrough(host, random, ConfigurationSample{"hand-written edge " + std::to_string(index), documents[index]}, 400);
  }
}

}  // namespace
}  // namespace lumen::robustness
