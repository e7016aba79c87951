#include "solver/newton.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "driver/run_parameters.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/gas_mixture.h"
#include "phases/solid_solution.h"
#include "solver/activity.h"

namespace zq {

namespace {

constexpr double LOG10E = 0.43429448190325176;   // d log10(x) / dx = LOG10E / x
constexpr double MOLALITY_CAP = 10.0;            // component molality updates above are refused
constexpr double MOLALITY_FLOOR = 1e-300;
constexpr double GAMMA_MOLALITY_LIMIT = 8.0;     // above it the activity model is not refreshed
constexpr int FIRST_CONVERGENCE_LOOP = 6;
constexpr double SS_FLOOR = 1e-20;               // moles of an exhausted solid-solution member
const Kind4 GAS_FLAG("GAS ");

bool fixed_ph(const RunParams& rp) { return rp.pH != 0.0; }

int first_phase_row(const ChemicalSystem& sys, const RunParams& rp) { return sys.nc + rp.enthalpy_row + 1; }

// The solid and gas moles of the components held by the phases in the matrix.
void rebuild_phase_moles(ChemicalSystem& sys) {
    for (int k = 1; k <= sys.nc; ++k) sys.comp[k].solid = sys.comp[k].gas = 0.0;
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        const Mineral& mn = sys.mn[f];
        for (int e = 1; e <= mn.itot; ++e) {
            Component& c = sys.comp[mn.specm[static_cast<std::size_t>(e)]];
            (mn.flag == GAS_FLAG ? c.gas : c.solid) += mn.coefm[static_cast<std::size_t>(e)] * sys.mn_moles[f];
        }
    }
}

// Values ten to a line, "  " and [E12.6] each.
void print_vector(Io& io, const SolverVector& v, int n) {
    for (int start = 1; start <= n; start += 10) {
        std::vector<FieldValue> chunk;
        for (int i = start; i <= n && i < start + 10; ++i) chunk.emplace_back(v[i]);
        io.listing().line(layout(R"("  " [10E12.6])", chunk));
    }
}

// ISTEP = 1: the state after an iteration's update.
void print_iteration(const ChemicalSystem& sys, const RunParams& rp, const NewtonState& st, Io& io) {
    io.listing().line(layout(R"("  NO. OF LOOPS = " [I3] [5X] "IONIC STRENGTH=" [E12.7] "  NH2O = " [E10.4])",
                             {st.loop, sys.actmodel.I, rp.water_kg}));
    for (int k = 1; k <= sys.nc; ++k)
        io.listing().line(layout(R"([1X] [I3] [1X] [A12] [1X] [E11.5])", {k, sys.sp[k].name, sys.m[k]}));
    print_vector(io, st.delta, st.ls.n);
}

// Removes the phase at matrix position p during the iteration: its correction and tolerance
// leave with it, the later phases move up one place.
void remove_phase(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, int p, double moles, Io& io) {
    const int f = sys.ph[p];
    io.both(layout(R"([2X] [A20] " MINTRY= " [E10.3] " mineral removed from matrix")", {sys.mn[f].name, moles}));
    const int row0 = first_phase_row(sys, rp) - 1;
    for (int q = p; q < sys.nph; ++q) {
        sys.ph[q] = sys.ph[q + 1];
        st.delta[row0 + q] = st.delta[row0 + q + 1];
        st.tol[row0 + q] = st.tol[row0 + q + 1];
    }
    sys.ph[sys.nph] = 0;
    --sys.nph;

    const int b = sys.mn[f].ss_present;
    if (b == 0) return;
    sys.mn[f].ss_present = 0;
    int left = 0, last = 0;
    for (int q = 1; q <= sys.nph; ++q)
        if (sys.mn[sys.ph[q]].ss_present == b) {
            ++left;
            last = sys.ph[q];
        }
    if (left == 1) {
        sys.mn[last].ss_present = 0;
        io.both(layout(R"([2X] [A20] " Not in solid solution anymore")", {sys.mn[last].name}));
    }
}

// Activities of the species: a = m * gamma (H+ keeps 10^-pH when the pH is fixed).
void refresh_activities(ChemicalSystem& sys, const RunParams& rp) {
    for (int i = fixed_ph(rp) ? 2 : 1; i <= sys.ns; ++i) sys.act[i] = sys.m[i] * sys.gamma[i];
}

SolveResult finish(ChemicalSystem& sys, const RunParams& rp, const NewtonState& st, SolveEnd end,
                   SolveResult r) {
    r.end = end;
    r.iterations = st.loop;
    refresh_activities(sys, rp);
    return r;
}

// The worst row of the last assembly.
void note_worst(const ChemicalSystem& sys, const RunParams& rp, const NewtonState& st, SolveResult& r) {
    r.worst_ratio = 0;
    r.worst_row = 0;
    for (int i = 1; i <= st.ls.n; ++i) {
        const double ratio = std::fabs(st.ls.f[i]) / st.tol[i];
        if (r.worst_row == 0 || ratio > r.worst_ratio) {
            r.worst_ratio = ratio;
            r.worst_row = i;
        }
    }
    r.worst_equation = r.worst_row ? equation_name(sys, rp, r.worst_row) : std::string();
}

// The first row of the assembly whose residual or Jacobian entry is not a number, 0 if none.
int non_finite_row(const LinearSystem& ls) {
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
}

void start_solution(ChemicalSystem& sys, RunParams& rp) {
    sys.m[2] = 1.0;
    rebuild_phase_moles(sys);
    update_activities(sys, rp);
    for (int i = 1; i <= sys.ns; ++i) sys.act[i] = sys.m[i] * sys.gamma[i];
    if (fixed_ph(rp)) sys.act[1] = std::pow(10.0, -rp.pH);
}

int matrix_order(const ChemicalSystem& sys, const RunParams& rp) { return sys.nc + rp.enthalpy_row + sys.nph; }

void check_matrix_size(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    const int n = matrix_order(sys, rp);
    if (n > MAX_ORDER) {
        io.listing().line(layout(R"(/ "  Size of matrix reached limit.  N = " [I3] " Maximum" " size is " [I3])",
                                 {n, MAX_ORDER}));
        stop_run(1);
    }
    if (sys.nph > MAX_PHASES) {
        io.listing().line(layout(R"(/ "  Too many phases in matrix (" [I3] "); maximum" " number allowed is " [I3])",
                                 {sys.nph, MAX_PHASES}));
        stop_run(1);
    }
}

std::string equation_name(const ChemicalSystem& sys, const RunParams& rp, int row) {
    if (row == 1 && fixed_ph(rp)) return "fixed-pH equation";
    if (row >= 1 && row <= sys.nc) return "mass balance of " + sys.sp[row].name.trimmed();
    if (rp.enthalpy_row && row == sys.nc + 1) return "enthalpy balance";
    const int p = row - first_phase_row(sys, rp) + 1;
    if (p >= 1 && p <= sys.nph) return "mass action of " + sys.mn[sys.ph[p]].name.trimmed();
    return "row " + std::to_string(row);
}

void set_tolerances(const ChemicalSystem& sys, const RunParams& rp, NewtonState& st) {
    const double e = rp.ERPC;
    for (int k = 1; k <= sys.nc; ++k) {
        const double t = sys.comp[k].total;
        st.tol[k] = t == 0.0 ? e : std::fabs(t) * e;
    }
    if (rp.enthalpy_row) st.tol[sys.nc + 1] = std::fabs(rp.ENTH) * e;
    const int row0 = first_phase_row(sys, rp) - 1;
    for (int p = 1; p <= sys.nph; ++p) {
        const double lk = sys.mn[sys.ph[p]].logk;
        st.tol[row0 + p] = lk == 0.0 ? 10.0 * e : std::fabs(lk) * 10.0 * e;
    }
    if (fixed_ph(rp)) st.tol[1] = e * std::pow(10.0, -rp.pH);
}

int derived_species(ChemicalSystem& sys, NewtonState& st, Io* report) {
    for (int l = 1; l <= sys.nc; ++l) st.logact[l] = std::log10(sys.gamma[l] * sys.m[l]);
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        double lm = -std::log10(sys.gamma[j]) - s.logk;
        for (int e = 2; e <= s.nentries; ++e) {
            const auto eu = static_cast<std::size_t>(e);
            lm += s.coef[eu] * st.logact[s.index[eu]];
        }
        if (!std::isfinite(lm)) return j;
        if (lm > 1.0) {
            if (report) report->console(layout(R"("  Molality of derived species " [A20] "chopped from E+" [F8.2])", {s.name, lm}));
            lm = 1.0;
        } else if (lm < -300.0) {
            if (report) report->console(layout(R"("  Molality of derived species " [A20] " reset from E" [F8.2])", {s.name, lm}));
            lm = -300.0;
        }
        sys.m[j] = std::pow(10.0, lm);
    }
    return 0;
}

