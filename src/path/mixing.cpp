#include "path/mixing.h"

#include <algorithm>
#include <array>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/path_state.h"
#include "phases/enthalpy.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/grid.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr int HEAT = 5;  // header quantity: heat content of water per mole
// Kilograms of water per mole: with the stoichiometric ionic strength it turns the moles of
// water of a solution into the moles of water and salt ions that share its heat.
constexpr double KG_PER_MOLE = 0.018015339997152352;
constexpr int SATURATION_NODES = 15;  // 0.01, 25, ..., 350 C
constexpr int MAX_RELOCATIONS = 10;   // grid blocks tried for the new temperature
constexpr double STEAM_TRACE = 0.01;  // kcal: the steam the enthalpy constraint starts from

// Lagrange polynomial through (x[i], y[i]), i = 0..2, at `at`.
double lagrange3(double at, const std::array<double, 3>& x, const std::array<double, 3>& y) {
    double sum = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        double w = y[i];
        for (std::size_t m = 0; m < 3; ++m)
            if (m != i) w *= (at - x[m]) / (x[i] - x[m]);
        sum += w;
    }
    return sum;
}

double saturation_node_temperature(int n) { return n == 0 ? 0.01 : 25.0 * n; }

// On the saturation curve: nodes j-2, j-1, j with heat(j-1) < heat <= heat(j) for j in
// 2..13, j = 2 at or below the heat of node 1, j = 14 above that of node 13.
double temperature_on_saturation_curve(const RawLogK& grid, double heat) {
    std::array<double, SATURATION_NODES> h{};
    for (int n = 0; n < SATURATION_NODES; ++n)
        h[static_cast<std::size_t>(n)] = saturation_interpolate(saturation_node_temperature(n), grid);
    int j = 2;
    if (heat > h[13]) {
        j = 14;
    } else {
        while (j < 13 && !(heat <= h[static_cast<std::size_t>(j)])) ++j;
    }
    std::array<double, 3> x{}, t{};
    for (int k = 0; k < 3; ++k) {
        const int n = j - 2 + k;
        x[static_cast<std::size_t>(k)] = h[static_cast<std::size_t>(n)];
        t[static_cast<std::size_t>(k)] = saturation_node_temperature(n);
    }
    return lagrange3(heat, x, t);
}

double temperature_on_grid(const RawLogK& grid, double p, double t_start, double heat) {
    GridPosition pos;
    locate_grid(p, t_start, pos);
    double t = t_start;
    for (int pass = 0; pass < MAX_RELOCATIONS; ++pass) {
        std::array<double, 3> w{};
        grid_interpolate(p, t, pos, grid, &w);
        const int q = pos.col;
        t = lagrange3(heat, w,
                      {GRID_T[static_cast<std::size_t>(q - 2)], GRID_T[static_cast<std::size_t>(q - 1)],
                       GRID_T[static_cast<std::size_t>(q)]});
        GridPosition next;
        locate_grid(p, t, next);
        if (next.col == pos.col && next.row == pos.row) break;
        pos = next;
    }
    return t;
}

// Under the enthalpy constraint the temperature stays and the steam takes up the heat of
// the cold portion by condensing. When even all the water as liquid at TEMP would hold more
// heat than ENTH, no steam is left to condense: the mixture cools to the temperature at which
// its water, liquid, holds ENTH less the trace of steam the constraint starts from (0.01
// kcal), and the next solve finds its boiling pressure there.
void condense_steam(const ChemicalSystem& sys, RunParams& rp, const EquilibriumState& eq, Io& io) {
    (void)sys;
    const double water = eq.comp[2].total - eq.comp[2].solid;
    if (!(water > 0) || rp.ENTH >= water * water_molar_enthalpy(rp.TEMP)) return;
    const double target = (rp.ENTH - STEAM_TRACE) / water;
    double lo = std::min(rp.TEMPC, rp.TEMP), hi = rp.TEMP;
    if (water_molar_enthalpy(lo) > target) lo = 0.01;
    for (int k = 0; k < 100 && hi - lo > 1e-9; ++k) {
        const double mid = 0.5 * (lo + hi);
        (water_molar_enthalpy(mid) < target ? lo : hi) = mid;
    }
    rp.TEMP = 0.5 * (lo + hi);
    io.both(layout(R"("  The mixing solution condenses all the steam: the mixture cools to " [F7.3] "Deg. C" /)",
                   {rp.TEMP}));
}

}  // namespace

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
    if (rp.CONFLG == 1) return grid_interpolate(rp.PFLUID, rp.TEMPC, cond.grid_mix, sys.header_raw[HEAT]);
    return saturation_interpolate(rp.TEMPC, sys.header_raw[HEAT]);
}

