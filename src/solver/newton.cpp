#include "solver/newton.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "solver/activity.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double LOG10E = 0.43429448190325176;  // d log10(x) / dx = LOG10E / x
constexpr double MOLALITY_CAP = 10.0;           // component molality updates above are refused
constexpr double MOLALITY_FLOOR = 1e-300;
constexpr double GAMMA_MOLALITY_LIMIT = 8.0;  // above it the activity model is not refreshed
constexpr int FIRST_CONVERGENCE_LOOP = 6;
// Iterations in a row whose corrections no longer change any unknown by more than a few
// units of its last place, after which a solve that has not converged ends as stalled
// instead of spending the rest of its loop limit.
constexpr int STALLED_LOOPS = 5;
constexpr double LOG_STEP_LIMIT = 6.907755278982137;  // ln 1000: at most a factor of 1000 an iteration
constexpr double UNCHANGED = 4 * std::numeric_limits<double>::epsilon();
constexpr double SS_FLOOR = 1e-20;  // moles of an exhausted solid-solution member

bool fixed_ph(const RunParams& rp) { return rp.pH != 0.0; }

int first_phase_row(const ChemicalSystem& sys, bool enthalpy_row) { return sys.nc + (enthalpy_row ? 1 : 0) + 1; }

// The solid and gas moles of the components held by the phases in the matrix.
void rebuild_phase_moles(const ChemicalSystem& sys, EquilibriumState& eq) {
    for (int k = 1; k <= sys.nc; ++k) eq.comp[k].solid = eq.comp[k].gas = 0.0;
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const Mineral& mn = sys.mn[f];
        for (int e = 1; e <= mn.itot; ++e) {
            ComponentAmounts& c = eq.comp[mn.specm[static_cast<std::size_t>(e)]];
            (mn.is_gas() ? c.gas : c.solid) += mn.coefm[static_cast<std::size_t>(e)] * eq.mn_moles[f];
        }
    }
}

// Values ten to a line, "  " and [E12.6] each.
void print_vector(Io& io, const SolverVector& v, int n) {
    for (int start = 1; start <= n; start += 10) {
        std::vector<FieldValue> chunk;
        for (int i = start; i <= n && i < start + 10; ++i) chunk.emplace_back(v[i]);
        io.listing().line(R"("  " [10E12.6])", chunk);
    }
}

// ISTEP = 1: the state after an iteration's update.
void print_iteration(const ChemicalSystem& sys, const EquilibriumState& eq, const NewtonState& st, Io& io) {
    io.listing().line(R"("  NO. OF LOOPS = " [I3] [5X] "IONIC STRENGTH=" [E12.7] "  NH2O = " [E10.4])",
                      {st.loop, eq.actmodel.I, eq.water_kg});
    for (int k = 1; k <= sys.nc; ++k)
        io.listing().line(R"([1X] [I3] [1X] [A12] [1X] [E11.5])", {k, sys.sp[k].name, eq.m[k]});
    print_vector(io, st.delta, st.ls.n);
}

// Removes the phase at matrix position p during the iteration: its correction and tolerance
// leave with it, the later phases move up one place.
void remove_phase(const ChemicalSystem& sys, EquilibriumState& eq, NewtonState& st, int p, double moles, Io& io) {
    const int f = eq.ph[p];
    io.both(layout(R"([2X] [A20] " MINTRY= " [E10.3] " mineral removed from matrix")", {sys.mn[f].name, moles}));
    const int row0 = first_phase_row(sys, st.enthalpy_row) - 1;
    for (int q = p; q < eq.nph; ++q) {
        eq.ph[q] = eq.ph[q + 1];
        st.delta[row0 + q] = st.delta[row0 + q + 1];
        st.tol[row0 + q] = st.tol[row0 + q + 1];
    }
    eq.ph[eq.nph] = 0;
    --eq.nph;

    const int b = eq.phase[f].ss_present;
    if (b == 0) return;
    eq.phase[f].ss_present = 0;
    int left = 0, last = 0;
    for (int q = 1; q <= eq.nph; ++q)
        if (eq.phase[eq.ph[q]].ss_present == b) {
            ++left;
            last = eq.ph[q];
        }
    if (left == 1) {
        eq.phase[last].ss_present = 0;
        io.both(layout(R"([2X] [A20] " Not in solid solution anymore")", {sys.mn[last].name}));
    }
}

