#include "viewer/FileFollow.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "abi/EditorControl.h"

namespace lumen {

FollowAction DecideFollow(const FollowedFile& shown, const FileLook& now) {
  if (!now.exists) return shown.gone ? FollowAction::Nothing : FollowAction::MarkGone;
  // Back under its name after a deletion: a new file, whatever its size.
  if (shown.gone) return FollowAction::ShowAgain;
  if (now.identity && shown.identity && *now.identity != *shown.identity) return FollowAction::ShowAgain;
  if (now.size < shown.size) return FollowAction::ShowAgain;
  return now.size > shown.size ? FollowAction::Append : FollowAction::Nothing;
}

bool OnThisMachine(const std::wstring& path) {
  // "\\?\C:\..." is a local path written long; "\\server\share" and
  // "\\?\UNC\server\share" are another machine's.
  std::wstring_view rest = path;
  if (rest.starts_with(L"\\\\?\\") || rest.starts_with(L"\\\\.\\")) rest.remove_prefix(4);
  if (rest.size() >= 2 && rest[1] == L':') {
    const wchar_t root[] = {rest[0], L':', L'\\', L'\0'};
    return GetDriveTypeW(root) != DRIVE_REMOTE;
  }
  return !rest.starts_with(L"\\\\") && !rest.starts_with(L"UNC\\");
}

FileLook LookAt(const std::wstring& path, bool identify) {
  WIN32_FILE_ATTRIBUTE_DATA attributes = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) ||
      (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return {};
  }
  FileLook look{true, (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow, std::nullopt};
  if (identify) {
    if (const std::optional<SharedFile> file = SharedFile::Open(path)) look.identity = file->Identity();
  }
  return look;
}

std::optional<ReadPart> ReadFrom(const std::wstring& path, uint64_t offset, size_t most) {
  std::optional<SharedFile> file = SharedFile::Open(path);
  const std::optional<FileIdentity> identity = file ? file->Identity() : std::nullopt;
  if (!identity || !file->Seek(offset)) return std::nullopt;
  ReadPart part{{}, *identity};
  file->ReadUpTo(part.bytes, most);
  if (file->failed()) return std::nullopt;
  return part;
}

void FileFollower::Begin(const std::wstring& path, uint64_t size, std::optional<FileIdentity> identity,
                         Encoding encoding, uint32_t codePage, size_t room) {
  path_ = path;
  file_ = {size, identity, false};
  converter_.emplace(encoding, codePage);
  ticks_ = 0;
  room_ = room;
  if (state_ != State::Paused) state_ = State::Following;
}

FileFollower::Room FileFollower::RoomFor(size_t needed, bool bigDocument) {
  constexpr size_t kLeastRoomAhead = size_t{8} << 20;
  if (needed <= room_) return {};
  if (needed > kLargestDocument) return {Growth::TooBig};
  if (bigDocument) return {Growth::BuildAnew};
  room_ = std::min(needed + std::max(needed / 2, kLeastRoomAhead), kLargestDocument);
  return {Growth::MakeRoom, room_};
}

void FileFollower::Pause(bool paused) {
  if (state_ == State::Off) return;
  state_ = paused ? State::Paused : State::Following;
}

FileFollower::Step FileFollower::Tick(size_t most) {
  if (state_ != State::Following) return {};
  // The identity about once a second: a rotation may leave the size as it was.
  constexpr unsigned kTicksPerIdentity = 10;
  const FileLook look = LookAt(path_, ++ticks_ % kTicksPerIdentity == 0);
  Step step{DecideFollow(file_, look), {}};
  if (step.action == FollowAction::MarkGone) file_.gone = true;
  if (step.action != FollowAction::Append) return step;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(look.size - file_.size, most));
  const std::optional<ReadPart> part = ReadFrom(path_, file_.size, wanted);
  if (!part) return {};
  if (file_.identity && part->identity != *file_.identity) return {FollowAction::ShowAgain, {}};
  sizeBeforeTick_ = file_.size;
  converterBeforeTick_ = converter_;
  if (!converter_->Convert(part->bytes, false, step.text)) {
    // Bytes that UTF-8 has not, in a file shown as UTF-8: shown as they are.
    converter_->PassInvalidUtf8();
    converter_->Convert(part->bytes, false, step.text);
  }
  file_.size += part->bytes.size();
  step.more = look.size > file_.size;
  return step;
}

void FileFollower::Unread() {
  if (!converterBeforeTick_) return;
  file_.size = sizeBeforeTick_;
  converter_ = std::move(converterBeforeTick_);
  converterBeforeTick_.reset();
}

}  // namespace lumen
