#include "processing/interval_set.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "support/fake_window.h"

namespace velmora {
namespace {

using Intervals = std::vector<std::pair<int, int>>;

class IntervalSetTest : public ::testing::Test {
 protected:
  ~IntervalSetTest() override {
    for (IntervalSet* s : owned_) freeIntervalSet(s);
  }

  IntervalSet* make(const Intervals& intervals, uint16_t capacity = 10) {
    IntervalSet* s = newIntervalSet(nullptr, capacity);
    for (auto [a, b] : intervals) {
      EXPECT_EQ(addInterval(s, static_cast<uint16_t>(a), static_cast<uint16_t>(b)), 1);
    }
    owned_.push_back(s);
    return s;
  }

  static Intervals contents(const IntervalSet* s) {
    Intervals out;
    for (int i = 0; i < s->wIntervals; ++i) out.emplace_back(s->lpFirst[i], s->lpLast[i]);
    return out;
  }

  testing::FakeWindow window_;
  std::vector<IntervalSet*> owned_;
};

TEST_F(IntervalSetTest, AddMergesOverlapsButKeepsTouchingIntervalsApart) {
  IntervalSet* s = make({{1, 3}, {10, 12}});
  EXPECT_EQ(addInterval(s, 5, 9), 1);
  EXPECT_EQ(contents(s), (Intervals{{1, 3}, {5, 9}, {10, 12}}));

  s = make({{1, 3}, {5, 6}, {10, 12}, {20, 30}});
  addInterval(s, 2, 11);
  EXPECT_EQ(contents(s), (Intervals{{1, 12}, {20, 30}}));

  s = make({{2, 3}, {6, 8}});
  addInterval(s, 0, 4);
  EXPECT_EQ(contents(s), (Intervals{{0, 4}, {6, 8}}));

  s = make({{1, 4}});
  addInterval(s, 3, 7);
  EXPECT_EQ(contents(s), (Intervals{{1, 7}}));

  // Inside an existing interval: nothing changes, success.
  EXPECT_EQ(addInterval(s, 2, 5), 1);
  EXPECT_EQ(contents(s), (Intervals{{1, 7}}));

  // A new interval inserted in front keeps the order.
  s = make({{10, 12}, {1, 2}});
  EXPECT_EQ(contents(s), (Intervals{{1, 2}, {10, 12}}));
}

TEST_F(IntervalSetTest, RemoveShortensDropsAndSplits) {
  IntervalSet* s = make({{1, 10}});
  EXPECT_EQ(removeInterval(s, 4, 6), 1);
  EXPECT_EQ(contents(s), (Intervals{{1, 3}, {7, 10}}));

  IntervalSet* full = make({{1, 10}}, 1);
  EXPECT_EQ(removeInterval(full, 4, 6), 0);
  EXPECT_EQ(contents(full), (Intervals{{1, 10}}));
  // Shortening needs no new slot even in a full set.
  EXPECT_EQ(removeInterval(full, 8, 20), 1);
  EXPECT_EQ(contents(full), (Intervals{{1, 7}}));

  s = make({{1, 3}});
  removeInterval(s, 3, 8);
  EXPECT_EQ(contents(s), (Intervals{{1, 2}}));
  s = make({{3, 9}});
  removeInterval(s, 0, 3);
  EXPECT_EQ(contents(s), (Intervals{{4, 9}}));

  s = make({{1, 2}, {4, 5}, {7, 9}, {12, 14}});
  removeInterval(s, 2, 8);
  EXPECT_EQ(contents(s), (Intervals{{1, 1}, {9, 9}, {12, 14}}));
}

TEST_F(IntervalSetTest, ClipAndIntersect) {
  IntervalSet* s = make({{1, 5}, {8, 9}});
  EXPECT_EQ(clipIntervalSet(s, 5, 8), 1);
  EXPECT_EQ(contents(s), (Intervals{{5, 5}, {8, 8}}));

  s = make({{0, 10}, {20, 30}});
  EXPECT_EQ(intersectIntervalSet(s, make({{5, 25}})), 1);
  EXPECT_EQ(contents(s), (Intervals{{5, 10}, {20, 25}}));

  s = make({{0, 10}, {20, 30}});
  intersectIntervalSet(s, make({{2, 3}, {9, 21}, {29, 40}}));
  EXPECT_EQ(contents(s), (Intervals{{2, 3}, {9, 10}, {20, 21}, {29, 30}}));
}

TEST_F(IntervalSetTest, InvalidArgumentsFailAndEmptySetsStayEmpty) {
  IntervalSet* s = make({{2, 4}});
  EXPECT_EQ(addInterval(s, 7, 6), 0);
  EXPECT_EQ(removeInterval(s, 7, 6), 0);
  EXPECT_EQ(clipIntervalSet(s, 7, 6), 0);
  EXPECT_EQ(contents(s), (Intervals{{2, 4}}));
  EXPECT_EQ(addInterval(nullptr, 1, 2), 0);
  EXPECT_EQ(addIntervalSet(s, nullptr), 0);
  EXPECT_EQ(removeIntervalSet(nullptr, s), 0);
  EXPECT_EQ(intersectIntervalSet(s, nullptr), 0);

  IntervalSet* empty = make({});
  removeInterval(empty, 0, 100);
  clipIntervalSet(empty, 0, 100);
  intersectIntervalSet(empty, s);
  EXPECT_EQ(empty->wIntervals, 0);

  // A full set refuses an insertion and stays as it was.
  IntervalSet* full = make({{1, 2}}, 1);
  EXPECT_EQ(addInterval(full, 5, 6), 0);
  EXPECT_EQ(contents(full), (Intervals{{1, 2}}));
}

TEST_F(IntervalSetTest, NewAndCopyReuseSufficientCapacity) {
  IntervalSet* s = make({{1, 2}, {4, 5}}, 8);
  uint16_t* arrays = s->lpFirst;
  EXPECT_EQ(newIntervalSet(s, 3), s);
  EXPECT_EQ(s->wMaxIntervals, 8);
  EXPECT_EQ(s->lpFirst, arrays);
  EXPECT_EQ(s->wIntervals, 0);
  EXPECT_EQ(s->lpLast, s->lpFirst + 8);

  EXPECT_EQ(newIntervalSet(s, 12), s);
  EXPECT_EQ(s->wMaxIntervals, 12);

  IntervalSet* source = make({{1, 2}, {4, 5}}, 5);
  IntervalSet* copy = copyIntervalSet(nullptr, source);
  owned_.push_back(copy);
  EXPECT_EQ(copy->wMaxIntervals, 5);
  EXPECT_EQ(contents(copy), contents(source));
  EXPECT_EQ(copyIntervalSet(copy, nullptr), nullptr);
  EXPECT_EQ(freeIntervalSet(nullptr), nullptr);
}

// The operations against a plain set of positions on random input; the representation
// must also keep its invariants (sorted, disjoint, first <= last).
TEST_F(IntervalSetTest, RandomOperationsMatchPositionSets) {
  std::mt19937 engine(4321);
  auto draw = [&engine](int bound) { return static_cast<int>(engine() % bound); };
  for (int round = 0; round < 300; ++round) {
    IntervalSet* a = make({}, 64);
    std::set<int> model;
    for (int op = 0; op < 12; ++op) {
      int first = draw(60);
      int last = first + draw(12);
      int kind = draw(3);
      if (kind == 0) {
        addInterval(a, first, last);
        for (int p = first; p <= last; ++p) model.insert(p);
      } else if (kind == 1) {
        removeInterval(a, first, last);
        for (int p = first; p <= last; ++p) model.erase(p);
      } else {
        IntervalSet* b = make({{first, last}, {last + 3, last + 3 + draw(9)}}, 4);
        intersectIntervalSet(a, b);
        std::set<int> kept;
        for (int p : model) {
          for (int i = 0; i < b->wIntervals; ++i) {
            if (p >= b->lpFirst[i] && p <= b->lpLast[i]) kept.insert(p);
          }
        }
        model.swap(kept);
      }
      std::set<int> got;
      for (int i = 0; i < a->wIntervals; ++i) {
        ASSERT_LE(a->lpFirst[i], a->lpLast[i]);
        if (i > 0) {
          ASSERT_LT(a->lpLast[i - 1], a->lpFirst[i]);
        }
        for (int p = a->lpFirst[i]; p <= a->lpLast[i]; ++p) got.insert(p);
      }
      ASSERT_EQ(got, model) << "round " << round << " op " << op;
    }
  }
}

}  // namespace
}  // namespace velmora
