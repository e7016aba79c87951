#include "thermo/grid.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_state.h"
#include "format/text_io.h"
#include "support/run_dir.h"

namespace zq {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

// Biquadratic in P and T: the grid interpolation must reproduce it exactly, in the block
// and beyond it.
double biquad(double P, double T) {
    return 3.0 + 0.002 * P - 0.01 * T + 1e-7 * P * P + 2e-5 * T * T + 3e-6 * P * T + 1e-13 * P * P * T * T;
}
double quad(double T) { return 2.0 - 0.03 * T + 4e-5 * T * T; }

std::unique_ptr<RawLogK> biquad_grid() {
    auto v = std::make_unique<RawLogK>();
    for (int r = 1; r <= GRID_ROWS; ++r)
        for (int c = 1; c <= GRID_COLS; ++c) grid_cell(*v, r, c) = biquad(GRID_P[u(r)], GRID_T[u(c)]);
    return v;
}

void expect_close(double got, double want, const std::string& where) {
    EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want))) << where;
}

// Reference three-point Lagrange polynomial, for checking which nodes were chosen.
double lagrange(double x, const std::array<double, 3>& xs, const std::array<double, 3>& ys) {
    double s = 0;
    for (int i = 0; i < 3; ++i) {
        double w = 1;
        for (int k = 0; k < 3; ++k)
            if (k != i) w *= (x - xs[u(k)]) / (xs[u(i)] - xs[u(k)]);
        s += w * ys[u(i)];
    }
    return s;
}

struct LocateCase {
    double P, T;
    int row, col;
    char pstat, tstat;
};

TEST(GridLocator, BandsAndPressureRows) {
    const std::vector<LocateCase> cases = {
        // Pressure rows and limits (T 300: no shift above 85.839 bar).
        {0.0, 300, 2, 13, 'E', 'E'},
        {-1.0, 300, 2, 13, 'E', 'E'},
        {0.999, 300, 2, 13, 'W', 'E'},
        {1.0, 60, 1, 4, 'N', ' '},
        {1.0132, 60, 1, 4, 'N', ' '},
        {1.0133, 60, 2, 4, 'N', ' '},
        {500, 300, 19, 13, 'N', ' '},
        {3999.99, 300, 34, 13, 'N', ' '},
        {4000, 300, 35, 13, 'N', ' '},
        {5000, 300, 35, 13, 'N', ' '},
        {5000.01, 300, 35, 13, 'W', ' '},
        {5999.99, 300, 35, 13, 'W', ' '},
        {6000, 300, 35, 13, 'E', ' '},
        // Lowest bands: column 3, row capped at 34; below 0.01 C a pressure error.
        {100, 0.0099, 10, 3, 'E', ' '},
        {100, 0.01, 10, 3, 'N', ' '},
        {4500, 10, 34, 3, 'N', ' '},
        {5000, 25, 34, 3, 'N', ' '},
        {5000, 50, 34, 3, 'N', ' '},
        {5000, 50.001, 35, 4, 'N', ' '},
        {0.5, 75, 1, 4, 'W', ' '},
        // 75-100: shift below 1.0133 bar, no error test.
        {1.0, 75.001, 2, 5, 'N', 'W'},
        {1.0133, 100, 2, 5, 'N', ' '},
        // 100-125: error below 1.013 (not 1.0133).
        {1.0132, 100.001, 2, 6, 'N', 'W'},
        {1.0129, 125, 2, 6, 'N', 'E'},
        // 175-200 at 10 and 5 bar; just above 200 C the next band.
        {10, 200, 6, 9, 'N', 'W'},
        {5, 200, 5, 9, 'N', 'E'},
        {15.537, 200, 6, 9, 'N', ' '},
        {10, 200.001, 6, 10, 'N', 'E'},
        // 325-350 and 350-400.
        {150, 350, 12, 15, 'N', 'W'},
        {120.457, 350, 11, 15, 'N', 'E'},
        {165.211, 350.001, 11, 16, 'N', 'E'},
        {165.212, 350.001, 15, 16, 'N', 'W'},
        {199.99, 400, 15, 16, 'N', 'W'},
        {200, 400, 15, 16, 'N', 'W'},
        {299.99, 375, 15, 16, 'N', 'W'},
        {300, 375, 15, 16, 'N', ' '},
        // 400-410 and higher bands.
        {199.99, 400.001, 12, 17, 'N', 'E'},
        {200, 410, 14, 17, 'N', 'W'},
        {349.99, 410, 16, 17, 'N', 'W'},
        {350, 410, 16, 17, 'N', ' '},
        {349.99, 410.001, 15, 18, 'N', 'E'},
        {720, 545, 23, 31, 'N', ' '},
        {699.99, 545, 22, 31, 'N', 'E'},
        {760, 545, 25, 31, 'N', 'W'},
        {800, 545, 25, 31, 'N', ' '},
        {920, 590, 28, 35, 'N', 'W'},
        {920, 590.001, 28, 36, 'N', 'W'},
        {950, 600, 28, 36, 'N', ' '},
        // 600-610: pressure warning inside the pressure range, error below 800 bar.
        {500, 605, 19, 36, 'W', 'E'},
        {800, 600.001, 25, 36, 'W', ' '},
        {920, 610, 28, 36, 'W', 'W'},
        {5500, 605, 35, 36, 'W', ' '},
        {7000, 605, 35, 36, 'E', ' '},
        {0.5, 605, 1, 36, 'W', 'E'},
        {1000, 610.001, 29, 36, 'E', ' '},
    };
    for (const LocateCase& c : cases) {
        GridPosition pos;
        locate_grid(c.P, c.T, pos);
        const std::string where = "P " + std::to_string(c.P) + " T " + std::to_string(c.T);
        EXPECT_EQ(pos.row, c.row) << where;
        EXPECT_EQ(pos.col, c.col) << where;
        EXPECT_EQ(pos.pstat, c.pstat) << where;
        EXPECT_EQ(pos.tstat, c.tstat) << where;
    }
}

