// The dialog's frame through lumen.dll: its controls, OK and Cancel, saving
// with Retry, the reload request, the start language and the placement.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "DialogFixture.h"
#include "TestFiles.h"
#include "host_standin/Rewritten.h"
#include "abi/HostMessages.h"
#include "base/Controls.h"
#include "config/Loaders.h"
#include "dialog/ConfigDialog.h"

namespace lumen {
namespace {

using test::LiveDialog;
using test::ModalAnswerer;
using test::OpenDialog;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

bool IsClass(HWND window, const wchar_t* name) { return _wcsicmp(ClassOf(window).c_str(), name) == 0; }

// Each control behaves as its kind must for a user: the keyboard reaches what
// can be worked, lists only offer their entries, numbers take only digits, and
// everything that shows text shows it in the message font.
TEST_F(LiveDialog, MakesEveryControlWorkAsItsKindMust) {
  OpenDialog dialog = Open();
  EXPECT_FALSE(lumen::WindowText(dialog.handle()).empty());
  ASSERT_EQ(dialog.children().size(), static_cast<size_t>(kDialogControlCount));
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = 500;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
  for (size_t index = 0; index < kDialogControlCount; ++index) {
    const HWND control = dialog.children()[index];
    SCOPED_TRACE(testing::Message() << "control " << index << ", " << test::ToUtf8(ClassOf(control)));
    const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    const DWORD kind = style & BS_TYPEMASK;
    const bool isButton = IsClass(control, L"Button");
    const bool isGroup = isButton && kind == BS_GROUPBOX;
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ((style & WS_TABSTOP) != 0, !IsClass(control, L"Static") && !isGroup);
    if (IsClass(control, L"ComboBox")) {
      EXPECT_EQ(style & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
      EXPECT_NE(style & CBS_HASSTRINGS, 0u);
    }
    if (isButton && !isGroup) {
      EXPECT_TRUE(kind == BS_OWNERDRAW || kind == BS_AUTOCHECKBOX || kind == BS_PUSHBUTTON) << kind;
    }
    if (IsClass(control, L"Static") || (isButton && kind != BS_OWNERDRAW && index != kButtonGroup)) {
      EXPECT_FALSE(lumen::WindowText(control).empty()) << "labels, boxes and buttons say what they are";
    }
    if (IsClass(control, L"msctls_updown32")) {
      EXPECT_EQ(style & (UDS_SETBUDDYINT | UDS_ARROWKEYS), static_cast<DWORD>(UDS_SETBUDDYINT | UDS_ARROWKEYS));
      continue;  // draws no text, keeps no font
    }
    const LOGFONTW font = FontOf(control);
    EXPECT_STREQ(font.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(font.lfHeight, metrics.lfMessageFont.lfHeight);
  }
  for (DialogControl edit : {kTransparencyEdit, kOutlineEdit}) {
    EXPECT_NE(GetWindowLongW(dialog[edit], GWL_STYLE) & ES_NUMBER, 0);
  }
  EXPECT_NE(GetWindowLongW(dialog[kExtensionsEdit], GWL_STYLE) & ES_MULTILINE, 0) << "long lists wrap";
  EXPECT_EQ(GetDlgCtrlID(dialog[kOkButton]), kOkId);
  EXPECT_EQ(GetDlgCtrlID(dialog[kCancelButton]), kCancelId);
  for (DialogControl upDown : {kTransparencyUpDown, kOutlineUpDown}) {
    int lowest = -1, highest = -1;
    SendMessageW(dialog[upDown], UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lowest), reinterpret_cast<LPARAM>(&highest));
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 255);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(dialog[upDown], UDM_GETBUDDY, 0, 0)), dialog[DialogControl(upDown - 1)]);
  }
}

