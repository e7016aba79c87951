// The progress check of a path at its bounds: the step cap, the pressure above 0 and the
// temperature range of the saturation curve.
#include <gtest/gtest.h>

#include "base/run_params.h"
#include "path/path_progress.h"
#include "support/chem_builder.h"

namespace zq::test {
namespace {

TEST(PathProgress, StopsAtItsBounds) {
    struct Case {
        StepKind kind;
        double before, after, slim, curinc;
        bool stops;
    };
    const Case cases[] = {
        {StepKind::Temperature, 101, 100, 100 - 1e6, -1, false},       // exactly MAX_PATH_STEPS to go
        {StepKind::Temperature, 101, 100, 100 - 1e6 - 1, -1, true},    // one more
        {StepKind::Temperature, 101, 100, 100 - 1e9, 0.5, false},      // half steps are not counted
        {StepKind::Temperature, 100, 100, 50, -1, true},               // no change
        {StepKind::Temperature, 1, 0.01, 0, -1, false},                // the data's lowest temperature
        {StepKind::Temperature, 1, 0.005, 0, -1, true},                // below it
        {StepKind::Temperature, 399, 400, 500, 1, false},              // the saturation curve's highest
        {StepKind::Temperature, 399.5, 400.5, 500, 1, true},           // above it
        {StepKind::Pressure, 2, 1e-300, -5, -1, false},                // still above 0
        {StepKind::Pressure, 1, 0, -5, -1, true},                      // at 0
        {StepKind::Titration, 0, 1e-300, 1e-300 * 2e6, 1e-300, true},  // tiny increments, far limit
        {StepKind::Flushing, 5, 5, 10, 0.5, false},                    // a flushing half step changes nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " -> " + std::to_string(c.after) + ", SLIM " + std::to_string(c.slim));
        ChemBuilder b;
        b.rp.SINC = c.curinc == 0.5 ? -1 : c.curinc;
        b.rp.SLIM = c.slim;
        b.rp.INCP = c.kind == StepKind::Pressure ? 1 : 0;
        b.rp.MINSOL = c.kind == StepKind::Titration ? 1 : 0;
        b.rp.IFRAC = c.kind == StepKind::Flushing ? 5 : 0;
        const PathMark mark{c.kind, c.before, c.curinc};
        double& var = c.kind == StepKind::Temperature ? b.rp.TEMP
                      : c.kind == StepKind::Pressure  ? b.rp.PFLUID
                                                      : b.rp.TOTMIX;
        var = c.after;
        EXPECT_EQ(stop_status([&] { check_path_progress(mark, b.sys, b.rp, *b.io); }), c.stops ? 1 : -1) << b.console();
    }
}

}  // namespace
}  // namespace zq::test
