#pragma once
// What tests control in the stand-in: the configuration folder, the host's
// strings, call counts and injected failures.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "XmlDocuments.h"

namespace lumen::standin {

class StandInState {
 public:
  StandInState() { Reset(); }

  // Counts a call of the function and tells whether an injected failure is due.
  bool CountCall(const std::string& function);
  // The nth call from now fails; nth 0: every call.
  void FailCall(const std::string& function, int nth);
  void ClearFailures() { failures_.clear(); }
  int CallCount(const std::string& function) const;

  void SetConfigFolder(const wchar_t* folder);
  const std::optional<std::wstring>& ConfigFolder() const { return configFolder_; }

  void SetString(UINT id, const wchar_t* text);
  const std::wstring* FindString(UINT id) const;

  // Failures, counts and strings back to the defaults; the folder stays.
  void Reset();

 private:
  struct InjectedFailure {
    std::string function;
    int callNumber;  // 0: every call
  };

  std::optional<std::wstring> configFolder_;
  std::map<UINT, std::wstring> strings_;
  std::map<std::string, int> callCounts_;
  std::vector<InjectedFailure> failures_;
};

// The one stand-in of the process. Every exported function holds the lock
// while it works: the host's functions may be called from several threads.
struct StandIn {
  std::mutex lock;
  StandInState state;
  XmlDocuments documents;
};

StandIn& TheStandIn();

}  // namespace lumen::standin
