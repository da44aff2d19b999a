#include <gtest/gtest.h>

#include <functional>

#include "HostedConfig.h"
#include "host_standin/Rewritten.h"
#include "ConfigExpectations.h"
#include "config/Loaders.h"
#include "config/Saver.h"

namespace lumen {
namespace {

using test::HostedConfig;
using test::AsReloaded;
using test::ListFolder;

WordStyle MakeWordStyle(int styleId, int fg, int bg, int size, const std::wstring& keywords, uint32_t set) {
  WordStyle w;
  w.styleId = styleId;
  w.fgColor = fg;
  w.bgColor = bg;
  w.fontSize = size;
  w.keywords = keywords;
  w.keywordSet = set;
  w.fontName = L"Courier New";
  w.name = L"Style \"" + std::to_wstring(styleId) + L"\" <&>";
  w.bold = styleId % 2 == 0;
  w.italic = styleId % 3 == 0;
  w.underline = styleId % 5 == 0;
  w.eolFill = styleId % 2 ? 1 : -1;
  return w;
}

Configuration RichConfiguration() {
  Configuration c;
  XMLStyle cpp;
  cpp.name = L"C++ ÄÖÜ";
  cpp.extensions = L"cpp\thpp  cxx";
  cpp.lexer = 3;
  cpp.wordStyles = {MakeWordStyle(1, 0x008000, -1, 10, L"", kNoKeywordSet),
                    MakeWordStyle(5, 0x0000FF, 0xFFFFFF, -1, L"int char", 0),
                    MakeWordStyle(6, -7, -1, 0, L"", 4),  // size 0, negative colour, set without keywords
                    MakeWordStyle(-3, 0x7FFFFFFF, 0, 12, L"x", 1)};
  XMLStyle plain;
  plain.name = L"Text";
  plain.extensions = L"txt";
  plain.lexer = -1;
  c.styles = {cpp, plain};
  c.highlight = {0xA0, 5, 0xFF8000};
  c.fileSizeLimit = 0x123456789;  // beyond 32 bits
  c.lineNumbering = true;
  c.lineWrapping = false;
  c.tabWidth = 3;
  c.searchSync = true;
  return c;
}

class Saving : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(config.host().OpenDocuments(), 0); }

  // Saves and checks that the failure names `message` and the file stayed.
  void ExpectFailedSave(const Configuration& c, const std::string& message) {
    ExpectFailedSave([&] { SaveConfiguration(config.path(), c); }, message);
  }
  void ExpectFailedSave(const std::function<void()>& save, const std::string& message) {
    const std::string before = config.Read();
    const std::wstring files = ListFolder(config.folder());
    try {
      save();
      ADD_FAILURE() << "the save should fail with " << message;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), message);
    }
    EXPECT_EQ(config.Read(), before) << "the configuration file must stay as it was";
    EXPECT_EQ(ListFolder(config.folder()), files) << "no temporary file may be left";
  }

  HostedConfig config;
};

TEST_F(Saving, RoundTripKeepsEverythingButUnsetValues) {
  Configuration toggled = RichConfiguration();
  toggled.showWhitespace = toggled.indentationGuides = toggled.folding = toggled.copyShownColours = true;
  toggled.encodingDetection = toggled.followChanges = false;
  toggled.defaultCodePage = 1251;
  toggled.ignoredEndings = L"in orig";
  toggled.styles.front().content = L"^\\s*#import <\\w+>";
  for (const Configuration& original : {RichConfiguration(), toggled}) {
    SaveConfiguration(config.path(), original);
    const Configuration reloaded = LoadConfiguration(config.path());
    EXPECT_EQ(reloaded, AsReloaded(original));
    SaveConfiguration(config.path(), reloaded);
    EXPECT_EQ(LoadConfiguration(config.path()), reloaded) << "a second round trip changes nothing";
  }
}

