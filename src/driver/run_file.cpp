// Reader of the run file ZARNRUN.DAT.
//
// The file is read strictly in sequence: titles, the three parameter lines and the option
// line in free form, the component block in fixed columns, then the saturated-mineral,
// reactant, suppressed-mineral, don't-fractionate and T-P curve blocks. Every way a file can
// be wrong ends in a message and a stop: the program's own messages where it has them, and
// for the rest (a file that ends early, an unreadable amount, a negative component number,
// an overfull list, a curve that does not rise, a C matching no component) a message naming
// the line of ZARNRUN.DAT at fault.
#include "driver/run_file.h"

#include <array>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_params.h"
#include "driver/run_file_ranges.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "solver/equilibrium_state.h"
#include "thermo/skip_report.h"
#include "thermo/system_tables.h"
#include "thermo/tp_curve.h"

namespace zq {

namespace {

constexpr int TITLE_WIDTH = 120;
constexpr int ECHO_WIDTH = 96;   // characters of a bad line shown after "---> "
constexpr int CURVE_WIDTH = 80;  // a curve line is read as 80 characters
// The water question quotes the moles of the kilograms given with 55.51, stored in single
// precision (55.5099983215332), as the question always has; the tables convert with
// WATER_MOLES_PER_KG.
constexpr double WATER_QUESTION_FACTOR = 55.5099983215332;

// Columns first..first+width-1 (1-based) of a line; columns past its end read as blanks.
std::string columns(std::string_view line, int first, int width) {
    std::string out(static_cast<std::size_t>(width), ' ');
    const auto start = static_cast<std::size_t>(first - 1);
    for (std::size_t i = 0; i < out.size() && start + i < line.size(); ++i) out[i] = line[start + i];
    return out;
}

bool all_blank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

std::string num(long long v) { return std::to_string(v); }

// A temperature for a message: three decimals, no padding.
std::string temperature(double t) {
    std::string s = layout("[F14.3]", {t});
    s.erase(0, s.find_first_not_of(' '));
    return s;
}

class RunFileReader {
public:
    RunFileReader(TextSource& src, ChemicalSystem& sys, EquilibriumState& eq, RunParams& rp, Io& io)
        : src_(src), sys_(sys), eq_(eq), rp_(rp), io_(io) {}

    void read() {
        reset_tables();
        read_parameters();
        read_options();
        write_skip_header(io_);
        write_run_mode();
        adjust_switches();
        read_components();
        derive_from_components();
        read_saturated_minerals();
        read_reactants();
        read_suppressed();
        read_dont_fractionate();
        read_curve();
        if (const auto p = pressure_on_curve(sys_, rp_.TEMP)) rp_.PFLUID = *p;
    }

private:
    TextSource& src_;
    ChemicalSystem& sys_;
    EquilibriumState& eq_;
    RunParams& rp_;
    Io& io_;
    int c_line_ = 0;                                  // line of the option C
    bool c_found_ = false;                            // a component row matched the C of the file
    int block_first_ = 0;                             // first line of the component block
    ValueLines lines_{};                              // the line of every real and option switch
    std::array<int, MAX_COMPONENTS + 1> row_line_{};  // the line of every component row

    // ---- lines and messages ----

    // A fatal message of the reader: listing, then console, then the stop.
    [[noreturn]] void fail(const std::string& text) {
        io_.both(text);
        stop_run(1);
    }

    // The next line, which must exist; `what` names what it should hold.
    std::string_view need_line(std::string_view what) {
        auto line = src_.next();
        if (!line) {
            fail(layout(R"(/ [2X] "ZARNRUN.DAT ends early: line " [A] " should hold " [A] ".")",
                        {num(src_.line_number() + 1), std::string(what)}));
        }
        return *line;
    }

    void skip(int n, std::string_view what) {
        for (int i = 0; i < n; ++i) need_line(what);
    }

