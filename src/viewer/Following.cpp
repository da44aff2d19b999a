// Following the shown file as it grows: the timer's looks, and the text the
// file added appended where the user sees it.
#include "viewer/SourceViewerWindow.h"

#include <memory>
#include <utility>

#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// Ten looks a second: text appears within a tenth of a second of its write.
constexpr UINT kFollowMilliseconds = 100;
// At most this much of the file a look, each in a short message; a file that
// holds more is looked at again as soon as the host's messages allow.
constexpr size_t kMostFollowedBytes = size_t{512} << 10;

}  // namespace

void SourceViewerWindow::StartFollowing(const ConfigurationSnapshot& configuration, uint64_t size,
                                        const std::optional<FileIdentity>& identity, size_t room) {
  const bool wanted = shown_.byPath && (!configuration.hasPath() || configuration.FollowChanges()) &&
                      OnThisMachine(shown_.name);
  if (!wanted || Gone()) return StopFollowing();
  follower_.Begin(shown_.name, size, identity, shown_.encoding, shown_.codePage, room);
  SetTimer(window_, kFollowTimer, kFollowMilliseconds, nullptr);
}

void SourceViewerWindow::StartFollowingBuilt(const ConfigurationSnapshot& configuration,
                                             const DocumentBuild::Result& built,
                                             const std::optional<FileIdentity>& identity) {
  StartFollowing(configuration, built.bytes - built.heldBack, identity, built.room);
  // What a document cut short at the control's limit adds is not shown either.
  if (built.cut) follower_.Stop();
}

void SourceViewerWindow::StopFollowing() {
  follower_.End();
  KillTimer(window_, kFollowTimer);
}

void SourceViewerWindow::OnFollowTimer() {
  // A big file still loading is followed once it has loaded.
  if (loading_ || regrowing_ || !editor_.exists() || Gone()) return;
  const FileFollower::Step step = follower_.Tick(kMostFollowedBytes);
  switch (step.action) {
    case FollowAction::Append:
      AppendFollowed(step.text);
      if (!Gone() && !regrowing_) {
        SetTimer(window_, kFollowTimer, step.more ? USER_TIMER_MINIMUM : kFollowMilliseconds, nullptr);
      }
      break;
    case FollowAction::ShowAgain:
      ShowFollowedAgain();
      break;
    case FollowAction::MarkGone:
      ReportFeatures();  // the description says the file is gone
      break;
    case FollowAction::Nothing:
      break;
  }
}

SourceViewerWindow::EndInView SourceViewerWindow::WhereTheEndIs() const {
  const LRESULT lastLine = editor_.Send(SCI_GETLINECOUNT) - 1;
  if (editor_.Send(SCI_LINEFROMPOSITION, editor_.Send(SCI_GETCURRENTPOS)) == lastLine) return EndInView::Caret;
  const bool nothingSelected = editor_.Send(SCI_GETSELECTIONSTART) == editor_.Send(SCI_GETSELECTIONEND);
  const LRESULT lastInView = editor_.Send(SCI_DOCLINEFROMVISIBLE, editor_.Send(SCI_GETFIRSTVISIBLELINE) +
                                                                      editor_.Send(SCI_LINESONSCREEN) - 1);
  return nothingSelected && lastInView >= lastLine ? EndInView::View : EndInView::No;
}

void SourceViewerWindow::KeepAtEnd(EndInView end) {
  if (end == EndInView::Caret) {
    editor_.Send(SCI_DOCUMENTEND);
  } else if (end == EndInView::View) {
    // The caret stays; the lines scroll up as far as the new ones need.
    const LRESULT lastVisible = editor_.Send(SCI_VISIBLEFROMDOCLINE, editor_.Send(SCI_GETLINECOUNT) - 1);
    const LRESULT first = lastVisible - editor_.Send(SCI_LINESONSCREEN) + 1;
    if (first > editor_.Send(SCI_GETFIRSTVISIBLELINE)) editor_.Send(SCI_SETFIRSTVISIBLELINE, first);
  }
}

