// Test support: the identities every converged equilibrium satisfies, recomputed from the
// tables alone (not with the solver's code): each mass balance and each mass-action
// equation of the phases in the matrix within the tolerance ERPC gives it, the fixed-pH
// equation, every derived species at its mass-action molality, and the charge of the
// solution within the listing's limit.
#pragma once

#include <string>
#include <vector>

#include "driver/run_parameters.h"
#include "thermo/system_tables.h"

namespace zq::test {

struct IdentityReport {
    std::vector<std::string> failures;  // one line per equation out of tolerance
    double worst_ratio = 0;             // largest |residual| / tolerance of the checked rows
    std::string worst;                  // its equation
    bool ok() const { return failures.empty(); }
    std::string text() const;
};

// `slack` widens every tolerance (damped solves converge on damped residuals).
IdentityReport check_equilibrium(const ChemicalSystem& sys, const RunParams& rp, double slack = 1.0);

}  // namespace zq::test
