#pragma once
// lumen.dll's exports called as the host calls them, with guarded host
// buffers, and the checks that hold whatever the configuration says.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Robustness.h"
#include "config/Model.h"
#include "config/Recognition.h"

namespace lumen::robustness {

// HBX_IdentifyFileW (or, with `byStream`, HBX_IdentifyFileStreamW with a stream
// that must not be touched) through a record whose text buffer holds `capacity`
// characters. Checks that the record is written exactly when the file is claimed.
bool IdentifyFile(Host& host, const std::wstring& path, size_t capacity = 8, bool byStream = false);

struct PluginInfo {
  std::optional<std::wstring> extensions;  // nothing: the buffer was left alone
  uint64_t fileSizeLimit = 0;
};
// HBX_IdentifyW with an extension buffer of `capacity` characters, checking
// the answer and the fields that never depend on the configuration.
PluginInfo IdentifyPlugin(Host& host, uint32_t capacity);
// What the extension buffer holds for the handled-extension list `list`.
std::optional<std::wstring> ExpectedExtensionBuffer(const std::wstring& list, uint32_t capacity);

// What the plain loaders make of the configuration file; the exports must agree.
struct Expectations {
  std::vector<std::wstring> extensions;  // empty when they cannot be read
  std::wstring handledList;
  uint64_t fileSizeLimit = 1;
  std::optional<Configuration> configuration;
  std::vector<LanguageKeys> languages;  // what each language is recognised by
};
Expectations ReadExpectations(const Host& host);
// The lexer a file of this name and text gets: its language's, else plain text.
int ExpectedLexer(const Host& host, const std::wstring& fileName, const std::string& text);
bool IsConfigured(const std::vector<std::wstring>& extensions, const std::wstring& path);
// Whether a file that cannot be read is claimed: by its name or its extension.
bool ClaimedWithoutContent(const Expectations& expected, const std::wstring& path);

// Saves `configuration` as the dialog's OK does; a save that fails must leave
// the file as it was. Returns whether it saved.
bool Save(Host& host, const Configuration& configuration);
// The saved file loads as what was saved.
void ExpectLoadsAsSaved(const Host& host, const Configuration& configuration);

struct Lexers {
  int loaded;    // the editor's lexer after the load
  int reloaded;  // and after a settings reload
};
// Opens `text` as a file of that name in a viewer and checks that it is shown
// read-only from its start, survives a settings reload, and that the editor
// got only style and keyword numbers inside its tables.
Lexers ExpectFileShown(Host& host, Viewer& viewer, const std::wstring& name, const std::string& text);

}  // namespace lumen::robustness