// Activities of the species: a = m * gamma (H+ keeps 10^-pH when the pH is fixed).
void refresh_activities(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq) {
    for (int i = fixed_ph(rp) ? 2 : 1; i <= sys.ns; ++i) eq.act[i] = eq.m[i] * eq.gamma[i];
}

SolveResult finish(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq, const NewtonState& st,
                   SolveEnd end, SolveResult r) {
    r.end = end;
    r.iterations = st.loop;
    refresh_activities(sys, rp, eq);
    return r;
}

// The equation named in a solve's result: its row and, for a phase row, the phase there
// (the name of a row is the same as long as both are).
struct NamedRow {
    int row = 0;
    int phase = 0;
};

// The worst row of the last assembly; its equation is named again only when it changed.
void note_worst(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, const NewtonState& st,
                SolveResult& r, NamedRow& named) {
    r.worst_ratio = 0;
    r.worst_row = 0;
    for (int i = 1; i <= st.ls.n; ++i) {
        const double ratio = std::fabs(st.ls.f[i]) / st.tol[i];
        if (r.worst_row == 0 || ratio > r.worst_ratio) {
            r.worst_ratio = ratio;
            r.worst_row = i;
        }
    }
    const int p = r.worst_row - first_phase_row(sys, st.enthalpy_row) + 1;
    const NamedRow now{r.worst_row, p >= 1 && p <= eq.nph ? eq.ph[p] : 0};
    if (now.row == named.row && now.phase == named.phase) return;
    r.worst_equation = r.worst_row ? equation_name(sys, eq, rp, st.enthalpy_row, r.worst_row) : std::string();
    named = now;
}

// The unknowns of the iteration: component molalities (W_kg in the H2O slot), the phase
// list and the phase amounts, in room of fixed size (filled up to the counts).
struct Unknowns {
    int nvalues = 0;
    int nphases = 0;
    std::array<double, MAX_COMPONENTS + MAX_PHASES> values;
    std::array<int, MAX_PHASES> phases;
};

void take_unknowns(const ChemicalSystem& sys, const EquilibriumState& eq, Unknowns& u) {
    u.nvalues = u.nphases = 0;
    for (int k = 1; k <= sys.nc; ++k) u.values[static_cast<std::size_t>(u.nvalues++)] = k == 2 ? eq.water_kg : eq.m[k];
    for (int p = 1; p <= eq.nph; ++p) {
        u.phases[static_cast<std::size_t>(u.nphases++)] = eq.ph[p];
        u.values[static_cast<std::size_t>(u.nvalues++)] = eq.mn_moles[eq.ph[p]];
    }
}

bool same_unknowns(const Unknowns& a, const Unknowns& b) {
    if (a.nphases != b.nphases || !std::equal(a.phases.begin(), a.phases.begin() + a.nphases, b.phases.begin()))
        return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.nvalues); ++i)
        if (std::fabs(a.values[i] - b.values[i]) > UNCHANGED * std::fabs(a.values[i])) return false;
    return true;
}

// The first row of the assembly whose residual or Jacobian entry is not a number, 0 if none.
// Every entry is tested at once, in the order the matrix is stored; the row is looked
// for only when one is not finite.
int non_finite_row(const LinearSystem& ls) {
    bool finite = true;
    for (int j = 1; j <= ls.n; ++j) {
        finite = finite && std::isfinite(ls.f[j]);
        const double* const c = &ls.a[static_cast<std::size_t>(j - 1) * LinearSystem::LD];
        for (int i = 0; i < ls.n; ++i) finite = finite & std::isfinite(c[i]);
    }
    if (finite) return 0;
    for (int i = 1; i <= ls.n; ++i) {
        if (!std::isfinite(ls.f[i])) return i;
        for (int j = 1; j <= ls.n; ++j)
            if (!std::isfinite(ls.A(i, j))) return i;
    }
    return 0;
}

}  // namespace

NewtonState::NewtonState() {
    for (int i = 1; i <= MAX_ORDER; ++i) {
        fprev[i] = 1e65;
        damp[i] = 1.0;
    }
    log_gamma_of.slot.fill(std::numeric_limits<double>::quiet_NaN());
}