// The locator keeps an earlier temperature status; relocating the run clears it first.
TEST(GridLocator, TemperatureStatusKeptByLocatorClearedByRelocate) {
    GridPosition pos;
    pos.tstat = 'E';
    locate_grid(500, 300, pos);
    EXPECT_EQ(pos.tstat, 'E');
    EXPECT_EQ(pos.pstat, 'N');

    GridPosition run;
    run.tstat = 'E';
    relocate_grid(run, 500, 300);
    EXPECT_EQ(run.tstat, ' ');
    EXPECT_EQ(run.row, 19);
    relocate_grid(run, 10, 200);
    EXPECT_EQ(run.tstat, 'W');
}

TEST(GridInterpolation, ReproducesBiquadraticInEveryKindOfBlock) {
    const auto v = biquad_grid();
    const std::vector<std::pair<double, double>> points = {{1, 0.01},   {300, 25},  {10, 180},   {170, 375},
                                                           {500, 605},  {4800, 40}, {5000, 600}, {920, 595},
                                                           {2200, 333}, {1.5, 90},  {760, 545},  {3700, 455}};
    for (const auto& [P, T] : points) {
        GridPosition pos;
        locate_grid(P, T, pos);
        std::array<double, 3> w{};
        const double got = grid_interpolate(P, T, pos, *v, &w);
        const std::string where = "P " + std::to_string(P) + " T " + std::to_string(T);
        expect_close(got, biquad(P, T), where);
        for (int j = 0; j < 3; ++j) expect_close(w[u(j)], biquad(P, GRID_T[u(pos.col - 2 + j)]), where);
    }
}

// Rows r..r+2 and columns q-2..q: at a node of the block the stored cells come back.
TEST(GridInterpolation, UsesTheBlockOfThePosition) {
    auto v = std::make_unique<RawLogK>();
    for (int i = 0; i < GRID_CELLS; ++i) (*v)[u(i)] = std::sin(0.37 * i) * 10.0;
    GridPosition pos;
    pos.row = 7;
    pos.col = 20;
    std::array<double, 3> w{};
    const double got = grid_interpolate(GRID_P[9], GRID_T[18], pos, *v, &w);
    EXPECT_DOUBLE_EQ(w[0], grid_cell(*v, 9, 18));
    EXPECT_DOUBLE_EQ(w[1], grid_cell(*v, 9, 19));
    EXPECT_DOUBLE_EQ(w[2], grid_cell(*v, 9, 20));
    EXPECT_DOUBLE_EQ(got, grid_cell(*v, 9, 18));
}

