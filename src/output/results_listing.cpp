#include "output/results_listing.h"

#include <cmath>
#include <string>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/path_state.h"
#include "phases/gas_mixture.h"
#include "phases/step_totals.h"
#include "solver/equilibrium_charge.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr int PHASE_LINE_WIDTH = 92;
constexpr double GAS_CONSTANT_CM3_BAR = 83.1432;  // R in cm3 bar / (mol K)
// Mole fraction of a phase among the members of its present solution (1 for a pure phase).
double mole_fraction(const EquilibriumState& eq, int f) {
    const int b = eq.phase[f].ss_present;
    return b == 0 ? 1.0 : eq.mn_moles[f] / eq.ss.total[b];
}

void write_header(const EquilibriumState& eq, const RunParams& rp, const ListingContext& ctx, Io& io) {
    io.listing().line<R"(/ [1X] 80["+"] / [1X] [A120] / [1X] [A120] / [1X] 80["+"] /)">(rp.title1, rp.title2);
    io.listing().line<R"("  Number of loops used = " [I4] "   Loop limit = " [I4])">(ctx.loops, rp.NLOOP);
    io.listing().line<R"(/ "  Temperature = " [F6.2] " C   Pressure = " [F7.2] " bar   Mixer fraction = " [F15.7] /)">(
        rp.TEMP, rp.PFLUID, rp.TOTMIX);
    if (rp.IENTH != 0) io.listing().line<R"(" " "     Total current enthalpy = " [F10.4] " KCAL" /)">(rp.ENTH);
    if (rp.INCP > 1) io.listing().line<R"([23X] "Starting enthalpy + total enthalpy added = " [F10.5])">(rp.enth_added);

    const double w = eq.water_kg;
    const double water_total = eq.comp[2].total;
    io.listing()
        .line<R"("  Water: Moles liquid = " [E10.4] "   kg liquid  = " [E10.4])"
              R"( / [9X] "Moles total  = " [E10.4] "   kg total   = " [E10.4] "  Activity = " [F6.4])">(
            WATER_MOLES_PER_KG * w, w, water_total, water_total / WATER_MOLES_PER_KG, eq.gamma[2]);
    io.listing().line<R"("  Stoichiometric ionic strength = " [E12.7] "   Osmotic coef. = " [F7.4])">(eq.actmodel.I_st,
                                                                                                      eq.actmodel.phi);
    io.listing().line<R"("  True ionic strength = " [E12.7])">(eq.actmodel.I);
}

// The charge of the component totals as the start-of-run balance holds it (0 with a fixed
// pH, 0 once CHGBAL has adjusted C) and its limit, and the fixed-pH correction of the
// charge-balance component.
void write_charge_lines(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        const ListingContext& ctx, Io& io) {
    const std::string line =
        layout<R"("  Chg. balance for total moles = " [E10.4] [3X] "Max. difference allowed = " [E10.4])">(
            eq.chg_start, ctx.charge_limit);
    io.listing().line(line);
    io.console("\n" + line);
    if (ctx.charge_correction != 0.0) {
        io.listing().line<R"(/ "  Correction on mtot of " [A12] "for charge balance = " [F10.4] "percent" /)">(
            sys.sp[rp.C].name, ctx.charge_correction);
    }
}

// The species table and the charge of the solution (molal).
void write_species(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, Io& io) {
    io.listing()
        .line<R"(/ [34X] "Log" [20X] "Log" [18X] "Log")"
              R"( / "  " " Species(n)       Molality   Molality" "    Activity   Activity    Gamma      Gamma" /)">();
    constexpr LayoutText row =
        R"([1X] [I3] [1X] [A12] [1X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4])";
    for (int i = 1; i <= sys.ns; ++i) {
        const Species& s = sys.sp[i];
        const double m = eq.m[i], a = eq.act[i], g = eq.gamma[i];
        if (i == 2) {
            io.listing().line<R"([1X] [I3] [1X] [A12] [23X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4])">(
                i, s.name, a, std::log10(a), g, std::log10(g));
        } else if (i <= sys.nc || m >= rp.SUPRNT) {
            io.listing().line<row>(i, s.name, m, std::log10(m), a, std::log10(a), g, std::log10(g));
        }
    }
    io.listing().line<R"(/ "  Charge balance for all species = " [E10.4])">(solution_charge(sys, eq));
}

