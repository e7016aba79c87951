#include "phases/gas_mixture.h"

#include "driver/run_parameters.h"
#include "phases/enthalpy.h"
#include "phases/solid_solution.h"
#include "solver/linear_solver.h"

namespace zq {

void assemble_enthalpy_row(const ChemicalSystem&, const RunParams&, LinearSystem& ls, int row) {
    ls.f[row] = 0.0;
    ls.A(row, row) = 1.0;
}

void update_pressure(ChemicalSystem&, RunParams&, double) {}

void refresh_gas_mixture(ChemicalSystem&, const RunParams&) {}

double mixed_gas_enthalpy(const ChemicalSystem&, const RunParams& rp, int gas) {
    return gas_molar_enthalpy(static_cast<EnthalpyGas>(gas), rp.TEMP);
}

std::pair<double, double> gas_volume_coefficients(const ChemicalSystem& sys, const RunParams& rp, int phase) {
    const Mineral& mn = sys.mn[phase];
    if (rp.IDEAL >= 2 || mn.jsols != MIXED_GAS_JSOLS) return {0.0, 0.0};
    // ln phi = (a + b P / 2) P gives Z = 1 + a P + b P^2: k1 = b (third virial), k2 = a.
    return {mn.eos_b_t, mn.eos_a_t};
}

}  // namespace zq
