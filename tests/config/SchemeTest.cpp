#include <gtest/gtest.h>

#include "ConfigExpectations.h"
#include "HostedConfig.h"
#include "config/Loaders.h"
#include "config/Saver.h"
#include "config/Schemes.h"

namespace lumen {
namespace {

using test::HostedConfig;

TEST(Schemes, ModeAndWindowsSettingGiveTheScheme) {
  const struct {
    const wchar_t* mode;
    std::optional<uint32_t> appsUseLightTheme;
    Scheme expected;
  } cases[] = {
      {L"system", 0u, Scheme::Dark},   {L"system", 1u, Scheme::Light},   {L"system", std::nullopt, Scheme::Light},
      {L"SYSTEM", 2u, Scheme::Light},  {L"", 0u, Scheme::Dark},          {L"sepia", 0u, Scheme::Dark},
      {L"Dark", std::nullopt, Scheme::Dark}, {L"dark", 1u, Scheme::Dark}, {L"light", 0u, Scheme::Light},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode '" << c.mode << "', setting " << c.appsUseLightTheme.value_or(99));
    EXPECT_EQ(ResolveScheme(ParseSchemeMode(c.mode), c.appsUseLightTheme), c.expected);
  }
  for (SchemeMode mode : {SchemeMode::System, SchemeMode::Light, SchemeMode::Dark}) {
    EXPECT_EQ(ParseSchemeMode(SchemeModeText(mode)), mode);
  }
}

TEST(Schemes, DarkVariantKeepsLexerAndKeywordsAndTakesOnlyDarkLooks) {
  WordStyle keyword;
  keyword.styleId = 5;
  keyword.fgColor = 0x0000FF;
  keyword.bold = true;
  keyword.keywords = L"int char";
  keyword.keywordSet = 0;
  WordStyle typeWithoutDarkLook = keyword;
  typeWithoutDarkLook.styleId = 16;
  typeWithoutDarkLook.keywords = L"size_t";
  typeWithoutDarkLook.keywordSet = 1;
  WordStyle comment;
  comment.styleId = 1;
  comment.fgColor = 0x008000;
  const Style light{3, {comment, keyword, typeWithoutDarkLook}};

  WordStyle darkKeyword;
  darkKeyword.styleId = 5;
  darkKeyword.fgColor = 0x569CD6;
  darkKeyword.keywords = L"ignored";  // keywords live in the light set only
  darkKeyword.keywordSet = 0;
  WordStyle darkComment;
  darkComment.styleId = 1;
  darkComment.fgColor = 0x6A9955;

  const Style dark = DarkVariant(light, {darkKeyword, darkComment});
  EXPECT_EQ(dark.lexer, 3);
  ASSERT_EQ(dark.wordStyles.size(), 4u);
  for (size_t i : {0u, 1u}) {
    EXPECT_EQ(dark.wordStyles[i].styleId, kKeywordsOnly) << "keyword lists come without any look";
  }
  EXPECT_EQ(dark.wordStyles[0].keywords, L"int char");
  EXPECT_EQ(dark.wordStyles[1].keywordSet, 1u);
  EXPECT_EQ(dark.wordStyles[2].fgColor, 0x569CD6);
  EXPECT_FALSE(dark.wordStyles[2].bold) << "nothing of the light look";
  EXPECT_TRUE(dark.wordStyles[2].keywords.empty());
  EXPECT_EQ(dark.wordStyles[3].fgColor, 0x6A9955);
}

std::string DarkConfig(const std::string& darkStyles, const std::string& before = "") {
  std::string text = test::ConfigWithStyles(
      R"(<Style ext="*" lexer="1" name="Default"><WordStyles><WordStyle styleID="32" fgColor="1E1E1E" bgColor="FFFFFF"/></WordStyles></Style>
<Style ext="c" lexer="3" name="C"><WordStyles><WordStyle styleID="5" fgColor="0000FF"><Keywords id="0">int</Keywords></WordStyle></WordStyles></Style>
<Style ext="py" lexer="2" name="Python"><WordStyles><WordStyle styleID="1" fgColor="008000"/></WordStyles></Style>)");
  text.insert(text.find("</Config>"), before + darkStyles);
  return text;
}

class SchemeReading : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(config.host().OpenDocuments(), 0); }
  HostedConfig config;
};

