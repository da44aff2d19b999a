#include "viewer/DocumentBuild.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "base/BackgroundThread.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// The slices the worker reads: fewer, bigger additions cost the control less.
constexpr size_t kSliceBytes = size_t{4} << 20;
// How much of the text's end is kept for its last lines.
constexpr size_t kTailBytes = 64 * 1024;

}  // namespace

size_t ExpectedTextLength(uint64_t fileBytes, uint64_t bytesSoFar, size_t textSoFar) {
  const double perByte = bytesSoFar ? static_cast<double>(textSoFar) / static_cast<double>(bytesSoFar) : 1.0;
  const double expected = static_cast<double>(fileBytes) * perByte * 1.02 + 65536;
  return static_cast<size_t>(std::min(expected, static_cast<double>(INT32_MAX)));
}

std::shared_ptr<DocumentBuild> DocumentBuild::Begin(Start start) {
  std::shared_ptr<DocumentBuild> build(new DocumentBuild(start.firstBytes));
  const bool started = RunInBackground([build, start = std::make_shared<Start>(std::move(start))] {
    bool built = false;
    try {
      built = build->Build(*start);
    } catch (...) {
      // Out of memory, or a file that cannot be converted on: nothing built.
    }
    build->state_.store(built ? State::Built : State::Failed, std::memory_order_release);
  });
  return started ? build : nullptr;
}

bool DocumentBuild::Build(Start& start) {
  SliceConverter converter = std::move(start.converter);
  std::string text = std::move(start.firstText), bytes;
  uint64_t consumed = start.firstBytes;  // of the file, for the text so far
  size_t added = 0;                      // of the text, to the document
  size_t openLine = 0;                   // the length so far of the text's last line
  bool more = true;
  UniqueLoader loader;
  Result& result = result_;
  while (!cancelled_.load(std::memory_order_relaxed)) {
    if (!text.empty()) {
      if (!loader) loader = start.makeLoader(ExpectedTextLength(start.announcedSize, consumed, text.size()));
      if (!loader) return false;
      // Text beyond what the control counts in 32 bits, or beyond its memory, is left out.
      if (text.size() > static_cast<size_t>(INT32_MAX) - added ||
          loader->AddData(text.data(), static_cast<intptr_t>(text.size())) != SC_STATUS_OK) {
        break;
      }
      added += text.size();
      if (!result.holdsUnlexedLine) result.holdsUnlexedLine = HoldsUnlexedLine(text, openLine);
      result.tail.append(text, text.size() - std::min(text.size(), kTailBytes), std::string::npos);
      if (result.tail.size() > 2 * kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);
    }
    if (!more) break;
    // Never beyond the announced size: a file that grows meanwhile, or a
    // stream, must not add what was not there when the load began.
    bytes.clear();
    const uint64_t left = start.announcedSize - std::min(consumed, start.announcedSize);
    consumed += ReadUpTo(*start.rest, bytes, static_cast<size_t>(std::min<uint64_t>(kSliceBytes, left)));
    bytesRead_.store(consumed, std::memory_order_relaxed);
    more = !bytes.empty() && consumed < start.announcedSize;
    text.clear();
    if (converter.Convert(bytes, !more, text)) continue;
    // A byte that UTF-8 has not: the whole file is ANSI, from its first byte,
    // in a document made anew for the text that ANSI gives.
    if (start.rest->Rewind()) {
      converter = SliceConverter(Encoding::Ansi);
      loader.reset();
      text.clear();
      consumed = added = openLine = 0;
      result.holdsUnlexedLine = false;
      result.tail.clear();
      more = true;
      continue;
    }
    // A source that cannot go back: the rest is shown as its bytes are.
    converter.PassInvalidUtf8();
    text.clear();
    converter.Convert(bytes, !more, text);
  }
  if (cancelled_.load(std::memory_order_relaxed) || !loader) return false;
  result.document = std::move(loader);
  result.encoding = converter.encoding();
  result.bytes = consumed;
  if (result.tail.size() > kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);
  return true;
}

}  // namespace lumen
