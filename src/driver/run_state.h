// Everything one run holds, by lifetime: the chemical system's definition (fixed after
// start-up), the conditions (evaluated again at every change of T or P), the run file's
// parameters, the equilibrium state (changed by every solve and step), the path state and
// the Newton iteration's run state. One run of the program owns one RunState; nothing of
// it is global, so one process can make many independent runs.
#pragma once

#include "base/run_params.h"
#include "path/path_state.h"
#include "solver/equilibrium_state.h"
#include "solver/newton.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

struct RunState {
    ChemicalSystem sys;
    Conditions cond;
    RunParams rp;
    EquilibriumState eq;
    PathState ps;
    NewtonState newton;
};

}  // namespace zq
