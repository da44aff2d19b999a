#include "search/RuleMarks.h"

#include <algorithm>
#include <map>

#include "base/Text.h"
#include "base/TimeBudgets.h"
#include "config/Schemes.h"

namespace lumen {

using namespace sci;

namespace {

// The control's indicators for its container: 0 is the search's.
constexpr int kFirstRuleIndicator = 8;
constexpr int kLastRuleIndicator = 31;
// At most this much text is marked in one go (a screen of very long lines).
constexpr intptr_t kMostMarkedBytes = intptr_t{1} << 20;

bool SameLanguage(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<ShownRule> RulesForLanguage(const std::vector<HighlightRule>& rules, const std::wstring& language,
                                        Scheme scheme) {
  std::vector<ShownRule> shown;
  for (const HighlightRule& rule : rules) {
    if (!rule.languages.empty() &&
        std::none_of(rule.languages.begin(), rule.languages.end(),
                     [&](const std::wstring& name) { return SameLanguage(name, language); })) {
      continue;
    }
    const bool dark = scheme == Scheme::Dark;
    ShownRule each{{WideToUtf8(rule.text), rule.matchCase, rule.wholeWord, rule.regex},
                   dark && rule.darkForeground >= 0 ? rule.darkForeground : rule.foreground,
                   dark && rule.darkBackground >= 0 ? rule.darkBackground : rule.background};
    if (each.foreground >= 0 || each.background >= 0) shown.push_back(std::move(each));
  }
  return shown;
}

int32_t HighlightColour(size_t index, Scheme scheme) {
  // Yellow, green, blue, pink, orange: light tints, or deep ones under light text.
  static constexpr int32_t kLight[kHighlightColours] = {0xFFF176, 0xA5D6A7, 0x90CAF9, 0xF48FB1, 0xFFCC80};
  static constexpr int32_t kDark[kHighlightColours] = {0x6B5E00, 0x1F5E24, 0x154A7A, 0x7A1F45, 0x7A4A00};
  return (scheme == Scheme::Dark ? kDark : kLight)[index % kHighlightColours];
}

void RuleMarks::ClearAll() {
  const LRESULT length = editor_.Send(SCI_GETLENGTH);
  for (const int indicator : indicators_) {
    editor_.Send(SCI_SETINDICATORCURRENT, indicator);
    editor_.Send(SCI_INDICATORCLEARRANGE, 0, length);
  }
}

void RuleMarks::SetRules(const std::vector<ShownRule>& rules) {
  if (!editor_.exists()) return;
  ClearAll();
  rules_.clear();
  indicators_.clear();
  // Rules of one colour share its indicator.
  std::map<std::pair<bool, int32_t>, int> byColour;
  int next = kFirstRuleIndicator;
  const auto indicatorFor = [&](bool foreground, int32_t colour) {
    if (colour < 0) return -1;
    const auto found = byColour.find({foreground, colour});
    if (found != byColour.end()) return found->second;
    if (next > kLastRuleIndicator) return -1;
    const int indicator = next++;
    editor_.Send(SCI_INDICSETSTYLE, indicator, foreground ? INDIC_TEXTFORE : INDIC_FULLBOX);
    editor_.Send(SCI_INDICSETFORE, indicator, SwapRedBlue(static_cast<uint32_t>(colour)));
    if (!foreground) {
      editor_.Send(SCI_INDICSETALPHA, indicator, 255);
      editor_.Send(SCI_INDICSETOUTLINEALPHA, indicator, 255);
      editor_.Send(SCI_INDICSETUNDER, indicator, 1);
    }
    byColour.emplace(std::make_pair(foreground, colour), indicator);
    indicators_.push_back(indicator);
    return indicator;
  };
  for (const ShownRule& rule : rules) {
    const Searcher::Made made = Searcher::For(rule.query);
    if (!made.searcher) continue;  // an invalid pattern draws nothing
    Drawn drawn{made.searcher, indicatorFor(true, rule.foreground), indicatorFor(false, rule.background)};
    if (drawn.foreground >= 0 || drawn.background >= 0) rules_.push_back(std::move(drawn));
  }
  TextChanged();
  MarkView();
}

void RuleMarks::MarkView() {
  if (rules_.empty() || !editor_.exists()) return;
  const LRESULT lines = editor_.Send(SCI_GETLINECOUNT);
  const LRESULT screen = std::max<LRESULT>(editor_.Send(SCI_LINESONSCREEN), 1);
  const LRESULT first = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE));
  const intptr_t from = std::max<LRESULT>(first - screen, 0), to = std::min<LRESULT>(first + 2 * screen + 1, lines);
  if (from >= markedFrom_ && to <= markedTo_) return;
  const LRESULT start = editor_.Send(SCI_POSITIONFROMLINE, from);
  LRESULT end = to >= lines ? editor_.Send(SCI_GETLENGTH) : editor_.Send(SCI_POSITIONFROMLINE, to);
  end = std::min<LRESULT>(end, start + kMostMarkedBytes);
  if (end <= start) return;
  std::string text(static_cast<size_t>(end - start) + 1, '\0');
  Sci_TextRange range = {{static_cast<int32_t>(start), static_cast<int32_t>(end)}, text.data()};
  editor_.Send(SCI_GETTEXTRANGE, 0, &range);
  text.resize(static_cast<size_t>(end - start));
  for (const int indicator : indicators_) {
    editor_.Send(SCI_SETINDICATORCURRENT, indicator);
    editor_.Send(SCI_INDICATORCLEARRANGE, start, end - start);
  }
  const auto deadline = MatchWalk::Clock::now() + budget::kViewMarks;
  for (const Drawn& rule : rules_) {
    // Its own copy: the starts a pattern was too complex at are this text's.
    MatchWalk walk(rule.searcher->Fresh(), text, 0, MatchWalk::From::LineStart);
    walk.Run(text, text.size(), deadline, [&](const Match& match) {
      for (const int indicator : {rule.foreground, rule.background}) {
        if (indicator < 0) continue;
        editor_.Send(SCI_SETINDICATORCURRENT, indicator);
        editor_.Send(SCI_INDICATORFILLRANGE, start + match.start, match.end - match.start);
      }
    });
  }
  markedFrom_ = from;
  markedTo_ = to;
}

}  // namespace lumen
