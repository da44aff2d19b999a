#pragma once
// A host with a small configuration, lumen.dll started, and the host's main
// window: what every test of the live dialog begins with.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "HostedConfig.h"
#include "PluginLibrary.h"
#include "config/Loaders.h"

namespace lumen::test {

// C: three word styles (the first with a font that is not installed and a size
// the list lacks); Python: one; Text: none.
inline const char kDialogStyles[] = R"(
    <Style ext="c h" lexer="3" name="C">
      <WordStyles>
        <WordStyle name="Default" styleID="0" fgColor="102030" bgColor="FFFFFF" fontName="No Such Font 42" fontSize="13" fontStyle="0"/>
        <WordStyle name="Comment" styleID="1" fgColor="008000" fontStyle="2"/>
        <WordStyle name="Keyword" styleID="5" fgColor="0000FF" fontSize="10" fontStyle="1"><Keywords id="0">int char</Keywords></WordStyle>
      </WordStyles>
    </Style>
    <Style ext="py pyw" lexer="2" name="Python" names="SConstruct" aliases="python py">
      <WordStyles>
        <WordStyle name="Default" styleID="0" fgColor="000000" fontSize="9" fontStyle="4"/>
      </WordStyles>
    </Style>
    <Style ext="txt" lexer="1" name="Text"/>)";

constexpr UINT kNotifyData = 0xCAFE1234;

// Answers the colour chooser with red, green and blue typed into its fields.
inline auto ConfirmColour(int red, int green, int blue) {
  return [=](HWND box) {
    // The chooser's red, green and blue fields.
    SetDlgItemInt(box, 706, red, FALSE);
    SetDlgItemInt(box, 707, green, FALSE);
    SetDlgItemInt(box, 708, blue, FALSE);
    PressButton(box, IDOK);
  };
}

class LiveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    config.Write(ConfigWithStyles(kDialogStyles));
    ASSERT_TRUE(plugin.StartUp());
  }
  void TearDown() override { plugin.Uninit(); }

  HWND Configure(HWND parent, HWND notify, UINT data = kNotifyData) { return plugin.Configure(parent, notify, data); }
  // The dialog as the host opens it: over its main window, which is also told to reload.
  OpenDialog Open() { return OpenDialog(Configure(host.handle(), host.handle())); }
  Configuration Saved() const { return LoadConfiguration(config.path()); }

  HostedConfig config;
  PluginLibrary plugin;
  HostWindow host;
};

}  // namespace lumen::test
