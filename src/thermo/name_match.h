// The closest name: for a name a run file lists that the database does not have, the
// database name the user most likely meant ("Calcit" -> "Calcite").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/fixed.h"

namespace zq {

// The number of single-character insertions, deletions, changes or swaps of neighbours
// that turn `a` into `b`, letters compared without regard to case.
int name_distance(std::string_view a, std::string_view b);

// The candidate (blanks trimmed) nearest to `name`, the first of equals in table order; ""
// when none is within a third of the longer name's length (at least 2 edits), which
// would be a guess rather than a spelling.
std::string closest_name(std::string_view name, const std::vector<Name20>& candidates);

}  // namespace zq
