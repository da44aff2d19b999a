#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PluginLibrary.h"
#include "TestFiles.h"

namespace lumen {
namespace {

using test::PluginLibrary;

std::string ResourceBytes(HMODULE module, const wchar_t* type, const wchar_t* name) {
  HRSRC resource = FindResourceW(module, name, type);
  if (!resource) return {};
  const void* data = LockResource(LoadResource(module, resource));
  return std::string(static_cast<const char*>(data), SizeofResource(module, resource));
}

std::wstring String(HMODULE module, UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, length) : std::wstring();
}

class Resources : public ::testing::Test {
 protected:
  PluginLibrary plugin;
};

TEST_F(Resources, HoldTheHostsPluginManifestWithCrLfLineEnds) {
  EXPECT_EQ(ResourceBytes(plugin.module(), L"TESSERA", MAKEINTRESOURCEW(1)),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<tessera_plugin name=\"LUMEN\">\r\n"
            "   <usb_safe safe=\"yes\">\r\n"
            "      <export platform=\"x86\">SciLexer.dll</export>\r\n"
            "      <export platform=\"x64\">SciLexer.dll</export>\r\n"
            "   </usb_safe>\r\n"
            "</tessera_plugin>\r\n");
  const std::string manifest = ResourceBytes(plugin.module(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
}

TEST_F(Resources, HoldEveryStringTheWindowsShow) {
  const std::vector<std::pair<UINT, std::wstring>> strings = {
      {103, L"Find n&ext"}, {104, L"Find p&rev"}, {105, L"Match case"}, {106, L"Whole w&ords"},
      {107, L"Unable to save configuration file: "}, {109, L"Style options"}, {110, L"Language"},
      {111, L"Style"}, {112, L"Font name"}, {113, L"Font size"}, {114, L"Foreground"}, {115, L"Background"},
      {116, L"Underline"}, {117, L"Italic"}, {118, L"Bold"}, {119, L"Extensions"}, {120, L"Misc"},
      {121, L"Highlight color"}, {122, L"Transparency"}, {123, L"Outline"}, {124, L"Line wrapping"},
      {125, L"Line numbering"}, {126, L"File size limit"}, {127, L"LUMEN Configuration"}, {128, L"O&K"},
      {129, L"Cance&l"}};
  for (const auto& [id, text] : strings) EXPECT_EQ(String(plugin.module(), id), text) << "string " << id;
  const wchar_t* find = nullptr;
  LoadStringW(plugin.module(), 108, reinterpret_cast<LPWSTR>(&find), 0);
  ASSERT_NE(find, nullptr);
  EXPECT_STREQ(find, L"Find") << "the menu label is read up to its zero";
}

TEST_F(Resources, HoldTheAcceleratorsInTheirOrder) {
  HACCEL table = LoadAcceleratorsW(plugin.module(), MAKEINTRESOURCEW(102));
  ASSERT_NE(table, nullptr);
  ACCEL entries[16] = {};
  ASSERT_EQ(CopyAcceleratorTableW(table, entries, 16), 10);
  const BYTE ctrl = FVIRTKEY | FCONTROL;
  const std::vector<std::tuple<BYTE, WORD, WORD>> expected = {
      {ctrl, 'L', 40013}, {ctrl, 'M', 40011},   {ctrl, 'F', 40001},
      {ctrl, 'E', 40002}, {FVIRTKEY, VK_F3, 40006}, {ctrl, VK_F3, 40008},
      {ctrl, 'R', 40003}, {FVIRTKEY | FSHIFT, VK_F3, 40007}, {ctrl | FSHIFT, VK_F3, 40010},
      {ctrl, 'W', 40012}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), std::get<0>(expected[i])) << i;
    EXPECT_EQ(entries[i].key, std::get<1>(expected[i])) << i;
    EXPECT_EQ(entries[i].cmd, std::get<2>(expected[i])) << i;
  }
}

TEST_F(Resources, DescribeTheLibraryInItsVersionInformation) {
  const std::wstring path = test::ProgramFolder() + L"\\lumen.dll";
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0u);
  EXPECT_EQ(fixed->dwFileVersionLS, 4u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00090001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0809);
  EXPECT_EQ(translation[1], 0x04B0);
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\080904b0\\") + name;
    return VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) && text
               ? std::wstring(text)
               : std::wstring(L"<none>");
  };
  EXPECT_EQ(value(L"FileVersion"), L"0,0,0,4");
  EXPECT_EQ(value(L"ProductVersion"), L"9, 1, 3, 0");
  EXPECT_EQ(value(L"InternalName"), L"LUMEN");
  EXPECT_EQ(value(L"FileDescription"), L"Tessera Source Viewer Plugin");
  EXPECT_EQ(value(L"OriginalFilename"), L"lumen.dll");
  EXPECT_EQ(value(L"ProductName"), L"lumen Dynamic Link Library");
  EXPECT_EQ(value(L"CompanyName"), L"<none>");
}

TEST_F(Resources, HoldTheIconInBothColourDepthsAndTheDialogFrame) {
  const std::string group = ResourceBytes(plugin.module(), MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(101));
  ASSERT_GE(group.size(), 6u + 2 * 14);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(group.data() + 4), 2) << "two images";
  for (int i = 0; i < 2; ++i) {
    const char* entry = group.data() + 6 + 14 * i;
    EXPECT_EQ(static_cast<BYTE>(entry[0]), 16);
    EXPECT_EQ(static_cast<BYTE>(entry[1]), 16);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), i == 0 ? 4 : 8) << "bits per pixel";
  }
  HICON icon = static_cast<HICON>(LoadImageW(plugin.module(), MAKEINTRESOURCEW(101), IMAGE_ICON, 0, 0, 0));
  EXPECT_NE(icon, nullptr);
  DestroyIcon(icon);

  const std::string dialog = ResourceBytes(plugin.module(), RT_DIALOG, MAKEINTRESOURCEW(110));
  ASSERT_GE(dialog.size(), 26u);
  const WORD* words = reinterpret_cast<const WORD*>(dialog.data());
  EXPECT_EQ(words[1], 0xFFFF) << "an extended template";
  EXPECT_EQ(*reinterpret_cast<const DWORD*>(dialog.data() + 12), 0x90C808C0u);
  EXPECT_EQ(words[8], 0) << "no controls";
  EXPECT_EQ(words[11], 312);
  EXPECT_EQ(words[12], 179);
}

}  // namespace
}  // namespace lumen
