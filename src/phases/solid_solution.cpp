#include "phases/solid_solution.h"

#include <cmath>

#include "format/record_layout.h"
#include "format/text_io.h"

namespace zq {

void build_solid_solutions(ChemicalSystem& sys, Io& io) {
    SolidSolutions& ss = sys.ss;
    io.listing().line(layout(R"(/ "  The following minerals and/or gases with identical index are in solid solution:" /)"));
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) {
        ss.nmembers[s] = 0;
        ss.member[s].fill(0);
        ss.x[s].fill(0.0);
    }
    for (int i = 1; i <= MAX_MINERALS; ++i) ss.of[i] = 0;

    for (int i = 1; i <= sys.nmin; ++i) {
        Mineral& mn = sys.mn[i];
        const int s = mn.jsols;
        if (s == 0) continue;
        if (s > MAX_SOLUTIONS) {
            io.listing().line(layout(R"(/ [2X] [A20] " has a too large solid solution index (" [I3])"
                                     R"( / [2X] "Maximum value allowed is " [I3] / /)",
                                     {mn.name, s, MAX_SOLUTIONS}));
            stop_run(1);
        }
        if (s < 0) {
            io.listing().line(layout(R"x(/ [2X] [A20] " has a negative solid solution index (" [I3] ") in DORNEVAL.")x"
                                     R"( / [2X] "Solid solution indexes run from 1 to " [I3] "; 0 is a pure phase." / /)",
                                     {mn.name, s, MAX_SOLUTIONS}));
            stop_run(1);
        }
        if (ss.nmembers[s] == MAX_END_MEMBERS) {
            io.listing().line(layout(R"x(/ [2X] [A20] " is part of a solid solution with too many end members (" [I3] ")")x"
                                     R"( / [2X] "Maximum number allowed is " [I3] / /)",
                                     {mn.name, MAX_END_MEMBERS + 1, MAX_END_MEMBERS}));
            stop_run(1);
        }
        const int slot = ++ss.nmembers[s];
        ss.member[s][static_cast<std::size_t>(slot)] = i;
        ss.of[i] = s;
        // The activity of a mixed gas is its fugacity coefficient times its mole fraction,
        // and electrum mixes gold and silver atom for atom.
        if (s == MIXED_GAS_JSOLS || s == ELECTRUM_JSOLS) mn.site_n = 1.0;
        io.listing().line(layout(R"([8X] [A20] [2X] [I3])", {mn.name, s}));
    }
    refresh_solid_solutions(sys);
}

int matrix_position(const ChemicalSystem& sys, int phase) {
    for (int p = 1; p <= sys.nph; ++p)
        if (sys.ph[p] == phase) return p;
    return 0;
}

void refresh_solid_solutions(ChemicalSystem& sys) {
    SolidSolutions& ss = sys.ss;
    for (int i = 1; i <= sys.nmin; ++i) sys.mn[i].ss_present = 0;
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) ss.sumx[s] = 0.0;

    int b = 0;
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) {
        if (ss.nmembers[s] >= 2) {
            ++b;
            ss.present_s[b] = s;
            ss.total[b] = 0.0;
            for (int k = 1; k <= ss.nmembers[s]; ++k) {
                const int i = ss.member[s][static_cast<std::size_t>(k)];
                if (matrix_position(sys, i) == 0) continue;
                sys.mn[i].ss_present = b;
                ss.total[b] += sys.mn_moles[i];
            }
        } else if (ss.nmembers[s] == 1) {
            ss.of[ss.member[s][1]] = 0;
            ss.member[s][1] = 0;
            ss.nmembers[s] = 0;
        }
    }
    ss.npresent = b;
}

void sum_solution_totals(ChemicalSystem& sys) {
    for (int b = 1; b <= sys.ss.npresent; ++b) sys.ss.total[b] = 0.0;
    for (int p = 1; p <= sys.nph; ++p) {
        const int i = sys.ph[p];
        const int b = sys.mn[i].ss_present;
        if (b != 0) sys.ss.total[b] += sys.mn_moles[i];
    }
}

double end_member_log_activity(const ChemicalSystem& sys, int phase) {
    const Mineral& mn = sys.mn[phase];
    const int b = mn.ss_present;
    if (b == 0) return std::log10(mn.lambda);
    return std::log10(mn.lambda) + mn.site_n * std::log10(sys.mn_moles[phase] / sys.ss.total[b]);
}

}  // namespace zq
