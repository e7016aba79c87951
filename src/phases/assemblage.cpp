#include "phases/assemblage.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/phase_dependence.h"
#include "phases/solid_solution.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double IN_MATRIX_AFFINITY = 1e-6;  // |affinity| (cal) a phase of the matrix may keep
constexpr double SUPERSATURATED = 1e-10;     // log(Q/K)/S from which a phase is supersaturated
constexpr double ENTRY_MOLES = 1e-9;         // starting moles of an entering phase
constexpr double SOLUTION_SEED = 1e-8;       // moles shared out to a solution entering whole
constexpr double SOLUTION_ENTRY = 1.0;       // sum of x from which an absent solution enters
constexpr double LISTED = 666;               // log Q of a phase listed among the matrix phases
constexpr double UNLISTED_MINERAL = -5;      // minerals below this log(Q/K) are not listed

constexpr LayoutText HEADING =
    R"("  Gas or Mineral            Log K   Log Q  Log(Q/K)  Log(Q/K)/S  Affinity  Log Fugacity" /)";
constexpr LayoutText ROW = R"([I3] [1X] [A20] [1X] 3[F8.2] [3X] [F8.3] [1X] [E13.5] [1X] [F8.3])";

// Member slot of phase i in solution s, 0 when it is not a member.
int member_slot(const ChemicalSystem& sys, int s, int i) {
    for (int k = 1; k <= sys.ss.nmembers[s]; ++k)
        if (sys.ss.member[s][static_cast<std::size_t>(k)] == i) return k;
    return 0;
}

class Check {
public:
    Check(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, double curinc, int looc,
          const std::vector<int>& barred, bool release, EquilibriumState& eq, Io& io)
        : sys_(sys), cond_(cond), rp_(rp), looc_(looc), barred_(barred), release_(release), eq_(eq), io_(io) {
        res_.curinc = curinc;
    }

    AssemblageResult run() {
        sum_solution_totals(eq_);  // from the matrix list of the solve, before it is rebuilt
        start();
        if (sys_.nmin == 0) {
            res_.curinc = rp_.SINC;
        } else {
            for (int i = 1; i <= sys_.nmin; ++i) test_phase(i);
            if (res_.R == 0 && res_.best != 0) enter_best();
            if (res_.R == 0 && res_.best == 0 && tested_) enter_whole_solution();
            if (res_.R == 0 && res_.U == 0 && release_) release_barred();
            choose_increment();
        }
        refresh_solid_solutions(sys_, eq_);
        if (rp_.ISTEP != 0 || res_.curinc == rp_.SINC) write_table();
        return res_;
    }

private:
    double affinity(double log_qk) const { return AFFINITY_PER_KELVIN * cond_.TK * log_qk; }

    // The matrix list is rebuilt from scratch; the phases it held are remembered.
    void start() {
        for (int i = 1; i <= sys_.nmin; ++i) in_matrix_[i] = false;
        for (int p = 1; p <= eq_.nph; ++p) in_matrix_[eq_.ph[p]] = true;
        eq_.nph = 0;
        for (int p = 1; p <= MAX_PHASES; ++p) eq_.ph[p] = 0;
    }

    void append(int i) {
        if (eq_.nph == MAX_PHASES) {
            io_.listing().line(R"(/ "  Too many phases in matrix (" [I3] "); maximum" " number allowed is " [I3])",
                               {MAX_PHASES + 1, MAX_PHASES});
            stop_run(1);
        }
        eq_.ph[++eq_.nph] = i;
        in_matrix_[i] = true;
    }

    void remove(int i) {
        in_matrix_[i] = false;
        res_.removed[++res_.nremoved] = i;
        ++res_.R;
        last_removed_ = i;
    }

    // log Q, and for an end member outside a present solution its saturation term x.
    void test_phase(int i) {
        const Mineral& mn = sys_.mn[i];
        PhaseState& ps = eq_.phase[i];
        const double logk = cond_.mn_logk[i];
        double logq = phase_log_q(sys_, eq_, i, in_matrix_[i], log_act_);
        const int s = sys_.ss.of[i];
        if (s != 0) {
            const int b = ps.ss_present;
            if (b == 0 || !in_matrix_[i]) {
                // x = 10^g kept finite; a g that is not a number (n = 0) counts as no saturation.
                double g = (logq - (std::log10(ps.lambda) + logk)) / mn.site_n;
                if (!(g >= -300)) g = -300;
                if (g > 74) g = 74;
                const double x = power_of_ten(g);
                eq_.ss.sumx[s] += x;
                eq_.ss.x[s][static_cast<std::size_t>(member_slot(sys_, s, i))] = x;
                tested_ = true;
            }
        }
        ps.logq = logq;
        const double d = logq - logk;

        if (in_matrix_[i]) {
            const double moles = eq_.mn_moles[i];
            if (moles >= 0 && std::fabs(affinity(d)) < IN_MATRIX_AFFINITY) {
                append(i);
                return;
            }
            if (moles >= 0) {
                io_.listing().line(R"(/ [2X] [A20] " does not satisfy anymore the mass action equation")"
                                   R"( / [10X] " We remove it from matrix.  affinity =" [E10.4])",
                                   {mn.name, affinity(d)});
            }
            remove(i);
            return;
        }
        const double sat = d / mn.coef_abs_sum;
        if (sat >= SUPERSATURATED && std::find(barred_.begin(), barred_.end(), i) != barred_.end()) {
            res_.barred_supersaturated.emplace_back(i, d);
        } else if (sat >= SUPERSATURATED) {
            ++res_.U;
            candidates_.push_back({sat, i});
            if (sat >= best_sat_) {
                best_sat_ = sat;
                res_.best = i;
            }
        }
    }

