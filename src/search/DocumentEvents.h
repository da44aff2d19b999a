#pragma once
// What the search hears of the document the viewer shows, from the one owner
// of that document, and the size class the document is of.
#include <chrono>
#include <cstdint>

namespace lumen {

// Decided once per document, by the file's size: a big document loads in the
// viewer's turns, is styled while idle and never wrapped or folded, and has
// its matches marked about the view rather than all at once.
enum class DocumentSize { Small, Big };
inline constexpr uint64_t kLargestSmallDocument = uint64_t{4} << 20;
constexpr DocumentSize SizeOfDocument(uint64_t fileBytes) {
  return fileBytes > kLargestSmallDocument ? DocumentSize::Big : DocumentSize::Small;
}

class DocumentEvents {
 public:
  using Clock = std::chrono::steady_clock;

  // A new document is shown, its rest still on its way unless `complete`:
  // it is searched anew, its work counted from `since` (the load message's
  // start, which the search shares).
  virtual void Shown(DocumentSize size, bool complete, Clock::time_point since) = 0;
  // Text came at the document's end (a followed file); `size` may have grown.
  virtual void Grew(DocumentSize size) = 0;
  // Another document that begins with the text of the shown one took its
  // place: the count goes on, the marks are made anew.
  virtual void Replaced() = 0;
  // The rest of a loading document has come.
  virtual void Completed() = 0;
  // The next document shown is a window onto a bigger file (told before
  // Shown), or, null, a document of its own.
  virtual void Windowed(class WindowedText* window) = 0;

 protected:
  ~DocumentEvents() = default;
};

}  // namespace lumen
