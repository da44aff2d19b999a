// Binding the host's functions by name, and the paths that depend on the host.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "HostStandIn.h"
#include "TestFiles.h"
#include "host/HostApi.h"
#include "host/Paths.h"

// Without "tessera.exe", a host that embeds the plug-in may offer its strings
// from its main program: this test program plays that host.
extern "C" __declspec(dllexport) int WINAPI GetString(UINT id, LPWSTR* buffer, int size) {
  if (id != 1 || !buffer || !*buffer || size < 4) return 0;
  wcscpy(*buffer, L"exe");
  return 3;
}

namespace lumen {
namespace {

using test::HostStandIn;

void ExpectNoConfigFolder() {
  try {
    ConfigFilePath();
    ADD_FAILURE() << "ConfigFilePath did not throw";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "Cannot determine config file path");
  }
  EXPECT_EQ(LogFilePath(), L"");
}

TEST(HostPaths, ComeFromTheHostsConfigFolder) {
  HostStandIn host;
  host.SetConfigFolder(L"C:\\Data\\Host\\Config");
  EXPECT_EQ(ConfigFilePath(), L"C:\\Data\\Host\\Config\\lumen.config.xml");
  EXPECT_EQ(LogFilePath(), L"C:\\Data\\Logs\\lumen.log");

  // A trailing separator changes the config path only.
  host.SetConfigFolder(L"C:\\Data\\Host\\Config\\");
  EXPECT_EQ(ConfigFilePath(), L"C:\\Data\\Host\\Config\\\\lumen.config.xml");
  EXPECT_EQ(LogFilePath(), L"C:\\Data\\Logs\\lumen.log");

  host.SetConfigFolder(L"C:/Data/Host/Config/");
  EXPECT_EQ(LogFilePath(), L"C:/Data\\Logs\\lumen.log");
  host.SetConfigFolder(L"C:\\Data/Host\\Config");
  EXPECT_EQ(LogFilePath(), L"C:\\Data\\Logs\\lumen.log");
}

TEST(HostPaths, AreUnknownWhenTheHostCannotTell) {
  {
    SCOPED_TRACE("no host loaded");
    ASSERT_EQ(GetModuleHandleW(LUMEN_HOST_MODULE_NAME), nullptr);
    ExpectNoConfigFolder();
  }
  {
    SCOPED_TRACE("host without GetConfigPathW");
    HostStandIn reduced(HostStandIn::Build::Reduced);
    reduced.SetConfigFolder(L"C:\\Data\\Host\\Config");
    ExpectNoConfigFolder();
  }
  HostStandIn host;
  {
    SCOPED_TRACE("no folder configured");
    ExpectNoConfigFolder();
  }
  {
    SCOPED_TRACE("folder longer than any path Windows knows");
    host.SetConfigFolder(L"C:\\" + std::wstring(32768, L'x'));
    ExpectNoConfigFolder();
  }
  {
    SCOPED_TRACE("GetConfigPathW fails");
    host.SetConfigFolder(L"C:\\Data\\Host\\Config");
    host.FailCall("GetConfigPathW");
    ExpectNoConfigFolder();
  }
}

// No folder two levels up: rather no log file than one in a made-up place.
TEST(HostPaths, LogPathNeedsTwoFoldersAboveTheConfigFolder) {
  EXPECT_EQ(LogFilePathFor(L"C:\\Config"), L"");
  EXPECT_EQ(LogFilePathFor(L"Host\\Config"), L"");
  EXPECT_EQ(LogFilePathFor(L"Config"), L"");
}

TEST(HostTables, BindWhatTheLoadedHostExports) {
  {
    HostStandIn host;
    const HostConfigApi config = BindHostConfigApi();
    EXPECT_NE(config.GetConfigPathW, nullptr);
    EXPECT_EQ(config.LoadOrSaveConfigW, nullptr);  // looked up, but this host lacks it
    const HostHelperApi helper = BindHostHelperApi();
    ASSERT_NE(helper.GetString, nullptr);
    wchar_t text[1024] = {};
    LPWSTR buffer = text;
    EXPECT_EQ(helper.GetString(24051, &buffer, 1024), 24);
    EXPECT_EQ(BindXmlFunctions().XMLLoadData, nullptr);
    EXPECT_NE(BindXmlFunctions().XMLSetNodeDWORDAttributeW, nullptr);
  }
  {
    HostStandIn reduced(HostStandIn::Build::Reduced);
    EXPECT_EQ(BindHostConfigApi().GetConfigPathW, nullptr);
    EXPECT_EQ(BindXmlFunctions().XMLSaveFileW, nullptr);
    // The named host is there, so the main program is not asked.
    EXPECT_EQ(BindHostHelperApi().GetString, nullptr);
  }
  // No host: every slot is empty except GetString, taken from the main program.
  EXPECT_EQ(BindHostConfigApi().GetConfigPathW, nullptr);
  EXPECT_EQ(BindXmlFunctions().XMLLoadFileW, nullptr);
  const HostHelperApi helper = BindHostHelperApi();
  EXPECT_EQ(helper.CalcCRC32, nullptr);
  ASSERT_EQ(helper.GetString, &GetString);
}

struct LibraryFreer {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};

TEST(ModulePaths, AreReadInFullBeyondMaxPath) {
  test::TempFolder temp;
  const std::wstring deepRoot = L"\\\\?\\" + temp.path() + L"\\deep";
  std::wstring folder = deepRoot;
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  while (folder.size() < MAX_PATH + 40) {
    folder += L"\\" + std::wstring(40, L'd');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  }
  const std::wstring library = folder + L"\\small.dll";
  ASSERT_TRUE(CopyFileW(HostStandIn::PathOf(HostStandIn::Build::Reduced).c_str(), library.c_str(), FALSE));

  std::wstring path;
  {
    std::unique_ptr<HINSTANCE__, LibraryFreer> module(LoadLibraryW(library.c_str()));
    ASSERT_TRUE(module);
    path = ModuleFileName(module.get());
  }
  test::RemoveTree(deepRoot);

  EXPECT_GT(path.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_TRUE(path.ends_with(L"\\small.dll")) << test::ToUtf8(path);
  EXPECT_TRUE(path.ends_with(folder.substr(deepRoot.size()) + L"\\small.dll")) << test::ToUtf8(path);
  EXPECT_EQ(SciLexerPathBeside(path), path.substr(0, path.size() - 9) + L"SciLexer.dll");
}

TEST(ModulePaths, SciLexerIsLookedForBesideThePlugIn) {
  EXPECT_EQ(SciLexerPath(), test::ProgramFolder() + L"\\SciLexer.dll");
  EXPECT_EQ(SciLexerPathBeside(L""), L"SciLexer.dll");
  EXPECT_EQ(ModuleFileName(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(1))), L"");
}

}  // namespace
}  // namespace lumen
