#pragma once
// A host stand-in with its configuration folder in a private temporary folder:
// the plug-in's readers and writers then work on a file the test controls.
#include <string>

#include "HostStandIn.h"
#include "TestFiles.h"

namespace lumen::test {

class HostedConfig {
 public:
  explicit HostedConfig(bool reducedHost = false);

  HostStandIn& host() { return host_; }
  const std::wstring& folder() const { return folder_.path(); }
  // The configuration file's full path, as the plug-in forms it.
  std::wstring path() const;
  // Writes the configuration file as UTF-8 text.
  void Write(const std::string& xml) const;
  std::string Read() const;

 private:
  TempFolder folder_;
  HostStandIn host_;
};

// A small document around the given <Styles> children, with every option set.
std::string ConfigWithStyles(const std::string& styles);

}  // namespace lumen::test
