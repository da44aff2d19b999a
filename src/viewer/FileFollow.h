#pragma once
// Following a shown file as it grows, as a log does while a program writes
// it: a look at the path a few times a second, and only the bytes added
// since read, the file opened for that moment alone, so that the writer's
// renames, deletions and re-creations are never held up.
#include <cstdint>
#include <optional>
#include <string>

#include "base/SharedFile.h"

#include "text/Encoding.h"

namespace lumen {

// What a look at the path found.
struct FileLook {
  bool exists = false;
  uint64_t size = 0;
  std::optional<FileIdentity> identity;  // when it was asked for and could be had
};

// The file as the viewer shows it.
struct FollowedFile {
  uint64_t size = 0;  // its bytes shown
  std::optional<FileIdentity> identity;
  bool gone = false;  // deleted while shown
};

enum class FollowAction {
  Nothing,
  Append,     // it grew: the bytes after those shown are added
  ShowAgain,  // shorter, or another file under the name: shown from its start
  MarkGone,   // deleted: it stays shown, and is said to be gone
};

FollowAction DecideFollow(const FollowedFile& shown, const FileLook& now);

// The path's size by its attributes; with `identify`, the file is opened a
// moment for its identity too.
FileLook LookAt(const std::wstring& path, bool identify);

// Whether `path` is on this machine: a look at a file on another one may wait
// on the network for seconds, which the host's thread must not.
bool OnThisMachine(const std::wstring& path);

// Up to `most` bytes of the file from `offset`, and the identity of the file
// they came from; none when it cannot be opened or read.
struct ReadPart {
  std::string bytes;
  FileIdentity identity;
};
std::optional<ReadPart> ReadFrom(const std::wstring& path, uint64_t offset, size_t most);

// The following of the file a viewer shows by path.
class FileFollower {
 public:
  enum class State {
    Off,        // nothing followed: a stream, a load under way, or turned off
    Following,  // looked at on every tick
    Paused,     // by the user, until resumed
    Full,       // the control's document holds no more: what the file adds is not shown
  };
  // What a tick found, and the text the file added, converted.
  struct Step {
    FollowAction action = FollowAction::Nothing;
    std::string text;
    bool more = false;  // the file holds more than one look reads
  };

  // Follows `path`, the file `identity` names (from the handle it was read
  // through, so that a rotation during a load is seen), from its `size`
  // bytes shown, in the encoding it was read in. The control's document has
  // room for `room` bytes of text.
  void Begin(const std::wstring& path, uint64_t size, std::optional<FileIdentity> identity, Encoding encoding,
             uint32_t codePage, size_t room);
  void End() { state_ = State::Off; }
  void Pause(bool paused);
  // The document takes no more; the file is not looked at any more.
  void Stop() { state_ = State::Full; }
  // A look at the file, and what it added since (at most `most` bytes a tick).
  Step Tick(size_t most);
  // What the last tick read was not shown: it is read again at the next.
  void Unread();

  // How the control's document takes text that makes it `needed` bytes long.
  enum class Growth {
    InRoom,      // in the room it has
    MakeRoom,    // room made now: a small document, copied whole into a bigger one
    BuildAnew,   // a big document, whose copy would hold the host: built anew by the workers
    TooBig,      // beyond what the control counts
  };
  struct Room {
    Growth growth = Growth::InRoom;
    size_t room = 0;  // MakeRoom: how much
  };
  // Room is made half as much again, seldom: the control makes it by copying
  // the whole text.
  Room RoomFor(size_t needed, bool bigDocument);

  State state() const { return state_; }
  bool gone() const { return file_.gone; }
  uint64_t size() const { return file_.size; }
  const std::optional<FileIdentity>& identity() const { return file_.identity; }
  const std::wstring& path() const { return path_; }

 private:
  State state_ = State::Off;
  std::wstring path_;
  FollowedFile file_;
  std::optional<SliceConverter> converter_;  // goes on where the shown text ends
  // Where the last tick began.
  uint64_t sizeBeforeTick_ = 0;
  std::optional<SliceConverter> converterBeforeTick_;
  unsigned ticks_ = 0;  // the identity is looked at every few ticks only
  size_t room_ = 0;     // of the control's document
};

}  // namespace lumen
