#pragma once
// Configuration files made from a sound one by random damage: elements and
// attributes dropped, duplicated, reordered and renamed, values replaced by
// hostile text, the root renamed; or the file truncated, not XML at all,
// missing, or locked against reading.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Robustness.h"

namespace lumen::robustness {

struct ConfigurationSample {
  std::string description;           // what was done to the file
  std::optional<std::string> bytes;  // nothing: there is no file
  bool locked = false;               // opened exclusively while the case runs
};

ConfigurationSample MutateConfiguration(const std::string& base, Random& random);

// The texts of every ext attribute in the bytes, cut at blanks, dots, tabs and
// line ends: extensions worth trying, configured or not.
std::vector<std::wstring> ExtensionCandidates(const std::string& bytes);

// The configuration file opened without any sharing for the object's lifetime.
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path);
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

 private:
  HANDLE handle_;
};

}  // namespace lumen::robustness
