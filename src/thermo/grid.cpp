#include "thermo/grid.h"

#include <algorithm>
#include <limits>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "thermo/system_tables.h"

namespace zq {

const std::array<double, GRID_COLS + 1> GRID_T{0.0,  // unused
                                               0.01, 25,  50,  75,  100, 125, 150, 175, 200, 225, 250, 275,
                                               300,  325, 350, 400, 410, 420, 430, 440, 450, 460, 470, 480,
                                               490,  500, 510, 520, 530, 540, 550, 560, 570, 580, 590, 600};

const std::array<double, GRID_ROWS + 1> GRID_P{
    0.0,  // unused
    1,   1.0133, 2.321, 4.758, 8.919, 15.537, 25.479, 39.737, 59.432, 85.839, 120.458, 165.212, 200,
    250, 300,    350,   400,   450,   500,    550,    600,    650,    700,    750,     800,     850,
    900, 950,    1000,  1500,  2000,  2500,   3000,   3500,   4000,   4500,   5000};

namespace {

// The two kinds of log K record a run on the saturation curve evaluates.
constexpr Kind4 ALL("All "), LV("L-V ");

constexpr double NEG_INF = -std::numeric_limits<double>::infinity();
constexpr int LAST_ROW = GRID_ROWS - 2;  // highest r: the block is rows r..r+2
constexpr double P_MIN = 1.0, P_MAX = 5000.0, P_FAIL = 6000.0;

// A row shift of a temperature band: `add` rows when lo <= p < hi.
struct Shift {
    double lo = 0, hi = 0;
    int add = 0;
};

// One temperature band above 50 C, open below and closed above at `t_hi`.
struct Band {
    double t_hi;
    int q;
    std::array<Shift, 3> shifts;  // add = 0 marks an unused entry
    double err_below;             // temperature status 'E' when p < err_below
};

// Up to 350 C the shift lifts the block off rows below the saturation pressure at the
// band's upper temperature; the error test catches pressures below the saturation pressure
// at its lower temperature (steam, where the tables hold no liquid data).
constexpr std::array<Band, 32> BANDS{{
    {75, 4, {}, NEG_INF},
    {100, 5, {{{NEG_INF, 1.0133, 1}}}, NEG_INF},
    {125, 6, {{{NEG_INF, 2.321, 1}}}, 1.013},
    {150, 7, {{{NEG_INF, 4.758, 1}}}, 2.321},
    {175, 8, {{{NEG_INF, 8.919, 1}}}, 4.758},
    {200, 9, {{{NEG_INF, 15.537, 1}}}, 8.919},
    {225, 10, {{{NEG_INF, 25.479, 1}}}, 15.537},
    {250, 11, {{{NEG_INF, 39.737, 1}}}, 25.479},
    {275, 12, {{{NEG_INF, 59.432, 1}}}, 39.737},
    {300, 13, {{{NEG_INF, 85.839, 1}}}, 59.432},
    {325, 14, {{{NEG_INF, 120.458, 1}}}, 85.839},
    {350, 15, {{{NEG_INF, 165.212, 1}}}, 120.458},
    {400, 16, {{{165.212, 200, 3}, {200, 250, 2}, {250, 300, 1}}}, 165.212},
    {410, 17, {{{200, 350, 1}}}, 200},
    {420, 18, {{{350, 400, 1}}}, 350},
    {430, 19, {{{350, 400, 1}}}, 350},
    {440, 20, {{{400, 450, 1}}}, 400},
    {450, 21, {{{450, 500, 1}}}, 450},
    {460, 22, {{{450, 500, 1}}}, 450},
    {470, 23, {{{500, 550, 1}}}, 500},
    {480, 24, {{{550, 600, 1}}}, 550},
    {490, 25, {{{550, 600, 1}}}, 550},
    {500, 26, {{{600, 650, 1}}}, 600},
    {510, 27, {{{600, 650, 1}}}, 600},
    {520, 28, {{{650, 700, 1}}}, 650},
    {530, 29, {{{700, 750, 1}}}, 700},
    {540, 30, {{{700, 750, 1}}}, 700},
    {550, 31, {{{750, 800, 1}}}, 700},
    {560, 32, {{{800, 850, 1}}}, 800},
    {570, 33, {{{800, 850, 1}}}, 800},
    {580, 34, {{{850, 900, 1}}}, 850},
    {590, 35, {{{900, 950, 1}}}, 900},
}};
// 590-600 and 600-610 use the last column; the latter also marks the pressure status.
constexpr Band BAND_600{600, 36, {{{900, 950, 1}}}, 900};
constexpr Band BAND_610{610, 36, {{{900, 950, 1}}}, 800};

// Lagrange weight of node i of three nodes at x.
double weight3(double x, const std::array<double, 3>& nodes, int i) {
    double w = 1.0;
    for (int k = 0; k < 3; ++k) {
        if (k == i) continue;
        const auto ik = static_cast<std::size_t>(i), kk = static_cast<std::size_t>(k);
        w *= (x - nodes[kk]) / (nodes[ik] - nodes[kk]);
    }
    return w;
}

// The three Lagrange weights of the nodes at x.
std::array<double, 3> weights3(double x, const std::array<double, 3>& nodes) {
    return {weight3(x, nodes, 0), weight3(x, nodes, 1), weight3(x, nodes, 2)};
}

// Three-point Lagrange polynomial with weights w through y. A no-data value with a
// non-zero weight makes the result NO_DATA: mixed into the sum it would turn into an
// ordinary-looking number (half of 99999.999, or a large negative one) and pass for data.
double sum3(const std::array<double, 3>& w, const std::array<double, 3>& y) {
    double sum = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (w[i] == 0.0) continue;
        if (is_no_data(y[i])) return NO_DATA;
        sum += w[i] * y[i];
    }
    return sum;
}

double lagrange3(double x, const std::array<double, 3>& nodes, const std::array<double, 3>& y) {
    return sum3(weights3(x, nodes), y);
}

// Saturation view: the first of the three points (1-based) for t in range: 0.01-25-50 up to
// 50 C; then the point below the interval holding t and its two neighbours above;
// 300-325-350 above 325 C.
int saturation_first(double t) {
    if (!(t > 50.0)) return 1;
    int i = 3;
    while (i < 14 && t > GRID_T[static_cast<std::size_t>(i + 1)]) ++i;
    return i - 1;
}

std::array<double, 3> saturation_weights(double t, int first) {
    const auto f = static_cast<std::size_t>(first);
    return weights3(t, {GRID_T[f], GRID_T[f + 1], GRID_T[f + 2]});
}

bool saturation_in_range(double t) { return t >= DATA_T_MIN && t <= SATURATION_T_LIMIT; }

double saturation_sum(const std::array<double, 3>& w, int first, const SaturationLogK& v) {
    const auto f = static_cast<std::size_t>(first - 1);
    return sum3(w, {v[f], v[f + 1], v[f + 2]});
}

// Temperatures of the eight values of an "L-V " record, 1-based.
constexpr std::array<double, 9> EIGHT_T{0, 25, 50, 100, 150, 200, 250, 300, 350};

// Band of t among the eight temperatures: t <= 25 -> 0, 25-50 -> 1, 50-100 -> 2, ...,
// above 300 -> 7.
int eight_point_band(double t) {
    for (int k = 1; k <= 7; ++k)
        if (t <= EIGHT_T[static_cast<std::size_t>(k)]) return k - 1;
    return 7;
}

std::array<double, 3> eight_point_weights(double t, int first) {
    const auto f = static_cast<std::size_t>(first);
    return weights3(t, {EIGHT_T[f], EIGHT_T[f + 1], EIGHT_T[f + 2]});
}

// Eight-point interpolation of v at t (in band `band`); weights(first) gives the weights of
// the three points from `first` (1..6) on.
template <class Weights>
double eight_point(double t, int band, const SaturationLogK& v, const Weights& weights) {
    auto y = [&v](int i) { return v[static_cast<std::size_t>(i - 1)]; };

    int n = 8;
    for (int i = 2; i <= 8; ++i) {
        if (is_no_data(y(i))) {
            n = i - 1;
            break;
        }
    }
    if (n == 1) return (t >= 10.0 && t <= 35.0) ? y(1) : NO_DATA;
    if (n == 2) {
        if (!(t >= 0.01 && t <= 75.0)) return NO_DATA;
        if (is_no_data(y(1)) && t != 50.0) return NO_DATA;
        return y(1) + (0.04 * t - 1.0) * (y(2) - y(1));
    }
    if (!(t <= EIGHT_T[static_cast<std::size_t>(n)] + 50.0) || t > SATURATION_T_LIMIT) return NO_DATA;

    int first = 1;  // band < 2: 25, 50, 100 C
    if (band >= n)
        first = n - 2;
    else if (band >= 2)
        first = band - 1;
    return sum3(weights(first), {y(first), y(first + 1), y(first + 2)});
}

// Value k (1..15) of the saturation view: 1 bar up to 75 C, then the saturation pressure.
double saturation_cell(const RawLogK& v, int k) { return grid_cell(v, k <= 4 ? 1 : k - 3, k); }

void apply_band(const Band& b, double p, int& r, GridPosition& pos) {
    pos.col = b.q;
    for (const Shift& s : b.shifts) {
        if (s.add == 0) break;
        if (p >= s.lo && p < s.hi) {
            r += s.add;
            pos.tstat = 'W';
            break;
        }
    }
    if (p < b.err_below) pos.tstat = 'E';
}

}  // namespace

