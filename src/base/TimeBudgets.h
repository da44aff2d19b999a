#pragma once
// How long lumen may keep the host's thread, and how soon it comes back:
// every time budget in one place. A message the host waits for takes at
// most about a tenth of a second; background work comes in short turns with
// the host's messages between them.
#include <chrono>

namespace lumen::budget {

using std::chrono::milliseconds;

// One turn of the viewer's background work, and the share of it a load's
// turn has (reading the host's stream, putting the built document in place);
// the search's marking and counting take the rest.
inline constexpr milliseconds kTurn{40};
inline constexpr milliseconds kLoadPartOfTurn{15};
// A followed file is looked at this often: its new lines appear within it.
inline constexpr milliseconds kFollowPeriod{100};
// A big document put aside is freed by a worker this long after: freeing
// holds the process's memory lock, which the painting and styling of the
// document that took its place would otherwise wait for.
inline constexpr milliseconds kFreeAfterShowing{1000};
// A closing viewer waits at most this long for such a worker (far longer
// than freeing the largest document takes).
inline constexpr milliseconds kLongestFreeing{10000};

// A search action (typing, an option, a step) from the start of its message:
// the step first, then the view's marks, the count, the rest of the marks.
inline constexpr milliseconds kSearchAction{50};
// New marks of a document marked whole: a small file marked whole at once.
inline constexpr milliseconds kNewMarksWhole{80};
// The marks of what comes into view on a scroll.
inline constexpr milliseconds kViewMarks{20};
// Finding the number of the selected match from the count's nearest place.
inline constexpr milliseconds kMatchNumber{5};
// How long an action or a turn waits for a step through a windowed file's
// workers: the window's move to the match and its marks follow in the same
// message.
inline constexpr milliseconds kFileStepWait{20};
// How long a copy waits for its text read from a windowed file, and how
// often it looks again after.
inline constexpr milliseconds kFileCopyWait{50};
inline constexpr milliseconds kFileCopyLook{30};
// How long a message waits for a read of a file on another machine; a move
// that needs a read that comes later is made in a later turn.
inline constexpr milliseconds kSlowReadWait{40};
// A small document is counted whole in the first turn; of a turn, the count
// of a big one takes this share beside the marks.
inline constexpr milliseconds kSmallCount{20};
inline constexpr milliseconds kCountShare{5};

}  // namespace lumen::budget
