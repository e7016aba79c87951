#include "phases/step_totals.h"

#include <cmath>

#include "base/run_params.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double POROSITY_FLOOR = -1000.0;  // a porosity at or below it is shown as -999
constexpr double POROSITY_SHOWN = -999.0;

}  // namespace

StepTotals step_totals(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                       const StepTotals& kept) {
    StepTotals t = kept;

    // The solution: its mass from the aqueous moles of the components, and the log activity
    // ratios of the components to H+.
    const double log_ah = std::log10(eq.act[1]);
    double grams = 0.0;
    for (int k = 1; k <= sys.nc; ++k) {
        t.log_ratio[k] = std::log10(eq.act[k]) - sys.sp[k].charge * log_ah;
        grams += sys.sp[k].gfw * eq.comp[k].aqueous();
    }
    t.solution_grams = grams;

    // The phases in the matrix: masses, the volume of the solids, weight per cents.
    double solids = 0.0, gases = 0.0, volume = 0.0;
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const double g = eq.mn_moles[f] * sys.mn[f].gfw;
        (sys.mn[f].is_gas() ? gases : solids) += g;
    }
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const Mineral& mn = sys.mn[f];
        const double g = eq.mn_moles[f] * mn.gfw;
        const double whole = mn.is_gas() ? gases : solids;
        if (whole != 0.0) t.wt_percent[f] = g * 100.0 / whole;
        if (!mn.is_gas()) volume += g / mn.density;
    }
    t.solids_grams = solids;
    t.gas_grams = gases;
    t.solids_volume = volume;

    double charge = 0.0;
    if (eq.nph > 0)
        for (int k = 1; k <= sys.nc; ++k) charge += sys.sp[k].charge * (eq.comp[k].solid + eq.comp[k].gas);
    t.solid_charge = charge;

    // Porosity of BOX-1 from the solids volume; without a box the last value stays.
    double porosity = kept.porosity;
    if (rp.VBOX1 != 0) porosity = 100.0 - volume * 100.0 / rp.VBOX1;
    if (porosity <= POROSITY_FLOOR) porosity = POROSITY_SHOWN;
    t.porosity = porosity;
    return t;
}

void update_water_rock(StepTotals& t, const RunParams& rp) {
    if (rp.MINSOL == 0) return;
    if (rp.TOTMIX != 0.0) t.water_rock = rp.AQGRM / rp.TOTMIX;
    if (t.water_rock > 0.0) t.log_water_rock = std::log10(t.water_rock);
}

}  // namespace zq
