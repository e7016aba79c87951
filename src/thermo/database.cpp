#include "thermo/database.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_params.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "thermo/grid.h"
#include "thermo/name_match.h"
#include "thermo/skip_report.h"
#include "thermo/system_tables.h"

namespace zq {

void stoichiometry_report(Io& io, std::string_view source, std::string_view kind, std::string_view name,
                          double imbalance) {
    // The source is an 8-character name shown right-aligned in 12 columns, so "MINOX"
    // keeps its trailing blanks: "    MINOX   ".
    io.both(layout(R"(/ [2X] "WARNING: Stoichiometry of " [A20] " in " [A12] " data")"
                   R"( / [2X] "file, has a " [A6] " imbalance of " [F10.3] " !!!!!")",
                   {Name20(name), FixedName<8>(source), FixedName<6>(kind), imbalance}));
}

bool imbalance_reaches(double imbalance, double limit) { return std::fabs(imbalance) >= limit * (1.0 - 1e-9); }

bool is_marker_line(std::string_view line) { return line.size() >= 20 && line.substr(12, 8) == "********"; }

namespace {

enum class Section { Preamble, HeaderGrids, Components, DerivedSpecies, GasMixture, Minerals };

std::string_view section_name(Section s) {
    switch (s) {
        case Section::Preamble: return "preamble (no line with ******** in columns 13-20)";
        case Section::HeaderGrids: return "header grids";
        case Section::Components: return "component species";
        case Section::DerivedSpecies: return "derived species";
        case Section::GasMixture: return "gas-mixture coefficients";
        case Section::Minerals: return "minerals and gases";
    }
    return "";
}

const Kind4 ALL("All ");
const Kind4 LV("L-V ");
const Kind4 GAS("GAS ");
const Kind4 SU33("SU33");

// Derived species that a redox component of the run takes out of the run: with the
// component in the run their equilibrium with the rest of the system is too slow to assume.
struct RedoxRule {
    int component;
    std::string_view name;
};
constexpr std::array<RedoxRule, 9> REDOX_RULES{{
    {45, "CH4,aq"},
    {45, "C2H6,aq"},
    {45, "C3H8,aq"},
    {45, "C4H10,aq"},
    {45, "methanol,aq"},
    {45, "ethanol,aq"},
    {46, "H2,aq"},
    {47, "N2,aq"},
    {48, "NH3,aq"},
}};

// The names of the header grids, in file order.
constexpr std::array<std::string_view, 5> GRID_NAMES{"Debye-Huckel A", "Debye-Huckel B", "deviation coefficient 1",
                                                     "deviation coefficient 2", "heat content of water"};
constexpr std::array<std::string_view, 10> CROSS_NAMES{"B12",  "B13",  "B23",  "C112", "C122",
                                                       "C113", "C133", "C223", "C233", "C123"};

// The name of data field `f` (1-based) of a line read by a layout: `names` gives the first
// fields; after them come the pairs of a reaction, coefficient and component number.
std::string field_name(int f, std::initializer_list<std::string_view> names) {
    const int n = static_cast<int>(names.size());
    if (f <= n) return std::string(names.begin()[f - 1]);
    const int pair = (f - n + 1) / 2;
    return ((f - n) % 2 == 1 ? "the coefficient of reaction entry " : "the component number of reaction entry ") +
           std::to_string(pair);
}

class DatabaseReader {
public:
    DatabaseReader(TextSource& src, ChemicalSystem& sys, Conditions& cond, RunParams& rp, Io& io, DatabaseNames& names)
        : src_(src), sys_(sys), cond_(cond), rp_(rp), io_(io), names_(names) {
        values_.reserve(GRID_COLS + 8);
    }