void locate_grid(double p, double t, GridPosition& pos) {
    pos.pstat = 'N';

    // Pressure row.
    int r = LAST_ROW;
    if (!(p > 0.0)) {
        r = 1;
        pos.pstat = 'E';
    } else if (p < P_MIN) {
        r = 1;
        pos.pstat = 'W';
    } else if (p < GRID_P[LAST_ROW]) {
        r = 1;
        for (int k = LAST_ROW - 1; k >= 1; --k) {
            if (GRID_P[static_cast<std::size_t>(k)] <= p) {
                r = k;
                break;
            }
        }
    } else if (p <= P_MAX) {
        // r = 35
    } else if (p < P_FAIL) {
        pos.pstat = 'W';
    } else {
        pos.pstat = 'E';
    }

    // Temperature column and the row shift.
    if (!(t >= DATA_T_MIN)) {
        pos.col = 3;
        r = std::min(r, LAST_ROW - 1);
        pos.pstat = 'E';
    } else if (t <= 50.0) {
        pos.col = 3;
        r = std::min(r, LAST_ROW - 1);
    } else if (t <= 590.0) {
        const Band* b = std::find_if(BANDS.begin(), BANDS.end(), [t](const Band& band) { return t <= band.t_hi; });
        apply_band(*b, p, r, pos);
    } else if (t <= 600.0) {
        apply_band(BAND_600, p, r, pos);
    } else if (t <= GRID_T_LIMIT) {
        apply_band(BAND_610, p, r, pos);
        if (p >= P_MIN && p <= P_MAX) pos.pstat = 'W';
    } else {
        pos.col = GRID_COLS;
        pos.pstat = 'E';
    }
    pos.row = r;
}

