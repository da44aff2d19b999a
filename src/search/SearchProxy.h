#pragma once
// What the search panel asks of the search behind it.
#include <string>

namespace lumen {

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
};

}  // namespace lumen