// A no-data cell in the block must not blend into an ordinary-looking value.
TEST(GridInterpolation, NoDataCellInTheBlockGivesNoData) {
    auto v = std::make_unique<RawLogK>();
    v->fill(-4.0);
    GridPosition pos;
    locate_grid(520, 287, pos);  // rows 19..21, columns 11..13
    grid_cell(*v, 20, 11) = NO_DATA;
    std::array<double, 3> w{};
    EXPECT_EQ(grid_interpolate(520, 287, pos, *v, &w), NO_DATA);
    EXPECT_EQ(w[0], NO_DATA);
    EXPECT_NEAR(w[1], -4.0, 1e-12);
    // At 300 C the 250 C column has no weight, and at 500 bar neither has the 550 bar row.
    EXPECT_NEAR(grid_interpolate(520, 300, pos, *v), -4.0, 1e-12);
    EXPECT_NEAR(grid_interpolate(500, 287, pos, *v), -4.0, 1e-12);
    // An impossible position gives no data rather than reading outside the grid.
    pos.row = 36;
    EXPECT_EQ(grid_interpolate(500, 300, pos, *v), NO_DATA);
}

// The saturation view: 1 bar up to 75 C, then the saturation pressures of rows 2..12.
RawLogK saturation_grid(double (*f)(int k)) {
    RawLogK v;
    v.fill(-777.0);
    for (int k = 1; k <= 15; ++k) grid_cell(v, k <= 4 ? 1 : k - 3, k) = f(k);
    return v;
}

TEST(GridSaturation, ReproducesQuadraticAndExtrapolatesTo400) {
    const auto v = std::make_unique<RawLogK>(saturation_grid([](int k) { return quad(GRID_T[u(k)]); }));
    for (double T : {0.01, 12.0, 25.0, 50.0, 63.0, 100.0, 237.5, 325.0, 340.0, 350.0, 375.0, 400.0})
        expect_close(saturation_interpolate(T, *v), quad(T), "T " + std::to_string(T));
    EXPECT_EQ(saturation_interpolate(400.0001, *v), NO_DATA);
    EXPECT_EQ(saturation_interpolate(0.0099, *v), NO_DATA);
    EXPECT_EQ(saturation_interpolate(-5, *v), NO_DATA);
}

TEST(GridSaturation, ChoosesThreePointsAroundT) {
    auto y = [](int k) { return 0.37 * k * k - 1.1 * k + (k % 3) * 0.9; };
    const auto v = std::make_unique<RawLogK>(saturation_grid(y));
    EXPECT_EQ(saturation_interpolate(25.0, *v), y(2));  // the stored 25 C value, exactly
    const std::vector<std::pair<double, int>> first = {{0.01, 1},    {50, 1},   {50.01, 2}, {75, 2},
                                                       {75.01, 3},   {100, 3},  {200, 7},   {325, 12},
                                                       {325.01, 13}, {350, 13}, {380, 13},  {400, 13}};
    for (const auto& [T, f] : first) {
        const std::array<double, 3> xs{GRID_T[u(f)], GRID_T[u(f + 1)], GRID_T[u(f + 2)]};
        const std::array<double, 3> ys{y(f), y(f + 1), y(f + 2)};
        expect_close(saturation_interpolate(T, *v), lagrange(T, xs, ys), "T " + std::to_string(T));
    }
    // At 400 C the extrapolation from 300, 325, 350 C weighs them 3, -8, 6.
    expect_close(saturation_interpolate(400, *v), 3 * y(13) - 8 * y(14) + 6 * y(15), "400");
}

constexpr std::array<double, 8> TE{25, 50, 100, 150, 200, 250, 300, 350};

RawLogK eight(const std::array<double, 8>& y) {
    RawLogK v{};
    for (int i = 0; i < 8; ++i) v[u(i)] = y[u(i)];
    return v;
}

TEST(GridEightPoint, ReproducesQuadraticWithinItsLimits) {
    std::array<double, 8> y{};
    for (int i = 0; i < 8; ++i) y[u(i)] = quad(TE[u(i)]);
    const auto v = std::make_unique<RawLogK>(eight(y));
    for (double T : {-20.0, 0.0, 25.0, 60.0, 100.0, 222.0, 300.0, 333.0, 350.0, 400.0})
        expect_close(eight_point_interpolate(T, *v), quad(T), "T " + std::to_string(T));
    EXPECT_EQ(eight_point_interpolate(400.01, *v), NO_DATA);

    // Valid up to 200 C (n = 5): extrapolated to 250 C, no data above.
    y[5] = NO_DATA;
    const auto v5 = std::make_unique<RawLogK>(eight(y));
    expect_close(eight_point_interpolate(250, *v5), quad(250), "n=5 at 250");
    EXPECT_EQ(eight_point_interpolate(250.01, *v5), NO_DATA);
}

