// What a look at a followed file asks of the viewer.
#include <gtest/gtest.h>

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

TEST(FileFollow, FollowsFilesOnThisMachineOnly) {
  EXPECT_TRUE(OnThisMachine(L"C:\\logs\\app.log"));
  EXPECT_TRUE(OnThisMachine(L"\\\\?\\C:\\logs\\app.log"));
  EXPECT_FALSE(OnThisMachine(L"\\\\server\\share\\app.log"));
  EXPECT_FALSE(OnThisMachine(L"\\\\?\\UNC\\server\\share\\app.log"));
}

}  // namespace
}  // namespace lumen
