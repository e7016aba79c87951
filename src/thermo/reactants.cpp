#include "thermo/reactants.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "thermo/database.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// A record of MINOX.DAT: name (1-20), formula weight (22-29), ITOT (31-32), then ITOT pairs
// of coefficient (10 columns) and database component number (2 columns) from column 34.
constexpr std::string_view RECORD_ITOT = "[T31] [I2]";
constexpr std::string_view RECORD = "[A20] [1X] [F8.2] [1X] [I2] [1X] 12[[F10.3] [I2]]";

// The field of RECORD numbered `f` (1-based): name, formula weight, ITOT, then the pairs.
std::string field_name(int f) {
    if (f <= 3) return f == 1 ? "the name" : f == 2 ? "the formula weight (columns 22-29)" : "ITOT (columns 31-32)";
    const int pair = (f - 2) / 2;
    return (f % 2 == 0 ? "the coefficient of entry " : "the component number of entry ") + std::to_string(pair);
}

[[noreturn]] void unreadable(Io& io, const TextSource& src, std::string_view line, int field) {
    io.both(layout(R"(/ [2X] "Error reading MINOX.DAT line " [A] ": a number cannot be read.")"
                   R"( / [2X] "Field: " [A] " of " [A] "." / [2X] "---> " [A])",
                   {std::to_string(src.line_number()), field_name(field), Name20(line.substr(0, 20)).trimmed(),
                    line.substr(0, 96)}));
    stop_run(1);
}

// Fills run reactant k from its record; stops when a component is not in the run or the
// weight does not balance, warns when the charge does not.
void store_reactant(Io& io, ChemicalSystem& sys, Reactant& re, const FixedRead& r) {
    re.gfw = r.values[1].as_real();
    re.itot = static_cast<int>(r.values[2].as_int());
    double weight = 0, charge = 0;
    for (int j = 1; j <= re.itot; ++j) {
        const auto ju = static_cast<std::size_t>(j);
        const double coef = r.values[2 * ju + 1].as_real();
        const int db = static_cast<int>(r.values[2 * ju + 2].as_int());
        const int pos = db >= 1 && db <= MAX_DB_COMPONENTS ? sys.cmap[db] : 0;
        if (pos == 0) {
            io.both(layout(R"(/ [2X] "Reactant " [A20] " contains species number " [I2] " which is not")"
                           R"( / [4X] "included in the list of component" " species for this run.")",
                           {re.name, db}));
            stop_run(1);
        }
        re.coef[ju] = coef;
        re.pos[ju] = pos;
        weight += coef * sys.sp[pos].gfw;
        charge += coef * sys.sp[pos].charge;
    }
    if (imbalance_reaches(weight - re.gfw, 0.1)) {
        stoichiometry_report(io, "MINOX", "WEIGHT", re.name.view(), weight - re.gfw);
        stop_run(1);
    }
    if (imbalance_reaches(charge, 1e-5)) stoichiometry_report(io, "MINOX", "CHARGE", re.name.view(), charge);
}

}  // namespace

void read_reactants(TextSource& src, ChemicalSystem& sys, const RunParams& rp, Io& io) {
    if (sys.nreact == 0) {
        io.both(layout(R"(/ [2X] "MINSOL = " [I3] " asks for the titration of reactants, but ZARNRUN")"
                       R"( " lists none." / [2X] "EXECUTION ABORTED.")",
                       {rp.MINSOL}));
        stop_run(1);
    }
    std::array<bool, MAX_REACTANTS + 1> found{};
    int nfound = 0;

    bool marker = false;
    while (auto line = src.next()) {
        if (is_marker_line(*line)) {
            marker = true;
            break;
        }
    }
    while (marker && nfound < sys.nreact) {
        const auto line = src.next();
        if (!line) break;
        // ITOT is checked on every record; the rest is read only for a reactant of the run.
        const FixedRead head = read_fixed(RECORD_ITOT, *line);
        if (!head.ok) unreadable(io, src, *line, 3);
        const Name20 name(line->substr(0, 20));
        const int itot = static_cast<int>(head.values[0].as_int());
        if (itot > MAX_ITOT) {
            io.listing().line(R"(/ [2X] "Reactant " [A20] " in MINOX has too many components")"
                              R"( / [2X] "ITOT for that reactant is " [I3] " ; maximum is " [I3])",
                              {name, itot, MAX_ITOT});
            stop_run(1);
        }
        // A reactant already found keeps its first record; a name listed on several rows
        // of the run file fills them all, each counted once.
        bool wanted = false;
        for (int k = 1; k <= sys.nreact; ++k)
            if (!found[static_cast<std::size_t>(k)] && sys.react[k].name == name) wanted = true;
        if (!wanted) continue;
        if (itot < 0) unreadable(io, src, *line, 3);
        const FixedRead r = read_fixed(RECORD, *line);
        if (!r.ok && r.error_field <= 3 + 2 * itot) unreadable(io, src, *line, r.error_field);
        for (int k = 1; k <= sys.nreact; ++k) {
            if (found[static_cast<std::size_t>(k)] || !(sys.react[k].name == name)) continue;
            store_reactant(io, sys, sys.react[k], r);
            found[static_cast<std::size_t>(k)] = true;
            ++nfound;
        }
    }
    if (nfound == sys.nreact) return;
    for (int k = 1; k <= sys.nreact; ++k) {
        if (found[static_cast<std::size_t>(k)]) continue;
        io.both(layout(R"(/ [2X] "Reactant: " [A20] " not found in MINOX data file" /)", {sys.react[k].name}));
    }
    stop_run(1);
}

}  // namespace zq