TEST_F(LiveDialog, CancelAfterEditsLeavesTheFileAsItWasAndAsksForNoReload) {
  const std::string before = config.Read();
  for (const bool closeBox : {false, true}) {
    OpenDialog dialog = Open();
    dialog.SetChecked(kBoldCheck, true);
    dialog.Choose(kFontSizeCombo, 4);
    dialog.Choose(kStyleCombo, 1);
    dialog.Type(kExtensionsEdit, L"cc");
    dialog.Choose(kLanguageCombo, 1);
    dialog.Type(kTransparencyEdit, L"12");
    dialog.SetChecked(kLineWrappingCheck, true);
    if (closeBox) {
      SendMessageW(dialog.handle(), WM_CLOSE, 0, 0);
      EXPECT_TRUE(test::PumpMessages());
    } else {
      EXPECT_TRUE(dialog.ClickAndRun(kCancelButton));
    }
    EXPECT_TRUE(IsWindow(dialog.handle())) << "the host destroys the dialog, not the dialog itself";
  }
  EXPECT_EQ(config.Read(), before);
  EXPECT_TRUE(host.reloads().empty());
}

// The time of the last write; a file the dialog only reads keeps it.
ULONGLONG LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void BackdateFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME longAgo = {0, 0x01C00000};  // 1981
  SetFileTime(file, nullptr, nullptr, &longAgo);
  CloseHandle(file);
}

TEST_F(LiveDialog, OkWithoutEditsLeavesTheFileUntouchedAndStillAsksTheHostToReload) {
  // A size of 0 shows as "not set" and must not count as an edit either.
  config.Write(test::ConfigWithStyles(std::string("<!-- mine -->") + test::kDialogStyles +
                                      R"(<Style ext="x" lexer="1" name="Zero"><WordStyles><WordStyle styleID="0" fontSize="0"/></WordStyles></Style>)"));
  BackdateFile(config.path());
  const std::string before = config.Read();
  const ULONGLONG written = LastWriteTime(config.path());
  {
    OpenDialog dialog = Open();
    dialog.Choose(kLanguageCombo, 3);
    dialog.Choose(kLanguageCombo, 0);
    EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  }
  EXPECT_EQ(config.Read(), before);
  EXPECT_EQ(LastWriteTime(config.path()), written);
  ASSERT_EQ(host.reloads().size(), 1u);
  EXPECT_EQ(host.reloads()[0].first, 0u);
  EXPECT_EQ(host.reloads()[0].second, static_cast<LPARAM>(test::kNotifyData));
}

// Comments, attributes and elements of the user's own, duplicated sections,
// fontStyle bits beyond 1, 2 and 4, an empty keyword set, no LineWrapping.
constexpr char kUsersFile[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- mine -->
<Config>
  <Highlight Foreground="FF8000" ForegroundAlpha="50" OutlineAlpha="A0" glow="soft"/>
  <Highlight Foreground="000000" ForegroundAlpha="00" OutlineAlpha="00"/>
  <FileSizeLimit>1048576</FileSizeLimit>
  <LineNumbering Enabled="yes"/>
  <Minimap Enabled="yes"/>
  <Styles>
    <Style ext="c h" lexer="3" name="C" folding="on">
      <WordStyles>
        <!-- the base -->
        <WordStyle name="Default" styleID="0" fgColor="102030" fontStyle="9"/>
        <WordStyle name="Comment" styleID="1" fgColor="008000" fontStyle="17"><Keywords id="2"/></WordStyle>
      </WordStyles>
      <WordStyles><WordStyle name="Unread" styleID="7"/></WordStyles>
    </Style>
  </Styles>
  <Styles><Style ext="txt" lexer="1" name="Second"/></Styles>
</Config>
)";

TEST_F(LiveDialog, OkWritesOnlyTheEditedValuesAndAddsAMissingOption) {
  config.Write(kUsersFile);
  test::RewriteAsTheHost(config.path());
  std::string expected = config.Read();
  {
    OpenDialog dialog = Open();
    dialog.SetChecked(kBoldCheck, false);
    dialog.Choose(kStyleCombo, 1);
    {
      ModalAnswerer answerer(dialog.handle(), test::ConfirmColour(255, 0, 0));
      dialog.Click(kForegroundButton);
    }
    dialog.SetChecked(kLineWrappingCheck, true);
    EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  }
  for (const auto& [from, to] : {std::pair<std::string, std::string>{R"(fontStyle="9")", R"(fontStyle="8")"},
                                 {R"(fgColor="008000")", R"(fgColor="FF0000")"},
                                 {"</Config>", "\t<LineWrapping Enabled=\"yes\"/>\n</Config>"}}) {
    ASSERT_NE(expected.find(from), std::string::npos) << from;
    expected.replace(expected.find(from), from.size(), to);
  }
  EXPECT_EQ(config.Read(), expected);
  EXPECT_EQ(host.reloads().size(), 1u);
}

