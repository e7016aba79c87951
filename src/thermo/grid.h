// The temperature-pressure grid of the database, the grid locator and the three
// interpolations by which every log K and header quantity is evaluated at the run's
// temperature and pressure.
#pragma once

#include <array>

#include "base/fixed.h"
#include "base/units.h"
#include "thermo/conditions.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct RunParams;

// The temperatures (C) at which the data give values: from DATA_T_MIN to GRID_T_LIMIT on
// the extended grid (above 600 C extrapolated, with a warning), to SATURATION_T_LIMIT on
// the liquid-vapour saturation curve (above 350 C extrapolated, with a warning).
inline constexpr double DATA_T_MIN = 0.01;
inline constexpr double GRID_T_LIMIT = 610.0;
inline constexpr double SATURATION_T_LIMIT = 400.0;

// Temperatures (C) of the 36 grid columns and pressures (bar) of the 37 grid rows, 1-based.
extern const std::array<double, GRID_COLS + 1> GRID_T;
extern const std::array<double, GRID_ROWS + 1> GRID_P;

// An evaluated log K or header quantity above 99999 (or NaN) means "no data here".
inline bool is_no_data(double v) { return !(v <= 99999.0); }

// Finds the grid block around (p bar, t C): sets pos.row, pos.col and the pressure status;
// the temperature status is only ever set to 'W' or 'E', never cleared.
void locate_grid(double p, double t, GridPosition& pos);

// Locates `pos` again after a change of temperature or pressure. The temperature status is
// cleared first, so a 'W' or 'E' of an earlier condition cannot warn or stop the run at the
// new one.
void relocate_grid(GridPosition& pos, double p, double t);

// Acts on the statuses of `pos`, located at (p, t). 'E' in either: the "T is ... bar" line,
// the error, and the run stops. Otherwise 'W' in either: the "T is ... bar" line (when
// `tp_line`), the extrapolation warning and, unless `answer` is already 'Y', the question;
// "N" stops the run, any other answer sets `answer` to 'Y'.
void report_grid_status(const GridPosition& pos, double p, double t, char& answer, Io& io, bool tp_line = true);

// A run on the L-V saturation curve (CONFLG not 1) at t below 25 C or above 350 C: the
// extrapolation warning and, unless `answer` is already 'Y', the question; the answer is
// kept in `answer` as in report_grid_status.
void check_saturation_range(double t, char& answer, Io& io);

// Quadratic interpolation in pressure, then in temperature, in the block of `pos`.
// `w` (optional) receives the three pressure-interpolated column values w(q-2..q).
// A no-data cell (above 99999) that takes part in the result makes it NO_DATA; a column
// value w(j) built on such a cell is NO_DATA too.
double grid_interpolate(double p, double t, const GridPosition& pos, const RawLogK& v,
                        std::array<double, 3>* w = nullptr);

// The values of a record that a run on the saturation curve reads: the 15-cell saturation
// view of an "All " record, the eight values of an "L-V " record.
SaturationLogK saturation_values(const Kind4& kind, const RawLogK& v);

// Saturation-curve interpolation of an "All " record's 15-cell saturation view.
double saturation_interpolate(double t, const RawLogK& v);
double saturation_interpolate(double t, const SaturationLogK& v);

// Eight-point interpolation of an "L-V " record (values at 25..350 C in v[0..7]).
double eight_point_interpolate(double t, const RawLogK& v);
double eight_point_interpolate(double t, const SaturationLogK& v);

// Evaluates a record at the current conditions: CONFLG 1 uses the grid, otherwise the
// saturation view ("All ") or the eight points ("L-V "). Above 99999 means no data.
double evaluate_record(const Kind4& kind, const RawLogK& v, double p, double t, const GridPosition& pos, int conflg);

// The saturation-curve evaluations of many records at one temperature t. Which three
// points an interpolation takes, and their Lagrange weights, depend on t alone (for an
// "L-V " record also on how many of its eight values are data): they are worked out once
// here instead of once a record. Every value is that of saturation_interpolate and
// eight_point_interpolate at t, to the last bit.
class SaturationStencils {
public:
    explicit SaturationStencils(double t);
    double saturation(const SaturationLogK& v) const;
    double eight_point(const SaturationLogK& v) const;
    // A record kept as its saturation values (a run on the saturation curve): "All " by the
    // saturation view, "L-V " by the eight points, anything else (and CONFLG 1) no data.
    double evaluate(const Kind4& kind, const SaturationLogK& v, int conflg) const;

private:
    double t_;
    bool in_range_;  // t within the saturation view's range
    int first_;      // first point of the saturation view's three
    int band_;       // band of t among the eight temperatures
    std::array<double, 3> saturation_w_{};
    std::array<std::array<double, 3>, 7> eight_w_{};  // weights of the points from 1..6 on
};

// Record i of a table, kept whole or as its saturation values; `sat` was made at t.
template <int N>
double evaluate_record(const Kind4& kind, const RawLogKTable<N>& table, int i, double p, double t,
                       const GridPosition& pos, int conflg, const SaturationStencils& sat) {
    return table.grids() ? evaluate_record(kind, table.grid(i), p, t, pos, conflg)
                         : sat.evaluate(kind, table.saturation(i), conflg);
}

// Evaluates the five activity-model header quantities (grids read as "All " data) at the
// run's PFLUID and TEMP, and the two values derived from quantities 3 and 4.
void evaluate_header_quantities(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond);

// Start-of-run range check of PFLUID, TEMP and TEMPC; warns, asks once per run (the answer
// kept in `answer`), or stops. Locates cond.grid (and cond.grid_mix for a mixing solution at
// another temperature).
void check_run_range(const ChemicalSystem& sys, const RunParams& rp, Conditions& cond, char& answer, Io& io);

}  // namespace zq