    // The read error of a free-form line or a component row: the line is shown and the
    // program waits for Enter before it stops.
    [[noreturn]] void read_error(std::string_view line) {
        src_.back();
        io_.console(layout(R"(/ "     Error reading ZARNRUN in the following line," " or the non-blank line above it.")"
                           R"( / "        Check if all parameters are present." / / "---> " [A96] /)",
                           {columns(line, 1, ECHO_WIDTH)}));
        io_.ask_line();
        stop_run(1);
    }

    // An unreadable number in a fixed-column row that has no read-error message of its own.
    [[noreturn]] void unreadable(std::string_view line, const std::string& what) {
        fail(layout(R"(/ [2X] "Unreadable number in line " [A] " of ZARNRUN.DAT: " [A] "." / [2X] "---> " [A96])",
                    {num(src_.line_number()), what, columns(line, 1, ECHO_WIDTH)}));
    }

    // Reads `want` free-form numbers, going on to the next line while a line holds too few;
    // a "/" ends the values early and the rest stay 0. The line of value i goes to
    // lines_[first_line + i] (values not given take the line where reading ended).
    std::vector<double> free_form(int want, bool integers, std::string_view what, int first_line) {
        std::vector<double> out;
        out.reserve(static_cast<std::size_t>(want));
        while (static_cast<int>(out.size()) < want) {
            const std::string_view line = need_line(what);
            const std::size_t before = out.size();
            bool good = read_free_line(line, want - static_cast<int>(before), integers, out) &&
                        static_cast<int>(out.size()) <= want;
            for (std::size_t i = before; good && i < out.size(); ++i) {
                const double v = out[i];
                if (!std::isfinite(v)) good = false;
                if (integers && (v > INT_MAX || v < INT_MIN)) good = false;
            }
            if (!good) read_error(line);
            for (std::size_t i = before; i < static_cast<std::size_t>(want); ++i)
                lines_[static_cast<std::size_t>(first_line) + i] = src_.line_number();
            if (line.find('/') != std::string_view::npos) break;
        }
        out.resize(static_cast<std::size_t>(want), 0.0);
        return out;
    }

    // A real of a fixed-column row; nullopt when unreadable or not finite.
    static std::optional<double> real_at(std::string_view line, int first, int width, int d) {
        auto v = read_real_field(columns(line, first, width), d);
        if (!v || !std::isfinite(*v)) return std::nullopt;
        return v;
    }

    // ---- the record sequence ----

    void reset_tables() {
        sys_.nc = 0;
        for (int i = 1; i <= MAX_DB_COMPONENTS; ++i) sys_.cmap[i] = 0;
        sys_.nsat = sys_.nreact = sys_.nsupp = sys_.ndontfrac = sys_.ncurve = 0;
    }

    void read_parameters() {
        rp_.title1 = columns(need_line("the first title"), 1, TITLE_WIDTH);
        rp_.title2 = columns(need_line("the second title"), 1, TITLE_WIDTH);

        skip(2, "the caption lines above ERPC ... RHOROC");
        auto a = free_form(8, false, "the values ERPC, pH, PFLUID, TEMP, TEMPC, VBOX-1, RHOFRS, RHOROC", 0);
        rp_.ERPC = a[0];
        rp_.pH = a[1];
        rp_.PFLUID = a[2];
        rp_.TEMP = a[3];
        rp_.TEMPC = a[4];
        rp_.VBOX1 = a[5];
        rp_.RHOFRS = a[6];
        rp_.RHOROC = a[7];

        skip(2, "the caption lines above SINC, SLIM, TOTMIX");
        auto b = free_form(3, false, "the values SINC, SLIM, TOTMIX", 8);
        rp_.SINC = b[0];
        rp_.SLIM = b[1];
        rp_.TOTMIX = b[2];

        skip(2, "the caption lines above ENTH ... SUPRNT");
        auto c = free_form(8, false, "the values ENTH, SENTH, DENTH, TOTWAT, SOLMIN, RM, AQGRM, SUPRNT", 11);
        rp_.ENTH = c[0];
        rp_.SENTH = c[1];
        rp_.DENTH = c[2];
        rp_.TOTWAT = c[3];
        rp_.SOLMIN = c[4];
        rp_.RM = c[5];
        rp_.AQGRM = c[6];
        rp_.SUPRNT = c[7];

        if (rp_.SUPRNT == 0) rp_.SUPRNT = 1e-10;
        if (rp_.PFLUID == 0) rp_.PFLUID = 500;
        if (rp_.ERPC == 0) rp_.ERPC = 1e-12;
    }