// The shipped configuration, every language visited: OK without edits keeps
// the file as it is; a content rule typed changes that attribute alone.
TEST_F(LiveDialog, KeepsTheShippedConfigurationAndWritesOnlyATypedContentRule) {
  config.Write(test::ReadBytes(test::ProgramFolder() + L"\\lumen.config.xml"));
  test::RewriteAsTheHost(config.path());
  const std::string before = config.Read();
  const std::vector<XMLStyle> languages = LoadStyles(config.path());
  const auto objectiveC = std::find_if(languages.begin(), languages.end(),
                                       [](const XMLStyle& l) { return l.name == L"Objective-C"; });
  ASSERT_NE(objectiveC, languages.end());
  {
    OpenDialog dialog = Open();
    ASSERT_EQ(dialog.Count(kLanguageCombo), static_cast<int>(languages.size()));
    for (int index = 0; index < dialog.Count(kLanguageCombo); ++index) dialog.Choose(kLanguageCombo, index);
    EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  }
  EXPECT_EQ(config.Read(), before);
  {
    OpenDialog dialog = Open();
    dialog.Choose(kLanguageCombo, static_cast<int>(objectiveC - languages.begin()));
    EXPECT_EQ(dialog.Text(kContentEdit), objectiveC->content);
    dialog.Type(kContentEdit, L"^@interface");
    EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  }
  std::string expected = before;
  const size_t rule = expected.find("content=\"", expected.find("<Style ext=\"mm h m\"")) + 9;
  expected.replace(rule, expected.find('"', rule) - rule, "^@interface");
  EXPECT_EQ(config.Read(), expected);
}

// The Scheme choice switches the style controls to the dark set: a language
// without dark looks shows its light ones and gets dark looks of its own with
// the first change; OK writes them and the mode into the user's file.
TEST_F(LiveDialog, EditsTheDarkSchemeAndKeepsTheUsersFile) {
  config.Write(kUsersFile);
  test::RewriteAsTheHost(config.path());
  const Configuration before = Saved();
  {
    OpenDialog dialog = Open();
    EXPECT_EQ(dialog.Selection(kSchemeCombo), 0) << "no dark set: the light one is edited";
    dialog.Choose(kSchemeCombo, 1);
    dialog.Choose(kStyleCombo, 1);
    EXPECT_EQ(dialog.SelectedEntry(kStyleCombo), L"Comment");
    {
      ModalAnswerer answerer(dialog.handle(), test::ConfirmColour(0x6A, 0x99, 0x55));
      dialog.Click(kForegroundButton);
    }
    dialog.Choose(kSchemeCombo, 0);
    dialog.Choose(kStyleCombo, 1);
    dialog.Choose(kModeCombo, 2);
    EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  }
  const Configuration saved = Saved();
  EXPECT_EQ(saved.styles, before.styles) << "the light set is as it was";
  EXPECT_EQ(saved.schemeMode, SchemeMode::Dark);
  ASSERT_EQ(saved.dark.styles.size(), 1u);
  const SchemeStyle& dark = saved.dark.styles[0];
  EXPECT_EQ(dark.name, L"C");
  ASSERT_EQ(dark.wordStyles.size(), before.styles[0].wordStyles.size());
  EXPECT_EQ(dark.wordStyles[1].fgColor, 0x6A9955);
  EXPECT_EQ(dark.wordStyles[0].fgColor, before.styles[0].wordStyles[0].fgColor) << "the light look it started from";
  const std::string text = config.Read();
  EXPECT_NE(text.find("<!-- mine -->"), std::string::npos) << "the file was edited, not written anew";
  EXPECT_NE(text.find("<Minimap"), std::string::npos);
}