    void read() {
        reset();
        preamble();
        header_grids();
        components();
        derived_species();
        gas_mixture();
        minerals();
        match_saturated_minerals();
    }

private:
    // The counts and slots the reader fills, and the matches of the saturated minerals.
    void reset() {
        sys_.ns = sys_.nc;
        sys_.nmin = sys_.nmixed = sys_.ngas_records = sys_.ngasmix = 0;
        sys_.slot_co2aq = sys_.slot_ch4aq = sys_.slot_h2saq = sys_.slot_h2aq = sys_.slot_n2aq = 0;
        sys_.missing_density = false;
        for (int i = 1; i <= sys_.nsat; ++i) sys_.sat[i].slot = 0;
        names_ = DatabaseNames{};
        sat_dropped_.fill(0);
        // A run on the saturation curve reads only the saturation values of each record.
        sys_.sp_raw.keep_grids(rp_.CONFLG == 1);
        sys_.mn_raw.keep_grids(rp_.CONFLG == 1);
    }

    // The log K record just read (in raw_) kept in slot i of `table`.
    template <int N>
    void keep_raw(RawLogKTable<N>& table, int i, const Kind4& kind) {
        if (table.grids())
            table.store(i, *raw_);
        else
            table.store(i, saturation_values(kind, *raw_));
    }

    // A record of mineral `name` left out of the run: a starting mineral of that name not
    // matched yet remembers why, `component` the database component the run lacks or
    // LEFT_OUT for any other reason (reported in Skip_Species.txt).
    static constexpr int LEFT_OUT = -1;
    void note_dropped(const Name20& name, int component) {
        for (int i = 1; i <= sys_.nsat; ++i) {
            auto& why = sat_dropped_[static_cast<std::size_t>(i)];
            if (sys_.sat[i].slot == 0 && why == 0 && sys_.sat[i].name == name) why = component;
        }
    }

    // ---- lines and fields ----------------------------------------------------------

    std::string_view next_line() {
        auto line = src_.next();
        if (!line) end_of_file();
        return *line;
    }
    void skip_lines(int n) {
        for (int i = 0; i < n; ++i) next_line();
    }

    [[noreturn]] void end_of_file() {
        io_.both(layout(R"(/ [2X] "DORNEVAL.QVD ends after line " [A] " while reading the " [A] ".")"
                        R"( / [2X] "EXECUTION ABORTED.")",
                        {std::to_string(src_.line_number()), section_name(section_)}));
        stop_run(1);
    }

    // A fixed-column field that cannot be read: the line number, the section, the field of
    // the record being read and the line.
    [[noreturn]] void bad_line(std::string_view line, const std::string& field) {
        io_.both(layout(
            R"(/ [2X] "Error reading DORNEVAL.QVD line " [A] " (" [A] "):")"
            R"( " a number cannot be read." / [2X] "Field: " [A] [A] "." / [2X] "---> " [A])",
            {std::to_string(src_.line_number()), section_name(section_), field, of_record(), line.substr(0, 96)}));
        stop_run(1);
    }

    // " of <record>" for a message, "" before a record's name is known.
    std::string of_record() const { return record_.empty() ? "" : " of " + record_; }

    // Reads `line` by `lay`; the first `needed` fields must be readable, fields after them
    // are not used and may hold anything. `names` names the fields (see field_name).
    FixedRead fixed(std::string_view lay, std::string_view line, int needed,
                    std::initializer_list<std::string_view> names) {
        FixedRead r = read_fixed(lay, line);
        if (!r.ok && r.error_field <= needed) bad_line(line, field_name(r.error_field, names));
        return r;
    }

    static double real(const FixedRead& r, int i) { return r.values[static_cast<std::size_t>(i)].as_real(); }
    static int integer(const FixedRead& r, int i) {
        return static_cast<int>(r.values[static_cast<std::size_t>(i)].as_int());
    }
    static std::string_view text(const FixedRead& r, int i) { return r.values[static_cast<std::size_t>(i)].as_text(); }

