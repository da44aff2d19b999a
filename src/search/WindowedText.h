#pragma once
// A document that is a window onto a file too big to give the control whole:
// what the search needs of it to search the whole file, to tell where the
// control's text is in the file, and to show a place it finds.
#include <cstdint>
#include <optional>

#include "search/FileSearch.h"
#include "search/FindHighlight.h"
#include "search/GoToLine.h"

namespace lumen {

class WindowedText {
 public:
  // The file's text, to search it.
  virtual FileText Text() const = 0;
  // Where `position` of the control's text is in the file.
  virtual FilePlace PlaceOf(size_t position) const = 0;
  // Moves the window so that `match` is in it, if it is not; where the
  // match is in the control's text then.
  virtual std::optional<Match> Show(const FileMatch& match) = 0;
  // The file's line (counted from 0) that starts at `lineStart`.
  virtual std::optional<uint64_t> LineOf(uint64_t lineStart) const = 0;
  // The caret to the target's line of the file (as GoToLine does in a
  // document); false when the index has not come to that line yet.
  virtual bool GoTo(const LineTarget& target) = 0;

 protected:
  ~WindowedText() = default;
};

}  // namespace lumen
