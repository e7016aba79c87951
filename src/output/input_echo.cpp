#include "output/input_echo.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "path/mixing.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// Writes n entries in two columns to the listing: row i holds entry i on the left and entry
// half + i on the right, half = (n + 1) / 2; with n odd the last row has only its left
// entry. `pair` is the layout of a full row, `single` that of a left entry alone, `entry(i)`
// the values of entry i.
template <class Entry>
void two_column_rows(Io& io, int n, std::string_view pair, std::string_view single, Entry entry) {
    const int half = (n + 1) / 2;
    for (int i = 1; i <= half; ++i) {
        std::vector<FieldValue> values = entry(i);
        if (half + i <= n) {
            std::vector<FieldValue> right = entry(half + i);
            values.insert(values.end(), right.begin(), right.end());
            io.listing().line(pair, values);
        } else {
            io.listing().line(single, values);
        }
    }
}

void echo_titles(const RunParams& rp, Io& io) {
    io.listing().line(R"(/ [1X] 80["+"] / [1X] [A120] / [1X] [A120] / [1X] 80["+"] /)", {rp.title1, rp.title2});
}

void echo_components(const ChemicalSystem& sys, const EquilibriumState& eq, Io& io) {
    io.listing().line(layout(R"("  " "Species       No.  Charge    Tot.moles ")"
                             R"( " Trial molality   Gamma  Mixing solution" /)"));
    for (int k = 1; k <= sys.nc; ++k) {
        io.listing().line(
            R"([2X] [A12] [I4] [3X] [F5.0] [3X] [E12.5] [2X] [E12.5] [2X] [F7.4] [3X] [E14.8])",
            {sys.sp[k].name, k, sys.sp[k].charge, eq.comp[k].total, eq.m[k], eq.gamma[k], sys.comp[k].mix_total});
    }
}

void echo_parameters(const RunParams& rp, Io& io) {
    io.both(layout(R"(/ [2X] "The following parameters were given:")"
                   R"( / [6X] "ERPC   =   " [E10.4] "  pH      =   " [F10.4] "  PFLUID = " [F10.4])"
                   R"( / [6X] "SLIM   = " [E12.6] "  TEMP    =   " [F10.4] "  SINC   = " [E10.4])"
                   R"( / [6X] "TEMPC  =   " [F10.4] "  TOTMIX  = " [E12.6] "  ENTH   = " [F10.4])"
                   R"( / [6X] "SENTH  =   " [F10.4] "  DENTH   =   " [F10.4] "  TOTWAT = " [F10.4])"
                   R"( / [6X] "SOLMIN =   " [E10.4] "  RM      =   " [F10.4] "  AQGRM  = " [F10.4])"
                   R"( / [6X] "SUPRNT =   " [E10.4] "  VBOX-1  =   " [F10.4] "  RHOFRS = " [F10.4])"
                   R"( / [6X] "RHOROC =   " [F10.4])",
                   {rp.ERPC, rp.pH, rp.PFLUID, rp.SLIM, rp.TEMP, rp.SINC, rp.TEMPC, rp.TOTMIX, rp.ENTH, rp.SENTH,
                    rp.DENTH, rp.TOTWAT, rp.SOLMIN, rp.RM, rp.AQGRM, rp.SUPRNT, rp.VBOX1, rp.RHOFRS, rp.RHOROC}));
}

void echo_options(const RunParams& rp, Io& io) {
    const int ideal = rp.IDEAL >= 3 ? 2 : rp.IDEAL;  // the gas model knows 0, 1 and 2
    io.both(layout(R"(/ [2X] "The following options were selected:")"
                   R"( / [6X] "  CONFLG = " [I3] "  C     = " [I3] "  IFRAC  = " [I3] "  IPUNCH = " [I3])"
                   R"( / [6X] "  NLOOP  = " [I3] "  ISTEP = " [I3] "  LIMSOL = " [I3] "  LOOC   = " [I3])"
                   R"( / [6X] "  IENTH  = " [I3] "  ITREF = " [I3] "  IDEAL  = " [I3] "  IPSAT  = " [I3])"
                   R"( / [6X] "  INCREM = " [I3] "  INCP  = " [I3] "  MINSOL = " [I3] "  NEUT   = " [I3])"
                   R"( / [6X] "  AWAT   = " [I3] "  CHGF  = " [I3] /)",
                   {rp.CONFLG, rp.C, rp.IFRAC, rp.IPUNCH, rp.NLOOP, rp.ISTEP, rp.LIMSOL, rp.LOOC, rp.IENTH, rp.ITREF,
                    ideal, rp.IPSAT, rp.INCREM, rp.INCP, rp.MINSOL, rp.NEUT, rp.AWAT, rp.CHGF}));
}