    // One free-format group of n values (a header or log K row): starts on a new line and
    // continues on the next lines while a line holds too few values; values after the n-th
    // on its last line are not read.
    void read_group(double* out, int n, const std::string& group) {
        int got = 0;
        while (got < n) {
            const std::string_view line = next_line();
            values_.clear();
            const bool ok = read_free_line(line, n - got, false, values_);
            const int read = static_cast<int>(values_.size()) < n - got ? static_cast<int>(values_.size()) : n - got;
            for (int i = 0; i < read; ++i) out[got + i] = values_[static_cast<std::size_t>(i)];
            got += read;
            if (!ok) zzilch_error(read, "value " + std::to_string(got + 1) + " of " + group);
        }
    }

    // A number of a header or log K row that cannot be read. The message shows the values
    // read from the failing line before the fault, then where the line is.
    [[noreturn]] void zzilch_error(int read, const std::string& field) {
        std::vector<FieldValue> shown;
        for (int i = 0; i < read; ++i) shown.emplace_back(values_[static_cast<std::size_t>(i)]);
        io_.console(layout(R"([2X] "Reading ZZILCH error, dorneval line: ")"));
        if (!shown.empty()) io_.console(layout(R"(8[E10.5])", shown));
        io_.console(
            layout(R"([2X] "DORNEVAL.QVD line " [A] ", " [A] ": a number cannot be read." / [2X] "Field: " [A] ".")",
                   {std::to_string(src_.line_number()), section_name(section_), field}));
        stop_run(1);
    }

    // The log K data of a record: 37 rows of 36 values for "All ", else 8 values.
    void read_logk(const Kind4& kind, RawLogK& raw) {
        if (kind == ALL) {
            for (int row = 0; row < GRID_ROWS; ++row)
                read_group(&raw[static_cast<std::size_t>(row * GRID_COLS)], GRID_COLS,
                           "log K row " + std::to_string(row + 1) + of_record());
        } else {
            read_group(raw.data(), 8, "the log K" + of_record());
        }
    }

    double evaluate(const Kind4& kind, const RawLogK& raw) const {
        return evaluate_record(kind, raw, rp_.PFLUID, rp_.TEMP, cond_.grid, rp_.CONFLG);
    }

    // A database component number turned into its run position; 0 when the run does not
    // use it (numbers outside 1..71 included).
    int run_position(int db) const { return db >= 1 && db <= MAX_DB_COMPONENTS ? sys_.cmap[db] : 0; }

    bool in_suppression_list(const Name20& name) const {
        for (int i = 1; i <= sys_.nsupp; ++i)
            if (sys_.supp[i] == name) return true;
        return false;
    }

    // Any data kind other than "All " is read and evaluated as eight saturation-curve values.
    static Kind4 data_kind(std::string_view field) { return Kind4(field) == ALL ? ALL : LV; }

    // ---- sections --------------------------------------------------------------------

    void preamble() {
        section_ = Section::Preamble;
        while (!is_marker_line(next_line())) {
        }
        section_ = Section::HeaderGrids;
        skip_lines(2);
    }

    void header_grids() {
        for (int g = 1; g <= 5; ++g) {
            for (int row = 0; row < GRID_ROWS; ++row)
                read_group(&sys_.header_raw[g][static_cast<std::size_t>(row * GRID_COLS)], GRID_COLS,
                           "row " + std::to_string(row + 1) + " of header grid " + std::to_string(g) + " (" +
                               std::string(GRID_NAMES[static_cast<std::size_t>(g - 1)]) + ")");
            for (int i = 0; i < 2; ++i) {
                if (!src_.next()) {
                    io_.console(layout(R"([2X] "Reading dum error, dorneval line: " [A8])", {""}));
                    end_of_file();
                }
            }
        }
        evaluate_header_quantities(sys_, rp_, cond_);
        skip_lines(1);
    }

