#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "PluginLibrary.h"
#include "TestFiles.h"
#include "resources/resource.h"

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

TEST_F(Resources, HoldEveryStringTheWindowsShowWithAtMostOneMnemonic) {
  for (UINT id = IDS_FIND_NEXT; id <= IDS_SCHEME_SYSTEM; ++id) {
    const std::wstring text = String(plugin.module(), id);
    EXPECT_FALSE(text.empty()) << "string " << id;
    EXPECT_LE(std::count(text.begin(), text.end(), L'&'), 1) << "string " << id;
  }
  const wchar_t* find = nullptr;
  LoadStringW(plugin.module(), IDS_FIND_MENU_ITEM, reinterpret_cast<LPWSTR>(&find), 0);
  ASSERT_NE(find, nullptr);
  EXPECT_STREQ(find, L"Find") << "the menu label is read up to its zero";
}

TEST_F(Resources, HoldOneAcceleratorPerKeyForEveryViewerCommand) {
  HACCEL table = LoadAcceleratorsW(plugin.module(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  ASSERT_NE(table, nullptr);
  ACCEL entries[32] = {};
  const int count = CopyAcceleratorTableW(table, entries, 32);
  const BYTE ctrl = FVIRTKEY | FCONTROL;
  const std::map<std::pair<BYTE, WORD>, WORD> expected = {
      {{ctrl, 'L'}, IDA_HIDE_SEARCH},
      {{ctrl, 'M'}, IDA_CTRL_M},
      {{ctrl, 'F'}, IDA_TOGGLE_SEARCH},
      {{ctrl, 'E'}, IDA_FIND_NEXT_CTRL_E},
      {{FVIRTKEY, VK_F3}, IDA_FIND_NEXT_F3},
      {{ctrl, VK_F3}, IDA_FIND_SELECTION_FORWARD},
      {{ctrl, 'R'}, IDA_FIND_PREVIOUS_CTRL_R},
      {{FVIRTKEY | FSHIFT, VK_F3}, IDA_FIND_PREVIOUS_SHIFT_F3},
      {{ctrl | FSHIFT, VK_F3}, IDA_FIND_SELECTION_BACKWARD},
      {{ctrl, 'W'}, IDA_CTRL_W},
      {{ctrl, 'G'}, IDA_GO_TO_LINE},
      {{ctrl | FSHIFT, 'C'}, IDA_COPY_WITH_COLOURS},
      {{FVIRTKEY | FSHIFT, VK_F10}, IDA_CONTEXT_MENU},
      {{FVIRTKEY, VK_APPS}, IDA_CONTEXT_MENU},
      {{ctrl | FSHIFT, 'W'}, IDA_WRAP_LINES},
      {{ctrl | FSHIFT, '8'}, IDA_SHOW_WHITESPACE},
      {{ctrl | FSHIFT, 'I'}, IDA_INDENTATION_GUIDES},
      {{FVIRTKEY | FALT, '0'}, IDA_FOLD_ALL},
      {{FVIRTKEY | FALT | FSHIFT, '0'}, IDA_UNFOLD_ALL},
      {{ctrl | FSHIFT, 'L'}, IDA_FOLLOW_CHANGES},
      {{ctrl, VK_F2}, IDA_TOGGLE_BOOKMARK},
      {{FVIRTKEY, VK_F2}, IDA_NEXT_BOOKMARK},
      {{FVIRTKEY | FSHIFT, VK_F2}, IDA_PREVIOUS_BOOKMARK},
      {{ctrl | FSHIFT, 'F'}, IDA_FILTER_MATCHING},
      {{ctrl | FSHIFT, 'H'}, IDA_FILTER_HIDING},
      {{ctrl | FSHIFT, 'J'}, IDA_FORMAT}};
  std::map<std::pair<BYTE, WORD>, WORD> held;
  for (int i = 0; i < count; ++i) {
    const auto key = std::make_pair(static_cast<BYTE>(entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)), entries[i].key);
    EXPECT_TRUE(held.emplace(key, entries[i].cmd).second) << "key " << entries[i].key << " twice";
  }
  EXPECT_EQ(held, expected);
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
