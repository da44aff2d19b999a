// tessera.exe, the demo host: shows lumen.dll at work the way Tessera uses it.
// It exports the host's functions itself, so lumen finds its host by name.
#include <windows.h>

#include <commctrl.h>
#include <memory>
#include <optional>
#include <shellapi.h>
#include <stdexcept>

#include "MainWindow.h"
#include "Plugin.h"
#include "Text.h"
#include "Tour.h"
#include "host_functions/HostExports.h"
#include "logic/FolderListing.h"
#include "logic/Options.h"

namespace lumen::demo {
namespace {

constexpr int kWindowWidth = 1200;
constexpr int kWindowHeight = 780;

struct Target {
  std::wstring folder;
  std::wstring fileName;  // empty: the folder's first file that lumen claims
};

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
  if (full.empty()) throw std::runtime_error("cannot make a full path of " + Utf8(path));
  return full;
}

std::wstring ProgramFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return ParentFolder(path);
}

Target ResolveTarget(const std::wstring& path) {
  const std::wstring full = FullPath(path.empty() ? L"." : path);
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw std::runtime_error("cannot find " + Utf8(full));
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {full, L""};
  return {ParentFolder(full), LastComponent(full)};
}

std::vector<std::wstring> Arguments() {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(CommandLineToArgvW(GetCommandLineW(), &count),
                                                                 &LocalFree);
  if (!arguments) return {};
  return std::vector<std::wstring>(arguments.get() + std::min(count, 1), arguments.get() + count);
}

// Keys meet the viewer before the window they were typed into, as in Tessera.
int RunMessageLoop(MainWindow& window) {
  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.RouteToViewer(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int Run(HINSTANCE instance, const Options& options) {
  const INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const std::wstring programFolder = ProgramFolder();
  // The folder scripts/demo prepares beside the program's folder, unless named.
  const std::wstring configFolder = FullPath(options.configFolder.empty()
                                                 ? JoinPath(ParentFolder(programFolder), L"demo-home\\Host\\Config")
                                                 : options.configFolder);
  StandInSetConfigFolder(configFolder.c_str());
  const Target target = ResolveTarget(options.target);

  Plugin plugin(JoinPath(programFolder, L"lumen.dll"));
  if (!plugin.Start()) throw std::runtime_error("lumen.dll refused to start: HBX_InitEx answered FALSE");
  MainWindow window(instance, plugin, plugin.Describe(), configFolder);
  window.Create(kWindowWidth, kWindowHeight, SW_SHOWNORMAL);
  window.SetFindText(options.findText);
  window.ShowFolder(target.folder, target.fileName);
  std::optional<Tour> tour;
  if (!options.screenshot.empty()) {
    // Text in the find box alone is shown by itself; the panel would replace its highlight.
    const bool usePanel = options.findText.empty() || !options.searchText.empty();
    tour.emplace(window, JoinPath(target.folder, target.fileName), options.searchText, FullPath(options.screenshot),
                 usePanel, options.configure, options.menu, options.paste,
                 options.filter);
    tour->Start();
  }
  return RunMessageLoop(window);
}

}  // namespace
}  // namespace lumen::demo

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace lumen::demo;
  Options options;
  try {
    std::wstring error;
    if (!ParseOptions(Arguments(), options, error)) {
      PrintError(error + L"\nusage: " + kUsage);
      return 2;
    }
    return Run(instance, options);
  } catch (const std::exception& failure) {
    const std::wstring message = Wide(failure.what());
    PrintError(message);
    if (options.screenshot.empty()) MessageBoxW(nullptr, message.c_str(), L"Tessera demo", MB_OK | MB_ICONERROR);
    return 1;
  } catch (...) {
    PrintError(L"failed for an unknown reason");
    return 1;
  }
}
