#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "abi/ScintillaInterface.h"
#include "viewer/Styling.h"

namespace lumen {
namespace {

using namespace sci;
using test::EditorMessage;
using test::ViewerHarness;

// The messages of one kind a load sent, as (wParam, lParam) pairs.
std::vector<std::pair<WPARAM, LPARAM>> Sent(const std::vector<EditorMessage>& log, UINT message) {
  std::vector<std::pair<WPARAM, LPARAM>> sent;
  for (const EditorMessage& m : log) {
    if (m.message == message) sent.emplace_back(m.wParam, m.lParam);
  }
  return sent;
}

class Styling : public ::testing::Test {
 protected:
  std::vector<EditorMessage> LoadAndLog(const std::string& text, const std::wstring& name) {
    editorLog.ClearMessages(viewer.editor());
    EXPECT_EQ(viewer.OpenText(text, name), 1);
    return editorLog.Messages(viewer.editor());
  }
  ViewerHarness viewer;
  test::EditorStandIn editorLog;
};

TEST_F(Styling, SendsTheBaseStyleThenTheFilesOwn) {
  const auto log = LoadAndLog("int x;\n", L"a.c");
  using ::testing::ElementsAre;
  using ::testing::Pair;
  EXPECT_THAT(Sent(log, SCI_SETLEXER), ElementsAre(Pair(1u, 0), Pair(3u, 0)));
  EXPECT_THAT(Sent(log, SCI_STYLECLEARALL).size(), 2u);
  EXPECT_THAT(Sent(log, SCI_SETSTYLEBITS), ElementsAre(Pair(7u, 0), Pair(7u, 0)));
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 32), 0x101010);
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETSIZE, 32), 10);
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 1), 0x563412) << "0x123456 is sent in the editor's order";
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 0), 0x101010) << "other styles take the base style";
  EXPECT_EQ(editorLog.Keywords(viewer.editor(), 0), "int char return");
}

TEST_F(Styling, SendsOnlyWhatAWordStyleSets) {
  const auto log = LoadAndLog("x", L"a.c");
  std::vector<UINT> forStyle6;
  for (const EditorMessage& m : log) {
    if (m.message >= SCI_STYLESETFORE && m.message <= SCI_STYLESETUNDERLINE && m.wParam == 6) {
      forStyle6.push_back(m.message);
    }
  }
  EXPECT_THAT(forStyle6, ::testing::UnorderedElementsAre(SCI_STYLESETITALIC, SCI_STYLESETBOLD, SCI_STYLESETUNDERLINE))
      << "unset colours send only the three flags";
  for (const EditorMessage& m : log) {
    if (m.message == SCI_SETKEYWORDS) {
      EXPECT_EQ(m.wParam, 0u) << "no set number or no words: nothing is sent";
    }
  }
  EXPECT_THAT(Sent(log, SCI_STYLESETEOLFILLED), ::testing::ElementsAre(::testing::Pair(1u, 0)))
      << "eolFill 0 is sent as off, -1 not at all";
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETBOLD, 1), 0) << "a word style switches bold off as well as on";
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETITALIC, 1), 1);
}

TEST_F(Styling, FallsBackToPlainTextOnTopOfTheBase) {
  const auto log = LoadAndLog("x", L"notes.unknown");
  EXPECT_THAT(Sent(log, SCI_SETLEXER), ::testing::ElementsAre(::testing::Pair(1u, 0), ::testing::Pair(1u, 0)));
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFONT, 32, 0) > 0, true);
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 32), 0x101010);
}

TEST_F(Styling, MeasuresTheMarginWithOneDigitToSpare) {
  const auto nine = LoadAndLog("1\n2\n3\n4\n5\n6\n7\n8\n9", L"a.txt");
  std::vector<std::string> measured;
  for (const EditorMessage& m : nine) {
    if (m.message == SCI_TEXTWIDTH) measured.push_back(m.text);
  }
  const auto ten = LoadAndLog("1\n2\n3\n4\n5\n6\n7\n8\n9\n10", L"a.txt");
  for (const EditorMessage& m : ten) {
    if (m.message == SCI_TEXTWIDTH) measured.push_back(m.text);
  }
  EXPECT_THAT(measured, ::testing::ElementsAre("99", "999"));
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 0), viewer.Sci(SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<LPARAM>("999")));
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 1), 4);
}

TEST(StylingWithoutNumbers, HasNoLineNumberMarginButKeepsTheGap) {
  ViewerHarness viewer(test::TestConfiguration(false));
  ASSERT_EQ(viewer.OpenText("a\nb\n", L"a.txt"), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 0), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 1), 4);
}

