// A JSON or XML document shown indented in place of the file (ShownDocument).
#include <thread>

#include "base/TimeBudgets.h"
#include "viewer/ShownDocument.h"

namespace lumen {

using namespace sci;

bool ShownDocument::ShowFormatted(const ConfigurationSnapshot& configuration, Markup markup, std::string indent) {
  if (!editor_.exists() || filtered_ || formatted_) return false;
  const std::optional<FileText> source = TextForWorkers();
  if (!source) return false;
  Formatted formatted;
  formatted.markup = markup;
  formatted.sourceEnd = source->end;
  formatted.spool = StreamSpool::Create();
  if (!formatted.spool) return false;
  std::optional<SharedFile> file = SharedFile::Open(formatted.spool->path());
  if (!file) return false;
  formatted.text = FormattedText::Start(*source, markup, std::move(indent), formatted.spool);
  if (!formatted.text) return false;
  // The file's document waits, held, while a new one of the control's shows the formatted text.
  formatted.fileDocument = editor_.Send(SCI_GETDOCPOINTER);
  editor_.Send(SCI_ADDREFDOCUMENT, 0, formatted.fileDocument);
  editor_.Send(SCI_SETDOCPOINTER, 0, 0);
  // The first screen from the worker's first slice, if it comes at once.
  const auto waitUntil = TurnScheduler::Clock::now() + budget::kFileStepWait;
  while (formatted.spool->written() == 0 && formatted.text->state() == FormattedText::State::Formatting &&
         TurnScheduler::Clock::now() < waitUntil) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  formatted.window = WindowOntoSpool(*formatted.spool, std::move(*file));
  formatted_ = std::move(formatted);
  ShowSpooled(configuration, *formatted_->window);
  return true;
}

void ShownDocument::EndFormatted() {
  if (!formatted_) return;
  Formatted formatted = std::move(*formatted_);
  formatted_.reset();
  formatted.text.reset();  // its worker stops
  formatted.window.reset();
  if (!ShowFileDocument(formatted.fileDocument)) return;
  viewer_.ReportToHost();
  if (loading_ || window_) turns_.Want(TurnScheduler::Work::Load, true);
}

void ShownDocument::FormatTurn() {
  Formatted& formatted = *formatted_;
  // Its state first: once it has ended, all it wrote is in the spool.
  const FormattedText::State state = formatted.text->state();
  formatted.window->Grow(formatted.spool->written());
  formatted.window->IndexTurn();
  if (state == FormattedText::State::Formatting) {
    const auto tenth = static_cast<int>(formatted.text->bytesRead() * 10 / std::max<uint64_t>(formatted.sourceEnd, 1));
    if (tenth != std::exchange(reportedTenth_, tenth)) viewer_.ReportToHost();
    return;
  }
  if (!formatted.reported) {
    formatted.reported = true;
    const bool faulted = formatted.text->faulted();
    const uint64_t faultLine = formatted.text->faultLine();
    const Markup markup = formatted.markup;
    search_.Grew(DocumentSize::Big);  // the count over all of it
    viewer_.TextChanged();
    viewer_.ReportToHost();
    // The host's code may have shown another file meanwhile.
    if (!formatted_) return;
    if (faulted) viewer_.ShowFormatFault(markup, faultLine);
    if (!formatted_) return;
  }
  if (formatted_->window->indexed()) turns_.Want(TurnScheduler::Work::Load, false);
}

}  // namespace lumen
