#pragma once
// The whole document of a big file, built away from the viewer's thread: a
// worker reads the rest of the file, converts it and adds it to a document of
// the editor control's own (its loader). The viewer's thread shows the first
// part meanwhile and puts the built document in its place once the worker is
// done; until then the worker touches nothing the viewer's thread uses.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "abi/EditorControl.h"
#include "abi/ScintillaInterface.h"
#include "base/BoundedQueue.h"
#include "base/Handles.h"
#include "base/Sync.h"
#include "viewer/ByteSource.h"
#include "text/Encoding.h"

namespace lumen {

// A loader of the control's, released with its owner unless adopted.
struct LoaderRelease {
  void operator()(sci::ILoader* loader) const { loader->Release(); }
};
using UniqueLoader = std::unique_ptr<sci::ILoader, LoaderRelease>;

// Room for all of a file's text as its first `bytesSoFar` bytes, which gave
// `textSoFar`, suggest, with a little to spare: a document that outgrows its
// room is copied whole into a bigger one.
size_t ExpectedTextLength(uint64_t fileBytes, uint64_t bytesSoFar, size_t textSoFar);

class DocumentBuild {
 public:
  enum class State { Building, Built, Failed };

  // Where the worker starts: after the file's first part, which the document
  // begins with.
  struct Start {
    // Makes a loader of the control's with room for `length` bytes; called
    // on the worker.
    std::function<UniqueLoader(size_t length)> makeLoader;
    std::shared_ptr<ByteSource> rest;
    SliceConverter converter;  // as the first part left it
    std::string firstText;
    uint64_t firstBytes = 0;  // of the file, that gave firstText
    uint64_t announcedSize = 0;
    uint64_t roomFor = 0;  // the bytes of file the document's room is made for: announcedSize or more
    DecodingRule rule;  // for text that proves not to be UTF-8
  };

  // The finished document and what the viewer tells of the file by it.
  struct Result {
    UniqueLoader document;
    Encoding encoding = Encoding::Unknown;  // ANSI where a late byte proved the UTF-8 wrong
    uint32_t codePage = 0;                   // of ANSI text; 0: the system's
    uint64_t bytes = 0;                      // what the file gave; a stream may give less than it announced
    size_t heldBack = 0;                     // of them, the last that end no character yet: not shown
    bool startedOver = false;                // the text does not begin with the first part's (ANSI after all)
    bool cut = false;                        // text beyond kLargestDocument was left out
    size_t room = 0;                         // the text the document has room for
    bool holdsUnlexedLine = false;           // a line too long to lex (see HoldsUnlexedLine)
    std::string tail;                        // the text's last bytes, for a modeline at its end
  };

  // Starts the workers, one that reads and converts the rest and one that
  // adds the text to the document; null when no thread could be started.
  static std::shared_ptr<DocumentBuild> Begin(Start start);
  ~DocumentBuild();
  DocumentBuild(const DocumentBuild&) = delete;
  DocumentBuild& operator=(const DocumentBuild&) = delete;

  State state() const { return state_.load(std::memory_order_acquire); }
  // How many bytes of the file the workers have read.
  uint64_t bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
  // Waits until the build is over or `deadline` has come; true when over.
  bool Wait(std::chrono::steady_clock::time_point deadline) const;
  // A new document's loader, still empty, that the worker waits to have
  // made ready on the viewer's thread (see Start::prepare); null when none.
  sci::ILoader* LoaderToPrepare() const;
  void Prepared();
  // Once Built, for the viewer's thread.
  Result TakeResult() { return std::move(result_); }
  // The document is not wanted any more: the workers stop at their next slice.
  void Cancel();

 private:
  explicit DocumentBuild(uint64_t firstBytes);
  // The control's loader with room for `length` bytes, once no other build
  // of the process makes one, made ready by the viewer's thread; none when
  // cancelled meanwhile.
  UniqueLoader MakeRoom(const Start& start, size_t length) const;
  // The reading worker: the rest of the file, converted, into the queue.
  void Read(Start& start);
  // The adding worker: the first part's text and the queue's into the
  // document; false when cancelled or nothing could be built.
  bool Add(Start& start);

  // The handing of a new document's loader to the viewer's thread and back.
  class Preparation;
  // Text on its way from the reading worker to the adding one.
  struct TextPiece {
    std::string text;
    size_t startOver = 0;  // else the text so far is void: a document anew, with this room
  };
  // How the reading ended: the text came from `bytes` of the file, in
  // `encoding`, but for the last `heldBack` of them.
  struct ReadEnd {
    Encoding encoding = Encoding::Unknown;
    uint32_t codePage = 0;
    uint64_t bytes = 0;
    size_t heldBack = 0;
  };

  std::atomic<State> state_{State::Building};
  std::atomic<uint64_t> bytesRead_;
  std::atomic<bool> cancelled_{false};
  std::unique_ptr<Preparation> preparation_;
  BoundedQueue<TextPiece> queue_;
  ReadEnd ending_;   // the reading worker's until it finishes the queue
  DoneEvent done_;   // set once state_ is no longer Building
  Result result_;      // the adding worker's until state_ says Built
};

}  // namespace lumen
