#pragma once
// Configuration files as users keep them, and the comparison of such a file
// before and after the dialog's OK: only what the user edited may differ.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "Robustness.h"

namespace lumen::robustness {

// A file that loads, with what the plug-in does not read: comments, elements
// and attributes of the user's own or of a newer lumen, duplicated sections,
// fontStyle bits beyond 1, 2 and 4, empty keyword sets, options left out.
struct UserConfiguration {
  std::string bytes;
  std::string description;
};
UserConfiguration MakeUserConfiguration(Random& random);

// A document and the changes allowed to it; everything else must stay as it
// is, in its place.
class AllowedChanges {
 public:
  using Node = rapidxml::xml_node<char>;

  explicit AllowedChanges(const std::string& bytes);
  ~AllowedChanges();

  // The element reached from the root by taking, at each step, the index-th
  // child of that name (0: the one a lookup by name finds); null when absent.
  const Node* Find(const std::vector<std::pair<const char*, int>>& steps) const;
  const Node* root() const;
  // The attribute of that element may change or be added; as a number, its
  // `keptBits` must stay as they were.
  void AllowAttribute(const Node* element, const std::string& name, int keptBits = 0);
  // An element of that name may be added after the parent's children.
  void AllowChild(const Node* parent, const std::string& name);

  // What differs in `bytes` beyond the allowed changes, one line each.
  std::vector<std::string> Differences(const std::string& bytes) const;

 private:
  struct Document;
  void Compare(const Node& before, const Node& after, const std::string& path, std::vector<std::string>& found) const;

  std::unique_ptr<Document> before_;
  std::map<std::pair<const Node*, std::string>, int> attributes_;  // to the bits kept
  std::set<std::pair<const Node*, std::string>> children_;
};

}  // namespace lumen::robustness
