#include "viewer/FormattedText.h"

#include "base/BackgroundThread.h"
#include "base/Text.h"
#include "text/TextContent.h"

namespace lumen {

struct FormattedText::Work {
  Work(Markup markup, std::string indent) : reindenter(markup, std::move(indent)) {}
  Reindenter reindenter;  // the worker's
  std::atomic<bool> cancelled{false};
  std::atomic<uint64_t> read{0};
  std::atomic<State> state{State::Formatting};
};

std::unique_ptr<FormattedText> FormattedText::Start(const FileText& source, Markup markup, std::string indent,
                                                    std::shared_ptr<StreamSpool> spool) {
  auto work = std::make_shared<Work>(markup, std::move(indent));
  const bool started = RunInBackground([work, source, spool] {
    std::string out;
    bool written = true;
    const bool read = ForEachSlice(source, work->cancelled, [&](const FileLines& lines, uint64_t, uint64_t end) {
      out.clear();
      work->reindenter.Feed(lines.utf8(), out);
      written = spool->Write(out);
      work->read.store(end, std::memory_order_relaxed);
      return written && !work->cancelled.load(std::memory_order_relaxed);
    });
    out.clear();
    work->reindenter.Finish(out);
    written = written && spool->Write(out);
    const bool whole = read && written && !work->cancelled.load(std::memory_order_relaxed);
    work->state.store(whole ? State::Done : State::Failed, std::memory_order_release);
  });
  if (!started) return nullptr;
  return std::unique_ptr<FormattedText>(new FormattedText(std::move(work)));
}

FormattedText::~FormattedText() { work_->cancelled.store(true, std::memory_order_relaxed); }

FormattedText::State FormattedText::state() const { return work_->state.load(std::memory_order_acquire); }
uint64_t FormattedText::bytesRead() const { return work_->read.load(std::memory_order_relaxed); }
// The reindenter is read only once the worker is done with it.
bool FormattedText::faulted() const { return state() != State::Formatting && work_->reindenter.faulted(); }
uint64_t FormattedText::faultLine() const { return state() != State::Formatting ? work_->reindenter.faultLine() : 0; }

std::optional<Markup> MarkupOf(const std::wstring& language, std::string_view head) {
  const std::wstring name = UserLocale::Get().ToLower(language);
  if (name == L"json") return Markup::Json;
  if (name == L"xml") return Markup::Xml;
  switch (ShapeOfText(head)) {
    case TextShape::Json:
      return Markup::Json;
    case TextShape::Xml:
      return Markup::Xml;
    case TextShape::Plain:
      break;
  }
  return std::nullopt;
}

}  // namespace lumen