void write_component_tables(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                            const StepTotals& t, Io& io) {
    const double w = eq.water_kg;
    const double sg = t.solution_grams;
    io.listing()
        .line<R"(/ [4X] "Component" [12X] "Molality" [6X] "Aq.molality" [7X] "ppm" [5X] "log[A(N)/A(H+)**Z]")"
              R"x( / [41X] "(total)" /)x">();
    for (int k = 1; k <= sys.nc; ++k) {
        const double naq = eq.comp[k].aqueous();
        io.listing().line<R"([4X] [I2] [1X] [A12] [4X] [E13.7] [2X] [E13.7] [2X] [E13.7] [2X] [F10.4])">(
            k, sys.sp[k].name, eq.m[k], naq / w, naq * 1e6 * sys.sp[k].gfw / sg, t.log_ratio[k]);
    }
    io.listing().line<R"(/ [4X] "Component" [10X] "Tot moles       Aq. moles" "       Solid moles     Gas moles" /)">();
    for (int k = 1; k <= sys.nc; ++k) {
        const ComponentAmounts& c = eq.comp[k];
        io.listing().line<R"([4X] [I2] [1X] [A12] [3X] [E13.7] [3X] [E13.7] [3X] [E13.7] [3X] [E13.7])">(
            k, sys.sp[k].name, c.total, c.aqueous(), c.solid, c.gas);
    }
    io.listing().line<R"(/ "  Chg. balance for solid moles: " [E10.4] "  Mass of aqueous solution: " [E12.6] " g")">(
        t.solid_charge, sg);
    io.listing().line<R"(/ "  " "Temperature = " [F6.2] " C   Pressure = " [F7.2] " bar   Mixer frac. = " [F15.7])">(
        rp.TEMP, rp.PFLUID, rp.TOTMIX);
}

// The two phase tables.
void write_phase_tables(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq,
                        const RunParams& rp, const StepTotals& t, Io& io) {
    io.both(layout<
            R"(/ [T37] "Log" [T58] "Log" [T78] "Vol")"
            R"x( / [1X] "Gas or mineral" [T24] "Moles" [T36] "Moles" [T46] "Grams" [T57] "Grams" [T67] "Wt.%" [T77] "(cm3)" /)x">());
    const double ms = t.solids_grams;
    const double mg = t.gas_grams;
    std::string second;
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const Mineral& mn = sys.mn[f];
        const double moles = eq.mn_moles[f];
        const double grams = moles * mn.gfw;
        const bool gas = mn.is_gas();
        double vol = 0.0;
        if (gas) {
            const auto [k1, k2] = gas_volume_coefficients(sys, rp, eq, f);
            const double pr = rp.PFLUID;
            vol = moles * GAS_CONSTANT_CM3_BAR * cond.TK * ((k1 * pr + k2) * pr + 1.0) / pr;
        } else {
            vol = grams / mn.density;
        }
        const double log_moles = moles < 0.0 ? 1.0 : std::log10(moles);
        const double log_grams = moles < 0.0 ? 1.0 : std::log10(grams);
        io.both(layout<R"([1X] [A20] [1X] [G10.4] [2X] [F7.3] [2X] [G10.4] [2X] [F7.3] [2X] [G10.4] [1X] [G10.4])">(
            mn.name, moles, log_moles, grams, log_grams, t.wt_percent[f], vol));

        const double x = mole_fraction(eq, f);
        const double lambda = eq.phase[f].lambda;
        double y = 0.0, lg = 0.0;
        if (gas) {
            y = rp.PFLUID * x;            // partial pressure
            lg = std::log10(lambda * y);  // log fugacity
        } else {
            y = lambda * std::pow(std::fabs(x), eq.phase[f].ss_present ? mn.site_n : 1.0);  // activity
            lg = std::log10(y);
        }
        std::string line =
            layout<R"([A20] [1X] [E10.4] [8X] [E10.4] [8X] [F7.4] [8X] [F7.3])">(mn.name, x, y, lambda, lg);
        line.resize(PHASE_LINE_WIDTH, ' ');
        second += line;
        second += '\n';
    }

    io.listing()
        .line<
            R"(/ [T38] "Partial press. " [2X] "Fugacity coef" [3X] "Log fugacity")"
            R"( / "Gas or Mineral" [5X] "Mole fraction" [6X] "or activity" [5X] "Activity coef" [3X] "Log activity" /)">();
    if (!second.empty()) {
        second.pop_back();
        io.listing().line(second);
    }
    if (mg != 0.0)
        io.listing().line<R"(/ "  Current weight percent of gas: " [F10.6] " %")">(100.0 * mg /
                                                                                   (t.solution_grams + mg + ms));
    if (std::fabs(t.solid_charge) > 1e-8)
        io.both(layout<
                R"(/ "  Charge balance of solids exceeds 1.E-8. Check for" / "  stochiometry error in last saturated mineral." /)">());
}

