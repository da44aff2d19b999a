// The configuration dialog as the host drives it: HBX_Configure(parent,
// notify window, notify data) gives a modeless dialog; WM_COMMAND with id 5
// (OK) or 6 (Cancel) and BN_CLICKED ends it. OK writes what was edited, may
// ask Retry/Cancel in a message box when the save fails, posts 0x8F1F with
// the notify data to the notify window and posts WM_QUIT; Cancel only posts
// WM_QUIT. The host destroys the dialog afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "ConfigExpectations.h"
#include "ConfigurationMutations.h"
#include "DialogDriver.h"
#include "Exports.h"
#include "Robustness.h"
#include "UserConfigurations.h"
#include "config/Loaders.h"
#include "dialog/StyleValues.h"
#include "host/Paths.h"
#include "host_standin/Rewritten.h"

namespace lumen::robustness {
namespace {

constexpr int kOkId = 5, kCancelId = 6;
constexpr UINT kNotifyData = 0x5EED;
constexpr int kDamagedSamples = 80;
constexpr int kUserSamples = 60;
constexpr int kTransparencyEditId = 4;  // the first control of that id

// Answers every message box of this thread but the dialog itself: Retry while
// retries are left, then Cancel (OK on a box without Cancel). A thread timer
// runs inside the box's own message loop.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer(HWND dialog, int retries) {
    current_ = this;
    dialog_ = dialog;
    retries_ = retries;
    timer_ = SetTimer(nullptr, 0, 20, &MessageBoxAnswerer::OnTimer);
  }
  ~MessageBoxAnswerer() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  int boxes() const { return static_cast<int>(answered_.size()); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (current_) EnumThreadWindows(GetCurrentThreadId(), &MessageBoxAnswerer::Answer, 0);
  }
  static BOOL CALLBACK Answer(HWND window, LPARAM) {
    MessageBoxAnswerer& self = *current_;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window == self.dialog_ || std::wstring(className) != L"#32770" || !IsWindowVisible(window) ||
        self.answered_.count(window)) {
      return TRUE;
    }
    self.answered_.insert(window);
    int answer = IDOK;
    if (GetDlgItem(window, IDRETRY) && self.retries_ > 0) {
      --self.retries_;
      answer = IDRETRY;
    } else if (GetDlgItem(window, IDCANCEL)) {
      answer = IDCANCEL;
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    return TRUE;
  }

  static inline MessageBoxAnswerer* current_ = nullptr;
  HWND dialog_ = nullptr;
  int retries_ = 0;
  UINT_PTR timer_ = 0;
  std::set<HWND> answered_;
};