    // Line k describes database component k. A component of the run is read whole; for
    // any other, blank first 8 columns end the section, so the blank line must come after
    // the last component the run uses.
    void components() {
        section_ = Section::Components;
        std::array<bool, MAX_COMPONENTS + 1> read{};
        for (int k = 1; k <= MAX_DB_COMPONENTS; ++k) {
            const std::string_view line = next_line();
            names_.components[k] = Name20(line.substr(0, 20));
            const int pos = run_position(k);
            if (pos == 0) {
                if (line.substr(0, 8).find_first_not_of(' ') == std::string_view::npos) break;
                continue;
            }
            record_ = "component " + std::to_string(k) + " " + names_.components[k].trimmed();
            const FixedRead r = fixed(
                "[A20] [F2.0] [6X] [F3.2] [8X] [F8.4] [F8.4]", line, 5,
                {"the name", "the charge", "the ion-size parameter", "the gram formula weight", "the third value"});
            Species& sp = sys_.sp[pos];
            sp.name = Name20(text(r, 0));
            sp.charge = real(r, 1);
            sp.ion_size = real(r, 2);
            sp.gfw = real(r, 3);
            sp.third = real(r, 4);
            read[static_cast<std::size_t>(pos)] = true;
            const std::string_view head = sp.name.view().substr(0, 8);
            if (head == "CH4,aq! ") sys_.slot_ch4aq = pos;
            if (head == "H2,aq!  ") sys_.slot_h2aq = pos;
            if (head == "N2,aq!  ") sys_.slot_n2aq = pos;
        }
        // A run component beyond the end of the section would go on with a blank name,
        // no charge and no weight.
        for (int i = 1; i <= sys_.nc; ++i) {
            if (read[static_cast<std::size_t>(i)]) continue;
            io_.both(layout(R"(/ [2X] "Component species number " [I3] " of ZARNRUN is not in the")"
                            R"( " component section of DORNEVAL" / [2X] "(the section ends at line " [A] ").")",
                            {sys_.comp[i].saq, std::to_string(src_.line_number())}));
            stop_run(1);
        }
    }

    bool redox_suppressed(const Name20& name) const {
        for (const RedoxRule& rule : REDOX_RULES)
            if (sys_.cmap[rule.component] != 0 && name == Name20(rule.name)) return true;
        return false;
    }

    // ITOT of line 3 of a record; stops when it is above 12 or cannot be read.
    int read_itot(std::string_view lay, std::string_view line, FixedRead& r) {
        r = fixed(lay, line, 1, {"ITOT"});
        const int itot = integer(r, 0);
        if (itot < 0) bad_line(line, "ITOT");
        if (itot <= MAX_ITOT && !r.ok && r.error_field <= 1 + 2 * itot)
            bad_line(line, field_name(r.error_field, {"ITOT"}));
        return itot;
    }

