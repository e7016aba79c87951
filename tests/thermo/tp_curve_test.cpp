// The pressure of the run on the run file's temperature-pressure curve.
#include "thermo/tp_curve.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "thermo/system_tables.h"

namespace zq {
namespace {

TEST(TpCurve, LooksUpThePressure) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> points;
        double T;
        double expected;  // 500: no pressure on the curve, PFLUID stays
    };
    const std::vector<std::pair<double, double>> two = {{100, 10}, {200, 20}};
    const std::vector<std::pair<double, double>> uneven = {{25, 1}, {30, 2}, {35, 3}, {300, 100}, {350, 200}};
    const std::vector<Case> cases = {
        {"between two points", two, 150, 15},
        {"above the last point", two, 250, 500},
        {"at the first point", two, 100, 10},
        {"at the last point", two, 200, 20},
        {"below the first point", two, 50, 10},
        {"guess below the bracket, walk up", uneven, 100, 3 + 97 * 65.0 / 265.0},
        {"guess above the bracket, walk down", uneven, 320, 100 + 100 * 20.0 / 50.0},
        {"walk down several points", {{10, 1}, {90, 2}, {91, 3}, {92, 4}, {93, 5}, {100, 6}}, 50, 1.5},
        {"walk up several points", {{25, 1}, {26, 2}, {27, 3}, {28, 4}, {350, 200}}, 100, 4 + 196 * 72.0 / 322.0},
        {"exact hit of a middle point", uneven, 35, 3},
        {"one point: at it", {{100, 7}}, 100, 7},
        {"one point: below it", {{100, 7}}, 90, 7},
        {"one point: above it", {{100, 7}}, 110, 500},
        {"no points", {}, 100, 500},
    };
    auto sys = std::make_unique<ChemicalSystem>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys->ncurve = static_cast<int>(c.points.size());
        for (int i = 1; i <= sys->ncurve; ++i) {
            sys->curve_t[i] = c.points[static_cast<std::size_t>(i - 1)].first;
            sys->curve_p[i] = c.points[static_cast<std::size_t>(i - 1)].second;
        }
        const double p = pressure_on_curve(*sys, c.T).value_or(500.0);
        EXPECT_NEAR(p, c.expected, 1e-12);
    }
}

}  // namespace
}  // namespace zq