void start_solution(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, EquilibriumState& eq) {
    eq.m[2] = 1.0;
    rebuild_phase_moles(sys, eq);
    update_activities(sys, cond, rp, eq);
    for (int i = 1; i <= sys.ns; ++i) eq.act[i] = eq.m[i] * eq.gamma[i];
    if (fixed_ph(rp)) eq.act[1] = power_of_ten(-rp.pH);
}

int matrix_order(const ChemicalSystem& sys, const EquilibriumState& eq, bool enthalpy_row) {
    return sys.nc + (enthalpy_row ? 1 : 0) + eq.nph;
}

void check_matrix_size(const ChemicalSystem& sys, const EquilibriumState& eq, bool enthalpy_row, Io& io) {
    const int n = matrix_order(sys, eq, enthalpy_row);
    if (n > MAX_ORDER) {
        io.listing().line(R"(/ "  Size of matrix reached limit.  N = " [I3] " Maximum" " size is " [I3])",
                          {n, MAX_ORDER});
        stop_run(1);
    }
    if (eq.nph > MAX_PHASES) {
        io.listing().line(R"(/ "  Too many phases in matrix (" [I3] "); maximum" " number allowed is " [I3])",
                          {eq.nph, MAX_PHASES});
        stop_run(1);
    }
}

std::string equation_name(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, bool enthalpy_row,
                          int row) {
    if (row == 1 && fixed_ph(rp)) return "fixed-pH equation";
    if (row >= 1 && row <= sys.nc) return "mass balance of " + sys.sp[row].name.trimmed();
    if (enthalpy_row && row == sys.nc + 1) return "enthalpy balance";
    const int p = row - first_phase_row(sys, enthalpy_row) + 1;
    if (p >= 1 && p <= eq.nph) return "mass action of " + sys.mn[eq.ph[p]].name.trimmed();
    return "row " + std::to_string(row);
}

void set_tolerances(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, const EquilibriumState& eq,
                    NewtonState& st) {
    const double e = rp.ERPC;
    for (int k = 1; k <= sys.nc; ++k) {
        const double t = eq.comp[k].total;
        st.tol[k] = t == 0.0 ? e : std::fabs(t) * e;
    }
    if (st.enthalpy_row) st.tol[sys.nc + 1] = std::fabs(rp.ENTH) * e;
    const int row0 = first_phase_row(sys, st.enthalpy_row) - 1;
    for (int p = 1; p <= eq.nph; ++p) {
        // A mixed gas's log K holds log10 P, which moves the sum through 0 near the boiling
        // pressure: its tolerance follows the log K of the reaction alone.
        const int f = eq.ph[p];
        const double lk = f <= sys.nmixed ? cond.mn_logk_raw[f] : cond.mn_logk[f];
        st.tol[row0 + p] = lk == 0.0 ? 10.0 * e : std::fabs(lk) * 10.0 * e;
    }
    if (fixed_ph(rp)) st.tol[1] = e * power_of_ten(-rp.pH);
}

int derived_species(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq, NewtonState& st,
                    Io* report) {
    for (int l = 1; l <= sys.nc; ++l) st.logact[l] = std::log10(eq.gamma[l] * eq.m[l]);
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        const double g = eq.gamma[j];
        if (!(g == st.log_gamma_of[j])) {
            // log_gamma[r] is always the log of log_gamma_of[r], so an equal coefficient
            // of the peer gives the same log.
            const int r = s.gamma_peer;
            st.log_gamma[j] = r >= 1 && g == st.log_gamma_of[r] ? st.log_gamma[r] : std::log10(g);
            st.log_gamma_of[j] = g;
        }
        double lm = -st.log_gamma[j] - cond.logk[j];
        for (int e = 2; e <= s.nentries; ++e) {
            const auto eu = static_cast<std::size_t>(e);
            lm += s.coef[eu] * st.logact[s.index[eu]];
        }
        if (!std::isfinite(lm)) return j;
        if (lm > 1.0) {
            if (report)
                report->console(
                    layout(R"("  Molality of derived species " [A20] "chopped from E+" [F8.2])", {s.name, lm}));
            lm = 1.0;
        } else if (lm < -300.0) {
            if (report)
                report->console(
                    layout(R"("  Molality of derived species " [A20] " reset from E" [F8.2])", {s.name, lm}));
            lm = -300.0;
        }
        eq.m[j] = power_of_ten(lm);
    }
    return 0;
}

