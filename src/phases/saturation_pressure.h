// The saturation pressure of a solution: the pressure at which its dissolved gases would
// form a gas phase, and that phase's composition, reported after a solve without a gas
// phase (IPSAT). The mixed gases' fugacities f(i) over the solution are fixed; the mole
// fractions y(i) and the pressure P solve phi(i) y(i) P = f(i) with sum y(i) = 1 by Newton
// iteration, phi from the virial equation of the gas mixture.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// The log fugacity of every gas over the solution: log Q - log K (a mixed gas's log K
// without log10 P), into eq.phase[g].log_fugacity. For a gas in the matrix it is the log
// fugacity of the gas phase.
void set_gas_log_fugacities(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq);

struct SaturationPressure {
    double p = 0;        // bar
    int iterations = 0;  // passes before the correction of P fell below 1e-5 bar; 26 when it did not
    bool converged = true;
};

// The saturation pressure from the log fugacities of the mixed gases (set_gas_log_fugacities
// first): P and y start from the ideal mixture (P = sum of f, y = f / P); with IDEAL 0 or 1
// at most 26 Newton passes follow (a y correction that would leave [0, 1] is not taken, P is
// at most 600 bar), then the report to the listing and the console. The report turns the
// iterative refinement off for the rest of the run (ITREF = 0); the fugacity coefficients
// and mole fractions of the mixed gases keep its values. PFLUID is not changed.
SaturationPressure saturation_pressure_report(const ChemicalSystem& sys, const Conditions& cond, RunParams& rp,
                                              EquilibriumState& eq, Io& io);

}  // namespace zq
