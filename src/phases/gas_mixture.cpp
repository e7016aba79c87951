#include "phases/gas_mixture.h"

#include "base/run_params.h"
#include "phases/enthalpy.h"
#include "phases/solid_solution.h"
#include "solver/linear_solver.h"
#include "solver/newton.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

void set_gas_phase_hooks(NewtonHooks& hooks, const ChemicalSystem&, Conditions&, RunParams&, EquilibriumState&) {
    hooks.enthalpy_row = [](LinearSystem& ls, int row) {
        ls.f[row] = 0.0;
        ls.A(row, row) = 1.0;
    };
    hooks.update_pressure = [](double) {};
    hooks.refresh_gas_mixture = [] {};
}

double mixed_gas_enthalpy(const ChemicalSystem&, const RunParams& rp, int gas) {
    return gas_molar_enthalpy(static_cast<EnthalpyGas>(gas), rp.TEMP);
}

std::pair<double, double> gas_volume_coefficients(const ChemicalSystem& sys, const Conditions& cond,
                                                  const RunParams& rp, int phase) {
    if (rp.IDEAL >= 2 || sys.mn[phase].jsols != MIXED_GAS_JSOLS) return {0.0, 0.0};
    // ln phi = (a + b P / 2) P gives Z = 1 + a P + b P^2: k1 = b (third virial), k2 = a.
    return {cond.eos_b_t[phase], cond.eos_a_t[phase]};
}

}  // namespace zq
