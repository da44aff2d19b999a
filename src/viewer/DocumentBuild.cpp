#include "viewer/DocumentBuild.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>
#include <windows.h>

#include "base/BackgroundThread.h"
#include "base/Sync.h"
#include "viewer/Styling.h"

namespace lumen {

using namespace sci;

namespace {

// The slices the reading worker reads: small enough that little waits between
// the two workers, big enough that each costs little beyond its bytes.
constexpr size_t kSliceBytes = size_t{1} << 20;
// How much of the text's end is kept for its last lines.
constexpr size_t kTailBytes = 64 * 1024;

}  // namespace

size_t ExpectedTextLength(uint64_t fileBytes, uint64_t bytesSoFar, size_t textSoFar) {
  const double perByte = bytesSoFar ? static_cast<double>(textSoFar) / static_cast<double>(bytesSoFar) : 1.0;
  const double expected = static_cast<double>(fileBytes) * perByte * 1.02 + 65536;
  return static_cast<size_t>(std::min(expected, static_cast<double>(kLargestDocument)));
}

namespace {

// One room for a whole document made at a time in the process: making it
// cannot be stopped half-way, and a user moving through a folder of big
// files would otherwise start one of gigabytes for every file passed.
Lock roomBeingMade;

// At most this much text waits between the two workers.
constexpr size_t kQueuedText = size_t{4} << 20;

}  // namespace

// The worker hands over the loader it made and waits; the viewer's thread
// makes it ready and hands it back; a cancelled build waits no more.
class DocumentBuild::Preparation {
 public:
  // The worker's: false when cancelled before the loader came back.
  bool HandOver(ILoader* loader) {
    Lock::Held held(lock_);
    waiting_ = loader;
    while (waiting_ && !cancelled_) held.Wait(changed_);
    return !waiting_;
  }
  ILoader* Waiting() {
    Lock::Held held(lock_);
    return waiting_;
  }
  void Done() {
    Lock::Held held(lock_);
    waiting_ = nullptr;
    changed_.WakeAll();
  }
  void Cancel() {
    Lock::Held held(lock_);
    cancelled_ = true;
    changed_.WakeAll();
  }

