// Pieces handed between threads: the taker waits for pieces, the putter for
// room, a finished queue drains and ends, a closed one stops everyone.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/BoundedQueue.h"

namespace lumen {
namespace {

size_t Length(const std::string& piece) { return piece.size(); }

TEST(BoundedQueue, HandsOnEveryPieceInOrderAndEndsWhenFinished) {
  BoundedQueue<std::string> queue(8, Length);
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += std::string(1 + i % 5, static_cast<char>('a' + i % 26));
  std::thread putter([&] {
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(queue.Push(std::string(1 + i % 5, static_cast<char>('a' + i % 26))));
    queue.Finish();
  });
  std::string taken;
  while (std::optional<std::string> piece = queue.Pop()) taken += *piece;
  putter.join();
  EXPECT_EQ(taken, expected);
  EXPECT_FALSE(queue.Pop().has_value()) << "ended for good";
}

// Pieces come in while they add up to less than the room (the last one may
// pass it), and wait for room beyond; closing stops every wait.
TEST(BoundedQueue, WaitsForRoomNeverWhenTryingAndStopsEveryoneWhenClosed) {
  BoundedQueue<std::string> queue(8, Length);
  EXPECT_TRUE(queue.TryPush("abcde"));
  EXPECT_TRUE(queue.TryPush("fghij")) << "5 of 8 waiting: one more comes in";
  EXPECT_TRUE(queue.full());
  EXPECT_FALSE(queue.TryPush("k")) << "full: refused at once";
  std::thread putter([&] { EXPECT_FALSE(queue.Push("waits")) << "closed while it waited for room"; });
  Sleep(50);
  queue.Close();
  putter.join();
  EXPECT_FALSE(queue.Pop().has_value()) << "what waited is dropped";
  BoundedQueue<std::string> empty(8, Length);
  std::thread taker([&] { EXPECT_FALSE(empty.Pop().has_value()) << "closed while it waited for a piece"; });
  Sleep(50);
  empty.Close();
  taker.join();
  // A queue started again takes pieces anew and drops what waited.
  BoundedQueue<std::string> again(16, Length);
  again.Push("old");
  again.Finish();
  again.Restart();
  again.Push("new");
  again.Finish();
  EXPECT_EQ(again.Pop(), "new");
  EXPECT_FALSE(again.Pop().has_value());
}

}  // namespace
}  // namespace lumen