void SourceViewerWindow::AppendFollowed(const std::string& text) {
  if (!text.empty()) {
    // The control makes room by copying its whole text: a small document is
    // given room ahead, seldom; a big one is built anew by the workers, with
    // room to grow, while it stays shown.
    const FileFollower::Room room = follower_.RoomFor(document().length() + text.size(), looks_.bigDocument);
    switch (room.growth) {
      case FileFollower::Growth::InRoom:
        break;
      case FileFollower::Growth::MakeRoom:
        editor_.Send(SCI_ALLOCATE, room.room);
        break;
      case FileFollower::Growth::BuildAnew:
        return GrowFollowedDocument();
      case FileFollower::Growth::TooBig:
        follower_.Stop();
        return ReportFeatures();
    }
  }
  shown_.size = follower_.size();
  if (!text.empty()) {
    const EndInView end = WhereTheEndIs();
    editor_.Send(SCI_SETREADONLY, 0);
    editor_.Send(SCI_APPENDTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    editor_.Send(SCI_SETREADONLY, 1);
    KeepAtEnd(end);
    UpdateMargin();
    // A log that grows beyond 4 MB is styled while idle and not wrapped, as
    // such a file is when loaded.
    const size_t length = document().length();
    ApplyStylingMode(editor_, length);
    if (!looks_.bigDocument && length > kBigDocument) {
      looks_.bigDocument = true;
      ApplyWrapping(editor_, ConfigurationSnapshot::OfPlugin(), true, wrapChosen_);
      ApplyFolding(editor_, false, std::exchange(looks_.folding, false));
    }
    // The count goes on over the new text, and the marks take it in.
    search_.SetDocumentComplete(false);
    search_.SetDocumentComplete(true);
    search_.DocumentReplaced();
  }
  ReportFeatures();
}

void SourceViewerWindow::ShowFollowedAgain() {
  const EndInView end = WhereTheEndIs();
  const uint64_t shown = shownCount_;
  if (Show(DocumentLoad::OfFile(shown_.name), shown) && !Superseded(shown + 1)) {
    KeepAtEnd(end);
    return;
  }
  // Emptied: nothing to show until it grows again, from its start. A file
  // that cannot be read just now is tried again on the next look.
  if (Superseded(shown)) return;
  const FileLook now = LookAt(shown_.name, false);
  if (!now.exists || now.size != 0) return;
  editor_.Send(SCI_SETREADONLY, 0);
  editor_.Send(SCI_CLEARALL);
  editor_.Send(SCI_SETREADONLY, 1);
  shown_.size = 0;
  follower_.Begin(shown_.name, 0, LookAt(shown_.name, true).identity, shown_.encoding, shown_.codePage, 0);
  search_.DocumentReplaced();
  ReportFeatures();
}

void SourceViewerWindow::GrowFollowedDocument() {
  std::unique_ptr<DocumentLoad> load = DocumentLoad::OfFile(shown_.name);
  if (!load) {
    // Beyond what lumen reads; or not to be opened just now, and what the
    // look read waits for the next one.
    if (LookAt(shown_.name, false).size > kLargestFile) {
      follower_.Stop();
      return ReportFeatures();
    }
    return follower_.Unread();
  }
  // Read as it is shown: the same text, and the lines the file added.
  DecodingRule asShown;
  asShown.chosen = EncodingChoice{shown_.encoding, shown_.codePage};
  if (load->identity() != follower_.identity() || !load->ReadFirstPart(asShown) ||
      load->stage() != DocumentLoad::Stage::Opened) {
    return ShowFollowedAgain();  // another file by now, or one that shrank
  }
  load->LeaveRoomToGrow();
  regrowing_ = std::move(load);
  turns_.Want(TurnScheduler::Work::Load, true);
}

void SourceViewerWindow::RegrowTurn(TurnScheduler::Clock::time_point deadline) {
  const DocumentLoad::Stage stage = regrowing_->Turn(deadline);
  if (stage == DocumentLoad::Stage::Ended) {
    // Not to be had (no memory for it): the file is followed no further.
    EndLoading();
    follower_.Stop();
    return ReportFeatures();
  }
  if (stage != DocumentLoad::Stage::Built) return;
  DocumentBuild::Result built = regrowing_->TakeDocument();
  const std::optional<FileIdentity> identity = regrowing_->identity();
  EndLoading();
  const EndInView end = WhereTheEndIs();
  const ConfigurationSnapshot configuration = ConfigurationSnapshot::OfPlugin();
  AdoptBuilt(configuration, built);
  KeepAtEnd(end);
  // The count goes on over the new text.
  search_.SetDocumentComplete(false);
  search_.SetDocumentComplete(true);
  StartFollowingBuilt(configuration, built, identity);
  ReportFeatures();
}

}  // namespace lumen
