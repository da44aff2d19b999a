#include "Options.h"

namespace lumen::demo {

bool ParseOptions(const std::vector<std::wstring>& arguments, Options& options, std::wstring& error) {
  const auto valueOf = [&](size_t& index, std::wstring& value) {
    if (index + 1 >= arguments.size()) {
      error = arguments[index] + L" needs a value";
      return false;
    }
    value = arguments[++index];
    return true;
  };
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::wstring& argument = arguments[index];
    std::wstring* value = argument == L"--config"       ? &options.configFolder
                          : argument == L"--screenshot" ? &options.screenshot
                          : argument == L"--search"     ? &options.searchText
                          : argument == L"--find"       ? &options.findText
                                                        : nullptr;
    if (value) {
      if (!valueOf(index, *value)) return false;
    } else if (argument == L"--configure") {
      options.configure = true;
    } else if (argument == L"--menu") {
      options.menu = true;
    } else if (argument == L"--paste") {
      options.paste = true;
    } else if (argument == L"--filter") {
      options.filter = true;
    } else if (argument.starts_with(L"--")) {
      error = L"unknown option " + argument;
      return false;
    } else if (!options.target.empty()) {
      error = L"only one file or folder can be shown, not also " + argument;
      return false;
    } else {
      options.target = argument;
    }
  }
  return true;
}

}  // namespace lumen::demo
