#pragma once
// The demo's command line.
#include <string>
#include <vector>

namespace lumen::demo {

struct Options {
  std::wstring configFolder;  // the host's configuration folder; empty: beside the program
  std::wstring target;        // a file to show, or a folder to list; empty: the current folder
  std::wstring screenshot;    // a PNG to write after the scripted tour; empty: a window for a person
  std::wstring searchText;    // what the tour types into the search panel; empty: a word of the file
  std::wstring findText;      // what stands in the host's find box from the start
  bool configure = false;     // the tour opens lumen's configuration dialog and confirms it
  bool menu = false;          // the picture shows lumen's context menu (Shift+F10)
  bool paste = false;         // the picture shows the file's start copied with colours, pasted into a rich edit
  bool filter = false;        // the picture shows only the lines that match the search (the panel's check box)
};

inline constexpr wchar_t kUsage[] =
    L"tessera.exe [--config FOLDER] [--find TEXT] [--screenshot PNG [--search TEXT] [--configure] [--menu] [--paste] [--filter]] [FILE|FOLDER]";

// The arguments after the program's name. False, with the reason in `error`,
// for an unknown option, an option without its value, or a second target.
bool ParseOptions(const std::vector<std::wstring>& arguments, Options& options, std::wstring& error);

}  // namespace lumen::demo
