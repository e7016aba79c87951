#include "phases/solid_solution.h"

#include "format/record_layout.h"
#include "format/text_io.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

void build_solid_solutions(ChemicalSystem& sys, EquilibriumState& eq, Io& io) {
    SolutionMembers& ss = sys.ss;
    io.listing().line(
        layout(R"(/ "  The following minerals and/or gases with identical index are in solid solution:" /)"));
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) {
        ss.nmembers[s] = 0;
        ss.member[s].fill(0);
        eq.ss.x[s].fill(0.0);
    }
    for (int i = 1; i <= MAX_MINERALS; ++i) ss.of[i] = 0;

    for (int i = 1; i <= sys.nmin; ++i) {
        Mineral& mn = sys.mn[i];
        const int s = mn.jsols;
        if (s == 0) continue;
        if (s > MAX_SOLUTIONS) {
            io.listing().line(R"(/ [2X] [A20] " has a too large solid solution index (" [I3])"
                              R"( / [2X] "Maximum value allowed is " [I3] / /)",
                              {mn.name, s, MAX_SOLUTIONS});
            stop_run(1);
        }
        if (s < 0) {
            io.listing().line(R"x(/ [2X] [A20] " has a negative solid solution index (" [I3] ") in DORNEVAL.")x"
                              R"( / [2X] "Solid solution indexes run from 1 to " [I3] "; 0 is a pure phase." / /)",
                              {mn.name, s, MAX_SOLUTIONS});
            stop_run(1);
        }
        if (ss.nmembers[s] == MAX_END_MEMBERS) {
            io.listing().line(R"x(/ [2X] [A20] " is part of a solid solution with too many end members (" [I3] ")")x"
                              R"( / [2X] "Maximum number allowed is " [I3] / /)",
                              {mn.name, MAX_END_MEMBERS + 1, MAX_END_MEMBERS});
            stop_run(1);
        }
        const int slot = ++ss.nmembers[s];
        ss.member[s][static_cast<std::size_t>(slot)] = i;
        ss.of[i] = s;
        // The activity of a mixed gas is its fugacity coefficient times its mole fraction,
        // and electrum mixes gold and silver atom for atom.
        if (s == MIXED_GAS_JSOLS || s == ELECTRUM_JSOLS) mn.site_n = 1.0;
        io.listing().line(R"([8X] [A20] [2X] [I3])", {mn.name, s});
    }
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) {
        if (ss.nmembers[s] != 1 || s == MIXED_GAS_JSOLS) continue;
        ss.of[ss.member[s][1]] = 0;
        ss.member[s][1] = 0;
        ss.nmembers[s] = 0;
    }
    refresh_solid_solutions(sys, eq);
}

void refresh_solid_solutions(const ChemicalSystem& sys, EquilibriumState& eq) {
    const SolutionMembers& ss = sys.ss;
    for (int i = 1; i <= sys.nmin; ++i) eq.phase[i].ss_present = 0;
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) eq.ss.sumx[s] = 0.0;

    int b = 0;
    for (int s = 1; s <= MAX_SOLUTIONS; ++s) {
        if (ss.nmembers[s] < (s == MIXED_GAS_JSOLS ? 1 : 2)) continue;
        ++b;
        eq.ss.present_s[b] = s;
        eq.ss.total[b] = 0.0;
        for (int k = 1; k <= ss.nmembers[s]; ++k) {
            const int i = ss.member[s][static_cast<std::size_t>(k)];
            if (matrix_position(eq, i) == 0) continue;
            eq.phase[i].ss_present = b;
            eq.ss.total[b] += eq.mn_moles[i];
        }
    }
    eq.ss.npresent = b;
}

}  // namespace zq
