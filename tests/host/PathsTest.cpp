#include <gtest/gtest.h>

#include "host/Paths.h"

namespace lumen {
namespace {

TEST(FileNameStart, FindsTheLastComponentOverTrailingSeparators) {
  EXPECT_EQ(FileNameStart(L""), 0u);
  EXPECT_EQ(FileNameStart(L"a"), 0u);
  EXPECT_EQ(FileNameStart(L"ab"), 0u);
  EXPECT_EQ(FileNameStart(L"\\ab"), 1u);
  EXPECT_EQ(FileNameStart(L"C:\\Data\\Host"), 8u);
  EXPECT_EQ(FileNameStart(L"C:\\Data\\Host\\\\"), 8u);
  EXPECT_EQ(FileNameStart(L"C:/Data/Host"), 8u);
}

}  // namespace
}  // namespace lumen
