#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HostedConfig.h"
#include "config/Loaders.h"

namespace lumen {
namespace {

using style::style_error;
using test::ConfigWithStyles;
using test::HostedConfig;
using ::testing::ElementsAre;

// Runs `load` and checks it raises exactly `Error` with `message`.
template <typename Error, typename Load>
void ExpectError(Load load, const std::string& message) {
  try {
    load();
    ADD_FAILURE() << "expected: " << message;
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), message);
  }
}

std::string Language(const std::string& ext, int lexer, const std::string& name = "L",
                     const std::string& wordStyles = "") {
  return "<Style ext=\"" + ext + "\" lexer=\"" + std::to_string(lexer) + "\" name=\"" + name + "\">" +
         (wordStyles.empty() ? "" : "<WordStyles>" + wordStyles + "</WordStyles>") + "</Style>\n";
}

class Loaders : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(config.host().OpenDocuments(), 0) << "every loader frees its document"; }
  HostedConfig config;
};

TEST_F(Loaders, ReadEveryItemOfACompleteDocument) {
  config.Write(ConfigWithStyles(Language("c h", 3, "C",
                                         R"(<WordStyle name="Comment" styleID="1" fgColor="008000" bgColor=""
                                               fontName="Consolas" fontSize="10" fontStyle="6" eolFill="1"/>
                                            <WordStyle name="Keyword" styleID="5" fgColor="0x0000ff" fontStyle="1">
                                              <Keywords id="0">int char</Keywords></WordStyle>)")));
  const Configuration loaded = LoadConfiguration(config.path());
  ASSERT_EQ(loaded.styles.size(), 1u);
  const XMLStyle& c = loaded.styles[0];
  EXPECT_EQ(c.name, L"C");
  EXPECT_EQ(c.extensions, L"c h");
  EXPECT_EQ(c.lexer, 3);
  ASSERT_EQ(c.wordStyleCount(), 2u);
  const WordStyle comment = c.wordStyle(0);
  EXPECT_EQ(comment.name, L"Comment");
  EXPECT_EQ(comment.styleId, 1);
  EXPECT_EQ(comment.fgColor, 0x008000);
  EXPECT_EQ(comment.bgColor, -1);
  EXPECT_EQ(comment.fontName, L"Consolas");
  EXPECT_EQ(comment.fontSize, 10);
  EXPECT_FALSE(comment.bold);
  EXPECT_TRUE(comment.italic);
  EXPECT_TRUE(comment.underline);
  EXPECT_EQ(comment.eolFill, 1);
  EXPECT_EQ(comment.keywordSet, kNoKeywordSet);
  const WordStyle keyword = c.wordStyle(1);
  EXPECT_EQ(keyword.fgColor, 0x0000FF);
  EXPECT_TRUE(keyword.bold);
  EXPECT_EQ(keyword.fontSize, -1);
  EXPECT_EQ(keyword.eolFill, -1);
  EXPECT_EQ(keyword.keywords, L"int char");
  EXPECT_EQ(keyword.keywordSet, 0u);
  EXPECT_THROW(c.wordStyle(2), std::out_of_range);

  EXPECT_EQ(loaded.highlight, (Highlight{0xA0, 0x50, 0xFF8000}));
  EXPECT_EQ(loaded.fileSizeLimit, 1048576u);
  EXPECT_TRUE(loaded.lineNumbering);
  EXPECT_FALSE(loaded.lineWrapping);
  EXPECT_EQ(loaded.tabWidth, 4u);
  EXPECT_TRUE(loaded.searchSync);
}

TEST_F(Loaders, IgnoreTheRootsNameAndUnknownItems) {
  std::string xml = ConfigWithStyles(Language("c", 3) + "<Unknown/>");
  xml.replace(xml.find("<Config>"), 8, "<Settings><Extra a=\"1\"/>");
  xml.replace(xml.find("</Config>"), 9, "</Settings>");
  config.Write(xml);
  EXPECT_EQ(LoadStyles(config.path()).size(), 1u);
  EXPECT_EQ(LoadTabWidth(config.path()), 4u);
  EXPECT_TRUE(LoadLineNumbering(config.path()));
}

TEST_F(Loaders, ChooseTheFirstLanguageWhoseListHoldsTheExtension) {
  config.Write(ConfigWithStyles(Language("", 9, "Empty") + Language("cpp1 .hpp", 10, "Dotted") +
                                Language("c++ cxx", 4, "Plus") + Language("CPP\r\nh", 3, "Upper") +
                                Language("cpp", 5, "Later")));
  const std::wstring path = config.path();
  EXPECT_EQ(LoadStyleForExtension(path, L"cpp").lexer, 3) << "case is ignored and the earlier language wins";
  EXPECT_EQ(LoadStyleForExtension(path, L"CPP").lexer, 3);
  EXPECT_EQ(LoadStyleForExtension(path, L"c").lexer, 4) << "the c of c++ stands as an entry";
  EXPECT_EQ(LoadStyleForExtension(path, L"c++").lexer, 4);
  ExpectError<style_error>([&] { LoadStyleForExtension(path, L"hpp"); }, "Cannot create style from configuration file");
  EXPECT_THAT(LoadExtensions(path), ElementsAre(L"cpp1", L"hpp", L"c++", L"cxx", L"cpp", L"h", L"cpp"))
      << "dotted lists feed identification, lower-cased, duplicates kept, cut at either line end; an empty list adds nothing";
  const auto styles = LoadStyles(path);
  ASSERT_EQ(styles.size(), 5u);
  EXPECT_EQ(styles[0].extensions, L"") << "a language without extensions is still listed";
}

TEST_F(Loaders, FailOnAMissingLexerOnlyWhereTheLanguageIsRead) {
  config.Write(ConfigWithStyles(Language("c", 3) + R"(<Style ext="py" name="No lexer"/>)"));
  EXPECT_EQ(LoadStyleForExtension(config.path(), L"c").lexer, 3);
  ExpectError<style_error>([&] { LoadStyleForExtension(config.path(), L"py"); },
                           "Cannot find lexer ID in configuration file");
  ExpectError<style_error>([&] { LoadStyles(config.path()); }, "Cannot find lexer ID in configuration file");
  ExpectError<style_error>([&] { LoadConfiguration(config.path()); }, "Cannot find lexer ID in configuration file");
}

TEST_F(Loaders, FailOnAWordStyleWithoutStyleIdOrWithABadColour) {
  config.Write(ConfigWithStyles(Language("a", 1, "A", R"(<WordStyle name="x"/>)") +
                                Language("b", 1, "B", R"(<WordStyle styleID="1" fgColor="QQ"/>)") +
                                Language("c", 1, "C", R"(<WordStyle styleID="1" bgColor="80000000"/>)") +
                                Language("d", 1, "D", R"(<WordStyle styleID="1" fgColor="-1" bgColor=""/>)")));
  ExpectError<style_error>([&] { LoadStyleForExtension(config.path(), L"a"); }, "Cannot parse styleID");
  ExpectError<std::invalid_argument>([&] { LoadStyleForExtension(config.path(), L"b"); }, "invalid stoi argument");
  ExpectError<std::out_of_range>([&] { LoadStyleForExtension(config.path(), L"c"); }, "stoi argument out of range");
  const WordStyle unset = LoadStyleForExtension(config.path(), L"d").wordStyle(0);
  EXPECT_EQ(unset.fgColor, -1);
  EXPECT_EQ(unset.bgColor, -1);
}

TEST_F(Loaders, ReadKeywordsWithoutASetNumberButNeverHandThemOn) {
  config.Write(ConfigWithStyles(Language("k", 1, "K", R"(<WordStyle styleID="5"><Keywords>if else</Keywords></WordStyle>
                                                        <WordStyle styleID="6"><Keywords id="1"></Keywords></WordStyle>)")));
  const Style style = LoadStyleForExtension(config.path(), L"k");
  EXPECT_EQ(style.wordStyle(0).keywords, L"if else");
  EXPECT_EQ(style.wordStyle(0).keywordSet, kNoKeywordSet);
  EXPECT_EQ(style.wordStyle(1).keywords, L"");
}

TEST_F(Loaders, RefuseUnreadableHighlightValues) {
  for (const std::string highlight :
       {R"(<Highlight Foreground="FF8000" ForegroundAlpha="123456789" OutlineAlpha="A0"/>)",
        R"(<Highlight Foreground="-FF8000" ForegroundAlpha="50" OutlineAlpha="A0"/>)",
        R"(<Highlight Foreground="FF8000" ForegroundAlpha="50"/>)", R"(<Nothing/>)"}) {
    std::string xml = ConfigWithStyles(Language("c", 3));
    const size_t start = xml.find("<Highlight");
    xml.replace(start, xml.find("/>", start) + 2 - start, highlight);
    config.Write(xml);
    ExpectError<style_error>([&] { LoadHighlight(config.path()); }, "Cannot read highlight node");
  }
}

TEST_F(Loaders, GiveOptionDefaultsAndExactErrorsWithoutAFile) {
  const std::wstring path = config.path();  // never written
  EXPECT_FALSE(LoadLineNumbering(path));
  EXPECT_FALSE(LoadLineWrapping(path));
  EXPECT_FALSE(LoadSearchSync(path));
  EXPECT_EQ(LoadTabWidth(path), 8u);
  ExpectError<style_error>([&] { LoadStyleForExtension(path, L"c"); }, "Cannot create style from configuration file");
  ExpectError<style_error>([&] { LoadExtensions(path); }, "Cannot extract extensions from configuration file");
  ExpectError<style_error>([&] { LoadFileSizeLimit(path); }, "Cannot read FileSizeLimit node");
  ExpectError<style_error>([&] { LoadHighlight(path); }, "Cannot read highlight node");
  ExpectError<style_error>([&] { LoadStyles(path); }, "Cannot create style from configuration file");
}

// Highlight rules: those without text are left out, a colour that does not
// parse is not set, languages are a list; without the element, none.
TEST_F(Loaders, ReadHighlightRulesAsTheyCanBeRead) {
  config.Write(R"(<Config><HighlightRules>
      <Rule Text="ERROR" Regex="no" MatchCase="yes" WholeWord="YES" fgColor="FFFFFF" bgColor="C00000" Languages="Log"/>
      <Rule Text="" fgColor="FF0000"/>
      <Rule Text="^\d+" Regex="yes" fgColor="zz" darkFgColor="00FF00" darkBgColor="10203" Languages="Log  Text,C"/>
    </HighlightRules><Styles/></Config>)");
  const std::vector<HighlightRule> rules = ConfigurationSnapshot(config.path()).HighlightRules();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0], (HighlightRule{L"ERROR", false, true, true, 0xFFFFFF, 0xC00000, -1, -1, {L"Log"}}));
  EXPECT_EQ(rules[1], (HighlightRule{L"^\\d+", true, false, false, -1, -1, 0x00FF00, 0x010203, {L"Log", L"Text", L"C"}}));
  config.Write("<Config><Styles/></Config>");
  EXPECT_TRUE(ConfigurationSnapshot(config.path()).HighlightRules().empty());
}

TEST_F(Loaders, ReadOptionsByTheirOwnRules) {
  config.Write(R"(<Config><LineNumbering Enabled="true"/><LineWrapping Enabled="Yes"/><SearchSync/>
                  <ShowWhitespace Enabled="yes"/><IndentationGuides Enabled="1"/><Folding Enabled="Yes"/><CopyColours Scheme="Shown"/>
                  <EncodingDetection Enabled="No"/><FollowChanges Enabled="no"/><DefaultCodePage Number="1251"/><IgnoredEndings List=" in .orig  "/><Tabulator/><FileSizeLimit> 18446744073709551615 </FileSizeLimit><Styles/></Config>)");
  EXPECT_TRUE(ConfigurationSnapshot(config.path()).ShowWhitespace());
  EXPECT_FALSE(ConfigurationSnapshot(config.path()).IndentationGuides());
  EXPECT_TRUE(ConfigurationSnapshot(config.path()).Folding());
  EXPECT_TRUE(ConfigurationSnapshot(config.path()).CopyShownColours());
  EXPECT_FALSE(ConfigurationSnapshot(config.path()).EncodingDetection());
  EXPECT_FALSE(ConfigurationSnapshot(config.path()).FollowChanges());
  EXPECT_EQ(ConfigurationSnapshot(config.path()).DefaultCodePage(), 1251u);
  EXPECT_EQ(ConfigurationSnapshot(config.path()).IgnoredEndings(), (std::vector<std::wstring>{L"in", L"orig"}));
  EXPECT_FALSE(LoadLineNumbering(config.path()));
  EXPECT_TRUE(LoadLineWrapping(config.path()));
  EXPECT_FALSE(LoadSearchSync(config.path()));
  EXPECT_EQ(LoadTabWidth(config.path()), 8u) << "a Tabulator without Width";
  EXPECT_EQ(LoadFileSizeLimit(config.path()), 18446744073709551615u);
  EXPECT_TRUE(LoadStyles(config.path()).empty()) << "Styles without languages";
  ExpectError<style_error>([&] { LoadExtensions(config.path()); }, "Cannot extract extensions from configuration file");
}

TEST_F(Loaders, TreatAFailedHostCallLikeAMissingItem) {
  config.Write(ConfigWithStyles(Language("c", 3)));
  config.host().FailCall("XMLLoadFileW", 1);
  EXPECT_EQ(LoadTabWidth(config.path()), 8u);
  config.host().FailCall("XMLGetNodeIntAttributeW", 1);
  ExpectError<style_error>([&] { LoadStyles(config.path()); }, "Cannot find lexer ID in configuration file");
  config.host().FailCall("XMLGetNodeAttributeW", 2);  // the second call reads the text of Enabled
  EXPECT_FALSE(LoadLineNumbering(config.path()));
  EXPECT_TRUE(LoadLineNumbering(config.path()));
}

}  // namespace
}  // namespace lumen