    void read_options() {
        skip(3, "the caption lines above the option switches");
        auto o = free_form(18, true, "the 18 option switches CONFLG ... CHGF", RUN_REALS);
        int* const target[18] = {&rp_.CONFLG, &rp_.C,    &rp_.IFRAC,  &rp_.IPUNCH, &rp_.NLOOP, &rp_.ISTEP,
                                 &rp_.LIMSOL, &rp_.LOOC, &rp_.IENTH,  &rp_.ITREF,  &rp_.IDEAL, &rp_.IPSAT,
                                 &rp_.INCREM, &rp_.INCP, &rp_.MINSOL, &rp_.NEUT,   &rp_.AWAT,  &rp_.CHGF};
        for (std::size_t i = 0; i < 18; ++i) *target[i] = static_cast<int>(o[i]);
        c_line_ = lines_[RUN_REALS + 1];
        // Every value of the four lines is known now: check them before anything is written.
        if (const std::string fault = parameter_fault(rp_, lines_); !fault.empty()) fail(fault);
    }

    void write_run_mode() {
        if (rp_.CONFLG == 1)
            io_.both(layout(R"(/ [2X] "This is an extended P(to 5 kB)," " T(to 600 C) run (CON_FLAG = 1)." /)"));
        else
            io_.both(layout(R"(/ [4X] "This run is at the P & T of L-V saturation " "(con_flag not equal to 1)." /)"));
    }

    void adjust_switches() {
        if (rp_.RHOROC == 0 && rp_.MINSOL == 1 && rp_.IFRAC == 0) {
            rp_.RHOROC = 2.5;
            io_.console(layout(R"("  INPUT ROCK DENSITY ZERO. RESET TO 2.5" / /)"));
        }
        if (rp_.IFRAC == 5) rp_.MINSOL = 0;
        if (rp_.SINC == 0) rp_.SINC = rp_.TEMPC != 0 ? 0.1 : (rp_.MINSOL != 0 ? 0.1 : -5.0);
        if (rp_.TOTWAT == 0) rp_.TOTWAT = 90;
        if (rp_.IFRAC > 0) rp_.INCREM = 0;
        if (rp_.TEMPC != 0) rp_.MINSOL = 0;
        if (rp_.INCP == 1) {
            rp_.IENTH = 0;
        } else if (rp_.INCP > 1) {
            // Enthalpy is the path variable: TOTMIX carried the enthalpy added so far.
            rp_.IENTH = 1;
            rp_.enth_added = rp_.TOTMIX;
            rp_.TOTMIX = 0;
        }
        rp_.C_read = rp_.C;
        rp_.LIMSOL_read = rp_.LIMSOL;
    }

