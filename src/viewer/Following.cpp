// Following the shown file as it grows: the looks at it in the scheduler's
// turns, and the text the file added appended where the user sees it.
#include <memory>
#include <utility>

#include "base/TimeBudgets.h"
#include "viewer/ShownDocument.h"

namespace lumen {

using namespace sci;

namespace {

// At most this much of the file a look, each in a short message; a file that
// holds more is looked at again as soon as the host's messages allow.
constexpr size_t kMostFollowedBytes = size_t{512} << 10;

}  // namespace

void ShownDocument::StartFollowing(const ConfigurationSnapshot& configuration, uint64_t size,
                                   const std::optional<FileIdentity>& identity, size_t room) {
  // A compressed file is written once, whole: it is not followed.
  const bool wanted = file_.byPath && file_.compression == Compression::None && (!configuration.hasPath() || configuration.FollowChanges()) &&
                      OnThisMachine(file_.name);
  if (!wanted || closed_ || viewer_.Gone()) return StopFollowing();
  follower_.Begin(file_.name, size, identity, file_.encoding, file_.codePage, room);
  turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
}

void ShownDocument::StartFollowingBuilt(const ConfigurationSnapshot& configuration, const DocumentBuild::Result& built,
                                        const std::optional<FileIdentity>& identity) {
  StartFollowing(configuration, built.bytes - built.heldBack, identity, built.room);
  // What a document cut short at the control's limit adds is not shown either.
  if (built.cut) follower_.Stop();
}

void ShownDocument::StopFollowing() {
  follower_.End();
  turns_.Want(TurnScheduler::Work::Follow, false);
}

void ShownDocument::ToggleFollowing() {
  follower_.Pause(follower_.state() == FileFollower::State::Following);
}

void ShownDocument::FollowTurn() {
  if (follower_.state() == FileFollower::State::Off || follower_.state() == FileFollower::State::Full) return;
  // While the text is formatted the file's document waits; what the file
  // adds meanwhile comes once it is shown again.
  if (formatted_) return turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
  // While a filter is shown the file's document waits (its new lines come
  // after), and the filter goes on over them.
  if (filtered_) {
    FollowFiltered();
    return turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
  }
  // Ten looks a second; at once again while the file holds more than a look reads.
  const auto nextLook = [&](bool soon) {
    if (soon) return turns_.Want(TurnScheduler::Work::Follow, true);
    turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
  };
  // A big file still loading, or built anew, is followed once it is there.
  if (loading_ || regrowing_ || !editor_.exists()) return nextLook(false);
  const FileFollower::Step step = follower_.Tick(kMostFollowedBytes);
  switch (step.action) {
    case FollowAction::Append:
      if (window_) {
        GrowWindowed();
        break;
      }
      AppendFollowed(step.text);
      if (Superseded(shownCount_)) return;
      break;
    case FollowAction::ShowAgain:
      return ShowFollowedAgain();
    case FollowAction::MarkGone:
      viewer_.ReportToHost();  // the description says the file is gone
      break;
    case FollowAction::Nothing:
      break;
  }
  if (follower_.state() != FileFollower::State::Off && follower_.state() != FileFollower::State::Full) {
    nextLook(step.more);
  }
}

void ShownDocument::FollowFiltered() {
  Filtered& filtered = *filtered_;
  if (!filtered.followedTo || follower_.state() != FileFollower::State::Following ||
      filtered.filter->state() != LineFilter::State::Done) {
    return;
  }
  if (filtered.followPass) filtered.followedTo = filtered.filter->bytesRead();
  const FileLook look = LookAt(file_.name, false);
  // A file that became shorter is shown again once the filter ends.
  if (!look.exists || look.size <= *filtered.followedTo) return;
  const FileText more{file_.name, file_.encoding, file_.codePage, *filtered.followedTo, look.size, nullptr};
  if (!filtered.filter->Continue(more)) return;
  filtered.followPass = true;
  filtered.reported = false;
  turns_.Want(TurnScheduler::Work::Load, true);
}

ShownDocument::EndInView ShownDocument::WhereTheEndIs() const {
  const LRESULT lastLine = editor_.Send(SCI_GETLINECOUNT) - 1;
  if (editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)) == lastLine) return EndInView::Caret;
  const bool nothingSelected = editor_.Send(SCI_GETSELECTIONSTART) == editor_.Send(SCI_GETSELECTIONEND);
  const LRESULT lastInView = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE) +
                                                                      editor_.Send(SCI_LINESONSCREEN) - 1);
  return nothingSelected && lastInView >= lastLine ? EndInView::View : EndInView::No;
}

void ShownDocument::KeepAtEnd(EndInView end) {
  if (end == EndInView::Caret) {
    editor_.Send(SCI_DOCUMENTEND);
  } else if (end == EndInView::View) {
    // The caret stays; the lines scroll up as far as the new ones need.
    const LRESULT lastVisible = editor_.Send(SCI_VISIBLEFROMDOCLINE, editor_.Send(SCI_GETLINECOUNT) - 1);
    const LRESULT first = lastVisible - editor_.Send(SCI_LINESONSCREEN) + 1;
    if (first > editor_.Send(SCI_GETFIRSTVISIBLELINE)) editor_.Send(SCI_SETFIRSTVISIBLELINE, first);
  }
}

