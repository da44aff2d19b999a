// The light and dark schemes in an open viewer: compiled into the stand-in's
// and the real control's programs, so only the control's public messages.
#include <gtest/gtest.h>

#include "EditorStandIn.h"
#include "ViewerHarness.h"
#include "base/SystemTheme.h"

namespace lumen {
namespace {

using namespace sci;
using test::ViewerHarness;

constexpr char kDarkStyles[] = R"(
  <DarkStyles highlightColor="264F78" caretLineColor="2A2A2A" caretColor="AEAFAD">
    <Style name="Base"><WordStyles><WordStyle styleID="32" fgColor="D4D4D4" bgColor="1E1E1E"/></WordStyles></Style>
    <Style name="C"><WordStyles><WordStyle styleID="5" fgColor="569CD6"/></WordStyles></Style>
  </DarkStyles>)";

// The test viewer's configuration with a ColorScheme `mode` and, optionally, the dark set.
std::string SchemeConfiguration(const char* mode, bool darkStyles = true) {
  std::string text = test::TestConfiguration();
  text.insert(text.find("</Config>"),
              std::string("<ColorScheme Mode=\"") + mode + "\"/>" + (darkStyles ? kDarkStyles : ""));
  return text;
}

struct Looks {
  COLORREF keyword, background, caretLine, caret, highlight;
  bool caretLineShown;
  bool operator==(const Looks&) const = default;
};

Looks LooksOf(const ViewerHarness& viewer) {
  Looks looks = {static_cast<COLORREF>(viewer.Sci(SCI_STYLEGETFORE, 5)), static_cast<COLORREF>(viewer.Sci(SCI_STYLEGETBACK, 32)),
          static_cast<COLORREF>(viewer.Sci(SCI_GETCARETLINEBACK)), static_cast<COLORREF>(viewer.Sci(SCI_GETCARETFORE)),
          static_cast<COLORREF>(viewer.Sci(SCI_INDICGETFORE, 0)), viewer.Sci(SCI_GETCARETLINEVISIBLE) != 0};
  // Shown also while the search panel has the keyboard.
  EXPECT_EQ(viewer.Sci(SCI_GETCARETLINEVISIBLEALWAYS) != 0, looks.caretLineShown);
  if (!looks.caretLineShown) looks.caretLine = 0;  // not shown: its colour does not matter
  return looks;
}

// Whether "int" at the start of the document is a keyword of the lexer.
bool LexesIntAsKeyword(const ViewerHarness& viewer) {
  try {
    return test::EditorStandIn().Keywords(viewer.editor(), 0) == "int char return";
  } catch (const std::runtime_error&) {
    viewer.Sci(SCI_COLOURISE, 0, -1);  // the real control: its lexer says
    return viewer.Sci(SCI_GETSTYLEAT, 1) == 5;
  }
}

const Looks kLight = {RGB(0, 0, 0xFF), RGB(0xFF, 0xFF, 0xFF), 0, 0, RGB(0xFF, 0x80, 0), false};
const Looks kDark = {RGB(0x56, 0x9C, 0xD6), RGB(0x1E, 0x1E, 0x1E), RGB(0x2A, 0x2A, 0x2A), RGB(0xAE, 0xAF, 0xAD),
                     RGB(0x26, 0x4F, 0x78), true};

TEST(ViewerSchemes, ShowTheChosenSchemeAndFallBackToTheLightLooks) {
  Looks cWithoutDarkLooks = kDark;
  cWithoutDarkLooks.keyword = kLight.keyword;
  const struct {
    const char* what;
    std::string configuration;
    Looks expected;
  } cases[] = {
      {"dark", SchemeConfiguration("dark"), kDark},
      {"light", SchemeConfiguration("light"), kLight},
      {"dark without a dark set is today's light", SchemeConfiguration("dark", false), kLight},
      {"a language the dark set lacks keeps its light looks",
       [] {
         std::string text = SchemeConfiguration("dark");
         text.replace(text.find(R"(<Style name="C">)"), 16, R"(<Style name="Not C">)");
         return text;
       }(),
       cWithoutDarkLooks},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ViewerHarness viewer(c.configuration);
    ASSERT_EQ(viewer.OpenText("int x;\n", L"a.c"), 1);
    EXPECT_EQ(LooksOf(viewer), c.expected);
    EXPECT_TRUE(LexesIntAsKeyword(viewer)) << "the keyword lists are the light set's";
  }
}

bool BroadcastSettingChange(const wchar_t* area) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area), SMTO_NORMAL, 5000,
                             &result) != 0;
}

