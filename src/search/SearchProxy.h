#pragma once
// What the search panel asks of its viewer, and the search state behind it.
#include <cstdint>
#include <string>
#include <vector>

namespace lumen {

// One match in the document: byte positions, end exclusive.
struct Match {
  int32_t start = 0;
  int32_t end = 0;
  bool operator==(const Match&) const = default;
};

class SearchProxy {
 public:
  virtual ~SearchProxy() = default;

  // Each returns whether any match exists.
  virtual bool SetSearchText(const std::wstring& text) = 0;
  virtual bool FindNext() = 0;
  virtual bool FindPrevious() = 0;
  virtual void SetMatchCase(bool matchCase) = 0;
  virtual void SetWholeWord(bool wholeWord) = 0;
  virtual void CancelSearch() = 0;

 protected:
  bool matchCase = false;
  bool wholeWord = false;
  std::wstring searchText;
  std::vector<Match> matches;  // in document order, never overlapping
  size_t currentMatch = 0;
};

}  // namespace lumen
