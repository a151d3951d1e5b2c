#include "ui/markup/list_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvanta::markup {
namespace {

TEST(ListGeometry, ItemUnderAnOffsetFromTheTopIndex) {
  const std::vector<int> heights = {48, 80, 32, 0, 16};
  const auto of = [&](int i) { return heights[static_cast<size_t>(i)]; };
  EXPECT_EQ(ItemAtOffset(5, 0, 0, of), 0);
  EXPECT_EQ(ItemAtOffset(5, 0, 47, of), 0);
  EXPECT_EQ(ItemAtOffset(5, 0, 48, of), 1);
  EXPECT_EQ(ItemAtOffset(5, 0, 160, of), 3);  // a zero height still takes a pixel
  EXPECT_EQ(ItemAtOffset(5, 0, 161, of), 4);
  EXPECT_EQ(ItemAtOffset(5, 0, 177, of), -1) << "below the last item";
  EXPECT_EQ(ItemAtOffset(5, 2, 10, of), 2) << "counted from the top index";
  EXPECT_EQ(ItemAtOffset(5, 0, -1, of), -1);
  EXPECT_EQ(ItemAtOffset(0, 0, 0, of), -1);
  EXPECT_EQ(ItemAtOffset(5, 5, 0, of), -1);

  // Past 65,535 items the index is whole, and only the shown items are read.
  int reads = 0;
  const auto rows = [&](int) {
    ++reads;
    return 16;
  };
  EXPECT_EQ(ItemAtOffset(100000, 69990, 9 * 16 + 3, rows), 69999);
  EXPECT_EQ(reads, 10);
  EXPECT_EQ(ItemAtOffset(100000, 65536, 0, rows), 65536);
}

}  // namespace
}  // namespace corvanta::markup
