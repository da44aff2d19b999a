#include "viewer/Bookmarks.h"

#include <windows.h>

namespace lumen {

void Bookmarks::BelongTo(const std::wstring& file) {
  if (CompareStringOrdinal(file.c_str(), -1, file_.c_str(), -1, TRUE) == CSTR_EQUAL) return;
  file_ = file;
  lines_.clear();
}

bool Bookmarks::Toggle(uint64_t line) {
  if (lines_.erase(line) > 0) return false;
  lines_.insert(line);
  return true;
}

std::optional<uint64_t> Bookmarks::Next(uint64_t line) const {
  if (lines_.empty()) return std::nullopt;
  const auto after = lines_.upper_bound(line);
  return after != lines_.end() ? *after : *lines_.begin();
}

std::optional<uint64_t> Bookmarks::Previous(uint64_t line) const {
  if (lines_.empty()) return std::nullopt;
  const auto at = lines_.lower_bound(line);
  return at != lines_.begin() ? *std::prev(at) : *lines_.rbegin();
}

}  // namespace lumen