void ShownDocument::AppendFollowed(const std::string& text) {
  if (!text.empty()) {
    // The control makes room by copying its whole text: a small document is
    // given room ahead, seldom; a big one is built anew by the workers, with
    // room to grow, while it stays shown.
    const FileFollower::Room room =
        follower_.RoomFor(document_.length() + text.size(), file_.sizeClass == DocumentSize::Big);
    switch (room.growth) {
      case FileFollower::Growth::InRoom:
        break;
      case FileFollower::Growth::MakeRoom:
        document_.MakeRoom(room.room);
        break;
      case FileFollower::Growth::BuildAnew:
        return GrowFollowedDocument();
      case FileFollower::Growth::TooBig:
        follower_.Stop();
        return viewer_.ReportToHost();
    }
  }
  file_.size = follower_.size();
  if (!text.empty()) {
    const EndInView end = WhereTheEndIs();
    document_.Append(text);
    KeepAtEnd(end);
    // A log that grows beyond a small document's size is styled while idle
    // and not wrapped, as such a file is when loaded.
    file_.sizeClass = std::max(file_.sizeClass, SizeOfDocument(file_.size));
    viewer_.TextChanged();
    // The count goes on over the new text, and the marks take it in.
    search_.Grew(file_.sizeClass);
  }
  viewer_.ReportToHost();
}

void ShownDocument::GrowWindowed() {
  file_.size = follower_.size();
  window_->Grow(file_.size);
  turns_.Want(TurnScheduler::Work::Load, true);  // the index's progress, and the end once it is there
  viewer_.TextChanged();
  search_.Grew(file_.sizeClass);
  viewer_.ReportToHost();
}

void ShownDocument::ShowFollowedAgain() {
  const EndInView end = WhereTheEndIs();
  const uint64_t shown = shownCount_;
  if (Show(DocumentLoad::OfFile(file_.name), shown) && !Superseded(shown + 1)) {
    KeepAtEnd(end);
    return;
  }
  // Emptied: nothing to show until it grows again, from its start. A file
  // that cannot be read just now is tried again on the next look.
  if (Superseded(shown)) return;
  const FileLook now = LookAt(file_.name, false);
  if (!now.exists || now.size != 0) {
    return turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
  }
  document_.Clear();
  file_.size = 0;
  follower_.Begin(file_.name, 0, LookAt(file_.name, true).identity, file_.encoding, file_.codePage, 0);
  turns_.WantAt(TurnScheduler::Work::Follow, TurnScheduler::Clock::now() + budget::kFollowPeriod);
  viewer_.TextChanged();
  search_.Replaced();
  viewer_.ReportToHost();
}

void ShownDocument::GrowFollowedDocument() {
  std::unique_ptr<DocumentLoad> load = DocumentLoad::OfFile(file_.name);
  if (!load) {
    // Beyond what lumen reads; or not to be opened just now, and what the
    // look read waits for the next one.
    if (LookAt(file_.name, false).size > kLargestFile) {
      follower_.Stop();
      return viewer_.ReportToHost();
    }
    return follower_.Unread();
  }
  // Read as it is shown: the same text, and the lines the file added.
  DecodingRule asShown;
  asShown.chosen = EncodingChoice{file_.encoding, file_.codePage};
  if (load->identity() != follower_.identity() || !load->ReadFirstPart(asShown) ||
      load->stage() != DocumentLoad::Stage::Opened) {
    return ShowFollowedAgain();  // another file by now, or one that shrank
  }
  load->LeaveRoomToGrow();
  regrowing_ = std::move(load);
  turns_.Want(TurnScheduler::Work::Load, true);
}

void ShownDocument::RegrowTurn(TurnScheduler::Clock::time_point deadline) {
  const DocumentLoad::Stage stage = regrowing_->Turn(deadline);
  if (stage == DocumentLoad::Stage::Ended) {
    // Not to be had (no memory for it): the file is followed no further.
    EndLoading();
    follower_.Stop();
    return viewer_.ReportToHost();
  }
  if (stage != DocumentLoad::Stage::Built) return;
  DocumentBuild::Result built = regrowing_->TakeDocument();
  const std::optional<FileIdentity> identity = regrowing_->identity();
  EndLoading();
  const EndInView end = WhereTheEndIs();
  const std::shared_ptr<const ConfigurationSnapshot> configuration = ConfigurationSnapshot::SharedOfPlugin();
  AdoptBuilt(*configuration, built);
  KeepAtEnd(end);
  search_.Grew(file_.sizeClass);
  StartFollowingBuilt(*configuration, built, identity);
  viewer_.ReportToHost();
}

}  // namespace lumen
