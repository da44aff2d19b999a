#pragma once
// What the search panel asks of the search behind it, and the count it shows.
#include <cstddef>
#include <string>

namespace lumen {

// Where the selection stands among the matches of the search text.
struct MatchCount {
  bool searching = false;  // a search text is set
  size_t position = 0;     // 1-based; 0 when no match is selected
  size_t total = 0;
  bool invalidPattern = false;
  bool counting = false;  // the document is not searched to its end yet
  size_t tooComplexLine = 0;  // 1-based: the first line the pattern was too complex for
  bool operator==(const MatchCount&) const = default;
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
  virtual void SetRegularExpression(bool regularExpression) = 0;
  virtual void CancelSearch() = 0;
  // The line entry's text was confirmed; false when it names no line.
  virtual bool GoToLine(const std::wstring& text) = 0;
  // The keyboard goes back to the document.
  virtual void FocusDocument() = 0;
  // The filter's check box or its number of context lines changed.
  virtual void SetFilter(bool show, unsigned context) = 0;
};

}  // namespace lumen
