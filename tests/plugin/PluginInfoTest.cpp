#include <gtest/gtest.h>

#include <cstring>

#include "HostedConfig.h"
#include "PluginLibrary.h"

namespace lumen {
namespace {

using test::ConfigWithStyles;
using test::HostedConfig;
using test::PluginLibrary;
using test::RawRecord;

// The host's information record with its five text buffers.
struct InfoCall {
  RawRecord<176> record;
  wchar_t extensions[64];
  wchar_t name[64];
  wchar_t description[64];
  wchar_t copyright[128];
  wchar_t company[64];

  // The record points into the object's own buffers: it must stay in place.
  InfoCall(const InfoCall&) = delete;
  explicit InfoCall(uint32_t size = 176, uint32_t extensionCapacity = 64) {
    for (wchar_t* buffer : {extensions, name, description, copyright, company}) wcscpy(buffer, L"untouched");
    record.Put<uint32_t>(0, size);
    record.Put<wchar_t*>(16, extensions);
    record.Put<wchar_t*>(24, name);
    record.Put<wchar_t*>(32, description);
    record.Put<wchar_t*>(40, copyright);
    record.Put<wchar_t*>(48, nullptr);
    record.Put<uint32_t>(56, extensionCapacity);
    record.Put<uint32_t>(60, 64);
    record.Put<uint32_t>(64, 64);
    record.Put<uint32_t>(68, 128);
    record.Put<uint32_t>(72, 64);
  }
  HICON icon() const { return record.Get<HICON>(144); }
};

std::string TwoLanguages(const std::string& first, const std::string& second) {
  return ConfigWithStyles("<Style ext=\"" + first + "\" lexer=\"3\"/><Style ext=\"" + second + "\" lexer=\"5\"/>");
}

class PluginInfo : public ::testing::Test {
 protected:
  void Identify(InfoCall& call) { EXPECT_TRUE(plugin.IdentifyW(call.record.data())); }
  std::wstring ExtensionsWithCapacity(uint32_t capacity) {
    InfoCall call(176, capacity);
    Identify(call);
    return call.extensions;
  }
  HostedConfig config;
  PluginLibrary plugin;
};

TEST_F(PluginInfo, FillsEveryFieldFromTheConfigurationAndTheVersionResource) {
  config.Write(TwoLanguages("c h", "cpp"));
  InfoCall call;
  Identify(call);
  EXPECT_EQ(call.record.Get<uint32_t>(4), 0x00021415u);
  EXPECT_STREQ(call.extensions, L".c;.h;.cpp");
  EXPECT_EQ(call.record.Get<uint64_t>(80), 1u);
  EXPECT_EQ(call.record.Get<uint64_t>(88), 1048576u);
  EXPECT_EQ(call.record.Get<uint64_t>(96), 1u);
  EXPECT_EQ(call.record.Get<uint64_t>(104), 1048576u);
  EXPECT_EQ(call.record.Get<uint32_t>(112), 2u);
  const GUID written = call.record.Get<GUID>(116);
  EXPECT_NE(written.Data1, 0xCCCCCCCCu) << "the plug-in's GUID";
  EXPECT_EQ(call.record.Get<uint32_t>(8), 0u) << "file version 0,0,0,4";
  EXPECT_EQ(call.record.Get<uint32_t>(12), 4u);
  EXPECT_STREQ(call.name, L"LUMEN");
  EXPECT_STREQ(call.description, L"Tessera Source Viewer Plugin");
  EXPECT_NE(std::wstring(call.copyright).find(L"Copyright"), std::wstring::npos);
  EXPECT_NE(call.icon(), nullptr) << "no fifth buffer and room for the icon";
}

TEST_F(PluginInfo, LeavesWildcardsOutOfTheExtensionList) {
  config.Write(TwoLanguages("* c*", "c"));
  EXPECT_EQ(ExtensionsWithCapacity(64), L".c");
  config.Write(TwoLanguages("*", "c*"));
  EXPECT_EQ(ExtensionsWithCapacity(64), L"") << "all left out: an empty string";
}

TEST_F(PluginInfo, FallsBackToAStarWhenTheListDoesNotFit) {
  config.Write(TwoLanguages("c h", "cpp"));  // ".c;.h;.cpp" is 10 characters
  EXPECT_EQ(ExtensionsWithCapacity(11), L".c;.h;.cpp");
  EXPECT_EQ(ExtensionsWithCapacity(10), L"*");
  EXPECT_EQ(ExtensionsWithCapacity(2), L"*");
  EXPECT_EQ(ExtensionsWithCapacity(1), L"untouched");
  EXPECT_EQ(ExtensionsWithCapacity(0), L"untouched");
  InfoCall noBuffer;
  noBuffer.record.Put<wchar_t*>(16, nullptr);
  Identify(noBuffer);
  EXPECT_EQ(noBuffer.record.Get<uint64_t>(88), 1048576u);
}

TEST_F(PluginInfo, AnswersTrueWithDefaultsWhenTheConfigurationIsUnusable) {
  config.Write("not xml at all");
  InfoCall call;
  Identify(call);
  EXPECT_STREQ(call.extensions, L"");
  EXPECT_EQ(call.record.Get<uint64_t>(88), 1u);
  EXPECT_EQ(call.record.Get<uint64_t>(104), 1u);
  EXPECT_STREQ(call.name, L"LUMEN");
  EXPECT_EQ(config.host().OpenDocuments(), 0);
}

TEST_F(PluginInfo, GivesTheIconOnlyWithRoomForItAndWithoutACompanyBuffer) {
  config.Write(TwoLanguages("c", "h"));
  InfoCall small(159);
  Identify(small);
  EXPECT_EQ(small.record.Get<uint64_t>(144), 0xCCCCCCCCCCCCCCCCu);

  InfoCall answered;
  answered.record.Put<wchar_t*>(48, answered.company);
  Identify(answered);
  EXPECT_STREQ(answered.company, L"untouched") << "the version resource has no company entry";
  EXPECT_EQ(answered.record.Get<uint64_t>(144), 0xCCCCCCCCCCCCCCCCu) << "and the steps after it are skipped";
  EXPECT_STREQ(answered.name, L"LUMEN");
}

TEST_F(PluginInfo, TruncatesTextsToTheHostsBuffers) {
  InfoCall call;
  call.record.Put<uint32_t>(64, 8);  // description buffer
  Identify(call);
  EXPECT_STREQ(call.description, L"Tessera");
}

TEST_F(PluginInfo, RefusesANullRecordWithoutCrashing) { EXPECT_FALSE(plugin.IdentifyW(nullptr)); }

}  // namespace
}  // namespace lumen
