#include "StandInState.h"

#include <algorithm>

namespace lumen::standin {
namespace {

constexpr UINT kFileDescriptionFormat = 24051;

}  // namespace

bool StandInState::CountCall(const std::string& function) {
  const int call = ++callCounts_[function];
  return std::any_of(failures_.begin(), failures_.end(), [&](const InjectedFailure& failure) {
    return failure.function == function && (failure.callNumber == 0 || failure.callNumber == call);
  });
}

void StandInState::FailCall(const std::string& function, int nth) {
  if (nth < 0) return;
  failures_.push_back({function, nth == 0 ? 0 : CallCount(function) + nth});
}

int StandInState::CallCount(const std::string& function) const {
  const auto found = callCounts_.find(function);
  return found == callCounts_.end() ? 0 : found->second;
}

void StandInState::SetConfigFolder(const wchar_t* folder) {
  configFolder_ = folder ? std::optional<std::wstring>(folder) : std::nullopt;
}

void StandInState::SetString(UINT id, const wchar_t* text) {
  if (text) {
    strings_[id] = text;
  } else {
    strings_.erase(id);
  }
}

const std::wstring* StandInState::FindString(UINT id) const {
  const auto found = strings_.find(id);
  return found == strings_.end() ? nullptr : &found->second;
}

void StandInState::Reset() {
  failures_.clear();
  callCounts_.clear();
  strings_ = {{kFileDescriptionFormat, L"%I64d lines, %I64u bytes"}};
}

StandIn& TheStandIn() {
  static StandIn standIn;
  return standIn;
}

}  // namespace lumen::standin