void write_closing(const ChemicalSystem& sys, const RunParams& rp, const PathState& ps, const StepTotals& t, Io& io) {
    if (rp.TEMPC != 0.0) io.listing().line<R"(/ "  Total fraction of mixing solution added: " [F13.7])">(rp.TOTMIX);
    const double ms = t.solids_grams, vs = t.solids_volume;
    io.listing().line<R"(/ "  " "Solid products produced:  Mass =" [F12.6] " g " [4X] "Volume =" [F12.6] " cm3")">(ms,
                                                                                                                   vs);
    if (rp.MINSOL == 1 && rp.IFRAC == 0 && rp.VBOX1 != 0.0)
        io.listing().line<R"([4X] "Porosity: " [F10.4] "%  V(tot) - V(min): " [E11.5])">(100.0 - vs * 100.0 / rp.VBOX1,
                                                                                         rp.VBOX1 - vs);
    if (sys.missing_density)
        io.listing()
            .line<R"([4X] "WARNING: mineral volume may be in error because " "some mineral densities ")"
                  R"( / [4X] "were not supplied in DORNEVAL." "  See mineral list in file Skip_Species.txt.")">();
    if (rp.MINSOL != 0) {
        const double amount = rp.TOTMIX;
        io.listing().line<R"(/ "  " "Reactant consumed:   " [F13.7] [1X] [A8] " log =" [F9.4])">(
            amount, ps.unit_label, amount > 0.0 ? std::log10(amount) : -100.0);
        io.listing()
            .line<R"("  " "Original solution:   " [F13.7] [1X] " g " / /)"
                  R"( [2X] "Original solution / Rock added: " [F12.2] "  (Water/Rock Ratio), log = " [F9.4])">(
                rp.AQGRM, t.water_rock, t.log_water_rock);
    }
}

}  // namespace

void write_results_head(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        const ListingContext& ctx, Io& io) {
    write_header(eq, rp, ctx, io);
    write_charge_lines(sys, eq, rp, ctx, io);
    write_species(sys, eq, rp, io);
}

void write_results_rest(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq,
                        const RunParams& rp, const PathState& ps, Io& io) {
    if (eq.nph > 0) {
        write_component_tables(sys, eq, rp, ps.totals, io);
        write_phase_tables(sys, cond, eq, rp, ps.totals, io);
    }
    write_closing(sys, rp, ps, ps.totals, io);
}

void write_ideal_mixing_line(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    const char* prefix = rp.IDEAL == 0 ? "NON-" : "    ";
    const char* gases = sys.ngasmix == 3 ? "CO2, CH4" : sys.ngasmix == 2 ? "CO2     " : " AND ALL";
    io.listing().line<R"(/ [2X] [A4] "Ideal mixing with H2O, " [A8] " Gases" /)">(prefix, gases);
}

}  // namespace zq