    // The other members of solution s outside the matrix follow, in member order; those
    // without an amount get their share x / sum of x of `moles`.
    void enter_members(int s, double moles) {
        const SolutionMembers& ss = sys_.ss;
        for (int k = 1; k <= ss.nmembers[s]; ++k) {
            const auto ku = static_cast<std::size_t>(k);
            const int m = ss.member[s][ku];
            if (in_matrix_[m]) continue;
            append(m);
            if (res_.entered == 0) res_.entered = m;
            if (eq_.mn_moles[m] <= 0) eq_.mn_moles[m] = eq_.ss.x[s][ku] * moles / eq_.ss.sumx[s];
        }
        res_.solution = s;
    }

    // The most supersaturated phase that can join the matrix enters. A pure phase whose
    // reaction depends on those of the phases in the matrix would make the Newton system
    // singular: when the reaction forming it from them runs forward, the phase it uses up
    // first leaves and it enters; otherwise it does not enter and the next one is tried.
    void enter_best() {
        if (looc_ != 0 && res_.U > 1) return;
        std::sort(candidates_.begin(), candidates_.end(),
                  [](const Candidate& a, const Candidate& b) { return a.sat != b.sat ? a.sat > b.sat : a.i > b.i; });
        for (const Candidate& c : candidates_) {
            if (!tested_for_dependence(sys_, c.i)) return enter(c.i);
            std::vector<int> matrix(&eq_.ph[1], &eq_.ph[1] + eq_.nph);
            const Displacement d = displaced_by(sys_, rp_, eq_, matrix, c.i, log_qk());
            if (d.leaves == 0) return enter(c.i);
            const Name20& name = sys_.mn[c.i].name;
            io_.listing().line(R"(/ [2X] [A20] " entering makes the phases of the matrix dependent:" / [6X] [A])",
                               {name, d.reaction});
            if (d.leaves != c.i) {
                io_.listing().line(R"([2X] [A20] " leaves the matrix: the reaction forming " [A] " uses it up first.")",
                                   {sys_.mn[d.leaves].name, name.trimmed()});
                drop(d.leaves);
                res_.displaced = d.leaves;
                return enter(c.i);
            }
            io_.listing().line(R"([2X] [A20] " does not enter: the reaction consumes it.")", {name});
            --res_.U;
        }
        res_.best = 0;
    }

    // Nothing else is left to enter, but barred phases are still supersaturated: the most
    // supersaturated of them gets another turn from the assemblage the search has settled on.
    void release_barred() {
        candidates_.clear();
        for (const auto& [i, excess] : res_.barred_supersaturated)
            candidates_.push_back({excess / sys_.mn[i].coef_abs_sum, i});
        if (candidates_.empty()) return;
        res_.U = 1;
        enter_best();
        if (res_.best == 0) return;
        res_.released = true;
        res_.barred_supersaturated.clear();
    }

    // log(Q/K) of every phase, by phase number.
    std::vector<double> log_qk() const {
        std::vector<double> d(static_cast<std::size_t>(sys_.nmin) + 1, 0.0);
        for (int i = 1; i <= sys_.nmin; ++i) d[static_cast<std::size_t>(i)] = eq_.phase[i].logq - cond_.mn_logk[i];
        return d;
    }

    // A phase of the matrix displaced by an entering one leaves without counting as a removal.
    void drop(int i) {
        int q = 0;
        for (int p = 1; p <= eq_.nph; ++p)
            if (eq_.ph[p] != i) eq_.ph[++q] = eq_.ph[p];
        eq_.ph[eq_.nph] = 0;
        eq_.nph = q;
        in_matrix_[i] = false;
        eq_.mn_moles[i] = 0;
    }

    void enter(int i) {
        res_.best = i;
        append(i);
        res_.entered = i;
        if (eq_.mn_moles[i] <= 0) eq_.mn_moles[i] = ENTRY_MOLES;
        const int s = sys_.ss.of[i];
        if (s != 0) enter_members(s, eq_.mn_moles[i]);
    }