TEST(GridEightPoint, ChoosesThreePointsByBand) {
    const std::array<double, 8> y{1.5, -2.25, 3.125, 0.5, -1.75, 2.0, 4.5, -0.25};
    struct Case {
        int n;
        double T;
        int first;  // first of the three points, 1-based
    };
    const std::vector<Case> cases = {
        {8, -20, 1},    {8, 25, 1},     {8, 50, 1},  {8, 50.01, 1},  {8, 100, 1}, {8, 100.01, 2},
        {8, 150, 2},    {8, 150.01, 3}, {8, 300, 5}, {8, 300.01, 6}, {8, 400, 6}, {5, 200, 3},
        {5, 200.01, 3}, {5, 250, 3},    {3, 150, 1}, {3, 60, 1},
    };
    for (const Case& c : cases) {
        std::array<double, 8> yy = y;
        for (int i = c.n; i < 8; ++i) yy[u(i)] = NO_DATA;
        const auto v = std::make_unique<RawLogK>(eight(yy));
        const int f = c.first - 1;
        const std::array<double, 3> xs{TE[u(f)], TE[u(f + 1)], TE[u(f + 2)]};
        const std::array<double, 3> ys{y[u(f)], y[u(f + 1)], y[u(f + 2)]};
        expect_close(eight_point_interpolate(c.T, *v), lagrange(c.T, xs, ys),
                     "n " + std::to_string(c.n) + " T " + std::to_string(c.T));
    }
}

// n = 1: the 25 C value from 10 to 35 C only; n = 2: the line through 25 and 50 C from 0.01
// to 75 C. No data at 25 C must not turn into a plausible log K where that point has weight
// (at 75 C its weight is -1/3: the sum would be about -33333).
TEST(GridEightPoint, FewValidValuesAndMissingFirstValue) {
    const double a = -3.5, b = -2.0, X = NO_DATA;
    const std::array<double, 8> one{a, X, 7, 7, 7, 7, 7, 7}, two{a, b, X, 7, 7, 7, 7, 7}, no25{X, 1, 2, 3, 4, 5, 6, 7},
        no25_two{X, 1, X, 3, 4, 5, 6, 7};
    struct Case {
        const std::array<double, 8>* y;
        double T, want;
    };
    const std::vector<Case> cases = {
        {&one, 10, a},
        {&one, 35, a},
        {&one, 9.99, X},
        {&one, 35.01, X},
        {&two, 25, a},
        {&two, 50, b},
        {&two, 75, a + 2 * (b - a)},
        {&two, 0.01, a + (0.04 * 0.01 - 1) * (b - a)},
        {&two, 80, X},
        {&two, 0.0, X},
        {&no25, 75, X},
        {&no25, 200, 4.0},
        {&no25_two, 40, X},
    };
    for (const Case& c : cases) {
        const auto v = std::make_unique<RawLogK>(eight(*c.y));
        EXPECT_DOUBLE_EQ(eight_point_interpolate(c.T, *v), c.want) << "T " << c.T;
    }
}

// The stencils made once for a temperature give every record the value of its own
// interpolation, bit for bit: records with all eight values, with the later ones missing,
// with the first missing, and the saturation view, over the bands and their edges.
TEST(GridSaturationStencils, SameBitsAsOneRecordAtATime) {
    std::vector<SaturationLogK> records;
    for (int n = 1; n <= 8; ++n) {
        SaturationLogK v{};
        for (int i = 0; i < 15; ++i) v[u(i)] = i < n || i >= 8 ? -3.7 + 0.61 * i - 0.013 * i * i : NO_DATA;
        records.push_back(v);
        v[0] = NO_DATA;
        records.push_back(v);
    }
    for (double T :
         {-1.0,  0.0,   0.01,  9.99,  10.0,  24.9,  25.0,   37.3,  50.0,  50.01, 63.0,  75.0,   99.9,        100.0,
          123.4, 175.0, 201.7, 250.0, 287.1, 300.0, 300.01, 333.3, 350.0, 377.0, 400.0, 400.01, std::nan("")}) {
        const SaturationStencils sat(T);
        for (const SaturationLogK& v : records) {
            const std::string where = "T " + std::to_string(T);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(sat.eight_point(v)),
                      std::bit_cast<std::uint64_t>(eight_point_interpolate(T, v)))
                << where;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(sat.saturation(v)),
                      std::bit_cast<std::uint64_t>(saturation_interpolate(T, v)))
                << where;
            const auto per_record = [&](std::string_view kind) {
                return kind == "All " ? saturation_interpolate(T, v)
                       : kind == "L-V " ? eight_point_interpolate(T, v)
                                        : NO_DATA;
            };
            for (const char* kind : {"All ", "L-V ", "SU33"})
                EXPECT_EQ(std::bit_cast<std::uint64_t>(sat.evaluate(Kind4(kind), v, 0)),
                          std::bit_cast<std::uint64_t>(per_record(kind)))
                    << where << " " << kind;
        }
    }
}

