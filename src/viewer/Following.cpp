// Following the shown file as it grows: the timer's looks, and the text the
// file added appended where the user sees it.
#include "viewer/SourceViewerWindow.h"
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

void SourceViewerWindow::StartFollowing(const ConfigurationSnapshot& configuration, uint64_t size) {
  const bool wanted = shown_.byPath && (!configuration.hasPath() || configuration.FollowChanges()) &&
                      OnThisMachine(shown_.name);
  if (!wanted || Gone()) return StopFollowing();
  follower_.Begin(shown_.name, size, shown_.encoding, shown_.codePage);
  SetTimer(window_, kFollowTimer, kFollowMilliseconds, nullptr);
}

void SourceViewerWindow::StopFollowing() {
  follower_.End();
  KillTimer(window_, kFollowTimer);
}

void SourceViewerWindow::OnFollowTimer() {
  // A big file still loading is followed once it has loaded.
  if (loading_ || !editor_.exists() || Gone()) return;
  const FileFollower::Step step = follower_.Tick(kMostFollowedBytes);
  switch (step.action) {
    case FollowAction::Append:
      AppendFollowed(step.text);
      if (!Gone()) SetTimer(window_, kFollowTimer, step.more ? USER_TIMER_MINIMUM : kFollowMilliseconds, nullptr);
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
  shown_.size = follower_.size();
  if (!text.empty()) {
    const EndInView end = WhereTheEndIs();
    // A long log's text copied for room would hold the host: room ahead.
    if (const std::optional<size_t> room = follower_.RoomFor(document().length() + text.size())) {
      editor_.Send(SCI_ALLOCATE, *room);
    }
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
      ApplyFolding(editor_, false);
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
  follower_.Begin(shown_.name, 0, shown_.encoding, shown_.codePage);
  search_.DocumentReplaced();
  ReportFeatures();
}

}  // namespace lumen
