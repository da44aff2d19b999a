#pragma once
// The whole document of a big file, built away from the viewer's thread: a
// worker reads the rest of the file, converts it and adds it to a document of
// the editor control's own (its loader). The viewer's thread shows the first
// part meanwhile and puts the built document in its place once the worker is
// done; until then the worker touches nothing the viewer's thread uses.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "abi/ScintillaInterface.h"
#include "viewer/ByteSource.h"
#include "viewer/Encoding.h"

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
  };

  // The finished document and what the viewer tells of the file by it.
  struct Result {
    UniqueLoader document;
    Encoding encoding = Encoding::Unknown;  // ANSI where a late byte proved the UTF-8 wrong
    uint64_t bytes = 0;                      // what the file gave; a stream may give less than it announced
    bool holdsUnlexedLine = false;           // a line too long to lex (see HoldsUnlexedLine)
    std::string tail;                        // the text's last bytes, for a modeline at its end
  };

  // Starts the worker; null when no thread could be started.
  static std::shared_ptr<DocumentBuild> Begin(Start start);

  State state() const { return state_.load(std::memory_order_acquire); }
  // How many bytes of the file the worker has read.
  uint64_t bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
  // Once Built, for the viewer's thread.
  Result TakeResult() { return std::move(result_); }
  // The document is not wanted any more: the worker stops at its next slice.
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }

 private:
  explicit DocumentBuild(uint64_t firstBytes) : bytesRead_(firstBytes) {}
  // On the worker: false when cancelled or nothing could be built.
  bool Build(Start& start);

  std::atomic<State> state_{State::Building};
  std::atomic<uint64_t> bytesRead_;
  std::atomic<bool> cancelled_{false};
  Result result_;  // the worker's until state_ says Built
};

}  // namespace lumen
