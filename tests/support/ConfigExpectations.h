#pragma once
#include "config/Model.h"

namespace lumen::test {

// What a save and a reload make of a configuration: values that mean "not
// set" come back in their one canonical form.
inline Configuration AsReloaded(Configuration c) {
  const auto canonical = [](std::vector<WordStyle>& wordStyles) {
    for (WordStyle& w : wordStyles) {
      if (w.fontSize <= 0) w.fontSize = -1;
      if (w.fgColor < 0) w.fgColor = -1;
      if (w.bgColor < 0) w.bgColor = -1;
      if (w.eolFill < 0) w.eolFill = -1;
      if (w.keywords.empty()) w.keywordSet = kNoKeywordSet;
    }
  };
  for (XMLStyle& style : c.styles) canonical(style.wordStyles);
  for (SchemeStyle& style : c.dark.styles) canonical(style.wordStyles);
  for (int32_t* colour : {&c.lightColours.caretLine, &c.lightColours.caret, &c.lightColours.selection,
                          &c.dark.colours.caretLine, &c.dark.colours.caret, &c.dark.colours.selection,
                          &c.dark.highlight}) {
    if (*colour < 0) *colour = -1;
  }
  return c;
}

}  // namespace lumen::test