TEST_F(Saving, ReplacesTheFileInAFolderDeeperThanMaxPath) {
  std::wstring folder = config.folder();
  while (folder.size() < 300) {
    folder += L"\\" + std::wstring(60, L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
  }
  const std::wstring path = folder + L"\\lumen.config.xml";
  SaveConfiguration(path, RichConfiguration());
  EXPECT_EQ(LoadConfiguration(path), AsReloaded(RichConfiguration()));
  EXPECT_EQ(ListFolder(folder), L"lumen.config.xml\n") << "the temporary file went beside it and was moved";
}

TEST_F(Saving, WritesTheDocumentInItsOwnFormat) {
  Configuration c = RichConfiguration();
  c.fileSizeLimit = 1024;
  SaveConfiguration(config.path(), c);
  const std::string text = config.Read();
  EXPECT_NE(text.find("Foreground=\"FF8000\""), std::string::npos) << text;
  EXPECT_NE(text.find("ForegroundAlpha=\"05\""), std::string::npos);
  EXPECT_NE(text.find("OutlineAlpha=\"A0\""), std::string::npos);
  EXPECT_NE(text.find(">1024<"), std::string::npos);
  EXPECT_NE(text.find("fgColor=\"\""), std::string::npos) << "a colour that is not set is written empty";
  const size_t textLanguage = text.find("name=\"Text\"");
  ASSERT_NE(textLanguage, std::string::npos);
  EXPECT_EQ(text.find("WordStyles", textLanguage), std::string::npos) << "no WordStyles for a language without any";
  EXPECT_LT(text.find("<Highlight"), text.find("<FileSizeLimit"));
  EXPECT_LT(text.find("<FileSizeLimit"), text.find("<LineNumbering"));
  EXPECT_LT(text.find("<LineNumbering"), text.find("<LineWrapping"));
  EXPECT_LT(text.find("<LineWrapping"), text.find("<Tabulator"));
  EXPECT_LT(text.find("<Tabulator"), text.find("<SearchSync"));
  EXPECT_LT(text.find("<SearchSync"), text.find("<Styles"));
  EXPECT_EQ(text.find("<ShowWhitespace"), std::string::npos) << "the view's toggles are written only when on";
}

TEST_F(Saving, DropsWhatTheModelDoesNotHold) {
  config.Write(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C" extra="1"><Other/></Style>)"));
  SaveConfiguration(config.path(), LoadConfiguration(config.path()));
  const std::string text = config.Read();
  EXPECT_EQ(text.find("extra"), std::string::npos);
  EXPECT_EQ(text.find("Other"), std::string::npos);
}

// The highlight and content rules are edited in the file only; a save that
// writes it anew keeps them.
TEST_F(Saving, KeepsTheRulesOfTheFileItReplaces) {
  std::string file = test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"/>)");
  file.replace(file.find("<Styles"), 0,
               R"(<HighlightRules><Rule Text="ERROR" MatchCase="yes" WholeWord="yes" fgColor="FFFFFF" bgColor="C00000" )"
               R"(darkBgColor="800000" Languages="Log C"/><Rule Text="\d+ ms" Regex="yes"/></HighlightRules>)"
               R"(<SharedExtensions><Extension ext="m" otherwise="Text"><Rule name="C" content="^#include"/>)"
               R"(</Extension></SharedExtensions>)");
  config.Write(file);
  SaveConfiguration(config.path(), LoadConfiguration(config.path()));
  const std::string saved = config.Read();
  for (const char* kept : {"Text=\"ERROR\"", "MatchCase=\"yes\"", "bgColor=\"C00000\"", "darkBgColor=\"800000\"",
                           "Languages=\"Log C\"", "Text=\"\\d+ ms\"", "Regex=\"yes\"", "<Extension ext=\"m\" otherwise=\"Text\">",
                           "<Rule name=\"C\" content=\"^#include\"/>"}) {
    EXPECT_NE(saved.find(kept), std::string::npos) << kept << "\n" << saved;
  }
  SaveConfiguration(config.path(), LoadConfiguration(config.path()));
  EXPECT_EQ(config.Read(), saved) << "a second save changes nothing";
}

TEST_F(Saving, NeverWritesAConfigurationWithoutLanguages) {
  config.Write(test::ConfigWithStyles(R"(<Style ext="c" lexer="3"/>)"));
  Configuration empty = RichConfiguration();
  empty.styles.clear();
  ExpectFailedSave(empty, "Saving configuration failed");
}