    // No single phase is supersaturated: the absent solution with the largest sum of x
    // (a later one on a tie) enters as a whole when that sum reaches 1.
    void enter_whole_solution() {
        int chosen = 0;
        double largest = 0;
        for (int i = 1; i <= sys_.nmin; ++i) {
            const int s = sys_.ss.of[i];
            if (s == 0 || in_matrix_[i]) continue;
            if (eq_.ss.sumx[s] >= SOLUTION_ENTRY && eq_.ss.sumx[s] >= largest) {
                largest = eq_.ss.sumx[s];
                chosen = s;
            }
        }
        if (chosen == 0) return;
        ++res_.U;
        enter_members(chosen, SOLUTION_SEED);
    }

    void choose_increment() {
        const int changes = res_.R + res_.U;
        if (changes < 2) {
            if (res_.R == 1) eq_.mn_moles[last_removed_] = 0;
            res_.curinc = changes == 0 ? rp_.SINC : 0.0;
        } else if (looc_ != 0) {
            res_.curinc = -0.5 * (res_.curinc != 0 ? res_.curinc : rp_.SINC);
            for (int r = 1; r <= res_.nremoved; ++r) append(res_.removed[r]);
        } else {
            res_.curinc = 0;
        }
    }

    void row(int i, bool fugacity_column) {
        const Mineral& mn = sys_.mn[i];
        PhaseState& ps = eq_.phase[i];
        const double logk = cond_.mn_logk[i];
        const double d = ps.logq - logk;
        const double sat = d / mn.coef_abs_sum;
        if (!fugacity_column) {
            io_.listing().line<ROW>(i, mn.name, logk, ps.logq, d, sat, affinity(d));
            return;
        }
        // The log K of a mixed gas holds log10 P beside the hydrolysis constant.
        ps.log_fugacity = i <= sys_.nmixed ? d + std::log10(rp_.PFLUID) : d;
        io_.listing().line<ROW>(i, mn.name, logk, ps.logq, d, sat, affinity(d), ps.log_fugacity);
    }

    void write_table() {
        OutputFile& out = io_.listing();
        out.line<R"([1X] 76["+"] /)">();
        if (eq_.nph > 0) {
            out.line<R"("  The following gases and minerals are presently in matrix or were just added" /)">();
            out.line<HEADING>();
            for (int p = 1; p <= eq_.nph; ++p) {
                const int i = eq_.ph[p];
                row(i, false);
                eq_.phase[i].logq = LISTED;
            }
            out.line("");
        }
        out.line<R"("  The following gases and minerals are presently EXCLUDED from matrix")"
                 R"x( / "    (Gases and minerals with log(Q/K) less than -5 are not listed below)" /)x">();
        out.line<HEADING>();
        for (int i = 1; i <= sys_.nmin; ++i) {
            const double logq = eq_.phase[i].logq;
            if (logq == LISTED) continue;
            const bool gas = i <= sys_.ngas_records;
            if (!gas && logq - cond_.mn_logk[i] < UNLISTED_MINERAL) continue;
            row(i, gas);
        }
    }

    const ChemicalSystem& sys_;
    const Conditions& cond_;
    const RunParams& rp_;
    int looc_;
    const std::vector<int>& barred_;
    bool release_;
    EquilibriumState& eq_;
    Io& io_;
    AssemblageResult res_;
    Table<bool, MAX_MINERALS> in_matrix_{};
    LogActivities log_act_{eq_};  // for every phase's log Q
    double best_sat_ = 0;
    struct Candidate {
        double sat;
        int i;
    };
    std::vector<Candidate> candidates_;
    int last_removed_ = 0;
    bool tested_ = false;
};

}  // namespace

double LogActivities::operator()(int s) {
    const auto su = static_cast<std::size_t>(s);
    if (!known_[su]) {
        value_[su] = std::log10(eq_.act[s]);
        known_[su] = true;
    }
    return value_[su];
}

double phase_log_q(const ChemicalSystem& sys, const EquilibriumState& eq, int i, bool in_matrix,
                   LogActivities& log_act) {
    const Mineral& mn = sys.mn[i];
    double logq = 0;
    for (int t = 1; t <= mn.itot; ++t) {
        const auto tu = static_cast<std::size_t>(t);
        logq += mn.coefm[tu] * log_act(mn.specm[tu]);
    }
    const PhaseState& ps = eq.phase[i];
    const int b = ps.ss_present;
    if (sys.ss.of[i] != 0 && b != 0 && in_matrix)
        logq -= std::log10(ps.lambda) + mn.site_n * std::log10(std::fabs(eq.mn_moles[i] / eq.ss.total[b]));
    return logq;
}

AssemblageResult check_phase_assemblage(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                                        double curinc, int looc, const std::vector<int>& barred, bool release,
                                        EquilibriumState& eq, Io& io) {
    return Check(sys, cond, rp, curinc, looc, barred, release, eq, io).run();
}

}  // namespace zq
