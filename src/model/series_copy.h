// Copying a series record: into a record of its own (a command that may have to put the
// record back), or into another of the same layout (the simulation's repeats in flight, each
// processed on its own copy of the series the synthesis made).
#pragma once

#include "model/series.h"

namespace velmora {

// A record of its own with everything `from` holds: samples, truth, answers, the attached
// subset and the subset store, its pointers into the new record's blocks. Throws
// std::bad_alloc.
SeriesHeader* copySeriesHeader(const SeriesHeader& from);

// Copies the series, its truth, windows, attached subset and answer from one record to
// another of the same layout (the stored subset list stays where it is). The copy must
// follow every field of the record: a new field needs a line here.
void copySeriesState(const SeriesHeader& from, SeriesHeader& to);

// Whether the two records lay out their blocks alike, so that one can be copied into the
// other.
bool sameLayout(const SeriesHeader& a, const SeriesHeader& b);

// Gives `to` the layout of `from` (nothing to do when it has it already). Throws
// std::bad_alloc.
void cloneSeriesLayout(const SeriesHeader& from, SeriesHeader& to);

}  // namespace velmora
