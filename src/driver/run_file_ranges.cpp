#include "driver/run_file_ranges.h"

#include <cmath>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "thermo/grid.h"

namespace zq {

namespace {

// A closed range [low, high]; `open_low` leaves low itself out. `zero` accepts 0 apart
// from the range: the value is not given (a default, or "none").
struct Range {
    const char* name;  // nullptr: any finite value
    double low, high;
    bool open_low;
    bool zero;
    const char* expected;
};

// The widest values of the pickup's fixed-point columns: F9.4 and F10.4.
constexpr double F94_MAX = 9999.9999;
constexpr double F104_MIN = -9999.9999;
constexpr double F104_MAX = 99999.9999;
constexpr double ANY = 1e308;

// The reals, in file order; TEMP and TEMPC get their bounds from the data's range.
const std::array<Range, RUN_REALS> REALS{{
    {"ERPC", 0, 0.1, true, false, "a relative tolerance above 0 and at most 0.1 (0 takes 1e-12)"},
    {"pH", -2, 16, false, true, "0 (pH not fixed) or a pH from -2 to 16"},
    {"PFLUID", 0, MAX_PFLUID, true, false, "a pressure above 0 and below 10000 bar (0 takes 500 bar)"},
    {"TEMP", 0, 0, false, false, ""},
    {"TEMPC", 0, 0, false, true, ""},
    {"VBOX-1", 0, ANY, false, false, "a volume of 0 cm3 or more"},
    {"RHOFRS", 0, ANY, false, false, "a density of 0 g/cm3 or more"},
    {"RHOROC", 0, ANY, false, false, "a density of 0 g/cm3 or more"},
    {nullptr, 0, 0, false, false, ""},  // SINC
    {nullptr, 0, 0, false, false, ""},  // SLIM
    {nullptr, 0, 0, false, false, ""},  // TOTMIX
    {"ENTH", F104_MIN, F104_MAX, false, false, "an enthalpy from -9999.9999 to 99999.9999 kcal"},
    {"SENTH", F104_MIN, F104_MAX, false, false, "an enthalpy from -9999.9999 to 99999.9999 kcal"},
    {"DENTH", F104_MIN, F104_MAX, false, false, "kcal per degree from -9999.9999 to 99999.9999"},
    {"TOTWAT", 0, 100, true, true, "a per cent above 0 and at most 100 (0 takes 90)"},
    {nullptr, 0, 0, false, false, ""},  // SOLMIN
    {"RM", 0, F94_MAX, false, false, "a damping factor of 0 or more, below 10000"},
    {"AQGRM", 0, MAX_AQGRM, false, false, "0 (the mass of the first solution) or grams below 10000"},
    {"SUPRNT", 0, ANY, true, false, "a molality above 0 (0 takes 1e-10)"},
}};

struct Switch {
    const char* name;  // nullptr: checked with the component block
    int low, high;
};

const std::array<Switch, RUN_OPTIONS> SWITCHES{{
    {"CONFLG", 0, 1},
    {nullptr, 0, 0},
    {"IFRAC", 0, 5},
    {"IPUNCH", 0, 2},
    {"NLOOP", 0, 99999},
    {"ISTEP", 0, 2},
    {"LIMSOL", 0, 2},
    {"LOOC", 0, 1},
    {"IENTH", 0, 1},
    {"ITREF", 0, 2},
    {"IDEAL", 0, 99999},
    {"IPSAT", 0, 1},
    {"INCREM", 0, 1},
    {"INCP", 0, 2},
    {"MINSOL", 0, 4},
    {"NEUT", 0, 3},
    {"AWAT", 0, 1},
    {"CHGF", 0, 1},
}};

bool within(const Range& r, double v) {
    if (r.zero && v == 0) return true;
    return (r.open_low ? v > r.low : v >= r.low) && v <= r.high;
}

std::string temperature_range(const RunParams& rp) {
    const double high = rp.CONFLG == 1 ? GRID_T_LIMIT : SATURATION_T_LIMIT;
    return std::string("a temperature from ") + shortest(DATA_T_MIN) + " to " + shortest(high) + " C, where the data " +
           (rp.CONFLG == 1 ? "of the extended grid" : "of the saturation curve (CONFLG not 1)") + " reach";
}

}  // namespace

std::string range_message(const std::string& field, double value, int line, const std::string& expected) {
    return layout(R"(/ [2X] A " = " A " in line " A " of ZARNRUN.DAT is out of range;" / [2X] "expected: " A ".")",
                  {field, shortest(value), std::to_string(line), expected});
}

std::string parameter_fault(const RunParams& rp, const ValueLines& lines) {
    const std::array<double, RUN_REALS> reals{rp.ERPC,   rp.pH,     rp.PFLUID, rp.TEMP,   rp.TEMPC, rp.VBOX1, rp.RHOFRS,
                                              rp.RHOROC, rp.SINC,   rp.SLIM,   rp.TOTMIX, rp.ENTH,  rp.SENTH, rp.DENTH,
                                              rp.TOTWAT, rp.SOLMIN, rp.RM,     rp.AQGRM,  rp.SUPRNT};
    for (int i = 0; i < RUN_REALS; ++i) {
        Range r = REALS[static_cast<std::size_t>(i)];
        if (r.name == nullptr) continue;
        std::string expected = r.expected;
        if (i == 3 || i == 4) {  // TEMP, TEMPC
            r.low = DATA_T_MIN;
            r.high = rp.CONFLG == 1 ? GRID_T_LIMIT : SATURATION_T_LIMIT;
            expected = (i == 4 ? "0 (no mixing) or " : "") + temperature_range(rp);
        }
        const double v = reals[static_cast<std::size_t>(i)];
        if (!within(r, v)) return range_message(r.name, v, lines[static_cast<std::size_t>(i)], expected);
    }
    const std::array<int, RUN_OPTIONS> options{rp.CONFLG, rp.C,    rp.IFRAC,  rp.IPUNCH, rp.NLOOP, rp.ISTEP,
                                               rp.LIMSOL, rp.LOOC, rp.IENTH,  rp.ITREF,  rp.IDEAL, rp.IPSAT,
                                               rp.INCREM, rp.INCP, rp.MINSOL, rp.NEUT,   rp.AWAT,  rp.CHGF};
    for (int i = 0; i < RUN_OPTIONS; ++i) {
        const Switch& s = SWITCHES[static_cast<std::size_t>(i)];
        const int v = options[static_cast<std::size_t>(i)];
        if (s.name == nullptr || (v >= s.low && v <= s.high)) continue;
        return range_message(s.name, v, lines[static_cast<std::size_t>(RUN_REALS + i)],
                             "a whole number from " + std::to_string(s.low) + " to " + std::to_string(s.high));
    }
    return {};
}

}  // namespace zq
