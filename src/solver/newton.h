// The equilibrium solve: Newton iteration over the component molalities (H+ or the
// fixed-pH equation in row 1), the kilograms of liquid water (row 2), the pressure while the
// enthalpy row is on, and the moles of the phases in the matrix. Derived species follow the
// component activities by mass action at every pass; the linear algebra is LUDCMP/LINSOL,
// the activity model ACTCOF/WATACT.
#pragma once

#include <functional>
#include <string>

#include "solver/linear_solver.h"
#include "thermo/system_tables.h"

namespace zq {

class Io;
struct RunParams;

// Run state of the iteration. The linear system, the residuals of the previous iteration
// (Fprev, 1e65 at the start of the run) and the damping factors (1 at the start of the run)
// live for the whole run; the rest belongs to one solve.
struct NewtonState {
    LinearSystem ls;
    SolverVector tol{};     // convergence tolerance of each row, set at the start of a solve
    SolverVector fprev{};   // |F| of the previous iteration, before damping
    SolverVector damp{};    // damping factor of each row
    SolverVector delta{};   // correction of the last linear solve
    Table<double, MAX_COMPONENTS> logact{};  // log10 activity of each component species

    int loop = 0;                  // iteration number of the current solve
    bool intermediate_done = false;   // ISTEP = 1: the listing of iteration 2 has been made
    bool refinement_printed = false;  // ISTEP = 1, ITREF = 1: the refinement count is out
    bool charge_adjusted = false;     // fixed pH: the adjustment of C has settled
    double charge_limit = 0;       // 1e-4 * T(C) at the start of the solve
    double charge_correction = 0;  // fixed pH: per cent change of T(C) against its input

    NewtonState();
};

enum class SolveEnd {
    Converged,  // every row within its tolerance (from iteration 6 on)
    LoopLimit,  // the iteration count reached NLOOP
    NotFinite,  // a residual, correction, molality or activity coefficient was not a number
};

struct SolveResult {
    SolveEnd end = SolveEnd::Converged;
    int iterations = 0;
    double worst_ratio = 0;      // largest |F(i)| / tol(i) of the last assembly
    int worst_row = 0;           // its row
    std::string worst_equation;  // its equation, e.g. "mass balance of Cl-"
    std::string fault;           // NotFinite: what was not finite and where
    bool converged() const { return end == SolveEnd::Converged; }
};

struct NewtonHooks {
    // ISTEP = 1: the results listing of iteration 2, made once per solve.
    std::function<void(const NewtonState&)> intermediate_listing;
};

// The starting solution of a run: the H2O slot 1.0, the solid and gas moles of the
// components from the phases in the matrix, the first activity evaluation and the
// activities (H+ at 10^-pH when the pH is fixed). The activity model's set-up (ACTCOF modes
// 1 and 2) comes first.
void start_solution(ChemicalSystem& sys, RunParams& rp);

// Order of the Newton system: components + enthalpy row + phases in the matrix.
int matrix_order(const ChemicalSystem& sys, const RunParams& rp);

// The size limits of a solve: more than 100 unknowns, or 41 or more phases in the matrix,
// write their message to the listing and stop the run.
void check_matrix_size(const ChemicalSystem& sys, const RunParams& rp, Io& io);

// Brings the system to equilibrium with the phases now in the matrix. On return (any end)
// the molalities, activities, W_kg (rp.water_kg), phase moles and the solid and gas moles
// of the components describe the last state reached; a NotFinite end leaves the last
// state in which every value was a number.
SolveResult solve_equilibrium(ChemicalSystem& sys, RunParams& rp, NewtonState& st, Io& io,
                              const NewtonHooks& hooks = {});

// The equation of a row, for messages: "mass balance of Cl-", "fixed-pH equation",
// "enthalpy balance", "mass action of Calcite".
std::string equation_name(const ChemicalSystem& sys, const RunParams& rp, int row);

// ---- the steps of one iteration, in the order the solve runs them ----

// Tolerances of every row from ERPC.
void set_tolerances(const ChemicalSystem& sys, const RunParams& rp, NewtonState& st);

// Derived species by mass action from the component activities, log m limited to
// [-300, 1]; `report` writes the limits to the console. Returns 0, or the first species
// whose molality is not a number (its molality is then left as it was).
int derived_species(ChemicalSystem& sys, NewtonState& st, Io* report);

// Fixed pH: the total of H+ from the solution and the adjustment of the charge-balance
// component by the charge of the solution. `prev_loop` is the iteration count before this
// pass.
void adjust_charge(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, int prev_loop, Io& io);

// Residuals F and Jacobian A of the current state; rebuilds the solid and gas moles of the
// components from the phases in the matrix.
void assemble(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, Io& io);

// Damping by RM (0 < RM < 1) of the rows whose residual did not shrink.
void apply_damping(NewtonState& st, double rm, int n);

// Every row within its tolerance.
bool within_tolerance(const NewtonState& st, int n);

// New molalities and W_kg from the corrections: molalities above 10 refused, a non-positive
// result halves the correction until positive, 1e-300 the floor. Returns false, changing
// nothing, when a new value would not be a number.
bool update_components(ChemicalSystem& sys, RunParams& rp, SolverVector& delta, Io& io);

// New phase moles and the removals of exhausted phases during the iteration. Returns false,
// changing nothing, when a new amount would not be a number.
bool update_phases(ChemicalSystem& sys, const RunParams& rp, NewtonState& st, Io& io);

}  // namespace zq
