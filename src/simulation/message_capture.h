// The synthesis steps of a repeat, with what they have to say reported to a Reporter (a
// RecordingReporter per repeat in flight, replayed in run order) instead of shown. The
// model's synthesis still shows its messages on a Window; these calls hand it one that
// turns each message box into a Message.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/series.h"

namespace velmora {

// getCutOffSeries, reporting.
SeriesHeader* synthesiseSeries(Reporter& reporter, uint16_t alphabetSize,
                               const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                               uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                               uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                               SeriesHeader* old);

// addNoise, reporting.
void addSeriesNoise(Reporter& reporter, int16_t noiseLevel, int16_t amplitude,
                    SeriesHeader* header, uint16_t& noiseState);

}  // namespace velmora
