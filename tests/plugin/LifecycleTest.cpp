#include <gtest/gtest.h>

#include "DebugOutput.h"
#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "plugin/PluginState.h"

namespace lumen {
namespace {

using test::HostedConfig;
using test::PluginLibrary;

constexpr wchar_t kViewerClass[] = L"tesseraviewerplugin.lumen.viewer";
constexpr wchar_t kPanelClass[] = L"tesseraviewerplugin.lumen.searchpanel";

TEST(Lifecycle, CountsStartUpsAndRegistersTheClassesOnlyOnTheFirst) {
  HostedConfig config;
  PluginLibrary plugin;
  EXPECT_FALSE(plugin.Init());
  EXPECT_FALSE(plugin.USBSafe(nullptr));
  EXPECT_FALSE(plugin.IsClassRegistered(kViewerClass));

  EXPECT_TRUE(plugin.StartUp(9, 1, 3, 0));
  EXPECT_TRUE(plugin.IsClassRegistered(kViewerClass));
  EXPECT_TRUE(plugin.IsClassRegistered(kPanelClass));
  EXPECT_TRUE(plugin.InitEx(nullptr)) << "a second start-up does not read its record";
  EXPECT_TRUE(plugin.StartUp(1, 0, 0, 0)) << "not even the version";

  plugin.Uninit();
  plugin.Uninit();
  EXPECT_TRUE(plugin.IsClassRegistered(kViewerClass)) << "one start-up is still open";
  plugin.Uninit();
  EXPECT_FALSE(plugin.IsClassRegistered(kViewerClass));
  EXPECT_FALSE(plugin.IsClassRegistered(kPanelClass));
}

TEST(Lifecycle, RefusesHostsOlderThan9130AndStaysAtZero) {
  HostedConfig config;
  PluginLibrary plugin;
  EXPECT_FALSE(plugin.StartUp(9, 1, 2, 0xFFFF));
  EXPECT_FALSE(plugin.StartUp(8, 0xFFFF, 0xFFFF, 0xFFFF));
  EXPECT_FALSE(plugin.InitEx(nullptr)) << "no record at all is refused too";
  EXPECT_FALSE(plugin.IsClassRegistered(kViewerClass));
  EXPECT_FALSE(plugin.IsClassRegistered(kPanelClass));

  plugin.Uninit();  // without a start-up: the count must not go below 0
  EXPECT_TRUE(plugin.StartUp(9, 2, 0, 0));
  EXPECT_TRUE(plugin.IsClassRegistered(kViewerClass));
  plugin.Uninit();
  EXPECT_FALSE(plugin.IsClassRegistered(kViewerClass)) << "one shut-down ends one start-up";
}

TEST(Lifecycle, HoldsItsAtomWhileLoaded) {
  {
    PluginLibrary plugin;
    EXPECT_NE(GlobalFindAtomW(kPresenceAtomName), 0);
  }
  EXPECT_EQ(GlobalFindAtomW(kPresenceAtomName), 0);
}

TEST(Lifecycle, CreatesTheLogTwoLevelsAboveTheHostsFolderAndNothingInTheCurrentOne) {
  test::TempFolder root;
  const std::wstring hostFolder = root / L"Data\\Host\\Config";
  CreateDirectoryW((root / L"Data").c_str(), nullptr);
  CreateDirectoryW((root / L"Data\\Host").c_str(), nullptr);
  CreateDirectoryW(hostFolder.c_str(), nullptr);
  test::TempFolder current;
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(current.path().c_str());
  {
    test::HostStandIn host;
    host.SetConfigFolder(hostFolder);
    PluginLibrary plugin;
    EXPECT_TRUE(plugin.StartUp());
    EXPECT_TRUE(test::FileExists(root / L"Data\\Logs\\lumen.log"));
    plugin.Uninit();
  }
  {
    PluginLibrary plugin;  // no host: the log goes to standard output
    EXPECT_TRUE(plugin.StartUp());
    plugin.Uninit();
  }
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(test::ListFolder(current.path()), L"") << "nothing may appear in the host's current folder";
}

}  // namespace
}  // namespace lumen