    // The component block: columns 1-5 the database component number, 19-37 total moles
    // (water: kg), 38-56 trial molality, 57-75 gamma, 76-94 mixing-solution total (water: kg).
    void read_components() {
        skip(2, "the blank line and caption above the component block");
        block_first_ = src_.line_number() + 1;
        int rows = 0;
        for (;;) {
            if (rows == MAX_COMPONENTS) {
                check_after_full_block();
                break;
            }
            const std::string_view line =
                need_line("a component row or the blank component number that ends the block");
            const auto number = read_int_field(columns(line, 1, 5));
            if (!number) read_error(line);
            if (*number == 0) break;
            const int row = rows + 1;
            if (*number > MAX_COMPONENTS) {
                fail(layout(R"(/ [2X] "WARNING! SAQ(" [I2] ") = " [I4] ";  Maximum value " "allowed is " [I3] /)",
                            {row, *number, MAX_COMPONENTS}));
            }
            if (*number < 0) {
                fail(layout(R"(/ [2X] "Component number " [A] " in line " [A] " of ZARNRUN.DAT (component row " [A])"
                            R"( ") is negative; component numbers run from 1 to " [A] ".")",
                            {num(*number), num(src_.line_number()), num(row), num(MAX_COMPONENTS)}));
            }
            const auto total = real_at(line, 19, 19, 13);
            const auto molality = real_at(line, 38, 19, 13);
            const auto gamma = real_at(line, 57, 19, 13);
            const auto mix = real_at(line, 76, 19, 13);
            if (!total || !molality || !gamma || !mix) read_error(line);

            const int saq = static_cast<int>(*number);
            check_component_number(row, saq);
            rows = row;
            Component& c = sys_.comp[row];
            c = Component{};
            c.saq = saq;
            c.mix_total = *mix;
            eq_.comp[row] = ComponentAmounts{};
            eq_.comp[row].total = *total;
            eq_.m[row] = *molality > 0 ? *molality : 1e-10;
            eq_.gamma[row] = (*gamma <= 0 || rp_.NEUT == 3) ? 1.0 : *gamma;
            sys_.cmap[saq] = row;
            row_line_[static_cast<std::size_t>(row)] = src_.line_number();
            sys_.nc = rows;
            if (!c_found_ && saq == rp_.C_read) {
                rp_.C = row;
                c_found_ = true;
            }
            if (row == 2 && *total > 10) ask_about_water(*total);
        }
        sys_.nc = rows;
    }

    // Row 1 is H+ and row 2 water, whatever the database calls them; a number given twice
    // would leave one of its rows without a species.
    void check_component_number(int row, int saq) {
        static constexpr std::array<const char*, 3> FIXED{"", "H+", "water"};
        if (row <= 2 && saq != row) {
            fail(layout(R"(/ [2X] "Component row " [A] " (line " [A] " of ZARNRUN.DAT) gives component number " [A])"
                        R"( "; row " [A] " must be " [A] ", number " [A] ".")",
                        {num(row), num(src_.line_number()), num(saq), num(row), FIXED[static_cast<std::size_t>(row)],
                         num(row)}));
        }
        if (const int first = sys_.cmap[saq]; first != 0) {
            fail(layout(R"(/ [2X] "Component number " [A] " is given twice in ZARNRUN.DAT: in line " [A])"
                        R"( " (component row " [A] ") and in line " [A] " (component row " [A] ").")",
                        {num(saq), num(row_line_[static_cast<std::size_t>(first)]), num(first), num(src_.line_number()),
                         num(row)}));
        }
    }

    // After 70 rows one more line is read as a component number; it must be 0 (blank).
    void check_after_full_block() {
        const std::string_view line = need_line("the blank component number that ends a block of 70 components");
        const auto number = read_int_field(columns(line, 1, 5));
        if (!number) {
            unreadable(line, "columns 1-5 should be the blank component number that ends a block of " +
                                 num(MAX_COMPONENTS) + " components");
        }
        if (*number != 0) {
            fail(layout(R"(/ / [2X] "ERROR! The number of components given " "in ZARNRUN exceeds the ")"
                        R"( / [2X] "current array dimension (" [I2] "). " "Check ZARNRUN data file." /)",
                        {MAX_COMPONENTS}));
        }
    }

    void ask_about_water(double kg) {
        io_.console(layout(R"(/ / "    In the Zarnrun file <total moles> column, component(2),")"
                           R"( / "      water, is read as kg., not moles as for the others." /)"
                           R"( / [4X] "You put " [F8.3] " kg., or, " [F9.2] " moles of water." /)"
                           R"( / "    That seems like a LOT." /)",
                           {kg, kg * WATER_QUESTION_FACTOR}));
        if (!io_.ask_yes(layout(R"L("    Continue? (Yes/No, Enter = Yes)" / /)L"))) stop_run(1);
    }

