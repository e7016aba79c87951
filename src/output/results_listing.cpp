#include "output/results_listing.h"

#include <cmath>
#include <string>

#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/gas_mixture.h"
#include "solver/equilibrium_charge.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr int PHASE_LINE_WIDTH = 92;
constexpr double GAS_CONSTANT_CM3_BAR = 83.1432;  // R in cm3 bar / (mol K)
const Kind4 GAS_FLAG("GAS ");

bool is_gas(const Mineral& mn) { return mn.flag == GAS_FLAG; }

double aqueous_moles(const ChemicalSystem& sys, int k) {
    const Component& c = sys.comp[k];
    return c.total - c.solid - c.gas;
}

// Mole fraction of a phase among the members of its present solution (1 for a pure phase).
double mole_fraction(const ChemicalSystem& sys, int f) {
    const int b = sys.mn[f].ss_present;
    return b == 0 ? 1.0 : sys.mn_moles[f] / sys.ss.total[b];
}

void write_header(const ChemicalSystem& sys, const RunParams& rp, const ListingContext& ctx, Io& io) {
    io.listing().line(layout(R"(/ [1X] 80["+"] / [1X] [A120] / [1X] [A120] / [1X] 80["+"] /)",
                             {rp.title1, rp.title2}));
    io.listing().line(layout(R"("  Number of loops used = " [I4] "   Loop limit = " [I4])", {ctx.loops, rp.NLOOP}));
    io.listing().line(layout(R"(/ "  Temperature = " [F6.2] " C   Pressure = " [F7.2] " bar   Mixer fraction = " [F15.7] /)",
                             {rp.TEMP, rp.PFLUID, rp.TOTMIX}));
    if (rp.IENTH != 0)
        io.listing().line(layout(R"(" " "     Total current enthalpy = " [F10.4] " KCAL" /)", {rp.ENTH}));
    if (rp.INCP > 1)
        io.listing().line(layout(R"([23X] "Starting enthalpy + total enthalpy added = " [F10.5])", {rp.enth_added}));

    const double w = rp.water_kg;
    const double water_total = sys.comp[2].total;
    io.listing().line(layout(R"("  Water: Moles liquid = " [E10.4] "   kg liquid  = " [E10.4])"
                             R"( / [9X] "Moles total  = " [E10.4] "   kg total   = " [E10.4] "  Activity = " [F6.4])",
                             {WATER_MOLES_PER_KG * w, w, water_total, water_total / WATER_MOLES_PER_KG, sys.gamma[2]}));
    io.listing().line(layout(R"("  Stoichiometric ionic strength = " [E12.7] "   Osmotic coef. = " [F7.4])",
                             {sys.actmodel.I_st, sys.actmodel.phi}));
    io.listing().line(layout(R"("  True ionic strength = " [E12.7])", {sys.actmodel.I}));
}

// The charge of the component totals as the start-of-run balance holds it (0 with a fixed
// pH, 0 once CHGBAL has adjusted C) and its limit, and the fixed-pH correction of the
// charge-balance component.
void write_charge_lines(const ChemicalSystem& sys, const RunParams& rp, const ListingContext& ctx, Io& io) {
    const std::string line =
        layout(R"("  Chg. balance for total moles = " [E10.4] [3X] "Max. difference allowed = " [E10.4])",
               {sys.chg_start, ctx.charge_limit});
    io.listing().line(line);
    io.console("\n" + line);
    if (ctx.charge_correction != 0.0) {
        io.listing().line(layout(R"(/ "  Correction on mtot of " [A12] "for charge balance = " [F10.4] "percent" /)",
                                 {sys.sp[rp.C].name, ctx.charge_correction}));
    }
}

// The species table; returns the charge of the solution (molal) and sets the log activity
// ratios of the components and the mass of the solution.
double write_species(ChemicalSystem& sys, const RunParams& rp, Io& io) {
    io.listing().line(layout(R"(/ [34X] "Log" [20X] "Log" [18X] "Log")"
                             R"( / "  " " Species(n)       Molality   Molality" "    Activity   Activity    Gamma      Gamma" /)"));
    constexpr std::string_view row =
        R"([1X] [I3] [1X] [A12] [1X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4])";
    const double log_ah = std::log10(sys.act[1]);
    double q = 0.0, grams = 0.0;
    for (int i = 1; i <= sys.ns; ++i) {
        const Species& s = sys.sp[i];
        const double m = sys.m[i], a = sys.act[i], g = sys.gamma[i];
        q += s.charge * m;
        if (i == 2) {
            io.listing().line(layout(R"([1X] [I3] [1X] [A12] [23X] [E11.5] [1X] [F9.4] [1X] [E11.5] [1X] [F9.4])",
                                     {i, s.name, a, std::log10(a), g, std::log10(g)}));
        } else if (i <= sys.nc || m >= rp.SUPRNT) {
            io.listing().line(layout(row, {i, s.name, m, std::log10(m), a, std::log10(a), g, std::log10(g)}));
        }
        if (i <= sys.nc) {
            sys.kept.log_ratio[i] = std::log10(a) - s.charge * log_ah;
            grams += s.gfw * aqueous_moles(sys, i);
        }
    }
    sys.kept.solution_grams = grams;
    io.listing().line(layout(R"(/ "  Charge balance for all species = " [E10.4])", {q}));
    return q;
}