TEST(SavingWithoutTheHostsWriter, LeavesTheFileAloneAndNoTemporaryFile) {
  HostedConfig reduced(true);  // a host that does not export XMLSaveFileW
  reduced.Write("<Config/>");
  wchar_t temporaryFolder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temporaryFolder);
  // Other test programs use the temporary folder too: look for the saver's own names.
  const std::wstring temporaryFiles = ListFolder(temporaryFolder, L"lum*.tmp");
  try {
    SaveConfiguration(reduced.path(), RichConfiguration());
    ADD_FAILURE() << "saving cannot succeed without the host's writer";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Saving configuration failed");
  }
  EXPECT_EQ(reduced.Read(), "<Config/>");
  EXPECT_EQ(ListFolder(reduced.folder()), L"lumen.config.xml\n");
  EXPECT_EQ(ListFolder(temporaryFolder, L"lum*.tmp"), temporaryFiles);
  EXPECT_EQ(reduced.host().OpenDocuments(), 0);
}

// Every call the saver makes can fail; each failure must name its step and
// leave the file as it was.
TEST_F(Saving, NamesTheFailedStepAndKeepsTheFileForEveryHostFailure) {
  config.Write(test::ConfigWithStyles(R"(<Style ext="c" lexer="3"/>)"));
  const Configuration c = RichConfiguration();
  struct Site {
    const char* function;
    int call;
    const char* message;
  };
  const Site sites[] = {
      {"XMLCreateFile", 1, "Saving configuration failed"},
      {"XMLSetNodeNameW", 1, "Saving configuration failed"},
      {"XMLAddChildNodeW", 1, "Saving Highlight configuration failed"},
      {"XMLSetNodeAttributeW", 3, "Saving Highlight configuration failed"},
      {"XMLAddChildNodeW", 2, "Saving FileSizeLimit configuration failed"},
      {"XMLSetNodeValueW", 1, "Saving FileSizeLimit configuration failed"},
      {"XMLAddChildNodeW", 3, "Saving LineNumbering configuration failed"},
      {"XMLSetNodeBoolAttributeW", 1, "Saving LineNumbering configuration failed"},
      {"XMLSetNodeBoolAttributeW", 2, "Saving LineWrapping configuration failed"},
      {"XMLAddChildNodeW", 5, "Saving Tabulator configuration failed"},
      {"XMLSetNodeDWORDAttributeW", 1, "Saving Tabulator configuration failed"},
      {"XMLSetNodeBoolAttributeW", 3, "Saving SearchSync configuration failed"},
      {"XMLAddChildNodeW", 7, "Saving configuration failed"},
      {"XMLAddChildNodeW", 8, "Saving XMLStyle configuration failed"},
      {"XMLSetNodeAttributeW", 4, "Saving XMLStyle configuration failed"},
      {"XMLAddChildNodeW", 9, "Saving XMLStyle configuration failed"},  // WordStyles
      {"XMLAddChildNodeW", 10, "Saving WordStyle configuration failed"},
      {"XMLSetNodeAttributeW", 7, "Saving WordStyle configuration failed"},
      {"XMLSetNodeDWORDAttributeW", 4, "Saving WordStyle configuration failed"},  // a styleID
      {"XMLAddChildNodeW", 12, "Saving Keywords configuration failed"},
      {"XMLSetNodeValueW", 2, "Saving Keywords configuration failed"},
      {"XMLSaveFileW", 1, "Saving configuration failed"},
  };
  for (const Site& site : sites) {
    SCOPED_TRACE(std::string(site.function) + " call " + std::to_string(site.call));
    config.host().Reset();
    config.host().FailCall(site.function, site.call);
    ExpectFailedSave(c, site.message);
  }
  config.host().Reset();
  SaveConfiguration(config.path(), c);
  EXPECT_EQ(LoadConfiguration(config.path()), AsReloaded(c)) << "and a save that succeeds still loads";
}