void relocate_grid(GridPosition& pos, double p, double t) {
    pos.tstat = ' ';
    locate_grid(p, t, pos);
}

void report_grid_status(const GridPosition& pos, double p, double t, char& answer, Io& io, bool tp_line) {
    const bool error = pos.pstat == 'E' || pos.tstat == 'E';
    const bool warning = pos.pstat == 'W' || pos.tstat == 'W';
    if (!error && !warning) return;
    const std::string tp = layout(R"(/ [2X] "T is " [F6.2] " C and P is " [F7.2] " bar")", {t, p});

    // An error stops the run whatever the answer would be, so it is not preceded by the
    // warning and its question.
    if (error) {
        io.both(tp);
        io.both(layout(R"(/ [2X] "ERROR: P, TEMP or TEMPC are outside the P-T " "range of the data.")"
                       R"( / [2X] "Exiting....." /)"));
        stop_run(1);
    }
    if (tp_line) io.both(tp);
    io.both(layout(R"(/ [2X] "WARNING: P, TEMP or TEMPC are in a grid block " )"
                   R"("at the limit of the P-T range of data." / [2X] )"
                   R"("Log K and other data will be extrapolated. " )"
                   R"("Output values may be discontinuous." / /)"));
    if (answer == 'Y') return;
    if (!io.ask_yes(layout(R"L([2X] "Continue? (Yes/No, enter = YES)" /)L"))) stop_run(1);
    answer = 'Y';
}

void check_saturation_range(double t, char& answer, Io& io) {
    if (t >= 25.0 && t <= 350.0) return;
    io.both(layout(R"(/ [2X] "WARNING: User specified L-V saturation" " and T < 25 C or T > 350 C.")"
                   R"( / [2X] "Log K and other data will be extrapolated." / /)"));
    if (answer == 'Y') return;
    if (!io.ask_yes(layout(R"L([5X] "Continue? (Yes/No, enter = YES)" /)L"))) stop_run(1);
    answer = 'Y';
}