void adjust_charge(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq, NewtonState& st, int prev_loop,
                   Io& io) {
    const double w = eq.water_kg;
    double hplus = eq.m[1];
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        for (int e = 2; e <= s.nentries; ++e)
            if (s.index[static_cast<std::size_t>(e)] == 1) hplus += s.coef[static_cast<std::size_t>(e)] * eq.m[j];
    }
    eq.comp[1].total = w * hplus + eq.comp[1].solid + eq.comp[1].gas;

    double q = eq.m[1];
    for (int i = 3; i <= sys.ns; ++i) q += sys.sp[i].charge * eq.m[i];
    q *= w;

    const int c = rp.C;
    const double z = sys.sp[c].charge;
    if (z == 0.0) {
        // A neutral component cannot take up the charge of the solution.
        io.both(layout(R"(/ [2X] "Charge imbalance cannot be adjusted: " [A12] " carries no charge." /)"
                       R"( "  Check input data, or change C (charge balance ion)." / "  EXECUTION ABORTED." /)",
                       {sys.sp[c].name}));
        stop_run(1);
    }
    ComponentAmounts& comp = eq.comp[c];
    const double old = comp.total;
    const double d = q / z;
    comp.total = old - d;
    if (prev_loop > 7 && std::fabs(d) < 1e-5 * std::fabs(old)) st.charge_adjusted = true;
    const double input = sys.comp[c].total_input;
    st.charge_correction = (comp.total - input) * 100.0 / input;
}