// A configuration as users keep theirs: comments, settings of a newer lumen,
// attributes and elements of their own, duplicated sections, fontStyle bits
// beyond bold, italic and underline, an empty keyword set, no LineNumbering.
constexpr char kUsersFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- the user's notes -->
<Config version="2">
  <Highlight Foreground="FF8000" ForegroundAlpha="50" OutlineAlpha="A0" glow="soft"/>
  <Highlight Foreground="000000" ForegroundAlpha="00" OutlineAlpha="00"/>
  <FileSizeLimit>1048576<!-- one MB --></FileSizeLimit>
  <LineWrapping Enabled="no"/>
  <Tabulator Width="4"/>
  <!-- written by a newer lumen -->
  <Minimap Enabled="yes" width="80"/>
  <SearchSync Enabled="YES"/>
  <Styles>
    <Style ext="c h" lexer="3" name="C" folding="on">
      <!-- C's styles -->
      <WordStyles>
        <WordStyle name="Default" styleID="0" fgColor="102030" fontStyle="9" fontSize="0"/>
        <WordStyle name="Comment" styleID="1" fgColor="008000" fontStyle="17"/>
        <WordStyle name="Keyword" styleID="5" fgColor="0000FF" fontStyle="1"><Keywords id="0">int <!-- more later -->char</Keywords></WordStyle>
        <WordStyle name="Type" styleID="16" fgColor="2B91AF"><Keywords id="1"/></WordStyle>
      </WordStyles>
      <WordStyles><WordStyle name="Unread" styleID="7"/></WordStyles>
      <Notes>kept</Notes>
    </Style>
    <Style ext="py" lexer="2" name="Python"/>
  </Styles>
  <Styles>
    <Style ext="txt" lexer="1" name="Second list"/>
  </Styles>
</Config>
)";

class SavingEdits : public Saving {
 protected:
  // The user's file as the host writes it unchanged.
  std::string Prepare() {
    config.Write(kUsersFile);
    test::RewriteAsTheHost(config.path());
    return config.Read();
  }
};

using Replacements = std::vector<std::pair<std::string, std::string>>;

