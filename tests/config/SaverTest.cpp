#include <gtest/gtest.h>

#include "HostedConfig.h"
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
    const std::string before = config.Read();
    const std::wstring files = ListFolder(config.folder());
    try {
      SaveConfiguration(config.path(), c);
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
  const Configuration original = RichConfiguration();
  SaveConfiguration(config.path(), original);
  const Configuration reloaded = LoadConfiguration(config.path());
  EXPECT_EQ(reloaded, AsReloaded(original));
  SaveConfiguration(config.path(), reloaded);
  EXPECT_EQ(LoadConfiguration(config.path()), reloaded) << "a second round trip changes nothing";
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
}

TEST_F(Saving, DropsWhatTheModelDoesNotHold) {
  config.Write(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C" extra="1"><Other/></Style>)"));
  SaveConfiguration(config.path(), LoadConfiguration(config.path()));
  const std::string text = config.Read();
  EXPECT_EQ(text.find("extra"), std::string::npos);
  EXPECT_EQ(text.find("Other"), std::string::npos);
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

}  // namespace
}  // namespace lumen