    void derived_species() {
        section_ = Section::DerivedSpecies;
        int p = sys_.nc + 1;
        for (;;) {
            skip_lines(1);
            record_.clear();
            const FixedRead r1 = fixed("[A20] [T81] [A4] [T91] [A4]", next_line(), 3,
                                       {"the name", "the suppression flag", "the data kind"});
            Species sp;
            sp.name = Name20(text(r1, 0));
            record_ = sp.name.trimmed();
            Kind4 flag(text(r1, 1));
            sp.kind = data_kind(text(r1, 2));
            if (redox_suppressed(sp.name)) flag = SU33;
            if (sp.name.blank()) break;
            names_.species.push_back(sp.name);

            const FixedRead r2 = fixed("[8X] [F3.0] [15X] [F5.2] [10X] [F6.3]", next_line(), 3,
                                       {"the charge", "the ion-size parameter", "the third value"});
            sp.charge = real(r2, 0);
            sp.ion_size = real(r2, 1);
            sp.third = real(r2, 2);

            FixedRead r3;
            const int itot = read_itot("[I2] [1X] 12[[F10.3] [I2]]", next_line(), r3);
            if (itot > MAX_ITOT) {
                io_.listing().line(R"(/ [2X] "Species " [A12] " in DORNEVAL has too many components")"
                                   R"( / [2X] "ITOT for that species is " [I3] " ; maximum is " [I3])"
                                   R"( / [2X] "EXECUTION ABORTED.")",
                                   {sp.name, itot, MAX_ITOT});
                stop_run(1);
            }
            sp.nentries = itot + 1;
            sp.coef[1] = -1.0;
            sp.index[1] = p;
            std::array<int, MAX_ITOT + 2> db{};
            for (int j = 2; j <= itot + 1; ++j) {
                sp.coef[static_cast<std::size_t>(j)] = real(r3, 2 * j - 3);
                db[static_cast<std::size_t>(j)] = integer(r3, 2 * j - 2);
            }
            RawLogK& raw = *raw_;
            read_logk(sp.kind, raw);

            if (flag == SU33) {
                report_omitted(io_, SkipEvent::SpeciesRedox, sp.name);
                continue;
            }
            if (!flag.blank()) {
                report_omitted(io_, SkipEvent::SpeciesSuppressedInFile, sp.name);
                continue;
            }
            if (rp_.CONFLG == 1 && sp.kind == LV) {
                report_omitted(io_, SkipEvent::SpeciesLvOnly, sp.name);
                continue;
            }
            if (in_suppression_list(sp.name)) {
                report_omitted(io_, SkipEvent::SpeciesSuppressedByRun, sp.name);
                continue;
            }
            const double logk = evaluate(sp.kind, raw);
            if (logk > 99999.0) {
                report_omitted(io_, SkipEvent::SpeciesNoLogK, sp.name);
                continue;
            }
            bool in_run = true;
            bool late_hplus = false;
            double charge_sum = 0;
            for (int j = 2; j <= itot + 1; ++j) {
                const int d = db[static_cast<std::size_t>(j)];
                const int pos = run_position(d);
                if (pos == 0) {
                    in_run = false;
                    break;
                }
                if (d == 1 && j > 2) late_hplus = true;
                sp.index[static_cast<std::size_t>(j)] = pos;
                charge_sum += sp.coef[static_cast<std::size_t>(j)] * sys_.sp[pos].charge;
            }
            if (!in_run) continue;
            if (late_hplus)
                io_.both(layout(R"("  WARNING: Species " [A12] " has H+ in a position" " beyond I = 1.")", {sp.name}));
            const double imbalance = charge_sum - sp.charge;
            if (imbalance_reaches(imbalance, 1e-5)) {
                stoichiometry_report(io_, "DORNEVAL", "CHARGE", sp.name.view(), imbalance);
                stop_run(1);
            }
            if (sp.name == Name20("CO2,aq")) sys_.slot_co2aq = p;
            if (sp.name == Name20("CH4,aq")) sys_.slot_ch4aq = p;
            if (sp.name == Name20("H2S,aq")) sys_.slot_h2saq = p;
            if (sp.name == Name20("H2,aq")) sys_.slot_h2aq = p;
            if (sp.name == Name20("N2,aq")) sys_.slot_n2aq = p;
            if (p == MAX_SPECIES) {
                io_.listing().line(R"(/ [2X] "Number of species read in dorneval exceeds" " maximum of " [I3])"
                                   R"x( / [2X] "last name read is:  " [A12] " (NS=" [I3] ")")x",
                                   {MAX_SPECIES, sp.name, MAX_SPECIES});
                stop_run(1);
            }
            sys_.sp[p] = sp;
            keep_raw(sys_.sp_raw, p, sp.kind);
            cond_.logk[p] = logk;
            ++p;
        }
        sys_.ns = p - 1;
    }

