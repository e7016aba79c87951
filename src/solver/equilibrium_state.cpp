#include "solver/equilibrium_state.h"

#include <cmath>

#include "thermo/system_tables.h"

namespace zq {

void assign_in_use(EquilibriumState& to, const EquilibriumState& from, const ChemicalSystem& sys) {
    // Every table of SpeciesAndPhaseTables is copied below: one added there must be too.
    static_assert(sizeof(SpeciesAndPhaseTables) == 3 * sizeof(Table<double, MAX_SPECIES>) +
                                                       sizeof(Table<double, MAX_MINERALS>) +
                                                       sizeof(Table<PhaseState, MAX_MINERALS>));
    static_assert(sizeof(EquilibriumState) == sizeof(EquilibriumCore) + sizeof(SpeciesAndPhaseTables));
    static_cast<EquilibriumCore&>(to) = from;
    copy_slots(to.m, from.m, sys.ns);
    copy_slots(to.gamma, from.gamma, sys.ns);
    copy_slots(to.act, from.act, sys.ns);
    copy_slots(to.mn_moles, from.mn_moles, sys.nmin);
    copy_slots(to.phase, from.phase, sys.nmin);
}

int matrix_position(const EquilibriumState& eq, int phase) {
    for (int p = 1; p <= eq.nph; ++p)
        if (eq.ph[p] == phase) return p;
    return 0;
}

void sum_solution_totals(EquilibriumState& eq) {
    for (int b = 1; b <= eq.ss.npresent; ++b) eq.ss.total[b] = 0.0;
    for (int p = 1; p <= eq.nph; ++p) {
        const int i = eq.ph[p];
        const int b = eq.phase[i].ss_present;
        if (b != 0) eq.ss.total[b] += eq.mn_moles[i];
    }
}

double end_member_log_activity(const ChemicalSystem& sys, const EquilibriumState& eq, int phase) {
    const PhaseState& ps = eq.phase[phase];
    const int b = ps.ss_present;
    if (b == 0) return std::log10(ps.lambda);
    return std::log10(ps.lambda) + sys.mn[phase].site_n * std::log10(eq.mn_moles[phase] / eq.ss.total[b]);
}

}  // namespace zq