TEST(ViewerSchemes, TheThemeBroadcastRestylesEveryOpenViewerInPlace) {
  ViewerHarness first(SchemeConfiguration("light"));
  RECT place = {0, 0, 400, 300};
  const HWND second = first.plugin().CreateViewer(first.host(), &place, 7);
  ASSERT_NE(second, nullptr);
  const HWND secondEditor = GetDlgItem(second, 1);
  const std::wstring path = first.FilePath(L"a.c");
  ASSERT_EQ(first.OpenText("int x;\nchar y;\n", L"a.c"), 1);
  ASSERT_EQ(SendMessageW(second, HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str())), 1);
  first.Sci(SCI_SETSEL, 7, 11);
  ASSERT_EQ(LooksOf(first), kLight);

  // Windows' choice is read from the configuration here: its mode now says dark.
  first.config().Write(SchemeConfiguration("dark"));
  ASSERT_TRUE(BroadcastSettingChange(L"Policy"));
  first.Pump();
  EXPECT_EQ(LooksOf(first), kLight) << "another setting's change restyles nothing";

  ASSERT_TRUE(BroadcastSettingChange(L"ImmersiveColorSet"));
  first.Pump();
  EXPECT_EQ(LooksOf(first), kDark);
  EXPECT_EQ(SendMessageW(secondEditor, SCI_STYLEGETBACK, 32, 0), kDark.background);
  EXPECT_EQ(SendMessageW(secondEditor, SCI_STYLEGETFORE, 5, 0), kDark.keyword);
  EXPECT_EQ(test::DocumentText(first.editor()), "int x;\nchar y;\n");
  EXPECT_EQ(first.Selection(), std::make_pair(7, 11)) << "the text was not loaded again";
  EXPECT_TRUE(LexesIntAsKeyword(first));
  DestroyWindow(second);
}

TEST(SystemTheme, ReadsTheAppsSettingAndKnowsItsChangeMessage) {
  constexpr wchar_t kKey[] = L"Software\\lumen-tests\\Personalize";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const auto setNumber = [&](DWORD value) {
    RegSetValueExW(key, kAppsUseLightTheme, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  };
  const auto read = [&] { return ReadRegistryNumber(HKEY_CURRENT_USER, kKey, kAppsUseLightTheme); };
  setNumber(0);
  EXPECT_EQ(read(), 0u);
  setNumber(1);
  EXPECT_EQ(read(), 1u);
  RegDeleteValueW(key, kAppsUseLightTheme);
  EXPECT_EQ(read(), std::nullopt) << "missing";
  RegSetValueExW(key, kAppsUseLightTheme, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 4);
  EXPECT_EQ(read(), std::nullopt) << "unreadable: no number";
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\lumen-tests");
  EXPECT_EQ(read(), std::nullopt) << "no key";

  EXPECT_TRUE(IsThemeChange(WM_SETTINGCHANGE, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")));
  EXPECT_TRUE(IsThemeChange(WM_SETTINGCHANGE, reinterpret_cast<LPARAM>(L"immersivecolorset")));
  EXPECT_FALSE(IsThemeChange(WM_SETTINGCHANGE, reinterpret_cast<LPARAM>(L"ImmersiveColorSets")));
  EXPECT_FALSE(IsThemeChange(WM_SETTINGCHANGE, 0));
  EXPECT_TRUE(IsThemeChange(WM_THEMECHANGED, 0));
}

}  // namespace
}  // namespace lumen
