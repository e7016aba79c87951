// The equilibrium solve: Newton iteration over the component molalities (H+ or the
// fixed-pH equation in row 1), the kilograms of liquid water (row 2), the pressure while the
// enthalpy row is on, and the moles of the phases in the matrix. Derived species follow the
// component activities by mass action at every pass; the linear algebra is LUDCMP/LINSOL,
// the activity model ACTCOF/WATACT.
#pragma once

#include <functional>
#include <string>

#include "base/fixed.h"
#include "solver/linear_solver.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

// Run state of the iteration. The linear system, the residuals of the previous iteration
// (Fprev, 1e65 at the start of the run) and the damping factors (1 at the start of the run)
// live for the whole run; the rest belongs to one solve.
struct NewtonState {
    LinearSystem ls;
    SolverVector tol{};                      // convergence tolerance of each row, set at the start of a solve
    SolverVector fprev{};                    // |F| of the previous iteration, before damping
    SolverVector damp{};                     // damping factor of each row
    SolverVector delta{};                    // correction of the last linear solve
    Table<double, MAX_COMPONENTS> logact{};  // log10 activity of each component species
    // log10 of the activity coefficient of each derived species, and the coefficient it is
    // the log of (NaN before the first): a coefficient unchanged since the last pass of
    // the derived species, or equal to its peer's, is not taken the log of again.
    Table<double, MAX_SPECIES> log_gamma{};
    Table<double, MAX_SPECIES> log_gamma_of{};

    bool enthalpy_row = false;  // the enthalpy balance is row NC + 1 (G = 1) in this solve
    // Pure phases stay in the matrix through the iteration whatever their amount (the
    // phase-assemblage check removes those left negative): set by the run loop for a
    // retry of a failed solve.
    bool keep_phases = false;
    // The phase that entered the matrix for this solve: an intermediate amount below SOLMIN
    // does not take it out (0 for none).
    int entering = 0;
    // Corrections of the component molalities taken as changes of log m (at most a factor
    // of 1000 an iteration): set by the run loop for a retry of a failed solve.
    bool log_steps = false;
    int loop = 0;                     // iteration number of the current solve
    bool intermediate_done = false;   // ISTEP = 1: the listing of iteration 2 has been made
    bool refinement_printed = false;  // ISTEP = 1, ITREF = 1: the refinement count is out
    bool charge_adjusted = false;     // fixed pH: the adjustment of C has settled
    double charge_limit = 0;          // 1e-4 * T(C) at the start of the solve
    double charge_correction = 0;     // fixed pH: per cent change of T(C) against its input

    NewtonState();
};

enum class SolveEnd {
    Converged,  // every row within its tolerance (from iteration 6 on)
    LoopLimit,  // the iteration count reached NLOOP
    NotFinite,  // a residual, correction, molality or activity coefficient was not a number
    Singular,   // the linear system of an iteration was singular
    Stalled,    // the state stopped changing while a residual stayed above its tolerance
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

// What the solve asks of the layers above it. Hooks left empty do nothing, except the
// enthalpy row, which then holds the pressure where it is (dP = 0).
struct NewtonHooks {
    // ISTEP = 1: the results listing of iteration 2, made once per solve.
    std::function<void(const NewtonState&)> intermediate_listing;
    // The gas phase: the residual and Jacobian entries of the enthalpy row `row`; the
    // correction of the enthalpy row applied to the pressure; the gas mixture refreshed
    // after the phase amounts of an iteration.
    std::function<void(LinearSystem& ls, int row)> enthalpy_row;
    std::function<void(double correction)> update_pressure;
    std::function<void()> refresh_gas_mixture;
    // Solid solutions whose activity coefficients follow their composition (electrum): the
    // coefficients and the composition terms of eq.terms refreshed after the phase amounts.
    std::function<void()> refresh_solution_models;
};

// The starting solution of a run: the H2O slot 1.0, the solid and gas moles of the
// components from the phases in the matrix, the first activity evaluation and the
// activities (H+ at 10^-pH when the pH is fixed). The activity model's set-up (ACTCOF modes
// 1 and 2) comes first.
void start_solution(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, EquilibriumState& eq);

// Order of the Newton system: components + enthalpy row + phases in the matrix.
int matrix_order(const ChemicalSystem& sys, const EquilibriumState& eq, bool enthalpy_row);

// The size limits of a solve: more than 100 unknowns, or 41 or more phases in the matrix,
// write their message to the listing and stop the run.
void check_matrix_size(const ChemicalSystem& sys, const EquilibriumState& eq, bool enthalpy_row, Io& io);

// Brings the system to equilibrium with the phases now in the matrix, with the enthalpy
// balance as row NC + 1 when `enthalpy_row`. On return (any end) the molalities,
// activities, W_kg, phase moles and the solid and gas moles of the components describe the
// last state reached; a NotFinite end leaves the last state in which every value was a
// number. With a fixed pH the solve adjusts the totals of H+ and of the charge-balance
// component C.
SolveResult solve_equilibrium(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, bool enthalpy_row,
                              EquilibriumState& eq, NewtonState& st, Io& io, const NewtonHooks& hooks = {});

// The equation of a row, for messages: "mass balance of Cl-", "fixed-pH equation",
// "enthalpy balance", "mass action of Calcite".
std::string equation_name(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp, bool enthalpy_row,
                          int row);

// ---- the steps of one iteration, in the order the solve runs them ----

// Tolerances of every row from ERPC.
void set_tolerances(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, const EquilibriumState& eq,
                    NewtonState& st);

// Derived species by mass action from the component activities, log m limited to
// [-300, 1]; `report` writes the limits to the console. Returns 0, or the first species
// whose molality is not a number (its molality is then left as it was).
int derived_species(const ChemicalSystem& sys, const Conditions& cond, EquilibriumState& eq, NewtonState& st,
                    Io* report);

// Fixed pH: the total of H+ from the solution and the adjustment of the charge-balance
// component by the charge of the solution. `prev_loop` is the iteration count before this
// pass.
void adjust_charge(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq, NewtonState& st, int prev_loop,
                   Io& io);

// Residuals F and Jacobian A of the current state; rebuilds the solid and gas moles of the
// components from the phases in the matrix.
void assemble(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, EquilibriumState& eq,
              NewtonState& st, const NewtonHooks& hooks, Io& io);

// Damping by RM (0 < RM < 1) of the rows whose residual did not shrink.
void apply_damping(NewtonState& st, double rm, int n);

// Every row within its tolerance.
bool within_tolerance(const NewtonState& st, int n);

// New molalities and W_kg from the corrections: molalities above 10 refused, a non-positive
// result halves the correction until positive, 1e-300 the floor. Returns false, changing
// nothing, when a new value would not be a number.
bool update_components(const ChemicalSystem& sys, EquilibriumState& eq, SolverVector& delta, Io& io,
                       bool log_steps = false);

// New phase moles and the removals of exhausted phases during the iteration. Returns false,
// changing nothing, when a new amount would not be a number.
bool update_phases(const ChemicalSystem& sys, const RunParams& rp, EquilibriumState& eq, NewtonState& st, Io& io);

}  // namespace zq
