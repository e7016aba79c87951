#include "driver/input_checks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "base/run_params.h"
#include "driver/run_file.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/gas_mixture.h"
#include "thermo/conditions.h"
#include "thermo/database.h"
#include "thermo/name_match.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

bool listed(const Name20& name, const std::vector<Name20>& names) {
    for (const Name20& n : names)
        if (n == name) return true;
    return false;
}

// A value with `d` decimals, no padding.
std::string fixed(double v, int d) {
    std::string s = layout("[F20." + std::to_string(d) + "]", {v});
    s.erase(0, s.find_first_not_of(' '));
    return s;
}

// Relative margin under the boiling pressure within which PFLUID is taken as meant to be
// it: pressures are given rounded, and a salt solution boils below pure water's pressure
// (seawater about 2 per cent).
constexpr double BOILING_MARGIN = 0.01;

// The names of a list that no record of `records` has: a warning each, with the closest
// name of `records`. A component name is said to be one.
template <int N>
void check_list(const Table<Name20, N>& names, int n, const std::array<int, N + 1>& lines,
                const std::vector<Name20>& records, const DatabaseNames& db, const char* list, const char* kind,
                const char* effect, Io& io) {
    for (int i = 1; i <= n; ++i) {
        const Name20& name = names[i];
        if (listed(name, records)) continue;
        const std::string where = quoted(name.trimmed()) + " (line " +
                                  std::to_string(lines[static_cast<std::size_t>(i)]) + " of ZARNRUN.DAT, " + list + ")";
        bool component = false;
        for (int k = 1; k <= MAX_DB_COMPONENTS; ++k)
            component = component || (!name.blank() && db.components[k] == name);
        if (component) {
            io.both(layout(R"(/ [2X] "Warning: " [A] " is a component species of DORNEVAL.QVD," / [2X] [A] ".")",
                           {where, std::string("not ") + kind + ": " + effect}));
            continue;
        }
        const std::string closest = closest_name(name.trimmed(), records);
        io.both(layout(R"(/ [2X] "Warning: " [A] " is not" / [2X] [A] " of DORNEVAL.QVD: " [A] "." [A])",
                       {where, kind, effect, closest.empty() ? "" : " The closest name there is " + closest + "."}));
    }
}

}  // namespace

void check_run_file_names(const ChemicalSystem& sys, const RunFileNotes& notes, const DatabaseNames& db, Io& io) {
    for (int row = 1; row <= sys.nc; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const std::string& given = notes.component_name[r];
        const int saq = sys.comp[row].saq;
        const std::string name = db.components[saq].trimmed();
        // The pickup writes the name cut to 12 characters.
        const std::string cut = Name20(name.substr(0, 12)).trimmed();
        if (given.empty() || given == name || given == cut) continue;
        std::string hint;
        for (int k = 1; k <= MAX_DB_COMPONENTS && hint.empty(); ++k) {
            const std::string other = db.components[k].trimmed();
            if (k != saq && (given == other || given == Name20(other.substr(0, 12)).trimmed()))
                hint = " " + other + " is number " + std::to_string(k) + ".";
        }
        io.both(
            layout(R"(/ [2X] "Warning: line " [A] " of ZARNRUN.DAT gives component number " [A] " the name " [A] ";")"
                   R"( / [2X] "in DORNEVAL.QVD number " [A] " is " [A] ", and the run uses " [A] "." [A])",
                   {std::to_string(notes.component_line[r]), std::to_string(saq), quoted(given), std::to_string(saq),
                    name, name, hint}));
    }
    std::vector<Name20> records = db.species;
    records.insert(records.end(), db.minerals.begin(), db.minerals.end());
    check_list(sys.supp, sys.nsupp, notes.supp_line, records, db, "minerals to suppress", "a species or mineral",
               "it suppresses nothing", io);
    check_list(sys.dontfrac, sys.ndontfrac, notes.dontfrac_line, db.minerals, db, "don't-fractionate minerals",
               "a mineral or gas", "it has no effect", io);
}

void check_starting_pressure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                             const RunFileNotes& notes, Io& io) {
    if (rp.CONFLG == 1 || sys.ncurve > 0 || rp.IENTH != 0) return;
    const double boiling = water_boiling_pressure(sys, cond, rp);
    if (!(rp.PFLUID < boiling * (1.0 - BOILING_MARGIN))) return;
    io.both(layout(R"(/ [2X] "Warning: PFLUID = " [A] " bar (line " [A] " of ZARNRUN.DAT) is below the boiling")"
                   R"( " pressure" / [2X] "of water at TEMP = " [A] " C, " [A] " bar: the solution would boil.")"
                   R"( / [2X] "For a liquid at " [A] " C give PFLUID = " [A] " bar or more.")",
                   {shortest(rp.PFLUID), std::to_string(notes.pfluid_line), shortest(rp.TEMP), fixed(boiling, 4),
                    shortest(rp.TEMP), fixed(boiling, 4)}));
}

int temperature_path_steps(const RunParams& rp) {
    if (rp.SINC == 0) return 1;
    // Full steps before the path passes SLIM; a path that starts past it stops after one.
    const double k = std::floor((rp.SLIM - rp.TEMP) / rp.SINC + 1e-9);
    if (k < 0) return 1;
    return static_cast<int>(std::min(k, 1e9)) + (rp.INCREM != 0 ? 0 : 1);
}

void note_temperature_path(const RunParams& rp, const RunFileNotes& notes, Io& io) {
    const bool temperature_run = rp.IFRAC != 5 && rp.pH == 0 && rp.INCP == 0 && rp.MINSOL == 0 && rp.TEMPC == 0;
    if (rp.NLOOP == 0 || !temperature_run || rp.TEMP == rp.SLIM) return;
    const int steps = temperature_path_steps(rp);
    if (steps <= 1) return;
    io.console(layout(R"(/ [2X] "Note: TEMP = " [A] " C and SLIM = " [A] " C (line " [A] " of ZARNRUN.DAT): this")"
                      R"( " temperature path" / [2X] "takes " [A] " steps of SINC = " [A] " C, more where phases")"
                      R"( " enter or leave." / [2X] "For one equilibrium at TEMP, give SLIM = TEMP." /)",
                      {shortest(rp.TEMP), shortest(rp.SLIM), std::to_string(notes.slim_line), std::to_string(steps),
                       shortest(rp.SINC)}));
}

}  // namespace zq