    void derive_from_components() {
        const int rows = sys_.nc;
        if (rows < 2) {
            fail(layout(R"(/ [2X] "The component block of ZARNRUN.DAT (from line " [A] ") holds " [A])"
                        R"( " row(s); at least two are needed, the second being water.")",
                        {num(block_first_), num(rows)}));
        }
        Component& water = sys_.comp[2];
        double& water_total = eq_.comp[2].total;
        if (rp_.IFRAC == 5 && water.mix_total <= 0)
            fail(layout(R"(/ [2X] "No water indicated to put into BOX-1. Abort run.")"));
        if (sys_.cmap[6] != 0 && sys_.cmap[31] != 0) {
            fail(layout(R"(/ [2X] "WARNING! You have specified both " "HS- and O2 Aq. in your run file.")"
                        R"( / [2X] "System is overdetermined -- RUN ABORTED.")"));
        }
        if (!c_found_) {
            fail(layout(R"L(/ [2X] "The charge-balance component C = " [A] " (option line " [A] " of ZARNRUN.DAT)")L"
                        R"( / [2X] "matches no component number of the component block.")",
                        {num(rp_.C_read), num(c_line_)}));
        }
        eq_.water_kg = water_total >= 0 ? water_total : eq_.m[2];
        check_water(water.mix_total);
        water_total *= WATER_MOLES_PER_KG;
        water.mix_total *= WATER_MOLES_PER_KG;
        for (int k = 1; k <= rows; ++k) sys_.comp[k].total_input = eq_.comp[k].total;
    }

    // The kilograms of water (row 2): some water, and, when AQGRM is to be the mass of the
    // first solution, no more than that mass can show in AQGRM's pickup column (F9.4).
    void check_water(double mix_kg) {
        const int line = row_line_[2];
        if (!(eq_.water_kg > 0))
            fail(range_message("kg of water (component row 2)", eq_.water_kg, line, "more than 0 kg"));
        if (rp_.AQGRM == 0 && eq_.water_kg * 1000.0 > MAX_AQGRM) {
            fail(range_message("kg of water (component row 2)", eq_.water_kg, line,
                               "less than 10 kg while AQGRM is 0: AQGRM, the grams of the first solution, must stay "
                               "below 10000; give AQGRM or less water"));
        }
        if (mix_kg < 0)
            fail(range_message("kg of water of the mixing solution (component row 2)", mix_kg, line, "0 kg or more"));
    }

    // Mineral row: columns 1-20 name, 23-40 trial moles (d = 12).
    void read_saturated_minerals() {
        skip(1, "the caption line above the saturated minerals");
        int n = 0;
        for (;;) {
            const std::string_view line =
                need_line("a saturated mineral or the blank name that ends the mineral block");
            const Name20 name(columns(line, 1, 20));
            if (name.blank()) break;
            if (n == MAX_SAT_MINERALS) {
                fail(layout(R"(/ [2X] "Too many saturated minerals specified in " "ZARNRUN.  Limit = " [I3])",
                            {MAX_SAT_MINERALS}));
            }
            const auto moles = real_at(line, 23, 18, 12);
            if (!moles) unreadable(line, "the trial moles (columns 23-40) of saturated mineral " + name.trimmed());
            if (*moles < 0)
                fail(range_message("the trial moles of " + name.trimmed(), *moles, src_.line_number(), "0 or more"));
            ++n;
            sys_.sat[n].name = name;
            sys_.sat[n].moles = *moles == 0 ? 1e-9 : *moles;
            sys_.nsat = n;
        }
    }

    // Reactant row: columns 1-20 name, 23-40 amount (d = 12), 41-48 unit "ppm     " or
    // "ppb     "; anything else is weight percent, which is what the table holds.
    void read_reactants() {
        skip(1, "the caption line above the reactants");
        int n = 0;
        for (;;) {
            const std::string_view line = need_line("a reactant or the blank name that ends the reactant block");
            const Name20 name(columns(line, 1, 20));
            if (name.blank()) break;
            if (n == MAX_REACTANTS) {
                fail(layout(R"(/ [2X] "Too many reactants specified in " "ZARNRUN.  Limit =" [I3])", {MAX_REACTANTS}));
            }
            auto amount = real_at(line, 23, 18, 12);
            if (!amount) unreadable(line, "the amount (columns 23-40) of reactant " + name.trimmed());
            if (*amount < 0)
                fail(range_message("the amount of " + name.trimmed(), *amount, src_.line_number(), "0 or more"));
            const std::string unit = columns(line, 41, 8);
            if (unit == "ppm     ")
                *amount *= 1e-4;
            else if (unit == "ppb     ")
                *amount *= 1e-7;
            ++n;
            sys_.react[n].name = name;
            sys_.react[n].amount = *amount;
            sys_.nreact = n;
        }
    }

