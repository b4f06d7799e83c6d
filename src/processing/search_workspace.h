// The storage the searches reuse from one call to the next: rows of chain values, local
// match tables, prepared etalons, answers and the position sets of the last geometry.
// A caller that runs many searches (the statistical simulation) keeps one workspace per
// thread and passes it to every search, so that after the first series of a geometry the
// searches allocate nothing. A search given no workspace uses one of its own for the call.
// The results never depend on what a workspace held before.
#pragma once

#include "processing/fixed_search.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"

namespace velmora {

struct SearchWorkspace {
  FixedSearchWork fixed;
  TupleSearchWork tuple;
  UnfixedSearchWork unfixed;
  LayeredSearchWork layered;
  PositionSetsCache positionSets;
};

}  // namespace velmora