void write_component_tables(ChemicalSystem& sys, const RunParams& rp, Io& io) {
    const double w = rp.water_kg;
    const double sg = sys.kept.solution_grams;
    io.listing().line(layout(R"(/ [4X] "Component" [12X] "Molality" [6X] "Aq.molality" [7X] "ppm" [5X] "log[A(N)/A(H+)**Z]")"
                             R"x( / [41X] "(total)" /)x"));
    for (int k = 1; k <= sys.nc; ++k) {
        const double naq = aqueous_moles(sys, k);
        io.listing().line(layout(R"([4X] [I2] [1X] [A12] [4X] [E13.7] [2X] [E13.7] [2X] [E13.7] [2X] [F10.4])",
                                 {k, sys.sp[k].name, sys.m[k], naq / w, naq * 1e6 * sys.sp[k].gfw / sg,
                                  sys.kept.log_ratio[k]}));
    }
    io.listing().line(layout(R"(/ [4X] "Component" [10X] "Tot moles       Aq. moles" "       Solid moles     Gas moles" /)"));
    double solid_charge = 0.0;
    for (int k = 1; k <= sys.nc; ++k) {
        const Component& c = sys.comp[k];
        io.listing().line(layout(R"([4X] [I2] [1X] [A12] [3X] [E13.7] [3X] [E13.7] [3X] [E13.7] [3X] [E13.7])",
                                 {k, sys.sp[k].name, c.total, aqueous_moles(sys, k), c.solid, c.gas}));
        solid_charge += sys.sp[k].charge * (c.solid + c.gas);
    }
    sys.kept.solid_charge = solid_charge;
    io.listing().line(layout(R"(/ "  Chg. balance for solid moles: " [E10.4] "  Mass of aqueous solution: " [E12.6] " g")",
                             {solid_charge, sg}));
    io.listing().line(layout(R"(/ "  " "Temperature = " [F6.2] " C   Pressure = " [F7.2] " bar   Mixer frac. = " [F15.7])",
                             {rp.TEMP, rp.PFLUID, rp.TOTMIX}));
}

// Masses of the solids and of the gases in the matrix.
void sum_phase_masses(ChemicalSystem& sys) {
    double solids = 0.0, gases = 0.0;
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        const double grams = sys.mn_moles[f] * sys.mn[f].gfw;
        (is_gas(sys.mn[f]) ? gases : solids) += grams;
    }
    sys.kept.solids_grams = solids;
    sys.kept.gas_grams = gases;
}

// The two phase tables; sums the volume of the solids.
void write_phase_tables(ChemicalSystem& sys, const RunParams& rp, Io& io) {
    io.both(layout(R"(/ [T37] "Log" [T58] "Log" [T78] "Vol")"
                   R"x( / [1X] "Gas or mineral" [T24] "Moles" [T36] "Moles" [T46] "Grams" [T57] "Grams" [T67] "Wt.%" [T77] "(cm3)" /)x"));
    const double ms = sys.kept.solids_grams;
    const double mg = sys.kept.gas_grams;
    double volume = 0.0;
    std::string second;
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        Mineral& mn = sys.mn[f];
        const double moles = sys.mn_moles[f];
        const double grams = moles * mn.gfw;
        const bool gas = is_gas(mn);
        double vol = 0.0;
        if (gas) {
            if (mg != 0.0) mn.wt_percent = grams * 100.0 / mg;
            const auto [k1, k2] = gas_volume_coefficients(sys, rp, f);
            const double pr = rp.PFLUID;
            vol = moles * GAS_CONSTANT_CM3_BAR * rp.TK * ((k1 * pr + k2) * pr + 1.0) / pr;
        } else {
            if (ms != 0.0) mn.wt_percent = grams * 100.0 / ms;
            vol = grams / mn.density;
            volume += vol;
        }
        const double log_moles = moles < 0.0 ? 1.0 : std::log10(moles);
        const double log_grams = moles < 0.0 ? 1.0 : std::log10(grams);
        io.both(layout(R"([1X] [A20] [1X] [G10.4] [2X] [F7.3] [2X] [G10.4] [2X] [F7.3] [2X] [G10.4] [1X] [G10.4])",
                       {mn.name, moles, log_moles, grams, log_grams, mn.wt_percent, vol}));

        const double x = mole_fraction(sys, f);
        double y = 0.0, lg = 0.0;
        if (gas) {
            y = rp.PFLUID * x;                       // partial pressure
            lg = std::log10(mn.lambda * y);          // log fugacity
        } else {
            y = mn.lambda * std::pow(std::fabs(x), mn.ss_present ? mn.site_n : 1.0);  // activity
            lg = std::log10(y);
        }
        std::string line = layout(R"([A20] [1X] [E10.4] [8X] [E10.4] [8X] [F7.4] [8X] [F7.3])", {mn.name, x, y, mn.lambda, lg});
        line.resize(PHASE_LINE_WIDTH, ' ');
        second += line;
        second += '\n';
    }
    sys.kept.solids_volume = volume;

    io.listing().line(layout(R"(/ [T38] "Partial press. " [2X] "Fugacity coef" [3X] "Log fugacity")"
                             R"( / "Gas or Mineral" [5X] "Mole fraction" [6X] "or activity" [5X] "Activity coef" [3X] "Log activity" /)"));
    if (!second.empty()) {
        second.pop_back();
        io.listing().line(second);
    }
    if (mg != 0.0)
        io.listing().line(layout(R"(/ "  Current weight percent of gas: " [F10.6] " %")",
                                 {100.0 * mg / (sys.kept.solution_grams + mg + ms)}));
    if (std::fabs(sys.kept.solid_charge) > 1e-8)
        io.both(layout(R"(/ "  Charge balance of solids exceeds 1.E-8. Check for" / "  stochiometry error in last saturated mineral." /)"));
}