TEST_F(SchemeReading, EachLanguageTakesItsDarkLooksOrFallsBackToItsLightOnes) {
  config.Write(DarkConfig(R"(<DarkStyles highlightColor="3A6EA5" caretLineColor="2A2A2A">
  <Style name="Default"><WordStyles><WordStyle styleID="32" fgColor="D4D4D4" bgColor="1E1E1E"/></WordStyles></Style>
  <Style name="C"><WordStyles><WordStyle styleID="5" fgColor="569CD6"/></WordStyles></Style>
  <Style name="Python"><WordStyles><WordStyle fgColor="nonsense"/></WordStyles></Style>
</DarkStyles>)",
                          R"(<ColorScheme Mode="dark"/>)"));
  const ConfigurationSnapshot snapshot(config.path());
  EXPECT_EQ(snapshot.SchemeModeSetting(), SchemeMode::Dark);
  const Style base = snapshot.StyleForExtension(L"*", Scheme::Dark);
  ASSERT_EQ(base.wordStyles.size(), 1u);
  EXPECT_EQ(base.wordStyles[0].bgColor, 0x1E1E1E);
  const Style c = snapshot.StyleForExtension(L"c", Scheme::Dark);
  ASSERT_EQ(c.wordStyles.size(), 2u);
  EXPECT_EQ(c.wordStyles[0].keywords, L"int");
  EXPECT_EQ(c.wordStyles[1].fgColor, 0x569CD6);
  EXPECT_EQ(snapshot.StyleForExtension(L"py", Scheme::Dark), snapshot.StyleForExtension(L"py"))
      << "a dark language that cannot be read shows the light one";
  EXPECT_EQ(snapshot.StyleAt(1, Scheme::Dark), c);
  EXPECT_EQ(snapshot.StyleForExtension(L"c", Scheme::Light).wordStyles[0].fgColor, 0x0000FF);
  EXPECT_EQ(snapshot.DarkHighlight(), 0x3A6EA5);
  EXPECT_EQ(snapshot.Colours(Scheme::Dark).caretLine, 0x2A2A2A);
  EXPECT_EQ(snapshot.Colours(Scheme::Light), SchemeColours{});
}

TEST_F(SchemeReading, AConfigurationWithoutDarkStylesReadsTheSameInBothSchemes) {
  config.Write(DarkConfig(""));
  const ConfigurationSnapshot snapshot(config.path());
  EXPECT_EQ(snapshot.SchemeModeSetting(), SchemeMode::System);
  for (const wchar_t* extension : {L"*", L"c", L"py"}) {
    EXPECT_EQ(snapshot.StyleForExtension(extension, Scheme::Dark), snapshot.StyleForExtension(extension));
  }
  EXPECT_EQ(snapshot.DarkHighlight(), -1);
  EXPECT_EQ(snapshot.Whole().dark, DarkScheme{});
}

TEST_F(SchemeReading, BothSetsSurviveASaveAndASaveOfEdits) {
  config.Write(DarkConfig(R"(<DarkStyles selectionColor="264F78">
  <Style name="C"><WordStyles><WordStyle styleID="5" fgColor="569CD6" fontStyle="1"/></WordStyles></Style>
</DarkStyles>)"));
  Configuration original = LoadConfiguration(config.path());
  ASSERT_EQ(original.dark.styles.size(), 1u);
  EXPECT_EQ(original.dark.colours.selection, 0x264F78);
  EXPECT_TRUE(original.dark.styles[0].wordStyles[0].bold);

  Configuration edited = original;
  edited.schemeMode = SchemeMode::Light;
  edited.dark.highlight = 0x123456;
  edited.dark.styles[0].wordStyles[0].fgColor = 0x4FC1FF;
  edited.dark.styles.push_back({L"Python", {original.styles[2].wordStyles[0]}});
  edited.lightColours.caretLine = 0xF0F0F0;
  SaveConfigurationEdits(config.path(), original, edited);
  EXPECT_EQ(LoadConfiguration(config.path()), test::AsReloaded(edited));
  EXPECT_NE(config.Read().find("<Style name=\"C\">"), std::string::npos) << "edited in place, not written anew";

  SaveConfiguration(config.path(), edited);
  EXPECT_EQ(LoadConfiguration(config.path()), test::AsReloaded(edited));
  edited.schemeMode = SchemeMode::System;
  edited.dark = {};
  SaveConfiguration(config.path(), edited);
  const std::string text = config.Read();
  EXPECT_EQ(text.find("ColorScheme"), std::string::npos) << "the defaults are not written";
  EXPECT_EQ(text.find("DarkStyles"), std::string::npos);
}

}  // namespace
}  // namespace lumen