TEST_F(LiveDialog, AFailedSaveOffersRetryAndSavesAgain) {
  config.host().FailCall("XMLSaveFileW", 1);
  const Configuration before = Saved();
  OpenDialog dialog = Open();
  dialog.Type(kTransparencyEdit, L"7");
  ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDRETRY); });
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  ASSERT_EQ(answerer.texts().size(), 1u);
  EXPECT_EQ(answerer.texts()[0], L"Unable to save configuration file: \nSaving configuration failed");
  EXPECT_EQ(answerer.titles()[0], L"LUMEN Configuration");
  Configuration expected = before;
  expected.highlight.foregroundAlpha = 7;
  EXPECT_EQ(Saved(), expected);
  EXPECT_EQ(host.reloads().size(), 1u);
}

TEST_F(LiveDialog, AfterCancellingAFailedSaveTheFileIsUnchangedAndTheHostStillNotified) {
  config.host().FailCall("XMLSaveFileW", 0);
  const std::string before = config.Read();
  OpenDialog dialog = Open();
  dialog.Type(kTransparencyEdit, L"7");
  int boxes = 0;
  ModalAnswerer answerer(dialog.handle(), [&](HWND box) { test::PressButton(box, ++boxes < 3 ? IDRETRY : IDCANCEL); });
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  EXPECT_EQ(boxes, 3) << "Retry as often as the user asks";
  EXPECT_EQ(config.Read(), before);
  EXPECT_EQ(host.reloads().size(), 1u);
}

TEST_F(LiveDialog, OkWithoutANotifyWindowSavesWarnsAndEnds) {
  OpenDialog dialog(Configure(host.handle(), nullptr));
  dialog.Type(kOutlineEdit, L"9");
  ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDOK); });
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  ASSERT_EQ(answerer.texts().size(), 1u);
  EXPECT_NE(answerer.texts()[0].find(L"Notify handler not set"), std::wstring::npos);
  EXPECT_EQ(Saved().highlight.outlineAlpha, 9u);
  EXPECT_TRUE(host.reloads().empty());
}

TEST_F(LiveDialog, IsNotOpenedWithoutAReadableConfiguration) {
  config.Write("<Config><Styles><Style ext=\"c\" name=\"no lexer\"/></Styles></Config>");
  EXPECT_EQ(Configure(host.handle(), host.handle()), nullptr);
  DeleteFileW(config.path().c_str());
  EXPECT_EQ(Configure(host.handle(), host.handle()), nullptr);
  config.host().ClearConfigFolder();
  EXPECT_EQ(Configure(host.handle(), host.handle()), nullptr);
}

TEST_F(LiveDialog, AConfigurationWithoutLanguagesStillEditsTheMiscValuesButIsNeverSaved) {
  config.Write(test::ConfigWithStyles(""));
  const std::string before = config.Read();
  OpenDialog dialog = Open();
  EXPECT_EQ(dialog.Count(kLanguageCombo), 0);
  EXPECT_FALSE(IsWindowEnabled(dialog[kLanguageCombo]));
  EXPECT_FALSE(IsWindowEnabled(dialog[kStyleCombo]));
  EXPECT_TRUE(IsWindowEnabled(dialog[kTransparencyEdit]));
  dialog.Choose(kLanguageCombo, 0);
  dialog.Choose(kStyleCombo, 0);
  dialog.Type(kTransparencyEdit, L"5");
  ModalAnswerer answerer(dialog.handle(), [](HWND box) { test::PressButton(box, IDCANCEL); });
  EXPECT_TRUE(dialog.ClickAndRun(kOkButton));
  ASSERT_EQ(answerer.texts().size(), 1u);
  EXPECT_EQ(answerer.texts()[0], L"Unable to save configuration file: \nSaving configuration failed");
  EXPECT_EQ(config.Read(), before);
}