TEST(StylingWithoutConfiguration, UsesPlainTextNoWrappingTabWidthEightAndNoNumbers) {
  ViewerHarness viewer("this is not a configuration");
  test::EditorStandIn editorLog;
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE);
  EXPECT_EQ(viewer.Sci(SCI_GETTABWIDTH), 8);
  editorLog.ClearMessages(viewer.editor());
  ASSERT_EQ(viewer.OpenText("int x;\n", L"a.c"), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), SCLEX_NULL);
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 0), 0);
  EXPECT_TRUE(editorLog.Messages(viewer.editor(), SCI_STYLESETFORE).empty());
}

TEST(StylingWithWrapping, WrapsByWordsAndReloadsOptionsWithoutReloadingText) {
  ViewerHarness viewer(test::TestConfiguration(true, true));
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_WORD);
  EXPECT_EQ(viewer.Sci(SCI_GETTABWIDTH), 4);
  ASSERT_EQ(viewer.OpenText("int x;\n", L"a.c"), 1);
  viewer.config().Write(test::TestConfiguration(false, false));
  viewer.ClearNotifications();
  EXPECT_EQ(viewer.Send(HBXPLUGINMSG_RELOADSETTINGS), 0);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE);
  EXPECT_EQ(viewer.Sci(SCI_GETSCROLLWIDTHTRACKING), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETMARGINWIDTHN, 0), 0);
  EXPECT_EQ(test::DocumentText(viewer.editor()), "int x;\n");
  EXPECT_EQ(viewer.Sci(SCI_GETLEXER), 3) << "the file's language is applied again";
  ASSERT_EQ(viewer.notifications().size(), 1u);
  EXPECT_EQ(viewer.notifications()[0].code, kFeaturesNotification);

  // A load takes the wrapping as the viewer last applied it, and reads it
  // again only when the document's size changes it.
  viewer.config().Write(test::TestConfiguration(false, true));
  ASSERT_EQ(viewer.OpenText("int y;\n", L"b.c"), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE) << "edited, not reloaded";
  std::string big;
  while (big.size() <= kLargestSmallDocument) big += "int value = 42;\n";
  ASSERT_EQ(viewer.OpenText(big, L"big.c"), 1);
  ASSERT_TRUE(viewer.WaitWhileLoading());
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_NONE) << "a big document is never wrapped";
  ASSERT_EQ(viewer.OpenText("int z;\n", L"c.c"), 1);
  EXPECT_EQ(viewer.Sci(SCI_GETWRAPMODE), SC_WRAP_WORD) << "read again once the size changes the mode";
}

TEST(StylingAnEditedConfiguration, SendsOnlyStyleAndKeywordNumbersInsideTheControlsTables) {
  ViewerHarness viewer(test::ConfigWithStyles(R"(<Style ext="c" lexer="3" name="C"><WordStyles>
      <WordStyle name="negative" styleID="-1" fgColor="FF0000" eolFill="1"/>
      <WordStyle name="beyond" styleID="256" fgColor="00FF00" fontName="Arial"/>
      <WordStyle name="keywords only" styleID="-5"><Keywords id="2">char</Keywords></WordStyle>
      <WordStyle name="bad sets" styleID="5"><Keywords id="4294967294">int</Keywords></WordStyle>
      <WordStyle name="ninth set" styleID="6"><Keywords id="9">long</Keywords></WordStyle>
      <WordStyle name="last style and set" styleID="255" fgColor="0000FF"><Keywords id="8">void</Keywords></WordStyle>
    </WordStyles></Style>)"));
  test::EditorStandIn editorLog;
  editorLog.ClearMessages(viewer.editor());
  ASSERT_EQ(viewer.OpenText("int x;\n", L"a.c"), 1);
  for (const EditorMessage& m : editorLog.Messages(viewer.editor())) {
    if (m.message >= SCI_STYLESETFORE && m.message <= SCI_STYLESETUNDERLINE) {
      EXPECT_LE(m.wParam, 255u) << "message " << m.message;
    }
    if (m.message == SCI_SETKEYWORDS) {
      EXPECT_LE(m.wParam, 8u);
    }
  }
  EXPECT_EQ(viewer.Sci(SCI_STYLEGETFORE, 255), 0xFF0000) << "the table's last style is styled";
  EXPECT_EQ(editorLog.Keywords(viewer.editor(), 8), "void");
  EXPECT_EQ(editorLog.Keywords(viewer.editor(), 2), "char") << "a keyword list does not need a sound style";
}

TEST(MarginSample, HasOneDigitMoreThanTheLineCountNeeds) {
  EXPECT_EQ(MarginSampleText(1), "99");
  EXPECT_EQ(MarginSampleText(9), "99");
  EXPECT_EQ(MarginSampleText(10), "999");
  EXPECT_EQ(MarginSampleText(99), "999");
  EXPECT_EQ(MarginSampleText(100), "9999");
  EXPECT_EQ(MarginSampleText(0), "99");
}

}  // namespace
}  // namespace lumen
