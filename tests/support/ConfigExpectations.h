#pragma once
#include "config/Model.h"

namespace lumen::test {

// What a save and a reload make of a configuration: values that mean "not
// set" come back in their one canonical form.
inline Configuration AsReloaded(Configuration c) {
  for (XMLStyle& style : c.styles) {
    for (WordStyle& w : style.wordStyles) {
      if (w.fontSize <= 0) w.fontSize = -1;
      if (w.fgColor < 0) w.fgColor = -1;
      if (w.bgColor < 0) w.bgColor = -1;
      if (w.eolFill < 0) w.eolFill = -1;
      if (w.keywords.empty()) w.keywordSet = kNoKeywordSet;
    }
  }
  return c;
}

}  // namespace lumen::test