    // Cross virial coefficients B12, B13, B23, C112, C122, C113, C133, C223, C233, C123 of
    // the gas mixture, each c1/T^2 + c2/T + c3 with T in kelvin.
    void gas_mixture() {
        section_ = Section::GasMixture;
        const double tk = cond_.TK;
        for (int k = 1; k <= 10; ++k) {
            record_ = "cross term " + std::string(CROSS_NAMES[static_cast<std::size_t>(k - 1)]);
            const FixedRead r = fixed("[8X] [E12.5] [E12.5] [E12.5]", next_line(), 3, {"c1", "c2", "c3"});
            sys_.cross[k] = {real(r, 0), real(r, 1), real(r, 2)};
            cond_.cross_t[k] = temperature_function(sys_.cross[k], tk);
        }
        skip_lines(1);
    }

    void minerals() {
        section_ = Section::Minerals;
        int s = 1;
        bool zero_found = false;
        for (;;) {
            skip_lines(1);
            const std::string_view l1 = next_line();
            const FixedRead r1 = read_fixed("[A20] [T67] [I2] [F8.3] [T81] [A4] [T91] [A4]", l1);
            Mineral mn;
            mn.name = Name20(text(r1, 0));
            record_ = mn.name.trimmed();
            if (mn.name.blank()) {
                // The end record: its lines 2 and 3 are read and ignored. They are blank, so
                // a file that lacks its final newline (or these lines) ends here normally.
                if (src_.next()) src_.next();
                break;
            }
            names_.minerals.push_back(mn.name);
            if (!r1.ok)
                bad_line(l1, field_name(r1.error_field, {"the name", "JSOLS", "the site multiplicity",
                                                         "the suppression flag", "the data kind"}));
            mn.jsols = integer(r1, 1);
            mn.site_n = real(r1, 2);
            mn.flag = Kind4(text(r1, 3));
            mn.kind = data_kind(text(r1, 4));

            const FixedRead r2 =
                fixed("[T14] [F8.3] [T59] [F6.3]", next_line(), 2, {"the gram formula weight", "the density"});
            mn.gfw = real(r2, 0);
            mn.density = real(r2, 1);

            FixedRead r3;
            mn.itot = read_itot("[I3] 12[[F9.3] [I3]]", next_line(), r3);
            if (mn.itot > MAX_ITOT) {
                io_.listing().line(R"(/ [2X] "Mineral " [A20] " in dorneval has too " "many components")"
                                   R"( / [2X] "itot for that mineral is " [I3] " ; maximum is " [I3])",
                                   {mn.name, mn.itot, MAX_ITOT});
                stop_run(1);
            }
            for (int j = 1; j <= mn.itot; ++j) {
                mn.coefm[static_cast<std::size_t>(j)] = real(r3, 2 * j - 1);
                mn.specm[static_cast<std::size_t>(j)] = integer(r3, 2 * j);
            }
            if (mn.jsols == 6) {
                const FixedRead r4 = fixed("[4X] [6F12.5]", next_line(), 6, {"a1", "a2", "a3", "b1", "b2", "b3"});
                mn.eos_a = {real(r4, 0), real(r4, 1), real(r4, 2)};
                mn.eos_b = {real(r4, 3), real(r4, 4), real(r4, 5)};
            }
            RawLogK& raw = *raw_;
            read_logk(mn.kind, raw);

            if (rp_.CONFLG == 1 && mn.kind == LV) {
                report_omitted(io_, SkipEvent::MineralLvOnly, mn.name);
                note_dropped(mn.name, LEFT_OUT);
                continue;
            }
            const bool no_density = mn.density == 0.0 && mn.flag != GAS;
            if (no_density) {
                mn.density = 2.5;
                report_omitted(io_, SkipEvent::MineralNoDensity, mn.name);
            }
            if (!mn.flag.blank() && mn.flag != GAS) {
                report_omitted(io_, SkipEvent::MineralSuppressedInFile, mn.name);
                note_dropped(mn.name, LEFT_OUT);
                continue;
            }
            if (in_suppression_list(mn.name)) {
                report_omitted(io_, SkipEvent::MineralSuppressedByRun, mn.name);
                note_dropped(mn.name, LEFT_OUT);
                continue;
            }
            const double logk = evaluate(mn.kind, raw);
            if (logk > 99999.0) {
                report_omitted(io_, SkipEvent::MineralNoLogK, mn.name);
                note_dropped(mn.name, LEFT_OUT);
                continue;
            }
            if (!map_reaction(mn, zero_found)) continue;
            check_mineral_balance(mn);
            keep_mineral(mn, s, logk);
            if (no_density) sys_.missing_density = true;
            ++s;
        }
        sys_.nmin = s - 1;
        if (zero_found) {
            io_.console(layout(R"(/ [2X] "Fatal error. Stoichiometry zero(s) found in" " DORNEVAL.  See above.")"));
            stop_run(1);
        }
        // Gases 2 and 3 of the mixture, whose cross coefficients the file gives, must be
        // mixed gases themselves: CO2 in slot 2, and CH4 in slot 3 only beside CO2.
        sys_.ngasmix = 0;
        if (sys_.nmixed >= 2 && sys_.mn[2].name == Name20("CO2,gas")) {
            sys_.ngasmix = 2;
            if (sys_.nmixed >= 3 && sys_.mn[3].name == Name20("CH4,gas")) sys_.ngasmix = 3;
        }
        if (rp_.IDEAL > 2) rp_.IDEAL = 2;
    }

