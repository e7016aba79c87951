// The progress of a reaction path. Every step must move its path variable, within the
// values it may take, and a path must be able to reach SLIM within MAX_PATH_STEPS full
// steps; otherwise the run stops with a message naming SINC and the path variable. Checked
// once per step, whatever the kind of step, by comparing the path variable before and after.
#pragma once

#include "path/step_controller.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

// The most full steps a path may need to reach SLIM. A path that needs more (an increment
// far smaller than the distance to SLIM) would fill the disk with its listing long before
// it ends.
inline constexpr double MAX_PATH_STEPS = 1e6;

// The path variable of a kind of step: pH, ENTH, PFLUID, TEMP, or TOTMIX (titration, mixing,
// flushing).
double path_variable(StepKind kind, const RunParams& rp);

// The path variable and the increment at the start of a step.
struct PathMark {
    StepKind kind;
    double before;
    double curinc;
};
PathMark mark_path(const RunParams& rp, double curinc);

// After a step that goes on: stops the run (RunStop, status 1, after its message on the
// listing and the console) when the path variable did not change (flushing is checked on
// full steps only: its other steps change nothing by design), when a pressure path takes
// PFLUID to 0 or below or a temperature path takes TEMP out of the data's range, or when a
// full step shows that reaching SLIM would take more than MAX_PATH_STEPS steps.
void check_path_progress(const PathMark& mark, const ChemicalSystem& sys, const RunParams& rp, Io& io);

}  // namespace zq
