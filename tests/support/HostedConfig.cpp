#include "HostedConfig.h"

namespace lumen::test {

HostedConfig::HostedConfig(bool reducedHost)
    : host_(reducedHost ? HostStandIn::Build::Reduced : HostStandIn::Build::Full) {
  host_.Reset();
  host_.SetConfigFolder(folder_.path());
}

std::wstring HostedConfig::path() const { return folder_ / L"lumen.config.xml"; }

void HostedConfig::Write(const std::string& xml) const { WriteBytes(path(), xml); }

std::string HostedConfig::Read() const { return ReadBytes(path()); }

std::string ConfigWithStyles(const std::string& styles) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <Highlight Foreground="FF8000" ForegroundAlpha="50" OutlineAlpha="A0"/>
  <FileSizeLimit>1048576</FileSizeLimit>
  <LineNumbering Enabled="yes"/>
  <LineWrapping Enabled="no"/>
  <Tabulator Width="4"/>
  <SearchSync Enabled="YES"/>
  <Styles>
)" + styles + R"(
  </Styles>
</Config>
)";
}

}  // namespace lumen::test