    // Turns the database component numbers of `specm` into run positions and forms the
    // sums. A zero coefficient or component number is reported and makes the section
    // faulty; a component outside the run drops the record (false).
    bool map_reaction(Mineral& mn, bool& zero_found) {
        mn.coef_abs_sum = 0;
        for (int j = 1; j <= mn.itot; ++j) {
            const auto ju = static_cast<std::size_t>(j);
            const double c = mn.coefm[ju];
            const int d = mn.specm[ju];
            if (c == 0.0 || d == 0) {
                io_.both(layout(R"([2X] "Mineral " [A20] " has zero in " "stoichiometry.  Check itot, coefm & specm")",
                                {mn.name}));
                zero_found = true;
            }
            const int pos = run_position(d);
            if (pos == 0) {
                if (rp_.ISTEP == 1)
                    io_.listing().line(R"([2X] "Mineral " [A20] " contains excluded component " [I3])", {mn.name, d});
                note_dropped(mn.name, d >= 1 && d <= MAX_DB_COMPONENTS ? d : LEFT_OUT);
                return false;
            }
            mn.specm[ju] = pos;
            mn.coef_abs_sum += std::fabs(c);
        }
        return true;
    }

    void check_mineral_balance(const Mineral& mn) {
        double weight = 0, charge = 0;
        for (int j = 1; j <= mn.itot; ++j) {
            const auto ju = static_cast<std::size_t>(j);
            weight += mn.coefm[ju] * sys_.sp[mn.specm[ju]].gfw;
            charge += mn.coefm[ju] * sys_.sp[mn.specm[ju]].charge;
        }
        if (mn.gfw > 1e-10 && imbalance_reaches(weight - mn.gfw, 0.1)) {
            stoichiometry_report(io_, "DORNEVAL", "WEIGHT", mn.name.view(), weight - mn.gfw);
            stop_run(1);
        }
        if (imbalance_reaches(charge, 1e-5)) {
            stoichiometry_report(io_, "DORNEVAL", "CHARGE", mn.name.view(), charge);
            stop_run(1);
        }
    }

