#include "output/plot_file.h"

#include <cmath>
#include <string>
#include <vector>

#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

const Kind4 GAS_FLAG("GAS ");

// Lines of eight values, [8E10.4] each.
void write_block(Io& io, const std::vector<FieldValue>& values) {
    io.plot().line(layout(R"([8E10.4])", values));
}

// Mole fraction of phase i in its present solid solution (moles over the solution's total,
// which the phase-assemblage check has just summed); 1 for a pure phase.
double solution_mole_fraction(const ChemicalSystem& sys, int i) {
    const int b = sys.mn[i].ss_present;
    if (b == 0) return 1.0;
    const double total = sys.ss.total[b];
    return total != 0 ? sys.mn_moles[i] / total : 0.0;
}

// Porosity of BOX-1 from the solids volume of the step; without a box the last value stays.
double porosity(ChemicalSystem& sys, const RunParams& rp) {
    double p = sys.kept.porosity;
    if (rp.VBOX1 != 0) p = 100.0 - sys.kept.solids_volume * 100.0 / rp.VBOX1;
    if (p <= -1000.0) p = -999.0;
    sys.kept.porosity = p;
    return p;
}

void write_header(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    io.plot().line(layout(R"([17I5])", {sys.nc, sys.ns, sys.ngas_records}));
    io.plot().line(layout(R"([A120] / [A120])", {rp.title1, rp.title2}));
}

void write_phases(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    // With solids or gases fractionated the amounts are those of one step: per unit of path.
    const bool per_step = rp.IFRAC >= 1 && rp.IFRAC <= 4 && rp.CURINC != 0;
    const double scale = per_step ? std::fabs(rp.CURINC) : 1.0;
    for (int j = 1; j <= sys.nph; ++j) {
        const int i = sys.ph[j];
        const Mineral& mn = sys.mn[i];
        const double moles = sys.mn_moles[i];
        const double grams = moles * mn.gfw;
        // The weight per cent of the whole step amount; the last one listed when there is no
        // mass to refer it to.
        const double whole = mn.flag == GAS_FLAG ? sys.kept.gas_grams : sys.kept.solids_grams;
        const double wt = whole != 0 ? grams * 100.0 / whole : mn.wt_percent;
        io.plot().line(layout(R"([I3] [2X] [A20] [2X] [4E10.5])",
                              {i, mn.name, moles / scale, grams / scale, wt, solution_mole_fraction(sys, i)}));
    }
}

}  // namespace

void write_plot_record(ChemicalSystem& sys, RunParams& rp, Io& io) {
    if (rp.IPUNCH == 0 || rp.CURINC != rp.SINC) return;
    if (rp.IPUNCH != 2) {
        write_header(sys, rp, io);
        rp.IPUNCH = 2;
    }

    const double a_h = rp.pH != 0 ? std::pow(10.0, -rp.pH) : sys.act[1];
    const double progress = rp.INCP >= 2 ? rp.enth_added : rp.TOTMIX;
    io.plot().line(layout(R"([F10.5] [3G10.4] [3F10.4])",
                          {rp.TEMP, rp.PFLUID, a_h, progress, rp.TEMPC, rp.ENTH, porosity(sys, rp)}));

    std::vector<FieldValue> values;
    for (int i = 1; i <= sys.ns; ++i) values.emplace_back(sys.m[i]);
    write_block(io, values);
    values.clear();
    for (int k = 1; k <= sys.nc; ++k) values.emplace_back(sys.comp[k].total);
    write_block(io, values);
    values.clear();
    for (int k = 1; k <= sys.nc; ++k) {
        const Component& c = sys.comp[k];
        values.emplace_back(c.total - c.solid - c.gas);
    }
    write_block(io, values);

    for (int g = 1; g <= sys.ngas_records; ++g)
        io.plot().line(layout(R"([I3] [2X] [A20] [2X] [F10.5])", {g, sys.mn[g].name, sys.mn[g].log_fugacity}));
    write_phases(sys, rp, io);
    io.plot().line(layout(R"(/)"));
}

}  // namespace zq