    // A list of names ended by a blank name or the end of the file. A name beyond the
    // list's capacity stops the run rather than being dropped.
    template <int N>
    int read_names(Table<Name20, N>& list, std::string_view caption, std::string_view list_name, bool echo) {
        skip(1, caption);
        int n = 0;
        for (;;) {
            const auto line = src_.next();
            if (!line) break;
            const Name20 name(columns(*line, 1, 20));
            if (name.blank()) break;
            if (n == N) {
                fail(layout(R"(/ [2X] "Too many " [A] " in ZARNRUN.DAT: line " [A] " holds name " [A])"
                            R"( "; the limit is " [A] ".")",
                            {std::string(list_name), num(src_.line_number()), num(n + 1), num(N)}));
            }
            list[++n] = name;
            if (echo) io_.console(layout(R"([2X] [A20] [A])", {name, R"( is "dont frac" in this run)"}));
        }
        return n;
    }

    void read_suppressed() {
        sys_.nsupp =
            read_names(sys_.supp, "the caption line above the minerals to suppress", "minerals to suppress", false);
    }

    void read_dont_fractionate() {
        sys_.ndontfrac = read_names(sys_.dontfrac, "the caption line above the don't-fractionate minerals",
                                    "don't-fractionate minerals", true);
    }

    // A curve pressure becomes PFLUID: the range of PFLUID. A temperature must fit the
    // pickup's column (F10.3).
    void check_curve_point(double t, double p) {
        if (!(p > 0 && p <= MAX_PFLUID))
            fail(range_message("the T-P curve pressure", p, src_.line_number(),
                               "a pressure above 0 and below 10000 bar"));
        if (!(t >= -99999.999 && t <= 999999.999))
            fail(range_message("the T-P curve temperature", t, src_.line_number(), "-99999.999 to 999999.999 C"));
    }

    // Curve points: one line of up to 80 characters holding temperature and pressure, until
    // the end of the file, a blank line or a zero temperature. The temperatures must rise.
    void read_curve() {
        skip(1, "the caption line of the T-P curve block");
        int n = 0;
        for (;;) {
            const auto line = src_.next();
            if (!line) break;
            const std::string_view text = line->substr(0, CURVE_WIDTH);
            if (all_blank(text)) break;
            std::vector<double> v;
            if (!read_free_line(text, 2, false, v) || v.size() < 2 || !std::isfinite(v[0]) || !std::isfinite(v[1])) {
                io_.console(layout(R"([2X] "ERROR reading the P-T curve data list in ZARNRUN")"));
                stop_run(1);
            }
            if (v[0] == 0) break;
            check_curve_point(v[0], v[1]);
            if (n == MAX_CURVE) {
                fail(layout(R"(/ [2X] "Too many T-P curve points in ZARNRUN.DAT: line " [A] " holds point " [A])"
                            R"( "; the limit is " [A] ".")",
                            {num(src_.line_number()), num(n + 1), num(MAX_CURVE)}));
            }
            if (n > 0 && !(v[0] > sys_.curve_t[n])) {
                fail(layout(R"(/ [2X] "The T-P curve temperatures in ZARNRUN.DAT must increase: line " [A])"
                            R"( " gives " [A] " C after " [A] " C.")",
                            {num(src_.line_number()), temperature(v[0]), temperature(sys_.curve_t[n])}));
            }
            ++n;
            sys_.curve_t[n] = v[0];
            sys_.curve_p[n] = v[1];
            sys_.ncurve = n;
        }
    }
};

}  // namespace

void read_run_file(TextSource& src, ChemicalSystem& sys, EquilibriumState& eq, RunParams& rp, Io& io) {
    RunFileReader(src, sys, eq, rp, io).read();
}

}  // namespace zq
