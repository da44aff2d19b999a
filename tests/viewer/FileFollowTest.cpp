// What a look at a followed file asks of the viewer.
#include <gtest/gtest.h>

#include "abi/EditorControl.h"
#include "viewer/FileFollow.h"

namespace lumen {
namespace {

TEST(FileFollow, DecidesByTheFilesSizeIdentityAndPresence) {
  const FileIdentity same{7, 42}, other{7, 43};
  const struct {
    FollowedFile shown;
    FileLook now;
    FollowAction expected;
  } cases[] = {
      {{100, same, false}, {true, 100, same}, FollowAction::Nothing},
      {{100, same, false}, {true, 100, std::nullopt}, FollowAction::Nothing},  // identity not looked at
      {{100, same, false}, {true, 150, std::nullopt}, FollowAction::Append},
      {{100, same, false}, {true, 40, std::nullopt}, FollowAction::ShowAgain},  // truncated
      {{100, same, false}, {true, 150, other}, FollowAction::ShowAgain},        // rotated, then grown
      {{100, same, false}, {true, 100, other}, FollowAction::ShowAgain},        // rotated at the same size
      {{100, same, false}, {false, 0, std::nullopt}, FollowAction::MarkGone},
      {{100, same, true}, {false, 0, std::nullopt}, FollowAction::Nothing},  // said once
      {{100, same, true}, {true, 100, std::nullopt}, FollowAction::ShowAgain},  // created anew
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideFollow(c.shown, c.now), c.expected) << c.shown.size << " -> " << c.now.size;
  }
}

// The control makes room by copying its whole text: a small document gets
// half as much again, a big one is built anew, and none beyond what the
// control counts.
TEST(FileFollow, GrowsTheDocumentInItsRoomThenByCopiesOnlyWhileSmall) {
  constexpr size_t kMegabyte = size_t{1} << 20;
  FileFollower follower;
  follower.Begin(L"C:\\logs\\app.log", 0, std::nullopt, Encoding::Utf8, 0, 100 * kMegabyte);
  using Growth = FileFollower::Growth;
  const struct {
    size_t needed;
    bool big;
    Growth growth;
    size_t room;
  } steps[] = {
      {100 * kMegabyte, true, Growth::InRoom, 0},
      {101 * kMegabyte, true, Growth::BuildAnew, 0},
      {101 * kMegabyte, false, Growth::MakeRoom, 101 * kMegabyte + 101 * kMegabyte / 2},
      {120 * kMegabyte, false, Growth::InRoom, 0},
      {kLargestDocument + 1, false, Growth::TooBig, 0},
      {kLargestDocument - 1, false, Growth::MakeRoom, kLargestDocument},
  };
  for (const auto& step : steps) {
    const FileFollower::Room room = follower.RoomFor(step.needed, step.big);
    EXPECT_EQ(room.growth, step.growth) << step.needed;
    if (step.growth == Growth::MakeRoom) EXPECT_EQ(room.room, step.room) << step.needed;
  }
}

TEST(FileFollow, FollowsFilesOnThisMachineOnly) {
  EXPECT_TRUE(OnThisMachine(L"C:\\logs\\app.log"));
  EXPECT_TRUE(OnThisMachine(L"\\\\?\\C:\\logs\\app.log"));
  EXPECT_FALSE(OnThisMachine(L"\\\\server\\share\\app.log"));
  EXPECT_FALSE(OnThisMachine(L"\\\\?\\UNC\\server\\share\\app.log"));
}

}  // namespace
}  // namespace lumen