// A viewer of lumen.dll inside the host's window, showing `file`.
class ViewerInHost {
 public:
  ViewerInHost(test::PluginLibrary& plugin, HWND host, const std::wstring& file) {
    pane_ = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, host, nullptr, nullptr, nullptr);
    const RECT bounds = {0, 0, 400, 300};
    viewer_ = plugin.CreateViewer(pane_, &bounds, 0);
    const std::wstring path = folder_ / file;
    test::WriteBytes(path, "x = 1\n");
    SendMessageW(viewer_, HBXPLUGINMSG_OPENFILE, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
  ~ViewerInHost() { DestroyWindow(pane_); }
  HWND viewer() const { return viewer_; }

 private:
  test::TempFolder folder_;
  HWND pane_ = nullptr;
  HWND viewer_ = nullptr;
};

TEST_F(LiveDialog, StartsOnTheLanguageWhoseFirstExtensionIsThatOfTheShownFile) {
  const struct {
    const wchar_t* file;
    int language;
  } cases[] = {
      {L"script.py", 1},  {L"SCRIPT.PY", 1}, {L"notes.txt", 2},
      {L"script.pyw", 0},  // only a later entry of Python's list
      {L"header.h", 0},    {L"Makefile", 0}, {L"data.xyz", 0},
  };
  for (const auto& c : cases) {
    ViewerInHost shown(plugin, host.handle(), c.file);
    ASSERT_NE(shown.viewer(), nullptr);
    OpenDialog dialog = Open();
    EXPECT_EQ(dialog.Selection(kLanguageCombo), c.language) << test::ToUtf8(c.file);
  }
  OpenDialog withoutViewer = Open();
  EXPECT_EQ(withoutViewer.Selection(kLanguageCombo), 0);
  OpenDialog withoutParent(Configure(nullptr, host.handle()));
  EXPECT_EQ(withoutParent.Selection(kLanguageCombo), 0);
}

TEST_F(LiveDialog, IsCentredOnItsParentByItsClientSize) {
  OpenDialog dialog = Open();
  RECT parent, window, client;
  GetWindowRect(host.handle(), &parent);
  GetWindowRect(dialog.handle(), &window);
  GetClientRect(dialog.handle(), &client);
  EXPECT_EQ(window.left, parent.left + (parent.right - parent.left) / 2 - client.right / 2);
  EXPECT_EQ(window.top, parent.top + (parent.bottom - parent.top) / 2 - client.bottom / 2);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRect(&common, &a, &b) != 0;
}

TEST_F(LiveDialog, ShowsEveryControlWholeAndNoneOverAnother) {
  OpenDialog dialog = Open();
  RECT client;
  GetClientRect(dialog.handle(), &client);
  const DialogControl groups[] = {kStyleGroup, kMiscGroup, kButtonGroup};
  for (size_t a = 0; a < kDialogControlCount; ++a) {
    const auto first = static_cast<DialogControl>(a);
    const RECT bounds = dialog.Bounds(first);
    EXPECT_TRUE(Inside(bounds, client)) << "control " << a + 1 << " is cut off";
    if (std::find(std::begin(groups), std::end(groups), first) != std::end(groups)) {
      continue;
    }
    const int inGroups = static_cast<int>(std::count_if(std::begin(groups), std::end(groups), [&](DialogControl g) {
      return Inside(bounds, dialog.Bounds(g));
    }));
    EXPECT_EQ(inGroups, 1) << "control " << a + 1 << " lies in exactly one group box";
    for (size_t b = a + 1; b < kDialogControlCount; ++b) {
      const auto second = static_cast<DialogControl>(b);
      if (std::find(std::begin(groups), std::end(groups), second) != std::end(groups)) continue;
      const bool upDownInItsEdit = (first == kTransparencyEdit && second == kTransparencyUpDown) ||
                                   (first == kOutlineEdit && second == kOutlineUpDown);
      if (!upDownInItsEdit) {
        EXPECT_FALSE(Overlap(bounds, dialog.Bounds(second))) << "controls " << a + 1 << " and " << b + 1;
      }
    }
  }
}

}  // namespace
}  // namespace lumen
