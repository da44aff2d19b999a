#include "SearchWord.h"

#include <map>
#include <vector>

namespace lumen::demo {
namespace {

constexpr size_t kShortestWord = 4;
constexpr size_t kLongestWord = 24;

bool IsWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsWordPart(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }

std::string_view FirstLines(std::string_view text, size_t lineCount) {
  size_t end = 0;
  for (size_t line = 0; line < lineCount && end < text.size(); ++line) {
    const size_t newline = text.find('\n', end);
    end = newline == std::string_view::npos ? text.size() : newline + 1;
  }
  return text.substr(0, end);
}

}  // namespace

std::wstring PickSearchWord(std::string_view text, size_t lineCount) {
  const std::string_view shown = FirstLines(text, lineCount);
  std::map<std::string_view, size_t> counts;
  std::vector<std::string_view> order;  // words by their first occurrence
  for (size_t i = 0; i < shown.size();) {
    if (!IsWordStart(shown[i]) || (i > 0 && IsWordPart(shown[i - 1]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < shown.size() && IsWordPart(shown[end])) ++end;
    const std::string_view word = shown.substr(i, end - i);
    if (word.size() >= kShortestWord && word.size() <= kLongestWord && counts[word]++ == 0) order.push_back(word);
    i = end;
  }
  std::string_view best;
  size_t bestCount = 1;  // a word must occur at least twice
  for (const std::string_view word : order) {
    if (counts[word] > bestCount) {
      best = word;
      bestCount = counts[word];
    }
  }
  return std::wstring(best.begin(), best.end());
}

}  // namespace lumen::demo
