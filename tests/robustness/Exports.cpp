#include "Exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ConfigExpectations.h"
#include "EditorStandIn.h"
#include "TestFiles.h"
#include "config/Loaders.h"
#include "config/Saver.h"
#include "base/Text.h"
#include "host/Paths.h"
#include "plugin/PluginInfo.h"
#include "abi/ScintillaInterface.h"

namespace lumen::robustness {

using namespace sci;

namespace {
constexpr UINT kReloadSettings = 0x8F1F;

bool SameBytes(const void* a, const void* b, size_t count) { return std::memcmp(a, b, count) == 0; }
}  // namespace

bool IdentifyFile(Host& host, const std::wstring& path, size_t capacity, bool byStream) {
  GuardedBuffer text(capacity);
  test::RawRecord<40> record;
  record.Put<wchar_t*>(24, text.data());
  record.Put<uint32_t>(32, static_cast<uint32_t>(capacity));
  const test::RawRecord<40> before = record;
  test::PluginLibrary& plugin = host.plugin();
  const BOOL claimed = Boundary("HBX_IdentifyFileW", [&] {
    return byStream ? plugin.IdentifyFileStreamW(nullptr, nullptr, path.c_str(), record.data())  // no stream: the file is read
                    : plugin.IdentifyFileW(nullptr, path.c_str(), record.data(), 0);
  });
  EXPECT_TRUE(claimed == TRUE || claimed == FALSE) << claimed;
  if (!claimed) {
    EXPECT_TRUE(SameBytes(record.bytes, before.bytes, sizeof record.bytes))
        << "a file not claimed leaves the record alone";
    EXPECT_TRUE(text.untouched());
    return false;
  }
  EXPECT_EQ(record.Get<uint32_t>(4), 2u);
  EXPECT_EQ(record.Get<uint64_t>(8), 2u);
  EXPECT_EQ(record.Get<uint64_t>(16), 0u);
  EXPECT_TRUE(SameBytes(record.bytes, before.bytes, 4) && SameBytes(record.bytes + 24, before.bytes + 24, 16));
  if (capacity > 0) {
    EXPECT_EQ(text.data()[0], L'\0');
  }
  return true;
}

PluginInfo IdentifyPlugin(Host& host, uint32_t capacity) {
  GuardedBuffer extensions(capacity);
  test::RawRecord<176> record;
  record.Put<uint32_t>(0, 152);  // too small for an icon: each one would be the host's to destroy
  record.Put<wchar_t*>(16, extensions.data());
  for (size_t offset = 24; offset <= 48; offset += 8) record.Put<wchar_t*>(offset, nullptr);
  record.Put<uint32_t>(56, capacity);
  for (size_t offset = 60; offset <= 72; offset += 4) record.Put<uint32_t>(offset, 64);
  EXPECT_EQ(Boundary("HBX_IdentifyW", [&] { return host.plugin().IdentifyW(record.data()); }), TRUE);
  EXPECT_EQ(record.Get<uint32_t>(4), 0x00021415u);
  EXPECT_EQ(record.Get<uint64_t>(80), 1u);
  EXPECT_EQ(record.Get<uint64_t>(96), 1u);
  EXPECT_EQ(record.Get<uint32_t>(112), 2u);
  EXPECT_EQ(record.Get<uint64_t>(88), record.Get<uint64_t>(104)) << "both limits are the same";
  EXPECT_EQ(record.Get<uint64_t>(144), 0xCCCCCCCCCCCCCCCCull) << "no icon for a record of 152 bytes";
  PluginInfo info;
  info.fileSizeLimit = record.Get<uint64_t>(88);
  if (!extensions.untouched()) info.extensions = extensions.Text().value_or(L"<no terminating zero>");
  return info;
}

std::optional<std::wstring> ExpectedExtensionBuffer(const std::wstring& list, uint32_t capacity) {
  if (capacity == 0) return std::nullopt;
  if (list.empty()) return L"";
  if (capacity > list.size()) return list;
  if (capacity >= 2) return L"*";
  return std::nullopt;
}

Expectations ReadExpectations(const Host& host) {
  Expectations expected;
  if (host.kind() != Host::Kind::Full) return expected;  // no configuration path at all
  const std::wstring path = host.configPath();
  try {
    expected.extensions = LoadExtensions(path);
  } catch (const std::exception&) {
  }
  try {
    expected.languages = ConfigurationSnapshot(path).Languages();
  } catch (const std::exception&) {
  }
  expected.handledList = AnyNamesOrAliases(expected.languages) ? L"*" : HandledExtensionList(expected.extensions);
  try {
    expected.fileSizeLimit = LoadFileSizeLimit(path);
  } catch (const std::exception&) {
  }
  try {
    expected.configuration = LoadConfiguration(path);
  } catch (const std::exception&) {
  }
  return expected;
}

int ExpectedLexer(const Host& host, const std::wstring& fileName, const std::string& text) {
  if (host.kind() != Host::Kind::Full) return SCLEX_NULL;
  try {
    const ConfigurationSnapshot configuration(host.configPath());
    const auto chosen = ChooseLanguage(configuration.Languages(), fileName, FileExtension(fileName),
                                       EdgeLinesOf(text, true), {}, configuration.SharedExtensions());
    return chosen ? configuration.StyleAt(chosen->language).lexer : SCLEX_NULL;
  } catch (const std::exception&) {
    return SCLEX_NULL;
  }
}

bool ClaimedWithoutContent(const Expectations& expected, const std::wstring& path) {
  return LanguageByName(expected.languages, path.substr(FileNameStart(path))).has_value() ||
         IsConfigured(expected.extensions, path);
}

bool IsConfigured(const std::vector<std::wstring>& extensions, const std::wstring& path) {
  const std::wstring extension = UserLocale::Get().ToLower(FileExtension(path));
  return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

bool Save(Host& host, const Configuration& configuration) {
  const std::optional<std::string> before = host.ConfigBytes();
  try {
    SaveConfiguration(host.configPath(), configuration);
    return true;
  } catch (const std::runtime_error&) {
    EXPECT_TRUE(host.ConfigBytes() == before) << "a failed save changed the configuration file";
    return false;
  }
}

void ExpectLoadsAsSaved(const Host& host, const Configuration& configuration) {
  try {
    EXPECT_TRUE(LoadConfiguration(host.configPath()) == test::AsReloaded(configuration))
        << "the saved configuration loads differently";
  } catch (const std::exception& error) {
    ADD_FAILURE() << "a saved configuration does not load: " << error.what();
  }
}

// The stand-in's record of what an editor was sent; nothing over the real control.
std::optional<test::EditorStandIn> EditorLog() {
  try {
    return test::EditorStandIn();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

Lexers ExpectFileShown(Host& host, Viewer& viewer, const std::wstring& name, const std::string& text) {
  const std::wstring path = host.WriteFile(name, text);
  const HWND editor = viewer.editor();
  const std::optional<test::EditorStandIn> editorLog = EditorLog();
  if (editorLog) editorLog->ClearMessages(editor);
  EXPECT_EQ(viewer.OpenPath(path), 1) << test::ToUtf8(name);
  EXPECT_EQ(viewer.Document(), text);
  EXPECT_EQ(SendMessageW(editor, SCI_GETREADONLY, 0, 0), 1);
  EXPECT_EQ(SendMessageW(editor, SCI_GETCURRENTPOS, 0, 0), 0);
  Lexers lexers;
  lexers.loaded = static_cast<int>(SendMessageW(editor, SCI_GETLEXER, 0, 0));
  EXPECT_EQ(viewer.Send(kReloadSettings), 0);
  EXPECT_EQ(viewer.Document(), text) << "a reload keeps the text";
  lexers.reloaded = static_cast<int>(SendMessageW(editor, SCI_GETLEXER, 0, 0));
  EXPECT_EQ(viewer.Describe().rfind(L"UTF-8, ", 0), 0u);
  if (!editorLog) return lexers;
  for (const test::EditorMessage& m : editorLog->Messages(editor)) {
    if (m.message >= SCI_STYLESETFORE && m.message <= SCI_STYLESETUNDERLINE) {
      EXPECT_LE(m.wParam, WPARAM{STYLE_MAX}) << "style message " << m.message;
    }
    if (m.message == SCI_SETKEYWORDS) {
      EXPECT_LE(m.wParam, WPARAM{KEYWORDSET_MAX});
    }
  }
  return lexers;
}

}  // namespace lumen::robustness
