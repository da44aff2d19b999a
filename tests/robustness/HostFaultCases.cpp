// The host's functions failing: each one at each of its call sites in turn
// (and at every call), for everything that loads or saves the configuration;
// and the host missing entirely, or without the functions a host may lack.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "Exports.h"
#include "Robustness.h"
#include "config/Loaders.h"
#include "config/Saver.h"
#include "base/Text.h"
#include "host/Paths.h"

namespace lumen::robustness {
namespace {

const std::string kSource = "int main(void) { return 0; } // a line of source\n";

// Something the host has the plug-in do; it checks the outcomes that are
// allowed when host functions fail and returns whether it saved the file.
struct Operation {
  std::string name;
  std::function<bool(Host&)> run;
};

std::vector<std::wstring> Pieces(const std::wstring& list) { return Split(list, L";"); }

bool IsSubsequence(const std::vector<std::wstring>& part, const std::vector<std::wstring>& whole) {
  size_t at = 0;
  for (const std::wstring& piece : part) {
    while (at < whole.size() && whole[at] != piece) ++at;
    if (at++ >= whole.size()) return false;
  }
  return true;
}

std::vector<Operation> Operations(const Expectations& full) {
  return {
      {"identification",
       [](Host& host) {
         IdentifyFile(host, L"x.c");  // either answer; the record matches it
         EXPECT_FALSE(IdentifyFile(host, L"x.unknown"));
         return false;
       }},
      {"plug-in information",
       [full](Host& host) {
         const PluginInfo info = IdentifyPlugin(host, 256);
         EXPECT_TRUE(info.extensions && IsSubsequence(Pieces(*info.extensions), Pieces(full.handledList)))
             << "extensions the configuration does not list";
         EXPECT_TRUE(info.fileSizeLimit == full.fileSizeLimit || info.fileSizeLimit == 1) << info.fileSizeLimit;
         return false;
       }},
      {"viewer creation, load and reload",
       [](Host& host) {
         Viewer viewer(host);
         const Lexers lexers = ExpectFileShown(host, viewer, L"sample.c", kSource);
         for (const int lexer : {lexers.loaded, lexers.reloaded}) {
           EXPECT_TRUE(lexer == 3 || lexer == 1) << lexer;
         }
         return false;
       }},
      {"loading the whole configuration",
       [](Host&) {
         try {
           LoadConfiguration(ConfigFilePath());
         } catch (const std::exception&) {
         }
         return false;
       }},
      {"saving the whole configuration", [full](Host& host) { return Save(host, *full.configuration); }},
  };
}

TEST(HostFaultRobustness, EveryHostFunctionFailsAtEachOfItsCallsInTurn) {
  Host host;
  const std::string configuration = SmallConfiguration();
  host.WriteConfig(configuration);
  const Expectations full = ReadExpectations(host);
  ASSERT_TRUE(full.configuration.has_value());
  for (const Operation& operation : Operations(full)) {
    const std::map<std::string, int> calls = HostCallsOf(host, [&] { operation.run(host); });
    for (const std::string& function : HostFunctionNames()) {
      for (int call = 0; call <= calls.at(function) && calls.at(function) > 0; ++call) {
        const std::string site =
            function + (call == 0 ? std::string(" fails every time") : " fails at call " + std::to_string(call));
        const Case scope("host faults: " + operation.name, site);
        SCOPED_TRACE(operation.name + ": " + site);
        host.WriteConfig(configuration);
        const int before = host.OpenDocuments();
        host.standIn()->Reset();
        host.standIn()->FailCall(function, call);
        const bool saved = operation.run(host);
        host.standIn()->ClearFailures();
        if (saved) ExpectLoadsAsSaved(host, *full.configuration);
        host.ExpectCleanEnd(saved ? host.ConfigBytes() : configuration,
                            DocumentsTheHostMayKeep(function, call, before, host.OpenDocuments()));
      }
    }
  }
}

TEST(HostFaultRobustness, NoHostAtAllOrAHostWithoutPathWriterAndStrings) {
  Configuration configuration;
  {
    Host full;
    full.WriteConfig(SmallConfiguration());
    configuration = LoadConfiguration(full.configPath());
  }
  for (const Host::Kind kind : {Host::Kind::Missing, Host::Kind::Reduced}) {
    const std::string which = kind == Host::Kind::Missing ? "no host" : "a reduced host";
    Host host(kind);
    host.WriteConfig(SmallConfiguration());
    {
      const Case scope("host faults: " + which, "identification and plug-in information");
      EXPECT_FALSE(IdentifyFile(host, L"x.c")) << "no configuration, no file claimed";
      const PluginInfo info = IdentifyPlugin(host, 64);
      EXPECT_EQ(info.extensions, L"");
      EXPECT_EQ(info.fileSizeLimit, 1u);
    }
    {
      const Case scope("host faults: " + which, "viewer");
      Viewer viewer(host);
      const Lexers lexers = ExpectFileShown(host, viewer, L"sample.c", kSource);
      EXPECT_TRUE(lexers.loaded == 1 && lexers.reloaded == 1) << "plain text";
      EXPECT_NE(viewer.Describe().find(L"<missing string>"), std::wstring::npos) << "no host strings";
    }
    {
      const Case scope("host faults: " + which, "loading and saving");
      EXPECT_THROW(LoadConfiguration(ConfigFilePath()), std::logic_error);
      EXPECT_THROW(SaveConfiguration(ConfigFilePath(), configuration), std::logic_error);
      EXPECT_FALSE(Save(host, configuration)) << "no writer: no save";
    }
    host.ExpectCleanEnd(SmallConfiguration());
  }
}

}  // namespace
}  // namespace lumen::robustness