void assemble(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, EquilibriumState& eq,
              NewtonState& st, const NewtonHooks& hooks, Io& io) {
    LinearSystem& ls = st.ls;
    const int nc = sys.nc;
    const int n = matrix_order(sys, eq, st.enthalpy_row);
    const double w = eq.water_kg;
    const bool ph_fixed = fixed_ph(rp);
    ls.n = n;
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) ls.A(i, j) = 0.0;
        ls.A(j, j) = w;
        ls.f[j] = 0.0;
    }
    for (int k = 1; k <= nc; ++k) eq.comp[k].solid = eq.comp[k].gas = 0.0;

    // Mass balances: W m_k - T(k) plus the share of every derived species; d/dm_l of a
    // derived molality is nu_jl m_j / m_l (the H2O slot holds 1.0).
    for (int k = ph_fixed ? 2 : 1; k <= nc; ++k)
        ls.f[k] = w * (k == 2 ? WATER_MOLES_PER_KG : eq.m[k]) - eq.comp[k].total;
    // Where the column of each entry's component starts in A, and its molality, are taken
    // once for the species instead of once for every entry of its row.
    std::array<std::size_t, MAX_ITOT + 2> offset;
    std::array<double, MAX_ITOT + 2> ml;
    for (int j = nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        const double mj = eq.m[j];
        const int ne = s.nentries;
        for (int e = 2; e <= ne; ++e) {
            const int l = s.index[static_cast<std::size_t>(e)];
            offset[static_cast<std::size_t>(e)] = LinearSystem::column_offset(l);
            ml[static_cast<std::size_t>(e)] = eq.m[l];
        }
        for (int e = 2; e <= ne; ++e) {
            const int k = s.index[static_cast<std::size_t>(e)];
            if (k == 1 && ph_fixed) continue;
            const double wnm = w * s.coef[static_cast<std::size_t>(e)] * mj;
            ls.f[k] += wnm;
            double* const row = ls.row(k);
            for (int e2 = 2; e2 <= ne; ++e2) {
                const auto u = static_cast<std::size_t>(e2);
                row[offset[u]] += wnm * s.coef[u] / ml[u];
            }
        }
    }
    // Column 2 is the derivative by W_kg of the aqueous part.
    for (int k = ph_fixed ? 2 : 1; k <= nc; ++k) ls.A(k, 2) = (eq.comp[k].total + ls.f[k]) / w;

    if (st.enthalpy_row) {
        if (hooks.enthalpy_row) {
            hooks.enthalpy_row(ls, nc + 1);
        } else {
            ls.f[nc + 1] = 0.0;  // no gas model: the pressure holds (dP = 0)
            ls.A(nc + 1, nc + 1) = 1.0;
        }
    }

    // Phase rows: each phase adds its moles to the mass balances and holds its mass action.
    const int row0 = first_phase_row(sys, st.enthalpy_row) - 1;
    for (int p = 1; p <= eq.nph; ++p) {
        const int f = eq.ph[p];
        const Mineral& mn = sys.mn[f];
        const int h = row0 + p;
        const double nf = eq.mn_moles[f];
        const bool gas = mn.is_gas();
        double fh = -cond.mn_logk[f];
        for (int e = 1; e <= mn.itot; ++e) {
            const int t = mn.specm[static_cast<std::size_t>(e)];
            const double nu = mn.coefm[static_cast<std::size_t>(e)];
            (gas ? eq.comp[t].gas : eq.comp[t].solid) += nu * nf;
            ls.f[t] += nu * nf;
            ls.A(t, h) += nu;
            fh += nu * st.logact[t];
            ls.A(h, t) += LOG10E * nu / eq.m[t];
        }
        ls.A(h, h) = 0.0;
        const int b = eq.phase[f].ss_present;
        if (b != 0) {
            const double total = eq.ss.total[b];
            fh -= end_member_log_activity(sys, eq, f);
            ls.A(h, h) = LOG10E * mn.site_n * (1.0 / total - 1.0 / nf);
            for (int q = 1; q <= eq.nph; ++q)
                if (q != p && eq.phase[eq.ph[q]].ss_present == b) ls.A(h, row0 + q) += LOG10E * mn.site_n / total;
        }
        ls.f[h] = fh;
        // The water column: the change of log a_w with the kilograms of water.
        if (ls.A(h, 2) != 0.0) {
            const double xgas = eq.actmodel.xgas;
            ls.A(h, 2) = xgas == 0.0 ? std::log10(eq.gamma[2]) * ls.A(h, 2) / (-LOG10E * w) : -ls.A(h, 2) * xgas;
        }
    }

    // An activity coefficient that follows the composition of its solution (electrum).
    for (int t = 0; t < eq.nterms; ++t) {
        const CompositionTerm& c = eq.terms[static_cast<std::size_t>(t)];
        const int p = matrix_position(eq, c.phase), q = matrix_position(eq, c.wrt);
        if (p != 0 && q != 0) ls.A(row0 + p, row0 + q) -= c.dlog10_lambda;
    }

    if (ph_fixed) {
        for (int j = 1; j <= n; ++j) ls.A(1, j) = 0.0;
        ls.A(1, 1) = -eq.gamma[1];
        ls.f[1] = power_of_ten(-rp.pH) - eq.m[1] * eq.gamma[1];
        if (rp.ISTEP == 1) io.listing().line(layout(R"([T43] "Subroutine HOH was used")"));
    }
}

void apply_damping(NewtonState& st, double rm, int n) {
    if (rm == 0.0 || rm >= 1.0) return;
    for (int i = 1; i <= n; ++i) {
        const double before = st.ls.f[i];
        if (std::fabs(before) >= std::fabs(st.fprev[i])) {
            const double g = st.damp[i] * rm;
            st.ls.f[i] = g * before;
            st.damp[i] = std::max(1e-4, g);
        } else {
            st.damp[i] = 1.0;
        }
        st.fprev[i] = before;
    }
}

bool within_tolerance(const NewtonState& st, int n) {
    for (int i = 1; i <= n; ++i)
        if (!(std::fabs(st.ls.f[i]) <= st.tol[i])) return false;
    return true;
}

