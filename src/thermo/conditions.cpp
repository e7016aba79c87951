#include "thermo/conditions.h"

#include <cmath>

#include "base/run_params.h"
#include "base/units.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

namespace zq {

double temperature_function(const std::array<double, 3>& c, double tk) { return c[0] / (tk * tk) + c[1] / tk + c[2]; }

void evaluate_conditions(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond) {
    const double tk = kelvin(rp.TEMP);
    cond.TK = tk;
    cond.logP = std::log10(rp.PFLUID);
    for (int k = 1; k <= 10; ++k) cond.cross_t[k] = temperature_function(sys.cross[k], tk);
    for (int g = 1; g <= sys.nmixed; ++g) {
        cond.eos_a_t[g] = temperature_function(sys.mn[g].eos_a, tk);
        cond.eos_b_t[g] = temperature_function(sys.mn[g].eos_b, tk);
    }

    evaluate_header_quantities(sys, rp, cond);
    const SaturationStencils sat(rp.TEMP);
    for (int j = sys.nc + 1; j <= sys.ns; ++j)
        cond.logk[j] = evaluate_record(sys.sp[j].kind, sys.sp_raw, j, rp.PFLUID, rp.TEMP, cond.grid, rp.CONFLG, sat);
    for (int i = 1; i <= sys.nmin; ++i) {
        cond.mn_logk[i] = evaluate_record(sys.mn[i].kind, sys.mn_raw, i, rp.PFLUID, rp.TEMP, cond.grid, rp.CONFLG, sat);
        if (i <= sys.nmixed) {
            cond.mn_logk_raw[i] = cond.mn_logk[i];
            cond.mn_logk[i] += cond.logP;
        }
    }
}

void assign_in_use(Conditions& to, const Conditions& from, const ChemicalSystem& sys) {
    // Every table of SpeciesAndPhaseValues is copied below: one added there must be too.
    static_assert(sizeof(SpeciesAndPhaseValues) ==
                  2 * sizeof(Table<double, MAX_SPECIES>) + 2 * sizeof(Table<double, MAX_MINERALS>));
    static_assert(sizeof(Conditions) == sizeof(ConditionsCore) + sizeof(SpeciesAndPhaseValues));
    static_cast<ConditionsCore&>(to) = from;
    copy_slots(to.logk, from.logk, sys.ns);
    copy_slots(to.bdot, from.bdot, sys.ns);
    copy_slots(to.mn_logk, from.mn_logk, sys.nmin);
    copy_slots(to.mn_logk_raw, from.mn_logk_raw, sys.nmin);
}

}  // namespace zq