void adjust_charge(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, int prev_loop, Io& io) {
    const double w = rp.water_kg;
    double hplus = sys.m[1];
    for (int j = sys.nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        for (int e = 2; e <= s.nentries; ++e)
            if (s.index[static_cast<std::size_t>(e)] == 1) hplus += s.coef[static_cast<std::size_t>(e)] * sys.m[j];
    }
    sys.comp[1].total = w * hplus + sys.comp[1].solid + sys.comp[1].gas;

    double q = sys.m[1];
    for (int i = 3; i <= sys.ns; ++i) q += sys.sp[i].charge * sys.m[i];
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
    Component& comp = sys.comp[c];
    const double old = comp.total;
    const double d = q / z;
    comp.total = old - d;
    if (prev_loop > 7 && std::fabs(d) < 1e-5 * std::fabs(old)) st.charge_adjusted = true;
    st.charge_correction = (comp.total - comp.total_input) * 100.0 / comp.total_input;
}

void assemble(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, Io& io) {
    LinearSystem& ls = st.ls;
    const int nc = sys.nc;
    const int n = matrix_order(sys, rp);
    const double w = rp.water_kg;
    const bool ph_fixed = fixed_ph(rp);
    ls.n = n;
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) ls.A(i, j) = 0.0;
        ls.A(j, j) = w;
        ls.f[j] = 0.0;
    }
    for (int k = 1; k <= nc; ++k) sys.comp[k].solid = sys.comp[k].gas = 0.0;

    // Mass balances: W m_k - T(k) plus the share of every derived species; d/dm_l of a
    // derived molality is nu_jl m_j / m_l (the H2O slot holds 1.0).
    for (int k = ph_fixed ? 2 : 1; k <= nc; ++k)
        ls.f[k] = w * (k == 2 ? WATER_MOLES_PER_KG : sys.m[k]) - sys.comp[k].total;
    for (int j = nc + 1; j <= sys.ns; ++j) {
        const Species& s = sys.sp[j];
        const double mj = sys.m[j];
        for (int e = 2; e <= s.nentries; ++e) {
            const int k = s.index[static_cast<std::size_t>(e)];
            if (k == 1 && ph_fixed) continue;
            const double wnm = w * s.coef[static_cast<std::size_t>(e)] * mj;
            ls.f[k] += wnm;
            for (int e2 = 2; e2 <= s.nentries; ++e2) {
                const int l = s.index[static_cast<std::size_t>(e2)];
                ls.A(k, l) += wnm * s.coef[static_cast<std::size_t>(e2)] / sys.m[l];
            }
        }
    }
    // Column 2 is the derivative by W_kg of the aqueous part.
    for (int k = ph_fixed ? 2 : 1; k <= nc; ++k) ls.A(k, 2) = (sys.comp[k].total + ls.f[k]) / w;

    if (rp.enthalpy_row) assemble_enthalpy_row(sys, rp, ls, nc + 1);

    // Phase rows: each phase adds its moles to the mass balances and holds its mass action.
    const int row0 = first_phase_row(sys, rp) - 1;
    for (int p = 1; p <= sys.nph; ++p) {
        const int f = sys.ph[p];
        const Mineral& mn = sys.mn[f];
        const int h = row0 + p;
        const double nf = sys.mn_moles[f];
        const bool gas = mn.flag == GAS_FLAG;
        double fh = -mn.logk;
        for (int e = 1; e <= mn.itot; ++e) {
            const int t = mn.specm[static_cast<std::size_t>(e)];
            const double nu = mn.coefm[static_cast<std::size_t>(e)];
            (gas ? sys.comp[t].gas : sys.comp[t].solid) += nu * nf;
            ls.f[t] += nu * nf;
            ls.A(t, h) += nu;
            fh += nu * st.logact[t];
            ls.A(h, t) += LOG10E * nu / sys.m[t];
        }
        ls.A(h, h) = 0.0;
        const int b = mn.ss_present;
        if (b != 0) {
            const double total = sys.ss.total[b];
            fh -= end_member_log_activity(sys, f);
            ls.A(h, h) = LOG10E * mn.site_n * (1.0 / total - 1.0 / nf);
            for (int q = 1; q <= sys.nph; ++q)
                if (q != p && sys.mn[sys.ph[q]].ss_present == b) ls.A(h, row0 + q) += LOG10E * mn.site_n / total;
        }
        ls.f[h] = fh;
        // The water column: the change of log a_w with the kilograms of water.
        if (ls.A(h, 2) != 0.0) {
            const double xgas = sys.actmodel.xgas;
            ls.A(h, 2) = xgas == 0.0 ? std::log10(sys.gamma[2]) * ls.A(h, 2) / (-LOG10E * w) : -ls.A(h, 2) * xgas;
        }
    }

    if (ph_fixed) {
        for (int j = 1; j <= n; ++j) ls.A(1, j) = 0.0;
        ls.A(1, 1) = -sys.gamma[1];
        ls.f[1] = std::pow(10.0, -rp.pH) - sys.m[1] * sys.gamma[1];
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

bool update_components(ChemicalSystem& sys, RunParams& rp, SolverVector& delta, Io& io) {
    const int nc = sys.nc;
    Table<double, MAX_COMPONENTS> next{};
    Table<bool, MAX_COMPONENTS> floored{};
    for (int k = 1; k <= nc; ++k) {
        // The H2O slot stands for the kilograms of water during the update.
        const double old = k == 2 ? rp.water_kg : sys.m[k];
        double d = delta[k];
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
            io.console(layout(R"("  ** WARNING! Molality of " [A12] " less than " [E10.3])", {sys.sp[k].name, MOLALITY_FLOOR}));
        if (k == 2)
            rp.water_kg = next[k];
        else
            sys.m[k] = next[k];
    }
    sys.m[2] = 1.0;
    return true;
}

bool update_phases(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, Io& io) {
    const int row0 = first_phase_row(sys, rp) - 1;
    for (int p = 1; p <= sys.nph; ++p)
        if (!std::isfinite(sys.mn_moles[sys.ph[p]] + st.delta[row0 + p])) return false;

    for (int b = 1; b <= sys.ss.npresent; ++b) sys.ss.total[b] = 0.0;
    int p = 1;
    while (p <= sys.nph) {
        const int f = sys.ph[p];
        const double nf = sys.mn_moles[f] + st.delta[row0 + p];
        const int b = sys.mn[f].ss_present;
        if (b != 0) {
            if (nf <= 0.0 && st.loop >= 7 && rp.LIMSOL > 1) {
                sys.mn_moles[f] = nf;
                remove_phase(sys, rp, st, p, nf, io);
                continue;
            }
            sys.mn_moles[f] = nf <= 0.0 ? SS_FLOOR : nf;
            sys.ss.total[b] += sys.mn_moles[f];
        } else {
            sys.mn_moles[f] = nf;
            if (st.loop >= 5 && rp.SOLMIN < 0.0 && nf < rp.SOLMIN) {
                remove_phase(sys, rp, st, p, nf, io);
                continue;
            }
        }
        ++p;
    }
    st.ls.n = matrix_order(sys, rp);
    return true;
}

SolveResult solve_equilibrium(ChemicalSystem& sys, RunParams& rp, NewtonState& st, Io& io, const NewtonHooks& hooks) {
    SolveResult result;
    st.loop = 0;
    st.intermediate_done = st.refinement_printed = st.charge_adjusted = false;
    st.charge_correction = 0.0;
    check_matrix_size(sys, rp, io);
    if (rp.C >= 1 && rp.C <= sys.nc) st.charge_limit = 1e-4 * sys.comp[rp.C].total;
    if (fixed_ph(rp)) sys.act[1] = std::pow(10.0, -rp.pH);
    set_tolerances(sys, rp, st);
    sys.m[2] = 1.0;
    sum_solution_totals(sys);
    st.ls.n = matrix_order(sys, rp);

    auto fail = [&](const std::string& what) {
        result.fault = what;
        return finish(sys, rp, st, SolveEnd::NotFinite, result);
    };
    auto species_fault = [&](int j) { return fail("molality of " + sys.sp[j].name.trimmed()); };

    if (const int j = derived_species(sys, st, nullptr)) return species_fault(j);
    Table<double, MAX_SPECIES> saved_gamma{};
    for (;;) {
        const int prev = st.loop++;
        if (fixed_ph(rp) && prev >= 1 && !st.charge_adjusted) adjust_charge(sys, rp, st, prev, io);

        assemble(sys, rp, st, io);
        const int n = st.ls.n;
        if (const int row = non_finite_row(st.ls)) return fail("residual of the " + equation_name(sys, rp, row));
        apply_damping(st, rp.RM, n);
        note_worst(sys, rp, st, result);
        if (st.loop >= FIRST_CONVERGENCE_LOOP && within_tolerance(st, n))
            return finish(sys, rp, st, SolveEnd::Converged, result);

        if (rp.ISTEP == 1 && st.loop == 2 && !st.intermediate_done) {
            refresh_activities(sys, rp);
            if (hooks.intermediate_listing) hooks.intermediate_listing(st);
            LINSOL(2, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
            st.intermediate_done = true;
        }
        if (st.loop == 1 && rp.ISTEP == 1) LINSOL(2, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
        LUDCMP(st.ls);
        LINSOL(1, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
        if (st.loop == 1 && rp.ISTEP == 1) print_vector(io, st.delta, n);
        if (st.intermediate_done && !st.refinement_printed && rp.ITREF == 1) {
            LINSOL(3, st.ls, st.delta, rp.ITREF, rp.ISTEP, io);
            st.refinement_printed = true;
        }

        if (!update_components(sys, rp, st.delta, io)) return fail("correction of the component molalities");
        if (rp.enthalpy_row) update_pressure(sys, rp, st.delta[sys.nc + 1]);
        if (!update_phases(sys, rp, st, io)) return fail("correction of the phase amounts");
        refresh_gas_mixture(sys, rp);

        if (const int j = derived_species(sys, st, st.loop == 5 ? &io : nullptr)) return species_fault(j);
        io.console(layout(R"("     Loop no." [I4] "  Ionic strength: " [F15.12])", {st.loop, sys.actmodel.I}));
        if (st.loop == rp.NLOOP) return finish(sys, rp, st, SolveEnd::LoopLimit, result);

        refresh_activities(sys, rp);
        if (rp.ISTEP == 1) print_iteration(sys, rp, st, io);

        bool dilute = true;
        for (int i = 1; i <= sys.ns && dilute; ++i) dilute = sys.m[i] <= GAMMA_MOLALITY_LIMIT;
        if (dilute) {
            for (int i = 1; i <= sys.ns; ++i) saved_gamma[i] = sys.gamma[i];
            update_activities(sys, rp);
            for (int i = 1; i <= sys.ns; ++i) {
                if (std::isfinite(sys.gamma[i]) && sys.gamma[i] > 0.0) continue;
                const std::string name = sys.sp[i].name.trimmed();
                for (int k = 1; k <= sys.ns; ++k) sys.gamma[k] = saved_gamma[k];
                return fail(i == 2 ? "activity of water" : "activity coefficient of " + name);
            }
        }
        if (const int j = derived_species(sys, st, nullptr)) return species_fault(j);
    }
}

}  // namespace zq
