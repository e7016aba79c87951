#include "output/plot_file.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/path_state.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// Lines of eight values, [8E10.4] each.
constexpr LayoutText BLOCK = R"([8E10.4])";

template <std::size_t N>
void write_line_of(Io& io, const double* v) {
    [&]<std::size_t... K>(std::index_sequence<K...>) { io.plot().line<BLOCK>(v[K]...); }
    (std::make_index_sequence<N>{});
}

void write_block(Io& io, const std::vector<double>& values) {
    constexpr auto line_of = []<std::size_t... N>(std::index_sequence<N...>) {
        return std::array<void (*)(Io&, const double*), sizeof...(N)>{write_line_of<N>...};
    }
    (std::make_index_sequence<9>{});
    const std::size_t n = values.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) line_of[8](io, values.data() + i);
    if (i < n || n == 0) line_of[n - i](io, values.data() + i);
}

// Mole fraction of phase i in its present solid solution (moles over the solution's total,
// which the phase-assemblage check has just summed); 1 for a pure phase.
double solution_mole_fraction(const EquilibriumState& eq, int i) {
    const int b = eq.phase[i].ss_present;
    if (b == 0) return 1.0;
    const double total = eq.ss.total[b];
    return total != 0 ? eq.mn_moles[i] / total : 0.0;
}

void write_header(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    io.plot().line<R"([17I5])">(sys.nc, sys.ns, sys.ngas_records);
    io.plot().line<R"([A120] / [A120])">(rp.title1, rp.title2);
}

// The phases in the matrix after the phase-assemblage check (those that just entered
// included), weighed against the masses of the equilibrium's matrix.
void write_phases(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, const PathState& ps,
                  Io& io) {
    // With solids or gases fractionated the amounts are those of one step: per unit of path.
    const bool per_step = rp.IFRAC >= 1 && rp.IFRAC <= 4 && ps.CURINC != 0;
    const double scale = per_step ? std::fabs(ps.CURINC) : 1.0;
    for (int j = 1; j <= eq.nph; ++j) {
        const int i = eq.ph[j];
        const Mineral& mn = sys.mn[i];
        const double moles = eq.mn_moles[i];
        const double grams = moles * mn.gfw;
        // The weight per cent of the whole step amount; the last one listed when there is no
        // mass to refer it to.
        const double whole = mn.is_gas() ? ps.totals.gas_grams : ps.totals.solids_grams;
        const double wt = whole != 0 ? grams * 100.0 / whole : ps.totals.wt_percent[i];
        io.plot().line<R"([I3] [2X] [A20] [2X] [4E10.5])">(i, mn.name, moles / scale, grams / scale, wt,
                                                           solution_mole_fraction(eq, i));
    }
}

}  // namespace

bool plot_record_due(const RunParams& rp, const PathState& ps) { return rp.IPUNCH != 0 && ps.CURINC == rp.SINC; }

void write_plot_record(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, const PathState& ps,
                       Io& io) {
    if (rp.IPUNCH != 2) write_header(sys, rp, io);

    const double a_h = rp.pH != 0 ? power_of_ten(-rp.pH) : eq.act[1];
    const double progress = rp.INCP >= 2 ? rp.enth_added : rp.TOTMIX;
    io.plot().line<R"([F10.5] [3G10.4] [3F10.4])">(rp.TEMP, rp.PFLUID, a_h, progress, rp.TEMPC, rp.ENTH,
                                                   ps.totals.porosity);

    std::vector<double> values;
    for (int i = 1; i <= sys.ns; ++i) values.emplace_back(eq.m[i]);
    write_block(io, values);
    values.clear();
    for (int k = 1; k <= sys.nc; ++k) values.emplace_back(eq.comp[k].total);
    write_block(io, values);
    values.clear();
    for (int k = 1; k <= sys.nc; ++k) {
        const ComponentAmounts& c = eq.comp[k];
        values.emplace_back(c.total - c.solid - c.gas);
    }
    write_block(io, values);

    for (int g = 1; g <= sys.ngas_records; ++g)
        io.plot().line<R"([I3] [2X] [A20] [2X] [F10.5])">(g, sys.mn[g].name, eq.phase[g].log_fugacity);
    write_phases(sys, eq, rp, ps, io);
    io.plot().line<R"(/)">();
}

}  // namespace zq