bool update_components(const ChemicalSystem& sys, EquilibriumState& eq, SolverVector& delta, Io& io, bool log_steps) {
    const int nc = sys.nc;
    Table<double, MAX_COMPONENTS> next{};
    Table<bool, MAX_COMPONENTS> floored{};
    for (int k = 1; k <= nc; ++k) {
        // The H2O slot stands for the kilograms of water during the update.
        const double old = k == 2 ? eq.water_kg : eq.m[k];
        double d = delta[k];
        if (log_steps && k != 2 && old > 0) {
            // The correction taken as a change of log m: a molality many decades below its
            // neighbours (O2,aq in a reduced fluid) moves by factors, not by differences.
            const double r = std::clamp(d / old, -LOG_STEP_LIMIT, LOG_STEP_LIMIT);
            d = old * std::expm1(r);
            delta[k] = d;
        }
        double v = old + d;
        if (k != 2 && v > MOLALITY_CAP) {
            next[k] = old;
            continue;
        }
        if (v <= 0.0) {
            while (old + d <= 0.0 && d != 0.0) d *= 0.5;
            delta[k] = d;
            v = old + d;
        }
        if (!std::isfinite(v)) return false;
        if (!(v > MOLALITY_FLOOR)) {
            floored[k] = true;
            v = MOLALITY_FLOOR;
        }
        next[k] = v;
    }
    for (int k = 1; k <= nc; ++k) {
        if (floored[k])
            io.console(layout(R"("  ** WARNING! Molality of " [A12] " less than " [E10.3])",
                              {sys.sp[k].name, MOLALITY_FLOOR}));
        if (k == 2)
            eq.water_kg = next[k];
        else
            eq.m[k] = next[k];
    }
    eq.m[2] = 1.0;
    return true;
}

bool update_phases(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq, NewtonState& st, Io& io) {
    const int row0 = first_phase_row(sys, st.enthalpy_row) - 1;
    for (int p = 1; p <= eq.nph; ++p)
        if (!std::isfinite(eq.mn_moles[eq.ph[p]] + st.delta[row0 + p])) return false;

    for (int b = 1; b <= eq.ss.npresent; ++b) eq.ss.total[b] = 0.0;
    int p = 1;
    while (p <= eq.nph) {
        const int f = eq.ph[p];
        const double nf = eq.mn_moles[f] + st.delta[row0 + p];
        const int b = eq.phase[f].ss_present;
        if (b != 0) {
            if (nf <= 0.0 && st.loop >= 7 && rp.LIMSOL > 1) {
                eq.mn_moles[f] = nf;
                remove_phase(sys, eq, st, p, nf, io);
                continue;
            }
            eq.mn_moles[f] = nf <= 0.0 ? SS_FLOOR : nf;
            eq.ss.total[b] += eq.mn_moles[f];
        } else {
            eq.mn_moles[f] = nf;
        }
        ++p;
    }
    if (st.loop >= 5 && rp.SOLMIN < 0.0 && !st.keep_phases) {
        int worst = 0;
        for (int q = 1; q <= eq.nph; ++q) {
            const int f = eq.ph[q];
            if (eq.phase[f].ss_present != 0 || f == st.entering || !(eq.mn_moles[f] < rp.SOLMIN)) continue;
            if (worst == 0 || eq.mn_moles[f] < eq.mn_moles[eq.ph[worst]]) worst = q;
        }
        if (worst != 0) remove_phase(sys, eq, st, worst, eq.mn_moles[eq.ph[worst]], io);
    }
    st.ls.n = matrix_order(sys, eq, st.enthalpy_row);
    return true;
}

