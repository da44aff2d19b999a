#pragma once
// The bookmarked lines of the file shown, by their line in the file (from
// 0): a window onto a big file moves under them, they stay.
#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace lumen {

class Bookmarks {
 public:
  // The bookmarks are `file`'s: another file's are let go.
  void BelongTo(const std::wstring& file);
  // Sets or removes the bookmark of `line`; true when it is set now.
  bool Toggle(uint64_t line);
  void Clear() { lines_.clear(); }
  // The next after `line`, round the end; the previous before it, round the start.
  std::optional<uint64_t> Next(uint64_t line) const;
  std::optional<uint64_t> Previous(uint64_t line) const;
  const std::set<uint64_t>& lines() const { return lines_; }
  bool empty() const { return lines_.empty(); }

 private:
  std::wstring file_;
  std::set<uint64_t> lines_;
};

}  // namespace lumen
