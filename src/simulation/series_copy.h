// Copying a series record into another of the same layout, for the simulation's repeats in
// flight: each is processed on its own copy of the series the synthesis made. (It belongs
// beside the series record in model/series; it lives here until that record's owner
// takes it.)
#pragma once

#include "model/series.h"

namespace velmora {

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
