#include <gtest/gtest.h>

#include <cmath>
#include <set>

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
  EXPECT_EQ(loaded.fileSizeLimit, 0x7FFFFFFFu) << "every file the viewer can show is handed to it";
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

// WCAG's relative luminance of a 0xRRGGBB colour and the contrast of two.
double Luminance(int32_t colour) {
  double sum = 0;
  for (const auto& [shift, weight] : {std::pair{16, 0.2126}, std::pair{8, 0.7152}, std::pair{0, 0.0722}}) {
    const double c = ((colour >> shift) & 0xFF) / 255.0;
    sum += weight * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}
double Contrast(int32_t a, int32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(DefaultConfiguration, HasAReadableDarkSchemeOfOneColourPerKindForEveryLanguage) {
  const Configuration loaded = LoadConfiguration(config.path());
  const auto darkOf = [&](const std::wstring& name) -> const SchemeStyle* {
    for (const SchemeStyle& dark : loaded.dark.styles) {
      if (dark.name == name) return &dark;
    }
    return nullptr;
  };
  const SchemeStyle* base = darkOf(loaded.styles[0].name);
  ASSERT_TRUE(base && !base->wordStyles.empty());
  const WordStyle page = base->wordStyles[0];
  ASSERT_EQ(page.styleId, 32);
  const int32_t caretLine = loaded.dark.colours.caretLine;
  ASSERT_GE(caretLine, 0);
  // Each kind of text, by the names the languages give it, has one colour.
  const std::vector<std::vector<std::wstring>> kinds = {
      {L"Comment", L"Line comment", L"Block comment"}, {L"String", L"Double-quoted string", L"Single-quoted string"},
      {L"Keyword"}, {L"Number"}, {L"Preprocessor"}, {L"Line number"}};
  std::vector<std::set<int32_t>> coloursOfKind(kinds.size());
  for (const XMLStyle& language : loaded.styles) {
    SCOPED_TRACE(test::ToUtf8(language.name));
    const SchemeStyle* dark = darkOf(language.name);
    ASSERT_NE(dark, nullptr) << "every language has dark looks";
    for (const WordStyle& w : dark->wordStyles) {
      SCOPED_TRACE(test::ToUtf8(w.name));
      const int32_t fg = w.fgColor >= 0 ? w.fgColor : page.fgColor;
      for (const int32_t bg : w.bgColor >= 0 ? std::vector{w.bgColor} : std::vector{page.bgColor, caretLine}) {
        EXPECT_GE(Contrast(fg, bg), 4.5) << std::hex << fg << " on " << bg;
      }
      for (size_t kind = 0; kind < kinds.size(); ++kind) {
        if (std::find(kinds[kind].begin(), kinds[kind].end(), w.name) != kinds[kind].end()) {
          coloursOfKind[kind].insert(fg);
        }
      }
    }
  }
  for (size_t kind = 0; kind < kinds.size(); ++kind) {
    EXPECT_EQ(coloursOfKind[kind].size(), 1u) << test::ToUtf8(kinds[kind][0]);
  }
}

TEST_F(DefaultConfiguration, SurvivesASaveAndAReload) {
  const Configuration loaded = LoadConfiguration(config.path());
  SaveConfiguration(config.path(), loaded);
  EXPECT_EQ(LoadConfiguration(config.path()), test::AsReloaded(loaded));
}

}  // namespace
}  // namespace lumen