    void keep_mineral(Mineral& mn, int s, double logk) {
        for (int i = 1; i <= sys_.nsat; ++i)
            if (sys_.sat[i].slot == 0 && sys_.sat[i].name == mn.name) sys_.sat[i].slot = s;
        if (mn.flag == GAS) ++sys_.ngas_records;
        if (mn.jsols == 6) {
            // The gas-mixture code takes the mixed gases as mineral slots 1..nmixed, so a
            // mixed gas kept after any other record would put a stranger into the mixture.
            if (sys_.nmixed != s - 1 || sys_.nmixed == MAX_MIXED_GASES) {
                io_.both(layout(R"(/ [2X] "Mixed gas " [A20] " (JSOLS = 6) in DORNEVAL is not among the")"
                                R"( / [2X] "first records kept; mixed gases (at most " [I2] ") must come first.")",
                                {mn.name, MAX_MIXED_GASES}));
                stop_run(1);
            }
            const double tk = cond_.TK;
            cond_.eos_a_t[s] = temperature_function(mn.eos_a, tk);
            cond_.eos_b_t[s] = temperature_function(mn.eos_b, tk);
            cond_.mn_logk_raw[s] = logk;
            logk += cond_.logP;
            ++sys_.nmixed;
        }
        if (s == MAX_MINERALS) {
            io_.listing().line(R"(/ [2X] "Number of minerals read in dorneval exceeds " "maximum of " [I3])"
                               R"( / [2X] "last name read is:  " [A20])",
                               {MAX_MINERALS, mn.name});
            stop_run(1);
        }
        // LIMSOL 0 switches solid solutions off for the run.
        if (rp_.LIMSOL == 0) mn.jsols = 0;
        sys_.mn[s] = mn;
        keep_raw(sys_.mn_raw, s, mn.kind);
        cond_.mn_logk[s] = logk;
    }

    // Every saturated mineral of the run file must be in the table; a mineral listed twice
    // is matched by its first row (it enters the matrix once, with that row's moles). One
    // that is not says why: a component the run lacks, a record left out of the run, or no
    // record of that name (with the closest name the file has).
    void match_saturated_minerals() {
        for (int i = 1; i <= sys_.nsat; ++i) {
            if (sys_.sat[i].slot != 0) continue;
            const Name20& name = sys_.sat[i].name;
            const int why = sat_dropped_[static_cast<std::size_t>(i)];
            if (why > 0) {
                io_.both(layout(
                    R"(/ [2X] [A20] ", specified in ZARNRUN, needs component " [A] " (number " [A] "),")"
                    R"( / [2X] "which is not in the component block of ZARNRUN: add it, or leave the mineral out.")",
                    {name, names_.components[why].trimmed(), std::to_string(why)}));
            } else if (why == LEFT_OUT) {
                io_.both(layout(R"(/ [2X] [A20] ", specified in ZARNRUN, is in DORNEVAL but left out of this run:")"
                                R"( / [2X] "Skip_Species.txt says why.")",
                                {name}));
            } else {
                io_.both(layout(
                    R"(/ [2X] [A20] ", specified in ZARNRUN," " was not found in DORNEVAL. check spelling.")", {name}));
                const std::string closest = closest_name(name.trimmed(), names_.minerals);
                if (!closest.empty()) io_.both(layout(R"([2X] "The closest name in DORNEVAL is " [A] ".")", {closest}));
            }
            stop_run(1);
        }
        for (int i = 1; i <= sys_.nsat; ++i) {
            Mineral& mn = sys_.mn[sys_.sat[i].slot];
            if (mn.sat_row != 0) continue;
            mn.sat_row = i;
            mn.start_moles = sys_.sat[i].moles;
        }
    }

    TextSource& src_;
    ChemicalSystem& sys_;
    Conditions& cond_;
    RunParams& rp_;
    Io& io_;
    DatabaseNames& names_;
    Section section_ = Section::Preamble;
    std::string record_;                                          // the record being read, for messages
    std::array<int, MAX_SAT_MINERALS + 1> sat_dropped_{};         // see note_dropped
    std::vector<double> values_;                                  // one line's values of a free-format group, reused
    std::unique_ptr<RawLogK> raw_ = std::make_unique<RawLogK>();  // the log K record being read
};

}  // namespace

void read_database(TextSource& src, ChemicalSystem& sys, Conditions& cond, RunParams& rp, Io& io,
                   DatabaseNames* names) {
    DatabaseNames scratch;
    DatabaseReader(src, sys, cond, rp, io, names ? *names : scratch).read();
}

}  // namespace zq
