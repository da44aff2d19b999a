#pragma once
// A pattern's matches in a document as a search of each whole line gives them:
// what the walks through the document, a piece at a time, must find.
#include <string_view>
#include <utility>
#include <vector>

#include "search/Pattern.h"

namespace lumen::test {

inline std::vector<std::pair<size_t, size_t>> MatchesLineByLine(const Pattern& pattern, std::string_view document) {
  std::vector<std::pair<size_t, size_t>> matches;
  for (size_t lineStart = 0; lineStart <= document.size();) {
    const size_t lineEnd = std::min(document.find_first_of("\r\n", lineStart), document.size());
    const std::string_view line = document.substr(lineStart, lineEnd - lineStart);
    for (size_t from = 0;;) {
      const Pattern::Result found = pattern.Find(line, from);
      if (found.outcome != Pattern::Outcome::Found) break;
      matches.emplace_back(lineStart + found.span.start, lineStart + found.span.end);
      from = found.span.end;
    }
    lineStart = lineEnd + (document.compare(lineEnd, 2, "\r\n") == 0 ? 2 : 1);
  }
  return matches;
}

}  // namespace lumen::test