// `text` with each replacement made at the one place its old text occurs.
std::string Replaced(std::string text, const Replacements& replacements) {
  for (const auto& [from, to] : replacements) {
    const size_t at = text.find(from);
    EXPECT_TRUE(at != std::string::npos && text.find(from, at + 1) == std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
  }
  return text;
}

TEST_F(SavingEdits, ChangeOnlyTheEditedValuesInTheirPlaces) {
  struct Edit {
    const char* what;
    std::function<void(Configuration&)> edit;
    Replacements replacements;
  };
  const std::vector<Edit> edits = {
      {"a colour", [](Configuration& c) { c.styles[0].wordStyles[1].fgColor = 0xFF0000; },
       {{R"(fgColor="008000")", R"(fgColor="FF0000")"}}},
      {"bold off, bit 8 kept", [](Configuration& c) { c.styles[0].wordStyles[0].bold = false; },
       {{R"(fontStyle="9")", R"(fontStyle="8")"}}},
      {"italic on, bit 16 kept", [](Configuration& c) { c.styles[0].wordStyles[1].italic = true; },
       {{R"(fontStyle="17")", R"(fontStyle="19")"}}},
      {"a size where there was none", [](Configuration& c) { c.styles[0].wordStyles[2].fontSize = 12; },
       {{R"(fontStyle="1">)", R"(fontStyle="1" fontSize="12">)"}}},
      {"the colour of a style with an empty keyword set", [](Configuration& c) { c.styles[0].wordStyles[3].fgColor = 0x123456; },
       {{R"(fgColor="2B91AF")", R"(fgColor="123456")"}}},
      {"extensions on two lines", [](Configuration& c) { c.styles[0].extensions = L"c\r\nh"; },
       {{R"(ext="c h")", "ext=\"c\r\nh\""}}},
      {"a language in the first Styles", [](Configuration& c) { c.styles[1].name = L"Py"; },
       {{R"(name="Python")", R"(name="Py")"}}},
      {"the first Highlight", [](Configuration& c) { c.highlight.foregroundAlpha = 7; },
       {{R"(ForegroundAlpha="50")", R"(ForegroundAlpha="07")"}}},
      {"an option", [](Configuration& c) { c.lineWrapping = true; },
       {{R"(<LineWrapping Enabled="no"/>)", R"(<LineWrapping Enabled="yes"/>)"}}},
      {"a missing option added", [](Configuration& c) { c.lineNumbering = true; },
       {{"</Config>", "\t<LineNumbering Enabled=\"yes\"/>\n</Config>"}}},
  };
  std::vector<Edit> cases = edits;
  Edit& all = cases.emplace_back(Edit{"all of them at once", [&](Configuration& c) {
                                        for (const Edit& e : edits) e.edit(c);
                                      },
                                      {}});
  for (const Edit& e : edits) all.replacements.insert(all.replacements.end(), e.replacements.begin(), e.replacements.end());

  for (const Edit& e : cases) {
    SCOPED_TRACE(e.what);
    const std::string prepared = Prepare();
    const Configuration original = LoadConfiguration(config.path());
    Configuration edited = original;
    e.edit(edited);
    SaveConfigurationEdits(config.path(), original, edited);
    EXPECT_EQ(config.Read(), Replaced(prepared, e.replacements));
    EXPECT_EQ(LoadConfiguration(config.path()), edited);
    EXPECT_EQ(ListFolder(config.folder()), L"lumen.config.xml\n");
  }
}

TEST_F(SavingEdits, WriteNothingWhenNothingDiffers) {
  const std::string prepared = Prepare();
  const Configuration original = LoadConfiguration(config.path());
  Configuration respelled = original;
  respelled.styles[0].wordStyles[0].fontSize = -1;  // 0 in the file: not set either way
  config.host().Reset();
  for (const Configuration& edited : {original, respelled}) SaveConfigurationEdits(config.path(), original, edited);
  EXPECT_EQ(config.Read(), prepared);
  EXPECT_EQ(config.host().CallCount("XMLSaveFileW"), 0);
}

TEST_F(SavingEdits, WriteTheWholeFileAnewWhereTheFileCannotBeTheBase) {
  const struct {
    const char* what;
    std::function<void(Configuration& edited)> change;
  } cases[] = {
      {"the file is gone", [&](Configuration&) { DeleteFileW(config.path().c_str()); }},
      {"the file is no XML", [&](Configuration&) { config.Write("<Config>"); }},
      {"the file changed meanwhile", [&](Configuration&) { config.Write(test::ConfigWithStyles(R"(<Style ext="c" lexer="3"/>)")); }},
      {"a word style went", [&](Configuration& edited) { edited.styles[0].wordStyles.pop_back(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prepare();
    const Configuration original = LoadConfiguration(config.path());
    Configuration edited = original;
    edited.highlight.foregroundAlpha = 7;
    c.change(edited);
    SaveConfigurationEdits(config.path(), original, edited);
    EXPECT_EQ(LoadConfiguration(config.path()), AsReloaded(edited));
    EXPECT_EQ(config.Read().find("the user's notes"), std::string::npos) << "written anew";
  }
}

TEST_F(SavingEdits, NameTheFailedStepAndKeepTheFile) {
  const struct {
    const char* function;
    const char* message;
    std::function<void(Configuration&)> edit;
  } sites[] = {
      {"XMLSetNodeAttributeW", "Saving WordStyle configuration failed",
       [](Configuration& c) { c.styles[0].wordStyles[1].fgColor = 0xFF0000; }},
      {"XMLSetNodeAttributeW", "Saving Highlight configuration failed", [](Configuration& c) { c.highlight.foreground = 1; }},
      {"XMLSetNodeAttributeW", "Saving XMLStyle configuration failed", [](Configuration& c) { c.styles[1].extensions = L"pyw"; }},
      {"XMLSetNodeBoolAttributeW", "Saving LineWrapping configuration failed", [](Configuration& c) { c.lineWrapping = true; }},
      {"XMLSaveFileW", "Saving configuration failed", [](Configuration& c) { c.lineWrapping = true; }},
  };
  for (const auto& site : sites) {
    SCOPED_TRACE(site.message);
    Prepare();
    const Configuration original = LoadConfiguration(config.path());
    Configuration edited = original;
    site.edit(edited);
    config.host().Reset();
    config.host().FailCall(site.function, 1);
    ExpectFailedSave([&] { SaveConfigurationEdits(config.path(), original, edited); }, site.message);
  }
  Configuration withoutLanguages = LoadConfiguration(config.path());
  const Configuration original = withoutLanguages;
  withoutLanguages.styles.clear();
  config.host().Reset();
  ExpectFailedSave([&] { SaveConfigurationEdits(config.path(), original, withoutLanguages); }, "Saving configuration failed");
}

}  // namespace
}  // namespace lumen