// The configuration the dialog would load, or nothing when it cannot open.
std::optional<Configuration> LoadableConfiguration() {
  try {
    return LoadConfiguration(ConfigFilePath());
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// HBX_Configure, answering any message box it shows while it sets the dialog up.
HWND OpenDialog(Host& host, HWND notify) {
  const MessageBoxAnswerer answerer(nullptr, 0);
  return Boundary("HBX_Configure", [&] { return host.plugin().Configure(host.window(), notify, kNotifyData); });
}

// Presses a button as the host's dialog manager would, answering message
// boxes on the way; returns whether the dialog then asked to end the loop.
bool Press(Host& host, HWND dialog, int id, int retries, int& boxes) {
  MessageBoxAnswerer answerer(dialog, retries);
  Boundary("the dialog procedure", [&] {
    return SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  });
  const bool quit = host.Pump();
  boxes = answerer.boxes();
  return quit;
}

void CloseDialog(HWND dialog) {
  if (IsWindow(dialog)) Boundary("the dialog's destruction", [&] { return DestroyWindow(dialog); });
}

// Types another transparency than the one shown, as a user would, so that
// OK has something to save; `expected` takes the same edit.
void EditTransparency(HWND dialog, Configuration& expected) {
  uint32_t& alpha = expected.highlight.foregroundAlpha;
  alpha = alpha == 7 ? 8 : 7;
  SetWindowTextW(GetDlgItem(dialog, kTransparencyEditId), std::to_wstring(alpha).c_str());
}

// The saved file loads as the edit: exactly so where OK changed only the
// edited values, with "not set" values respelled where it wrote the file anew.
void ExpectLoadsAsEdited(const Host& host, const Configuration& edited, bool exactly) {
  try {
    const Configuration loaded = LoadConfiguration(host.configPath());
    EXPECT_TRUE(loaded == edited || (!exactly && loaded == test::AsReloaded(edited)))
        << "the saved configuration loads differently";
  } catch (const std::exception& error) {
    ADD_FAILURE() << "a saved configuration does not load: " << error.what();
  }
}

// Opens the dialog and cancels it, then opens it again, edits a value and
// confirms it. OK either ends the dialog (after saving, or after a failed
// save that a message box reported and Cancel gave up) or refuses with a
// message box.
void OpenCancelAndConfirm(Host& host, const std::string& what) {
  const std::optional<std::string> before = host.ConfigBytes();
  const std::optional<Configuration> loadable = LoadableConfiguration();
  int boxes = 0;
  HWND dialog = OpenDialog(host, host.window());
  ASSERT_EQ(dialog != nullptr, loadable.has_value())
      << what
      << (loadable ? ": HBX_Configure gave no dialog for a configuration that loads"
                   : ": a dialog over a configuration that does not load");
  if (!dialog) {
    Count("dialog: not opened over a configuration that does not load");
    host.ExpectCleanEnd(before);
    return;
  }
  EXPECT_TRUE(Press(host, dialog, kCancelId, 0, boxes)) << "Cancel ends the dialog's loop";
  EXPECT_EQ(boxes, 0);
  EXPECT_TRUE(host.TakeReloadRequests().empty()) << "Cancel asks no reload";
  CloseDialog(dialog);
  host.ExpectCleanEnd(before);

  const std::string unsaved = *before;
  dialog = OpenDialog(host, host.window());
  ASSERT_NE(dialog, nullptr);
  Configuration edited = *loadable;
  EditTransparency(dialog, edited);
  if (!Press(host, dialog, kOkId, 0, boxes)) {
    // The dialog may refuse OK over a value the user must correct first; then it says so.
    EXPECT_GE(boxes, 1) << "OK neither ended the dialog nor said why";
    EXPECT_TRUE(host.TakeReloadRequests().empty()) << "a refused OK asks no reload";
    EXPECT_TRUE(host.ConfigBytes() == unsaved) << "a refused OK saved";
    EXPECT_TRUE(Press(host, dialog, kCancelId, 0, boxes));
    CloseDialog(dialog);
    Count("dialog: OK refused with a message");
    host.ExpectCleanEnd(unsaved);
    return;
  }
  EXPECT_EQ(host.TakeReloadRequests(), std::vector<LPARAM>{kNotifyData}) << "OK asks the host to reload, once";
  CloseDialog(dialog);
  const bool saved = host.ConfigBytes() != unsaved;
  EXPECT_EQ(saved, !loadable->styles.empty()) << "OK saves a configuration with languages, never one without";
  EXPECT_EQ(boxes, saved ? 0 : 1) << "a failed save is reported once, and Cancel gives up";
  if (saved) ExpectLoadsAsEdited(host, edited, true);
  Count(saved ? "dialog: saved by OK and loaded again" : "dialog: OK with a failed save, reported");
  host.ExpectCleanEnd(host.ConfigBytes());
}

TEST(DialogRobustness, OpensCancelsAndConfirmsOverDamagedConfigurations) {
  Host host;
  const std::string small = SmallConfiguration();
  for (int index = 0; index <= kDamagedSamples; ++index) {
    Random random("dialog: damaged configurations", index);
    const ConfigurationSample sample = index == 0 ? ConfigurationSample{"the shipped one", ShippedConfiguration()}
                                                  : MutateConfiguration(small, random);
    const Case scope("dialog: open, Cancel and OK over damaged configurations", sample.description);
    if (sample.bytes) {
      host.WriteConfig(*sample.bytes);
    } else {
      host.RemoveConfig();
    }
    std::optional<LockedFile> lock;
    if (sample.locked) lock.emplace(host.configPath());
    OpenCancelAndConfirm(host, sample.description);
  }
}

TEST(DialogRobustness, OpensOverAViewerThatShowsAFileOrLostItsEditor) {
  Host host;
  host.WriteConfig(SmallConfiguration());
  Viewer viewer(host);
  ASSERT_EQ(viewer.OpenPath(host.WriteFile(L"shown.h", "int x;\n")), 1);
  {
    const Case scope("dialog: over a viewer", "showing a file");
    OpenCancelAndConfirm(host, "over a viewer");
  }
  const Case scope("dialog: over a viewer", "without its editor");
  DestroyWindow(viewer.editor());
  OpenCancelAndConfirm(host, "over a viewer without its editor");
}

TEST(DialogRobustness, OpensUnderHostFaultsAtEachCall) {
  Host host;
  host.WriteConfig(SmallConfiguration());
  const auto calls = HostCallsOf(host, [&] { CloseDialog(OpenDialog(host, host.window())); });
  ASSERT_GT(calls.at("XMLLoadFileW"), 0) << "HBX_Configure loads the configuration";
  for (const auto& [function, count] : calls) {
    for (int call = 0; call <= count && count > 0; ++call) {
      const Case scope("dialog: opened under host faults", function + " call " + std::to_string(call));
      const int before = host.OpenDocuments();
      host.standIn()->Reset();
      host.standIn()->FailCall(function, call);
      const HWND dialog = OpenDialog(host, host.window());
      host.standIn()->ClearFailures();
      int boxes = 0;
      if (dialog) {
        EXPECT_TRUE(Press(host, dialog, kCancelId, 0, boxes));
      }
      CloseDialog(dialog);
      host.Pump();
      host.ExpectCleanEnd(SmallConfiguration(), DocumentsTheHostMayKeep(function, call, before, host.OpenDocuments()));
    }
  }
}

TEST(DialogRobustness, ConfirmsUnderHostFaultsAtEachCall) {
  Host host;
  const std::string configuration = SmallConfiguration();
  host.WriteConfig(configuration);
  Configuration edited = LoadConfiguration(host.configPath());
  HWND dialog = OpenDialog(host, host.window());
  ASSERT_NE(dialog, nullptr) << "HBX_Configure gave no dialog for a configuration that loads";
  EditTransparency(dialog, edited);
  int boxes = 0;
  const auto calls = HostCallsOf(host, [&] { Press(host, dialog, kOkId, 0, boxes); });
  CloseDialog(dialog);
  ASSERT_GT(calls.at("XMLSaveFileW"), 0) << "OK saves an edit";
  for (const auto& [function, count] : calls) {
    for (int call = 0; call <= count && count > 0; ++call) {
      const Case scope("dialog: OK under host faults", function + " call " + std::to_string(call));
      host.WriteConfig(configuration);
      host.TakeReloadRequests();
      dialog = OpenDialog(host, host.window());
      ASSERT_NE(dialog, nullptr);
      Configuration scratch = LoadConfiguration(host.configPath());
      EditTransparency(dialog, scratch);
      const int before = host.OpenDocuments();
      host.standIn()->Reset();
      host.standIn()->FailCall(function, call);
      EXPECT_TRUE(Press(host, dialog, kOkId, 0, boxes)) << "OK ends the loop, saved or not";
      host.standIn()->ClearFailures();
      CloseDialog(dialog);
      EXPECT_EQ(host.TakeReloadRequests(), std::vector<LPARAM>{kNotifyData}) << "saved or given up, the host reloads";
      const bool saved = host.ConfigBytes() != configuration;
      EXPECT_EQ(boxes, saved ? 0 : 1);
      if (saved) ExpectLoadsAsEdited(host, edited, false);
      host.ExpectCleanEnd(host.ConfigBytes(), DocumentsTheHostMayKeep(function, call, before, host.OpenDocuments()));
    }
  }
}

TEST(DialogRobustness, RetryAfterAFailedSaveSavesAgain) {
  const Case scope("dialog: Retry after a failed save", "XMLSaveFileW fails once");
  Host host;
  const std::string configuration = SmallConfiguration();
  host.WriteConfig(configuration);
  Configuration edited = LoadConfiguration(host.configPath());
  const HWND dialog = OpenDialog(host, host.window());
  ASSERT_NE(dialog, nullptr) << "HBX_Configure gave no dialog for a configuration that loads";
  EditTransparency(dialog, edited);
  host.standIn()->FailCall("XMLSaveFileW", 1);
  int boxes = 0;
  EXPECT_TRUE(Press(host, dialog, kOkId, 1, boxes));
  CloseDialog(dialog);
  EXPECT_EQ(boxes, 1) << "one failure, one box, and Retry saved";
  EXPECT_NE(host.ConfigBytes(), configuration);
  ExpectLoadsAsEdited(host, edited, true);
  EXPECT_EQ(host.TakeReloadRequests(), std::vector<LPARAM>{kNotifyData});
  host.ExpectCleanEnd(host.ConfigBytes());
}

TEST(DialogRobustness, OkWhileAnotherProgramHoldsTheFile) {
  const Case scope("dialog: OK while the file is locked", "no sharing at all");
  Host host;
  const std::string configuration = SmallConfiguration();
  host.WriteConfig(configuration);
  Configuration edited = LoadConfiguration(host.configPath());
  const HWND dialog = OpenDialog(host, host.window());
  ASSERT_NE(dialog, nullptr) << "HBX_Configure gave no dialog for a configuration that loads";
  EditTransparency(dialog, edited);
  int boxes = 0;
  {
    const LockedFile lock(host.configPath());
    EXPECT_TRUE(Press(host, dialog, kOkId, 0, boxes));
  }
  CloseDialog(dialog);
  EXPECT_EQ(host.TakeReloadRequests(), std::vector<LPARAM>{kNotifyData});
  const bool saved = host.ConfigBytes() != configuration;
  EXPECT_EQ(boxes, saved ? 0 : 1) << "a save the file system refused is reported";
  if (saved) ExpectLoadsAsEdited(host, edited, false);
  Count(saved ? "dialog: OK while the file is locked: replaced all the same"
              : "dialog: OK while the file is locked: refused, reported");
  host.ExpectCleanEnd(host.ConfigBytes());
}

// Up to four edits a user makes through the controls (none: OK without a
// change). Each goes into `expected`, and the attributes it may change into
// `allowed`. Returns what was done.
std::string EditAtRandom(const test::OpenDialog& dialog, Random& random, Configuration& expected,
                         AllowedChanges& allowed) {
  std::string done;
  dialog.Choose(kSchemeCombo, 0);  // the edits below are of the light set
  const size_t edits = random.Below(5);
  for (size_t edit = 0; edit < edits; ++edit) {
    const int language = static_cast<int>(random.Below(expected.styles.size()));
    XMLStyle& style = expected.styles[language];
    dialog.Choose(kLanguageCombo, language);
    const size_t kind = random.Below(6);
    if (kind < 3 && !style.wordStyles.empty()) {
      const int index = static_cast<int>(random.Below(style.wordStyles.size()));
      dialog.Choose(kStyleCombo, index);
      WordStyle& word = style.wordStyles[index];
      const auto* element = allowed.Find({{"Styles", 0}, {"Style", language}, {"WordStyles", 0}, {"WordStyle", index}});
      if (kind == 0) {
        const DialogControl boxes[] = {kBoldCheck, kItalicCheck, kUnderlineCheck};
        bool* const flags[] = {&word.bold, &word.italic, &word.underline};
        const size_t which = random.Below(3);
        *flags[which] = !*flags[which];
        dialog.SetChecked(boxes[which], *flags[which]);
        allowed.AllowAttribute(element, "fontStyle", ~7);  // the bits beyond bold, italic and underline stay
        done += "bold, italic or underline; ";
      } else if (kind == 1) {
        const size_t entry = random.Below(kFontSizes.size());
        dialog.Choose(kFontSizeCombo, static_cast<int>(entry));
        if (entry != 0) {
          word.fontSize = *ParseDecimal(kFontSizes[entry]);
        } else if (word.fontSize >= 1) {
          word.fontSize = -1;
        }
        allowed.AllowAttribute(element, "fontSize");
        done += "font size; ";
      } else {
        dialog.Choose(kFontNameCombo, random.Percent(50) ? 0 : 1);
        word.fontName = dialog.SelectedEntry(kFontNameCombo);
        allowed.AllowAttribute(element, "fontName");
        done += "font name; ";
      }
    } else if (kind == 3) {
      static const std::vector<std::wstring> lists = {L"c h", L"c\r\nh", L"cpp\r\nhpp\r\ncxx", L"rs", L"txt text"};
      style.extensions = random.Pick(lists);
      dialog.Type(kExtensionsEdit, style.extensions);
      allowed.AllowAttribute(allowed.Find({{"Styles", 0}, {"Style", language}}), "ext");
      done += "extensions; ";
    } else if (kind == 4) {
      const bool outline = random.Percent(50);
      const auto value = static_cast<uint32_t>(random.Below(1000));
      dialog.Type(outline ? kOutlineEdit : kTransparencyEdit, std::to_wstring(value));
      (outline ? expected.highlight.outlineAlpha : expected.highlight.foregroundAlpha) = value;
      allowed.AllowAttribute(allowed.Find({{"Highlight", 0}}), outline ? "OutlineAlpha" : "ForegroundAlpha");
      done += outline ? "outline; " : "transparency; ";
    } else {
      const bool numbering = random.Percent(50);
      bool& option = numbering ? expected.lineNumbering : expected.lineWrapping;
      option = !option;
      dialog.SetChecked(numbering ? kLineNumberingCheck : kLineWrappingCheck, option);
      const char* name = numbering ? "LineNumbering" : "LineWrapping";
      if (const auto* element = allowed.Find({{name, 0}})) {
        allowed.AllowAttribute(element, "Enabled");
      } else {
        allowed.AllowChild(allowed.root(), name);  // added, as a full save writes it
      }
      done += std::string(name) + "; ";
    }
  }
  return done.empty() ? "no edit" : done;
}

// The file is compared as the host writes it unchanged, so that only what OK
// did shows.
TEST(DialogRobustness, OkChangesOnlyWhatWasEditedInTheFilesUsersKeep) {
  Host host;
  for (int index = 0; index < kUserSamples; ++index) {
    Random random("dialog: OK keeps what it does not edit", index);
    const UserConfiguration sample = MakeUserConfiguration(random);
    const Case scope("dialog: OK keeps what it does not edit", sample.description);
    host.WriteConfig(sample.bytes);
    test::RewriteAsTheHost(host.configPath());
    const std::string before = host.ConfigBytes().value_or("");
    const std::optional<Configuration> loaded = LoadableConfiguration();
    ASSERT_TRUE(loaded) << sample.bytes;
    Configuration expected = *loaded;
    AllowedChanges allowed(before);
    const HWND handle = OpenDialog(host, host.window());
    ASSERT_NE(handle, nullptr) << "HBX_Configure gave no dialog for a configuration that loads";
    {
      const test::OpenDialog dialog(handle);
      const std::string edits = EditAtRandom(dialog, random, expected, allowed);
      SCOPED_TRACE(edits);
      int boxes = 0;
      EXPECT_TRUE(Press(host, handle, kOkId, 0, boxes)) << "OK ends the loop";
      EXPECT_EQ(boxes, 0);
    }
    EXPECT_EQ(host.TakeReloadRequests(), std::vector<LPARAM>{kNotifyData}) << "OK asks the host to reload, once";
    const std::string after = host.ConfigBytes().value_or("");
    if (expected == *loaded) {
      EXPECT_TRUE(after == before) << "OK without a change rewrote the file";
      Count("dialog: OK keeps what it does not edit: nothing edited, the file untouched");
    } else {
      ExpectLoadsAsEdited(host, expected, true);
    }
    for (const std::string& difference : allowed.Differences(after)) ADD_FAILURE() << "not edited, yet changed: " << difference;
    host.ExpectCleanEnd(after);
  }
}

TEST(DialogRobustness, WithoutANotifyWindowOrWithoutAHost) {
  {
    const Case scope("dialog: no notify window, no host", "no notify window");
    Host host;
    host.WriteConfig(SmallConfiguration());
    const HWND dialog = OpenDialog(host, nullptr);
    ASSERT_NE(dialog, nullptr) << "HBX_Configure gave no dialog for a configuration that loads";
    int boxes = 0;
    EXPECT_TRUE(Press(host, dialog, kOkId, 0, boxes)) << "OK ends the loop without anyone to tell";
    CloseDialog(dialog);
    EXPECT_NO_THROW(LoadConfiguration(host.configPath()));
    host.ExpectCleanEnd(host.ConfigBytes());
  }
  for (const Host::Kind kind : {Host::Kind::Missing, Host::Kind::Reduced}) {
    const Case scope("dialog: no notify window, no host", kind == Host::Kind::Missing ? "no host" : "a reduced host");
    Host host(kind);
    host.WriteConfig(SmallConfiguration());
    EXPECT_EQ(OpenDialog(host, host.window()), nullptr) << "no configuration path, no dialog";
    host.ExpectCleanEnd(SmallConfiguration());
  }
}

}  // namespace
}  // namespace lumen::robustness