SolveResult solve_equilibrium(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, bool enthalpy_row,
                              EquilibriumState& eq, NewtonState& st, Io& io, const NewtonHooks& hooks) {
    SolveResult result;
    st.enthalpy_row = enthalpy_row;
    st.loop = 0;
    st.intermediate_done = st.refinement_printed = st.charge_adjusted = false;
    st.charge_correction = 0.0;
    check_matrix_size(sys, eq, enthalpy_row, io);
    if (rp.C >= 1 && rp.C <= sys.nc) st.charge_limit = 1e-4 * eq.comp[rp.C].total;
    if (fixed_ph(rp)) eq.act[1] = power_of_ten(-rp.pH);
    set_tolerances(sys, cond, rp, eq, st);
    eq.m[2] = 1.0;
    sum_solution_totals(eq);
    st.ls.n = matrix_order(sys, eq, enthalpy_row);

    auto fail = [&](const std::string& what) {
        result.fault = what;
        return finish(sys, rp, eq, st, SolveEnd::NotFinite, result);
    };
    auto species_fault = [&](int j) { return fail("molality of " + sys.sp[j].name.trimmed()); };

    if (const int j = derived_species(sys, cond, eq, st, nullptr)) return species_fault(j);
    Table<double, MAX_SPECIES> saved_gamma;
    Unknowns before, after;
    NamedRow named;
    int unchanged = 0;
    for (;;) {
        const int prev = st.loop++;
        if (fixed_ph(rp) && prev >= 1 && !st.charge_adjusted) adjust_charge(sys, rp, eq, st, prev, io);

        assemble(sys, cond, rp, eq, st, hooks, io);
        const int n = st.ls.n;
        if (const int row = non_finite_row(st.ls))
            return fail("residual of the " + equation_name(sys, eq, rp, enthalpy_row, row));
        apply_damping(st, rp.RM, n);
        note_worst(sys, eq, rp, st, result, named);
        if (st.loop >= FIRST_CONVERGENCE_LOOP && within_tolerance(st, n))
            return finish(sys, rp, eq, st, SolveEnd::Converged, result);

        if (rp.ISTEP == 1 && st.loop == 2 && !st.intermediate_done) {
            refresh_activities(sys, rp, eq);
            if (hooks.intermediate_listing) hooks.intermediate_listing(st);
            LINSOL(2, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
            st.intermediate_done = true;
        }
        if (st.loop == 1 && rp.ISTEP == 1) LINSOL(2, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
        LUDCMP(st.ls);
        if (!LINSOL(1, st.ls, st.delta, rp.ITREF, rp.ISTEP, io))
            return finish(sys, rp, eq, st, SolveEnd::Singular, result);
        if (st.loop == 1 && rp.ISTEP == 1) print_vector(io, st.delta, n);
        if (st.intermediate_done && !st.refinement_printed && rp.ITREF == 1) {
            LINSOL(3, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
            st.refinement_printed = true;
        }

        take_unknowns(sys, eq, before);
        if (!update_components(sys, eq, st.delta, io, st.log_steps))
            return fail("correction of the component molalities");
        if (enthalpy_row && hooks.update_pressure) hooks.update_pressure(st.delta[sys.nc + 1]);
        if (!update_phases(sys, rp, eq, st, io)) return fail("correction of the phase amounts");
        take_unknowns(sys, eq, after);
        unchanged = same_unknowns(before, after) ? unchanged + 1 : 0;
        if (unchanged >= STALLED_LOOPS && st.loop >= FIRST_CONVERGENCE_LOOP)
            return finish(sys, rp, eq, st, SolveEnd::Stalled, result);
        if (hooks.refresh_gas_mixture) hooks.refresh_gas_mixture();
        if (hooks.refresh_solution_models) hooks.refresh_solution_models();

        if (const int j = derived_species(sys, cond, eq, st, st.loop == 5 ? &io : nullptr)) return species_fault(j);
        io.console(layout<R"("     Loop no." [I4] "  Ionic strength: " [F15.12])">(st.loop, eq.actmodel.I));
        if (st.loop == rp.NLOOP) return finish(sys, rp, eq, st, SolveEnd::LoopLimit, result);

        refresh_activities(sys, rp, eq);
        if (rp.ISTEP == 1) print_iteration(sys, eq, st, io);

        bool dilute = true;
        for (int i = 1; i <= sys.ns && dilute; ++i) dilute = eq.m[i] <= GAMMA_MOLALITY_LIMIT;
        if (dilute) {
            for (int i = 1; i <= sys.ns; ++i) saved_gamma[i] = eq.gamma[i];
            update_activities(sys, cond, rp, eq);
            for (int i = 1; i <= sys.ns; ++i) {
                if (std::isfinite(eq.gamma[i]) && eq.gamma[i] > 0.0) continue;
                const std::string name = sys.sp[i].name.trimmed();
                for (int k = 1; k <= sys.ns; ++k) eq.gamma[k] = saved_gamma[k];
                return fail(i == 2 ? "activity of water" : "activity coefficient of " + name);
            }
        }
        if (const int j = derived_species(sys, cond, eq, st, nullptr)) return species_fault(j);
    }
}

}  // namespace zq