TEST(GridEvaluate, RecordKindAndRegime) {
    const auto all = biquad_grid();
    std::array<double, 8> y{};
    for (int i = 0; i < 8; ++i) y[u(i)] = quad(TE[u(i)]);
    const auto lv = std::make_unique<RawLogK>(eight(y));

    GridPosition pos;
    locate_grid(700, 430, pos);
    expect_close(evaluate_record(Kind4("All "), *all, 700, 430, pos, 1), biquad(700, 430), "grid");
    // On the saturation curve the view of the grid: at 100 C the cell of 1.0133 bar.
    expect_close(evaluate_record(Kind4("All "), *all, 1.0133, 100, pos, 0), biquad(1.0133, 100), "sat");
    expect_close(evaluate_record(Kind4("L-V "), *lv, 0, 275, pos, 2), quad(275), "eight");
    EXPECT_EQ(evaluate_record(Kind4("L-V "), *lv, 700, 430, pos, 1), NO_DATA);
}

TEST(GridEvaluate, HeaderQuantitiesAndDerivedValues) {
    auto sys = std::make_unique<ChemicalSystem>();
    const std::array<double, 6> c{0, 0.5, 0.33, 2.5, 4.0, 100.0};
    for (int k = 1; k <= 5; ++k) sys->header_raw[k].fill(c[u(k)]);
    RunParams rp;
    rp.PFLUID = 500;
    rp.TEMP = 300;
    for (int conflg : {1, 0}) {
        rp.CONFLG = conflg;
        Conditions cond;
        relocate_grid(cond.grid, rp.PFLUID, rp.TEMP);
        evaluate_header_quantities(*sys, rp, cond);
        for (int k = 1; k <= 5; ++k) EXPECT_NEAR(cond.header[k], c[u(k)], 1e-12) << k;
        EXPECT_NEAR(cond.header3_derived, 2.5 * 0.001 / (4.575673886150001 * 300 + 1249.8453220018725), 1e-15);
        EXPECT_NEAR(cond.header4_derived, 0.04, 1e-15);
    }
}

// ---- Start-of-run range check: messages, questions and stops.

const std::string WARN =
    "\n  WARNING: P, TEMP or TEMPC are in a grid block at the limit of the P-T range of data.\n"
    "  Log K and other data will be extrapolated. Output values may be discontinuous.\n\n\n";
const std::string ASK = "  Continue? (Yes/No, enter = YES)\n\n";
const std::string ERR = "\n  ERROR: P, TEMP or TEMPC are outside the P-T range of the data.\n  Exiting.....\n\n";
const std::string LV =
    "\n  WARNING: User specified L-V saturation and T < 25 C or T > 350 C.\n"
    "  Log K and other data will be extrapolated.\n\n\n";
const std::string LVASK = "     Continue? (Yes/No, enter = YES)\n\n";

std::string tp(const char* t, const char* p) { return std::string("\n  T is ") + t + " C and P is " + p + " bar\n"; }

std::string without(std::string s, const std::string& part) {
    for (auto at = s.find(part); at != std::string::npos; at = s.find(part)) s.erase(at, part.size());
    return s;
}