void write_closing(ChemicalSystem& sys, RunParams& rp, Io& io) {
    if (rp.TEMPC != 0.0)
        io.listing().line(layout(R"(/ "  Total fraction of mixing solution added: " [F13.7])", {rp.TOTMIX}));
    const double ms = sys.kept.solids_grams, vs = sys.kept.solids_volume;
    io.listing().line(layout(R"(/ "  " "Solid products produced:  Mass =" [F12.6] " g " [4X] "Volume =" [F12.6] " cm3")", {ms, vs}));
    if (rp.MINSOL == 1 && rp.IFRAC == 0 && rp.VBOX1 != 0.0)
        io.listing().line(layout(R"([4X] "Porosity: " [F10.4] "%  V(tot) - V(min): " [E11.5])",
                                 {100.0 - vs * 100.0 / rp.VBOX1, rp.VBOX1 - vs}));
    if (sys.missing_density)
        io.listing().line(layout(R"([4X] "WARNING: mineral volume may be in error because " "some mineral densities ")"
                                 R"( / [4X] "were not supplied in DORNEVAL." "  See mineral list in file Skip_Species.txt.")"));
    if (rp.MINSOL != 0) {
        const double amount = rp.TOTMIX;
        if (amount != 0.0) sys.kept.water_rock = rp.AQGRM / amount;
        const double r = sys.kept.water_rock;
        if (r > 0.0) sys.kept.log_water_rock = std::log10(r);
        io.listing().line(layout(R"(/ "  " "Reactant consumed:   " [F13.7] [1X] [A8] " log =" [F9.4])",
                                 {amount, rp.unit_label, amount > 0.0 ? std::log10(amount) : -100.0}));
        io.listing().line(layout(R"("  " "Original solution:   " [F13.7] [1X] " g " / /)"
                                 R"( [2X] "Original solution / Rock added: " [F12.2] "  (Water/Rock Ratio), log = " [F9.4])",
                                 {rp.AQGRM, r, sys.kept.log_water_rock}));
    }
}

}  // namespace

void write_results_listing(ChemicalSystem& sys, RunParams& rp, const ListingContext& ctx, Io& io) {
    write_header(sys, rp, ctx, io);
    write_charge_lines(sys, rp, ctx, io);
    const double q = write_species(sys, rp, io);
    if (!ctx.loop_limit && rp.ISTEP != 1) check_equilibrium_charge(sys, rp, q, ctx.charge_limit, io);

    sum_phase_masses(sys);
    sys.kept.solids_volume = 0.0;
    sys.kept.solid_charge = 0.0;
    // The original solution is the first equilibrated one, whether phases are in the matrix
    // or not (the mass after some titration would make the water/rock ratio wrong).
    if (rp.AQGRM == 0.0 && !ctx.intermediate) rp.AQGRM = sys.kept.solution_grams;
    if (sys.nph > 0) {
        write_component_tables(sys, rp, io);
        write_phase_tables(sys, rp, io);
    }
    write_closing(sys, rp, io);
}

void write_ideal_mixing_line(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    const char* prefix = rp.IDEAL == 0 ? "NON-" : "    ";
    const char* gases = sys.ngasmix == 3 ? "CO2, CH4" : sys.ngasmix == 2 ? "CO2     " : " AND ALL";
    io.listing().line(layout(R"(/ [2X] [A4] "Ideal mixing with H2O, " [A8] " Gases" /)", {prefix, gases}));
}

}  // namespace zq
