#include <gtest/gtest.h>

#include "ConfigExpectations.h"
#include "HostedConfig.h"
#include "config/Format.h"
#include "config/Loaders.h"
#include "config/Recognition.h"
#include "config/Saver.h"
#include "base/Text.h"

namespace lumen {
namespace {

// The configuration we ship, as a user's host would hold it.
class DefaultConfiguration : public ::testing::Test {
 protected:
  void SetUp() override { config.Write(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml")); }
  test::HostedConfig config;
};

TEST_F(DefaultConfiguration, LoadsWithABaseAndAtLeastFortyLanguages) {
  const Configuration loaded = LoadConfiguration(config.path());
  ASSERT_GE(loaded.styles.size(), 41u);
  const Style base = LoadStyleForExtension(config.path(), format::kBaseExtension);
  ASSERT_FALSE(base.wordStyles.empty());
  EXPECT_EQ(base.wordStyles[0].styleId, 32) << "the base sets the default style";
  EXPECT_FALSE(base.wordStyles[0].fontName.empty());
  EXPECT_GT(loaded.fileSizeLimit, 1u);
  for (const XMLStyle& language : loaded.styles) {
    EXPECT_FALSE(language.name.empty());
    EXPECT_GT(language.lexer, 0) << std::string(language.name.begin(), language.name.end());
  }
}

TEST_F(DefaultConfiguration, ReachesEveryLanguageByEachOfItsExtensions) {
  const Configuration loaded = LoadConfiguration(config.path());
  const std::vector<std::wstring> handled = LoadExtensions(config.path());
  size_t extensions = 0;
  for (const XMLStyle& language : loaded.styles) {
    for (const std::wstring& extension : Split(language.extensions, format::kExtensionDelimiters)) {
      SCOPED_TRACE(std::string(extension.begin(), extension.end()));
      EXPECT_EQ(LoadStyleForExtension(config.path(), extension), static_cast<const Style&>(language));
      EXPECT_NE(std::find(handled.begin(), handled.end(), UserLocale::Get().ToLower(extension)), handled.end());
      ++extensions;
    }
  }
  EXPECT_EQ(extensions, handled.size());
  EXPECT_EQ(config.host().OpenDocuments(), 0);
}

// No earlier language takes a name or an alias from the one that lists it.
TEST_F(DefaultConfiguration, ReachesEveryLanguageByEachOfItsNamesAndAliases) {
  const std::vector<LanguageKeys> languages = ConfigurationSnapshot(config.path()).Languages();
  size_t names = 0;
  for (size_t index = 0; index < languages.size(); ++index) {
    for (const std::wstring& name : Split(languages[index].names, L" ")) {
      SCOPED_TRACE(test::ToUtf8(name));
      if (name.find_first_of(L"*?") != std::wstring::npos) continue;
      const auto chosen = ChooseLanguage(languages, name, L"", {});
      ASSERT_TRUE(chosen.has_value());
      EXPECT_EQ(chosen->language, index);
      ++names;
    }
    for (const std::wstring& alias : Split(languages[index].aliases, L" ")) {
      SCOPED_TRACE(test::ToUtf8(alias));
      const auto chosen = ChooseLanguage(languages, L"script", L"", EdgeLinesOf("#!/usr/bin/env " + test::ToUtf8(alias), true));
      ASSERT_TRUE(chosen.has_value());
      EXPECT_EQ(chosen->language, index);
    }
  }
  EXPECT_GE(names, 30u);
}

TEST_F(DefaultConfiguration, SurvivesASaveAndAReload) {
  const Configuration loaded = LoadConfiguration(config.path());
  SaveConfiguration(config.path(), loaded);
  EXPECT_EQ(LoadConfiguration(config.path()), test::AsReloaded(loaded));
}

}  // namespace
}  // namespace lumen