double grid_interpolate(double p, double t, const GridPosition& pos, const RawLogK& v, std::array<double, 3>* w) {
    const int r = pos.row, q = pos.col;
    if (r < 1 || r > LAST_ROW || q < 3 || q > GRID_COLS) {
        if (w) w->fill(NO_DATA);
        return NO_DATA;
    }
    const std::array<double, 3> pn{GRID_P[static_cast<std::size_t>(r)], GRID_P[static_cast<std::size_t>(r + 1)],
                                   GRID_P[static_cast<std::size_t>(r + 2)]};
    const std::array<double, 3> tn{GRID_T[static_cast<std::size_t>(q - 2)], GRID_T[static_cast<std::size_t>(q - 1)],
                                   GRID_T[static_cast<std::size_t>(q)]};
    std::array<double, 3> cols{};
    for (int j = 0; j < 3; ++j) {
        const int c = q - 2 + j;
        cols[static_cast<std::size_t>(j)] =
            lagrange3(p, pn, {grid_cell(v, r, c), grid_cell(v, r + 1, c), grid_cell(v, r + 2, c)});
    }
    if (w) *w = cols;
    return lagrange3(t, tn, cols);
}

SaturationLogK saturation_values(const Kind4& kind, const RawLogK& v) {
    SaturationLogK s{};
    if (kind == ALL) {
        for (int k = 1; k <= 15; ++k) s[static_cast<std::size_t>(k - 1)] = saturation_cell(v, k);
    } else {
        std::copy(v.begin(), v.begin() + 8, s.begin());
    }
    return s;
}

double saturation_interpolate(double t, const RawLogK& v) {
    return saturation_interpolate(t, saturation_values(ALL, v));
}

double saturation_interpolate(double t, const SaturationLogK& v) {
    if (!saturation_in_range(t)) return NO_DATA;
    const int first = saturation_first(t);
    return saturation_sum(saturation_weights(t, first), first, v);
}

double eight_point_interpolate(double t, const RawLogK& v) {
    return eight_point_interpolate(t, saturation_values(LV, v));
}

double eight_point_interpolate(double t, const SaturationLogK& v) {
    return eight_point(t, eight_point_band(t), v, [t](int first) { return eight_point_weights(t, first); });
}

SaturationStencils::SaturationStencils(double t)
    : t_(t), in_range_(saturation_in_range(t)), first_(saturation_first(t)), band_(eight_point_band(t)) {
    if (in_range_) saturation_w_ = saturation_weights(t, first_);
    for (int f = 1; f <= 6; ++f) eight_w_[static_cast<std::size_t>(f)] = eight_point_weights(t, f);
}

double SaturationStencils::saturation(const SaturationLogK& v) const {
    return in_range_ ? saturation_sum(saturation_w_, first_, v) : NO_DATA;
}

double SaturationStencils::eight_point(const SaturationLogK& v) const {
    return zq::eight_point(
        t_, band_, v, [this](int first) -> const auto& { return eight_w_[static_cast<std::size_t>(first)]; });
}

double SaturationStencils::evaluate(const Kind4& kind, const SaturationLogK& v, int conflg) const {
    if (conflg == 1) return NO_DATA;  // no grid kept: not a record of an extended run
    if (kind == ALL) return saturation(v);
    if (kind == LV) return eight_point(v);
    return NO_DATA;
}

double evaluate_record(const Kind4& kind, const RawLogK& v, double p, double t, const GridPosition& pos, int conflg) {
    if (kind == ALL) return conflg == 1 ? grid_interpolate(p, t, pos, v) : saturation_interpolate(t, v);
    // Eight values are no grid: an "L-V " record has nothing to give an extended run.
    if (kind == LV && conflg != 1) return eight_point_interpolate(t, v);
    return NO_DATA;
}

void evaluate_header_quantities(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond) {
    for (int k = 1; k <= 5; ++k)
        cond.header[k] = evaluate_record(ALL, sys.header_raw[k], rp.PFLUID, rp.TEMP, cond.grid, rp.CONFLG);
    cond.header3_derived = cond.header[3] * 0.001 / (4.575673886150001 * rp.TEMP + 1249.8453220018725);
    cond.header4_derived = cond.header[4] * 0.01;
}

void check_run_range(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond, char& answer, Io& io) {
    if (rp.CONFLG != 1) {
        check_saturation_range(rp.TEMP, answer, io);
        return;
    }
    relocate_grid(cond.grid, rp.PFLUID, rp.TEMP);
    report_grid_status(cond.grid, rp.PFLUID, rp.TEMP, answer, io);

    // The mixing solution has its own block, and its own temperature status: the run's
    // status must not be reported a second time as the mixing solution's.
    if (rp.TEMPC != 0.0 && rp.TEMPC != rp.TEMP && sys.comp[2].mix_total > 0.0) {
        cond.grid_mix = GridPosition{};
        locate_grid(rp.PFLUID, rp.TEMPC, cond.grid_mix);
        report_grid_status(cond.grid_mix, rp.PFLUID, rp.TEMPC, answer, io, false);
    }
}

}  // namespace zq
