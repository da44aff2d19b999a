#pragma once
// Highlight rules drawn over the text shown: every match of a rule in its
// colours over the language's, made in the lines in view and a screen
// around them, again as the view moves, so that a file of any size costs
// what a screen does. Background colours are indicators drawn under the
// text, foreground colours indicators that colour it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "abi/EditorControl.h"
#include "config/Model.h"
#include "search/MatchWalk.h"

namespace lumen {

// A rule as one file in one scheme shows it.
struct ShownRule {
  SearchQuery query;
  int32_t foreground = -1, background = -1;  // 0xRRGGBB; -1: none
  bool operator==(const ShownRule&) const = default;
};

// The rules of `rules` for a file of `language` (a Style name) in `scheme`.
std::vector<ShownRule> RulesForLanguage(const std::vector<HighlightRule>& rules, const std::wstring& language,
                                        Scheme scheme);

// The five colours of the context menu's Highlight, in order, in `scheme`.
int32_t HighlightColour(size_t index, Scheme scheme);
inline constexpr size_t kHighlightColours = 5;

class RuleMarks {
 public:
  void SetEditor(const EditorControl& editor) { editor_ = editor; }
  // The rules for the text shown from now on, marked anew.
  void SetRules(const std::vector<ShownRule>& rules);
  // The text changed: what was marked may be gone.
  void TextChanged() { markedFrom_ = markedTo_ = 0; }
  // Marks the lines in view and a screen before and after them, unless marked.
  void MarkView();

 private:
  struct Drawn {
    std::shared_ptr<const Searcher> searcher;
    int foreground = -1, background = -1;  // the indicators, or -1
  };
  void ClearAll();

  EditorControl editor_;
  std::vector<Drawn> rules_;
  std::vector<int> indicators_;  // every indicator the rules use
  intptr_t markedFrom_ = 0, markedTo_ = 0;  // the lines [from, to) marked
};

}  // namespace lumen
