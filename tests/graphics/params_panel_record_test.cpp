#include "graphics/params_panel_record.h"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

// A series record with just what the panel reads.
struct PanelSeries : SeriesHeader {
  PanelSeries(uint32_t n, uint16_t tmin, uint16_t tmax, uint16_t quantity) {
    dwSeriesSize = n;
    wImpulseSize = 20;
    wTmin = tmin;
    wTmax = tmax;
    wImpulseQuantity = quantity;
  }
};

TEST(ParamsHeader, FilledFromTheSeries) {
  RecordingReporter reported;
  PanelSeries series(600, 40, 181, 9);
  ParamsHeader* p = getParamsHeader(reported, &series, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->dwMinPulses, 3);
  EXPECT_EQ(p->dwMaxPulses, 15);
  EXPECT_EQ(p->dwAreas, 13);
  EXPECT_EQ(p->dwReservedAreas, 13);
  EXPECT_EQ(p->dwFirstFrom, 0);
  EXPECT_EQ(p->dwFirstTo, 161);
  EXPECT_EQ(p->dwLastFrom, 419);
  EXPECT_EQ(p->dwLastTo, 580);
  EXPECT_EQ(p->dwPulses, 9);
  EXPECT_EQ(p->dwTmin, 40);
  EXPECT_EQ(p->dwReservedSeriesSize, 600);
  EXPECT_EQ(p->dwPrevPulses, 9);
  EXPECT_EQ(p->dwPrevFirstTo, 161);
  EXPECT_EQ(p->dwPrevLastFrom, 419);
  EXPECT_EQ(p->dwPrevMaxPulses, 15);
  EXPECT_EQ(p->dwPrevMinPulses, 3);

  // Reopened on the same record for a shorter series: the cell array is kept and cleared,
  // and no drag carries over.
  p->pulsesSelectedAreas[0] = CellRect{1, 2, 3, 4};
  p->dwDragTmin = 1;
  CellRect* cells = p->pulsesSelectedAreas;
  PanelSeries shorter(400, 50, 181, 5);
  EXPECT_EQ(getParamsHeader(reported, &shorter, p), p);
  EXPECT_EQ(p->pulsesSelectedAreas, cells);
  EXPECT_EQ(p->pulsesSelectedAreas[0].right, 0);
  EXPECT_EQ(p->dwDragTmin, 0);
  EXPECT_EQ(p->dwTmin, 50);
  EXPECT_EQ(p->dwReservedSeriesSize, 600);
  EXPECT_TRUE(reported.messages.empty());
  freeParamsHeader(p);
  freeParamsHeader(nullptr);
}

TEST(ParamsHeader, ASeriesWithoutTminOrTmaxLeavesTheRecordAsItIs) {
  RecordingReporter reported;
  PanelSeries series(600, 40, 181, 9);
  ParamsHeader* p = getParamsHeader(reported, &series, nullptr);
  ASSERT_NE(p, nullptr);
  PanelSeries noTmin(400, 0, 181, 5);
  PanelSeries noTmax(400, 40, 0, 5);
  for (const SeriesHeader* other : {static_cast<const SeriesHeader*>(nullptr),
                                    static_cast<const SeriesHeader*>(&noTmin),
                                    static_cast<const SeriesHeader*>(&noTmax)}) {
    EXPECT_FALSE(paramsPanelApplies(other));
    EXPECT_EQ(getParamsHeader(reported, other, p), p);
    EXPECT_EQ(p->dwSeriesSize, 600);
  }
  EXPECT_TRUE(paramsPanelApplies(&series));
  EXPECT_EQ(getParamsHeader(reported, nullptr, nullptr), nullptr);
  EXPECT_TRUE(reported.messages.empty());
  freeParamsHeader(p);
}

}  // namespace
}  // namespace velmora::testing
