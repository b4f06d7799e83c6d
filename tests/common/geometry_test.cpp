// The two kinds of rectangle and the helpers that convert and compare them.
#include "common/geometry.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(Geometry, TheRightAndBottomEdgesBelongOnlyToInclusiveRectangles) {
  const Rect r{2, 3, 5, 7};
  EXPECT_TRUE(containsInclusive(r, 5, 7));
  EXPECT_FALSE(containsHalfOpen(r, 5, 7));
  EXPECT_TRUE(containsHalfOpen(r, 4, 6));
  EXPECT_TRUE(containsHalfOpen(r, 2, 3));
  EXPECT_FALSE(containsHalfOpen(r, 1, 3));
  EXPECT_FALSE(containsInclusive(kNoRect, 0, 0));
  EXPECT_EQ(rectContains(r, 5, 7), containsInclusive(r, 5, 7));

  // Both forms of the same pixels.
  EXPECT_EQ(halfOpenOf(r), (Rect{2, 3, 6, 8}));
  EXPECT_EQ(inclusiveOf(halfOpenOf(r)), r);
  EXPECT_TRUE(emptyHalfOpen(halfOpenOf(kNoRect)));
  EXPECT_TRUE(emptyHalfOpen(Rect{4, 4, 4, 9}));
  EXPECT_FALSE(emptyHalfOpen(Rect{4, 4, 5, 5}));
}

TEST(Geometry, AHalfOpenBoxLiesWithinAnAreaUpToItsLastPixel) {
  const Rect area = halfOpenOf(Rect{0, 0, 9, 9});  // an inclusive area of 10 × 10
  EXPECT_TRUE(halfOpenWithin(Rect{0, 0, 10, 10}, area));
  EXPECT_FALSE(halfOpenWithin(Rect{0, 0, 11, 10}, area));
  EXPECT_FALSE(halfOpenWithin(Rect{-1, 0, 5, 5}, area));
  // An empty box lies nowhere, not even inside.
  EXPECT_FALSE(halfOpenWithin(Rect{3, 3, 3, 8}, area));
}

}  // namespace
}  // namespace velmora