 private:
  Lock lock_;
  Condition changed_;
  ILoader* waiting_ = nullptr;
  bool cancelled_ = false;
};

UniqueLoader DocumentBuild::MakeRoom(const Start& start, size_t length) const {
  UniqueLoader loader;
  {
    Lock::Held oneAtATime(roomBeingMade);
    if (cancelled_.load(std::memory_order_relaxed)) return nullptr;
    loader = start.makeLoader(length);
  }
  if (!loader || !preparation_->HandOver(loader.get())) return nullptr;
  return loader;
}

ILoader* DocumentBuild::LoaderToPrepare() const { return preparation_->Waiting(); }

void DocumentBuild::Prepared() { preparation_->Done(); }

DocumentBuild::DocumentBuild(uint64_t firstBytes)
    : bytesRead_(firstBytes),
      preparation_(std::make_unique<Preparation>()),
      queue_(kQueuedText, [](const TextPiece& piece) { return piece.text.size(); }) {}

DocumentBuild::~DocumentBuild() = default;

std::shared_ptr<DocumentBuild> DocumentBuild::Begin(Start start) {
  std::shared_ptr<DocumentBuild> build(new DocumentBuild(start.firstBytes));
  if (!build->done_) return nullptr;
  const auto shared = std::make_shared<Start>(std::move(start));
  const bool adding = RunInBackground([build, shared] {
    bool built = false;
    try {
      built = build->Add(*shared);
    } catch (...) {
      // Out of memory: nothing built.
    }
    build->queue_.Close();  // the reader stops too
    build->state_.store(built ? State::Built : State::Failed, std::memory_order_release);
    build->done_.Set();
  });
  if (!adding) return nullptr;
  if (!RunInBackground([build, shared] { build->Read(*shared); })) {
    build->Cancel();
    return nullptr;
  }
  return build;
}

void DocumentBuild::Cancel() {
  cancelled_.store(true, std::memory_order_relaxed);
  preparation_->Cancel();
  queue_.Close();
}

bool DocumentBuild::Wait(std::chrono::steady_clock::time_point deadline) const { return done_.WaitUntil(deadline); }

void DocumentBuild::Read(Start& start) {
  SliceConverter converter = std::move(start.converter);
  uint64_t consumed = start.firstBytes;
  std::string bytes;
  try {
    bool more = consumed < start.announcedSize, startOver = false;
    while (more && !cancelled_.load(std::memory_order_relaxed)) {
      // Never beyond the announced size: a file that grows meanwhile, or a
      // stream, must not add what was not there when the load began.
      bytes.clear();
      const uint64_t left = start.announcedSize - std::min(consumed, start.announcedSize);
      consumed += ReadUpTo(*start.rest, bytes, static_cast<size_t>(std::min<uint64_t>(kSliceBytes, left)));
      bytesRead_.store(consumed, std::memory_order_relaxed);
      more = !bytes.empty() && consumed < start.announcedSize;
      TextPiece piece;
      // The file's last bytes may end no character yet (a program writing
      // it): held back unshown, as a small file's are.
      const bool last = !more && !HoldsBackUnfinishedEnd(converter.encoding(), start.rule);
      if (!converter.Convert(bytes, last, piece.text)) {
        // A byte that UTF-8 has not: the whole file is ANSI, from its first
        // byte, in a document made anew for the text that ANSI gives. The
        // slice that proved it tells the code page.
        if (start.rest->Rewind()) {
          converter = SliceConverter(Encoding::Ansi, LegacyCodePage(bytes, start.rule));
          consumed = 0;
          startOver = more = true;
          continue;
        }
        // A source that cannot go back: the rest is shown as its bytes are.
        converter.PassInvalidUtf8();
        piece.text.clear();
        converter.Convert(bytes, last, piece.text);
      }
      if (std::exchange(startOver, false)) {
        piece.startOver = ExpectedTextLength(std::max(start.roomFor, start.announcedSize), consumed, piece.text.size());
      }
      if (!queue_.Push(std::move(piece))) break;
    }
  } catch (...) {
    // What cannot be read into memory or converted ends the text where it is.
  }
  // Seen by the adding worker once the queue has ended (the queue's lock orders them).
  ending_ = {converter.encoding(), converter.codePage(), consumed, converter.held()};
  queue_.Finish();
}

bool DocumentBuild::Add(Start& start) {
  Result& result = result_;
  const uint64_t roomFor = std::max(start.roomFor, start.announcedSize);
  result.room = ExpectedTextLength(roomFor, start.firstBytes, start.firstText.size());
  UniqueLoader loader = MakeRoom(start, result.room);
  size_t added = 0;     // of the text, to the document
  size_t openLine = 0;  // the length so far of the text's last line
  bool full = false;    // the document takes no more
  for (std::optional<TextPiece> piece = TextPiece{std::move(start.firstText)}; piece; piece = queue_.Pop()) {
    if (piece->startOver) {
      loader.reset();
      result.room = piece->startOver;
      loader = MakeRoom(start, result.room);
      added = openLine = 0;
      full = result.holdsUnlexedLine = result.cut = false;
      result.startedOver = true;
      result.tail.clear();
    }
    if (!loader) return false;
    // Text beyond what the control counts in 32 bits, or beyond its memory, is left out.
    const std::string& text = piece->text;
    full = full || text.size() > kLargestDocument - added ||
           loader->AddData(text.data(), static_cast<intptr_t>(text.size())) != SC_STATUS_OK;
    result.cut = result.cut || full;
    if (full) continue;
    added += text.size();
    if (!result.holdsUnlexedLine) result.holdsUnlexedLine = HoldsUnlexedLine(text, openLine);
    result.tail.append(text, text.size() - std::min(text.size(), kTailBytes), std::string::npos);
    if (result.tail.size() > 2 * kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);
  }
  if (cancelled_.load(std::memory_order_relaxed)) return false;
  result.document = std::move(loader);
  result.encoding = ending_.encoding;
  result.codePage = ending_.codePage;
  result.bytes = ending_.bytes;
  result.heldBack = ending_.heldBack;
  if (result.tail.size() > kTailBytes) result.tail.erase(0, result.tail.size() - kTailBytes);
  return true;
}

}  // namespace lumen