void echo_derived_species(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, Io& io) {
    if (sys.ncurve > 0) io.listing().line(R"([2X] "Given pressure grid: " [I3] " T-P points read" /)", {sys.ncurve});
    io.listing().line(R"([2X] "Of the derived species, only those with " "molality > " [E8.2])"
                      R"( " will appear in the output" /)",
                      {rp.SUPRNT});
    io.listing().line(layout(R"~("  " "  Species        No.  Charge  Log K(diss)")~"
                             R"~( "  Species        No.  Charge  Log K(diss)" /)~"));
    two_column_rows(io, sys.ns - sys.nc, "2[[4X] [A12] [3X] [I3] [3X] [F4.0] [3X] [F9.4]]",
                    "[4X] [A12] [3X] [I3] [3X] [F4.0] [3X] [F9.4]", [&](int i) {
                        const int s = sys.nc + i;
                        return std::vector<FieldValue>{sys.sp[s].name, s, sys.sp[s].charge, cond.logk[s]};
                    });
}

void echo_minerals(const ChemicalSystem& sys, const Conditions& cond, Io& io) {
    if (sys.nmin < 1) return;
    io.listing().line(layout(R"~(/ [2X] "For mixed gases (JSOLS=6), log K(hydrol) = log (K*P)")~"));
    io.listing().line(layout(R"(/ [T29] "Log K" [T38] "Trial" [T74] "Log K" [T84] "Trial")"));
    io.listing().line(layout(R"("Mineral" [T23] "No." [T28] "hydrol" [T38] "Moles")"
                             R"( [T47] "Mineral" [T69] "No." [T74] "hydrol" [T84] "Moles" /)"));
    two_column_rows(io, sys.nmin, "2[[A20] [1X] [I3] [1X] [F8.3] [1X] [E10.4]]",
                    "[A20] [1X] [I3] [1X] [F8.3] [1X] [E10.4]", [&](int i) {
                        return std::vector<FieldValue>{sys.mn[i].name, i, cond.mn_logk[i], sys.mn[i].start_moles};
                    });
    io.listing().line("");
}

void echo_reactants(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    if (rp.MINSOL == 0) return;
    if (rp.MINSOL == 1 || rp.MINSOL == 2)
        io.listing().line(layout(R"(/ "  " "Initial composition of reactant (wt%):")"));
    else if (rp.MINSOL > 2)
        io.listing().line(layout(R"(/ "  " "Initial composition of reactant (mole%):")"));
    two_column_rows(io, sys.nreact, "[5X] [A20] [1X] [G10.4] [7X] [A20] [1X] [G10.4]", "[5X] [A20] [1X] [G10.4]",
                    [&](int i) {
                        return std::vector<FieldValue>{sys.react[i].name, sys.react[i].amount};
                    });
    io.listing().line("");

    double sum = 0;
    for (int i = 1; i <= sys.nreact; ++i) sum += sys.react[i].amount;
    io.listing().line(R"(/ [2X] "Sum of wt% of reactants: " [F10.4])", {sum});

    const char* unit = rp.MINSOL >= 3 ? " moles  " : " g      ";
    const double log_consumed = rp.TOTMIX > 0 ? std::log10(rp.TOTMIX) : -100.0;
    io.listing().line(R"(/ "  " "Reactant consumed:   " [F13.7] [1X] [A8] " log =" [F9.4])",
                      {rp.TOTMIX, unit, log_consumed});
    const double ratio = rp.TOTMIX == 0 ? 0.0 : rp.AQGRM / rp.TOTMIX;
    const double log_ratio = ratio > 0 ? std::log10(ratio) : 0.0;
    io.listing().line(R"("  " "Original solution:   " [F13.7] [1X] " g " / /)"
                      R"( [2X] "Original solution / Rock added: " [F12.2])"
                      R"( "  (Water/Rock Ratio), log = " [F9.4])",
                      {rp.AQGRM, ratio, log_ratio});
}

void echo_mixing_solution(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, Io& io) {
    if (rp.TEMPC == 0 || rp.TEMPC == rp.TEMP || sys.nc < 2 || !(sys.comp[2].mix_total > 0)) return;
    io.listing().line(R"(/ "       Mixing solution:   Stoch.ionic strengh " [E10.4])"
                      R"( / [26X] "Temperature" [8X] [F6.2] / [26X] "HEAT" [16X] [F10.5])",
                      {mixing_ionic_strength(sys), rp.TEMPC, mixing_heat(sys, cond, rp)});
}

}  // namespace

void echo_titles_and_components(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, Io& io) {
    echo_titles(rp, io);
    echo_components(sys, eq, io);
}

void echo_run_data(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, Io& io) {
    echo_parameters(rp, io);
    echo_options(rp, io);
    echo_derived_species(sys, cond, rp, io);
    echo_minerals(sys, cond, io);
    echo_reactants(sys, rp, io);
    echo_mixing_solution(sys, cond, rp, io);
}

}  // namespace zq
