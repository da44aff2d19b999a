#include "viewer/FileCopy.h"

#include <exception>

#include "base/BackgroundThread.h"

namespace lumen {

std::shared_ptr<FileCopy> FileCopy::Start(const FileText& text, FilePlace from, FilePlace to) {
  std::shared_ptr<FileCopy> copy(new FileCopy());
  if (!copy->done_) return nullptr;
  const bool started = RunInBackground([copy, text, from, to] {
    try {
      copy->Read(text, from, to);
    } catch (const std::exception&) {
      copy->text_.reset();
    }
    copy->state_.store(copy->text_ ? State::Ready : State::Failed, std::memory_order_release);
    copy->done_.Set();
  });
  return started ? copy : nullptr;
}

void FileCopy::Read(const FileText& text, FilePlace from, FilePlace to) {
  std::optional<SharedFile> file = SharedFile::Open(text.path, true);
  if (!file) return;
  const std::string utf8 = TextBetween(*file, text, from, to, kMostCopiedFromFile, cut_);
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (length < 0 || (length == 0 && !utf8.empty())) return;
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
  if (!memory) return;
  auto* target = static_cast<wchar_t*>(GlobalLock(memory.get()));
  if (!target) return;
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), target, length);
  target[length] = L'\0';
  GlobalUnlock(memory.get());
  text_ = std::move(memory);
}

bool FileCopy::PutOnClipboard(HWND owner) {
  if (state() != State::Ready || !text_ || !OpenClipboard(owner)) return false;
  EmptyClipboard();
  const bool put = SetClipboardData(CF_UNICODETEXT, text_.get()) != nullptr;
  if (put) text_.release();  // the clipboard's now
  CloseClipboard();
  return put;
}

}  // namespace lumen