TEST(GridRangeCheck, WarningsQuestionsAndStops) {
    struct Case {
        const char* name;
        int conflg;
        double P, T, TEMPC, mix_water;
        const char* input;
        char answered;     // grid_answer before the check
        char stale_tstat;  // temperature status left from before
        int status;        // -1: the run goes on
        std::string console;
        char answer;  // grid_answer after
    };
    const std::string TP200 = tp("200.00", "  10.00");
    const std::vector<Case> cases = {
        {"in range", 1, 500, 300, 0, 0, "", ' ', ' ', -1, "", ' '},
        {"stale E cleared", 1, 500, 300, 0, 0, "", ' ', 'E', -1, "", ' '},
        {"edge, enter", 1, 10, 200, 0, 0, "\n", ' ', ' ', -1, TP200 + WARN + ASK, 'Y'},
        {"edge, no input", 1, 5500, 300, 0, 0, "", ' ', ' ', -1, tp("300.00", "5500.00") + WARN + ASK, 'Y'},
        {"edge, n", 1, 10, 200, 0, 0, "n\n", ' ', ' ', 1, TP200 + WARN + ASK, ' '},
        {"edge, No", 1, 10, 200, 0, 0, "No\n", ' ', ' ', 1, TP200 + WARN + ASK, ' '},
        {"edge, answered", 1, 10, 200, 0, 0, "n\n", 'Y', ' ', -1, TP200 + WARN, 'Y'},
        {"outside", 1, 5, 200, 0, 0, "", ' ', ' ', 1, tp("200.00", "   5.00") + ERR, ' '},
        {"P 6000", 1, 6000, 300, 0, 0, "", ' ', ' ', 1, tp("300.00", "6000.00") + ERR, ' '},
        {"edge and outside", 1, 500, 605, 0, 0, "\n", ' ', ' ', 1, tp("605.00", " 500.00") + ERR, ' '},
        {"mixing edge", 1, 10, 50, 180, 2, "\n", ' ', ' ', -1, WARN + ASK, 'Y'},
        {"mixing outside", 1, 10, 50, 210, 2, "\n", ' ', ' ', 1, tp("210.00", "  10.00") + ERR, ' '},
        {"mixing without water", 1, 10, 50, 210, 0, "", ' ', ' ', -1, "", ' '},
        {"run edge, mixing fine", 1, 10, 180, 40, 2, "\n", ' ', ' ', -1, tp("180.00", "  10.00") + WARN + ASK, 'Y'},
        {"both edge, asked once", 1, 10, 180, 190, 2, "\nn\n", ' ', ' ', -1,
         tp("180.00", "  10.00") + WARN + ASK + WARN, 'Y'},
        {"L-V in range", 0, 0, 25, 0, 0, "", ' ', ' ', -1, "", ' '},
        {"L-V 350", 2, 0, 350, 0, 0, "", ' ', ' ', -1, "", ' '},
        {"L-V cold, enter", 0, 0, 20, 0, 0, "\n", ' ', ' ', -1, LV + LVASK, 'Y'},
        {"L-V hot, N", 0, 0, 350.01, 0, 0, "N\n", ' ', ' ', 1, LV + LVASK, ' '},
        {"L-V hot with extended T", 0, 5000, 500, 0, 0, "y\n", ' ', ' ', -1, LV + LVASK, 'Y'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::istringstream in{std::string(c.input)};
        std::ostringstream out;
        Io io(dir.path(), in, out);
        auto sys = std::make_unique<ChemicalSystem>();
        RunParams rp;
        Conditions cond;
        rp.CONFLG = c.conflg;
        rp.PFLUID = c.P;
        rp.TEMP = c.T;
        rp.TEMPC = c.TEMPC;
        sys->comp[2].mix_total = c.mix_water;
        char answer = c.answered;
        cond.grid.tstat = c.stale_tstat;
        int status = -1;
        try {
            check_run_range(*sys, rp, cond, answer, io);
        } catch (const RunStop& stop) {
            status = stop.status();
        }
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(out.str(), c.console);
        io.listing().flush();
        EXPECT_EQ(dir.read("ZARNOUT.DAT"), without(without(c.console, LVASK), ASK));
        EXPECT_EQ(answer, c.answer);
    }
}

// The range check stores the positions that the evaluations then use.
TEST(GridRangeCheck, StoresRunAndMixingPositions) {
    test::TempDir dir;
    std::istringstream in{"\n"};
    std::ostringstream out;
    Io io(dir.path(), in, out);
    auto sys = std::make_unique<ChemicalSystem>();
    RunParams rp;
    rp.CONFLG = 1;
    rp.PFLUID = 10;
    rp.TEMP = 50;
    rp.TEMPC = 180;
    sys->comp[2].mix_total = 1.0;
    Conditions cond;
    char answer = ' ';
    check_run_range(*sys, rp, cond, answer, io);
    EXPECT_EQ(cond.grid.row, 5);
    EXPECT_EQ(cond.grid.col, 3);
    EXPECT_EQ(cond.grid.tstat, ' ');
    EXPECT_EQ(cond.grid_mix.row, 6);
    EXPECT_EQ(cond.grid_mix.col, 9);
    EXPECT_EQ(cond.grid_mix.tstat, 'W');
}

}  // namespace
}  // namespace zq
