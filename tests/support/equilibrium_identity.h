// Test support: the identities of a converged equilibrium, recomputed from the tables alone
// (not with the solver's code): every mass balance and every mass-action equation of the
// phases in the matrix within the tolerance ERPC gives it, the fixed-pH equation, every
// derived species at its mass-action molality, the charge of the solution within 1e-4 T(C),
// and the enthalpy balance while it is a row of the matrix.
#pragma once

#include <string>

#include "driver/run_state.h"

namespace zq::test {

// "" when every identity holds, else one line per equation out of its tolerance. `slack`
// widens the tolerances (a damped solve converges on damped residuals).
std::string equilibrium_faults(const RunState& run, double slack = 1.0);

}  // namespace zq::test
