#include "path/mixing.h"

#include "base/run_params.h"
#include "thermo/conditions.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

namespace zq {

double mixing_ionic_strength(const ChemicalSystem& sys) {
    const double water = sys.nc >= 2 ? sys.comp[2].mix_total : 0.0;
    double sum = 0;
    if (water > 0) {
        for (int k = 3; k <= sys.nc; ++k) {
            const double z = sys.sp[k].charge;
            sum += z * z * (sys.comp[k].mix_total * WATER_MOLES_PER_KG / water);
        }
    }
    if (!(sum > 0)) sum = 1.0e-10;  // no water or no charged solute: a trace
    return 0.5 * sum;
}

double mixing_heat(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp) {
    if (rp.CONFLG == 1) return grid_interpolate(rp.PFLUID, rp.TEMPC, cond.grid_mix, sys.header_raw[5]);
    return saturation_interpolate(rp.TEMPC, sys.header_raw[5]);
}

}  // namespace zq