void prepare_mixing(const ChemicalSystem& sys, Conditions& cond, const RunParams& rp, PathState& ps) {
    if (rp.TEMPC == 0) return;
    // The range check locates the mixing solution only when its temperature differs.
    if (rp.CONFLG == 1 && rp.TEMPC == rp.TEMP) locate_grid(rp.PFLUID, rp.TEMPC, cond.grid_mix);
    ps.heat_mix = mixing_heat(sys, cond, rp);
}

double temperature_of_heat(const ChemicalSystem& sys, const RunParams& rp, double heat) {
    const RawLogK& grid = sys.header_raw[HEAT];
    if (rp.CONFLG == 1) return temperature_on_grid(grid, rp.PFLUID, rp.TEMP, heat);
    return temperature_on_saturation_curve(grid, heat);
}

void mixing_step(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, PathState& ps, EquilibriumState& eq,
                 Io& io) {
    io.both(layout(R"(/ "  Mixer fraction: " [F15.7] /)", {rp.TOTMIX}));
    const double curinc = ps.CURINC;
    const double fresh_water = sys.comp[2].mix_total;
    const double water_before = eq.comp[2].total;
    for (int k = 1; k <= sys.nc; ++k) eq.comp[k].total += curinc * sys.comp[k].mix_total;
    rp.TOTMIX += curinc;

    if (ps.enthalpy_row) {
        const double h = rp.TEMP != rp.TEMPC ? water_molar_enthalpy(rp.TEMPC) : eq.gas.h_water;
        const double added = fresh_water * curinc * h;
        io.both(layout(
            R"("  Heat of mixing solution: " [F10.3] " Kcal/mole" / "    Total heat changed by " [F10.3] " Kcal")",
            {h, added}));
        rp.ENTH += added;
        condense_steam(sys, rp, eq, io);
        return;
    }

    const double i_act = eq.actmodel.I_st;
    const double i_mix = mixing_ionic_strength(sys);
    const double oldmol = water_before * (1.0 + KG_PER_MOLE * i_act);
    const double bitmol = fresh_water * (1.0 + KG_PER_MOLE * i_mix) * curinc;
    if (rp.TEMP != rp.TEMPC && fresh_water != 0.0) {
        const RawLogK& grid = sys.header_raw[HEAT];
        double h_act = 0;
        if (rp.CONFLG == 1) {
            relocate_grid(cond.grid, rp.PFLUID, rp.TEMP);
            report_grid_status(cond.grid, rp.PFLUID, rp.TEMP, ps.answers.grid, io);
            h_act = grid_interpolate(rp.PFLUID, rp.TEMP, cond.grid, grid);
        } else {
            h_act = saturation_interpolate(rp.TEMP, grid);
        }
        io.listing().line(R"([30X] "Temperature   Stoc.ionic strength  Heat per mole" / /)"
                          R"( "  Actual solution:" [11X] [F7.3] [12X] [E10.5] [5X] [F10.3])"
                          R"( / "  Mixing solution:" [11X] [F7.3] [12X] [E10.5] [5X] [F10.3])",
                          {rp.TEMP, i_act, h_act, rp.TEMPC, i_mix, ps.heat_mix});
        ps.heat_act = (ps.heat_mix * bitmol + h_act * oldmol) / (bitmol + oldmol);
        rp.TEMP = temperature_of_heat(sys, rp, ps.heat_act);
    }
    io.both(layout(
        R"(/ "  Fract. of mixing solution added: " [F10.6] / [8X] "BITMOL = " [E10.4] [2X] "OLDMOL = " [E10.4] /)",
        {curinc, bitmol, oldmol}));
    io.listing().line(R"("  New heat: " [F10.3] [5X] "New temperature: " [F7.3] /)", {ps.heat_act, rp.TEMP});
    io.both(layout(R"("  New mixer fraction: " [F15.7] / "  Resulting temperature: " [F7.3] "Deg. C " /)",
                   {rp.TOTMIX, rp.TEMP}));
}

}  // namespace zq
