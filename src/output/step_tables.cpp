#include "output/step_tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/run_params.h"
#include "format/shortest_number.h"
#include "path/step_controller.h"
#include "phases/assemblage.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// The columns before the phases', in order.
constexpr const char* FIXED_COLUMNS[] = {"step",
                                         "kind",
                                         "path_variable",
                                         "path_value",
                                         "temperature_C",
                                         "pressure_bar",
                                         "pH",
                                         "water_activity",
                                         "ionic_strength_mol_per_kg",
                                         "stoichiometric_ionic_strength_mol_per_kg",
                                         "water_kg",
                                         "steam_mol",
                                         "gas_mol",
                                         "enthalpy_kcal",
                                         "status"};
constexpr std::size_t NFIXED = std::size(FIXED_COLUMNS);
constexpr std::size_t STATUS = NFIXED - 1;

constexpr const char* SPECIES_COLUMNS =
    "step,kind,type,name,molality_mol_per_kg,activity,gamma,log_K,log_Q_K,moles,in_matrix,status";

const char* arrival_name(StepArrival a) {
    switch (a) {
        case StepArrival::Start: return "start";
        case StepArrival::Full: return "full";
        case StepArrival::Half: return "half";
    }
    return "";
}

// The path variable of the run: its column name (with its unit) and current value.
std::pair<const char*, double> path_variable(const RunParams& rp) {
    switch (step_kind(rp)) {
        case StepKind::Temperature: return {"temperature_C", rp.TEMP};
        case StepKind::Pressure: return {"pressure_bar", rp.PFLUID};
        case StepKind::PH: return {"pH", rp.pH};
        case StepKind::Enthalpy: return {"enthalpy_added_kcal", rp.enth_added};
        case StepKind::Mixing: return {"mixer_fraction", rp.TOTMIX};
        case StepKind::Flushing: return {"fluid_infused_g", rp.TOTMIX};
        case StepKind::Titration: return {rp.MINSOL >= 3 ? "reactant_mol" : "reactant_g", rp.TOTMIX};
    }
    return {"", 0.0};
}

// A name as a CSV field: quoted when it holds a comma or a quote.
std::string field(std::string_view name) {
    if (name.find_first_of(",\"") == std::string_view::npos) return std::string(name);
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cells.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cells.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::string join(const std::vector<std::string>& cells) {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) out += ',';
        out += cells[i];
    }
    return out;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line cut short by a stop is not a row
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::optional<double> number(const std::string& cell) {
    double v = 0;
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), v);
    if (ec != std::errc() || end != cell.data() + cell.size()) return std::nullopt;
    return v;
}

bool close(double a, double b, double rel, double abs) {
    return std::fabs(a - b) <= abs + rel * std::max(std::fabs(a), std::fabs(b));
}

std::string component_column(const ChemicalSystem& sys, int k) {
    return "total_" + sys.sp[k].name.trimmed() + "_mol_per_kg";
}

std::string phase_column(const ChemicalSystem& sys, int i) { return "moles_" + sys.mn[i].name.trimmed(); }

// A text written at its end through a pointer into `buf`, room being made ahead in large
// steps: the long table's block of a step is some 20 000 characters made of short cells.
// The buffer keeps its size from one text to the next; the text is view().
class CsvText {
public:
    explicit CsvText(std::string& buf) : buf_(buf) {}
    // The text after the first `start` characters of buf, which it keeps.
    CsvText(std::string& buf, std::size_t start) : buf_(buf), start_(start), end_(start) {}
    // At least n writable characters at the end.
    char* room(std::size_t n) {
        if (end_ + n > buf_.size()) grow(n);
        return buf_.data() + end_;
    }
    void advance_to(const char* p) { end_ = static_cast<std::size_t>(p - buf_.data()); }
    void put(char c) {
        *room(1) = c;
        ++end_;
    }
    void put(std::string_view s) {
        std::memcpy(room(s.size()), s.data(), s.size());
        end_ += s.size();
    }
    std::string_view view() const { return {buf_.data() + start_, end_ - start_}; }
    std::size_t end() const { return end_; }

private:
    // Out of line, so that room() stays small enough to be inlined wherever a cell is put.
    [[gnu::noinline]] void grow(std::size_t n) { buf_.resize(std::max(2 * buf_.size(), end_ + n + 4096)); }
    std::string& buf_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

// Finite numbers written into one text, each the shortest text that reads back the same,
// the text of a value written earlier into it copied instead of made again. The species rows
// of a step repeat many values: an activity equal to its molality (gamma 1), the gamma
// shared by the ions of one charge. The texts are found by the double's bits in a
// direct-mapped table (a value whose slot another took is simply made again); -0 and +0
// differ in bits, so each keeps its own text. A slot holds the text's offset, which stays
// valid as the text grows. One is made for each step's text: its offsets mean nothing in
// another.
class RepeatedNumbers {
public:
    explicit RepeatedNumbers(const CsvText& out) : out_(out) {}
    // Writes v at `to`, in room of SHORTEST_ROOM characters made in the text, and returns the
    // end of its text.
    char* write(char* to, double v) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
        // The top bits of the product depend on all of the value's bits.
        Slot& slot = slots_[(bits * 0x9E3779B97F4A7C15u) >> (64 - SLOT_BITS)];
        const char* const text = out_.view().data();
        if (slot.bits == bits) {
            // The earlier text had SHORTEST_ROOM characters of room behind it, which may reach
            // past `to`: they are all read before any is written.
            char copy[SHORTEST_ROOM];
            std::memcpy(copy, text + slot.at, SHORTEST_ROOM);
            std::memcpy(to, copy, SHORTEST_ROOM);
            return to + slot.length;
        }
        char* const end = write_shortest(to, v);
        slot = {bits, static_cast<std::uint32_t>(to - text), static_cast<std::uint32_t>(end - to)};
        return end;
    }

private:
    static constexpr int SLOT_BITS = 7;  // 128 slots: some 250 numbers in a step's species rows
    struct Slot {
        std::uint64_t bits = ~std::uint64_t{0};  // a NaN: empty, as no value not finite is written here
        std::uint32_t at = 0, length = 0;
    };
    const CsvText& out_;
    std::array<Slot, std::size_t{1} << SLOT_BITS> slots_{};
};

// A value that is not finite leaves its cell empty, and the row's status names its column.
[[gnu::noinline]] void note_not_finite(std::string& status, std::string_view column) {
    status += status.empty() ? "not finite: " : " ";
    status += column;
}

// Cells written one after another into a text: numbers in full precision (the shortest
// text that reads back the same), a value that is not finite as an empty cell named in the
// status.
class Cells {
public:
    Cells(CsvText& out, std::string& status) : out_(out), status_(status) {}
    void text(std::string_view s) {
        separate();
        out_.put(s);
    }
    void empty(int n) {
        for (int k = 0; k < n; ++k) separate();
    }
    void number(double v, std::string_view column) {
        if (finite_cell(v, column)) out_.advance_to(write_shortest(out_.room(SHORTEST_ROOM), v));
    }

private:
    void separate() {
        if (!first_) out_.put(',');
        first_ = false;
    }
    // Opens the cell of a number; false, and the column named in the status, when it is not
    // finite (the cell stays empty).
    bool finite_cell(double v, std::string_view column) {
        separate();
        if (std::isfinite(v)) return true;
        note_not_finite(status_, column);
        return false;
    }
    CsvText& out_;
    std::string& status_;
    bool first_ = true;
};

// Copies in whole blocks: the long table's rows begin with texts of a few dozen characters,
// which a call to copy a length only known at run time would cost more than they do.
constexpr std::size_t COPY_BLOCK = 16;
constexpr std::size_t blocks_of(std::size_t n) { return (n + COPY_BLOCK - 1) / COPY_BLOCK * COPY_BLOCK; }

// The room for the step and kind that begin every long-table row of a step ("12,full,"),
// made once a step and copied in whole blocks.
constexpr std::size_t ROW_START = 32;
static_assert(ROW_START >= 20 + 1 + 5 + 1, "a long's digits, a kind and their commas");

// The last cells of a long-table row, the status cell's comma and the newline, padded for a
// copy of its whole size; a status that is not empty goes before the newline.
struct RowTail {
    char text[8];
    std::size_t length;
};
constexpr RowTail SPECIES_TAIL{",,,,,\n", 6};  // log K, log Q/K, moles and in the matrix empty
constexpr RowTail IN_MATRIX_TAIL{",1,\n", 4};
constexpr RowTail NOT_IN_MATRIX_TAIL{",0,0,\n", 6};  // moles 0 (as write_shortest has it), not in the matrix
constexpr std::size_t TAIL_ROOM = sizeof(RowTail::text);

// A long-table row written through a pointer into room made for the whole row at once: its
// texts copied in fixed sizes, its numbers after a comma each, a value that is not finite
// as an empty cell named in the status.
class Row {
public:
    Row(CsvText& out, std::size_t room, std::string& status) : out_(out), p_(out.room(room)), status_(status) {}
    // `n` characters from `from`, which has (as has the room) n rounded up to whole blocks.
    void copy(const char* from, std::size_t n) {
        for (std::size_t k = 0; k < n; k += COPY_BLOCK) std::memcpy(p_ + k, from + k, COPY_BLOCK);
        p_ += n;
    }
    // With `repeats` (that of the text), the text of a value written before is copied.
    void number(double v, std::string_view column, RepeatedNumbers* repeats = nullptr) {
        *p_++ = ',';
        if (!std::isfinite(v))
            note_not_finite(status_, column);
        else
            p_ = repeats ? repeats->write(p_, v) : write_shortest(p_, v);
    }
    void end(const RowTail& tail) {
        if (status_.empty()) {
            std::memcpy(p_, tail.text, TAIL_ROOM);
            out_.advance_to(p_ + tail.length);
            return;
        }
        out_.advance_to(p_);
        out_.put(std::string_view(tail.text, tail.length - 1));
        out_.put(field(status_));
        out_.put('\n');
        status_.clear();
    }

private:
    CsvText& out_;
    char* p_;
    std::string& status_;
};

}  // namespace

bool StepTables::resumable(const ChemicalSystem& sys, const RunParams& rp, const std::string& text) {
    const std::vector<std::string> lines = lines_of(text);
    if (lines.empty()) return false;
    const std::vector<std::string> head = split(lines.front());
    if (head.size() < NFIXED) return false;
    for (std::size_t c = 0; c < NFIXED; ++c)
        if (head[c] != FIXED_COLUMNS[c]) return false;
    // The phase columns, then exactly this run's components.
    std::vector<int> phases;
    std::size_t c = NFIXED;
    for (; c < head.size() && head[c].rfind("moles_", 0) == 0; ++c) {
        int found = 0;
        for (int i = 1; i <= sys.nmin && found == 0; ++i)
            if (phase_column(sys, i) == head[c]) found = i;
        if (found == 0) return false;
        phases.push_back(found);
    }
    for (int k = 1; k <= sys.nc; ++k) {
        if (k == 2) continue;
        if (c >= head.size() || head[c++] != component_column(sys, k)) return false;
    }
    if (c != head.size()) return false;

    // The step written where this run starts: the last one, or an earlier step of the path
    // (not the starting row of an earlier run, which a run from the same run file repeats).
    bool last = true;
    for (auto line = lines.rbegin(); line + 1 != lines.rend(); ++line) {
        const std::vector<std::string> cells = split(*line);
        if (cells.size() != head.size()) return false;
        if (cells[1] == "resume") continue;
        const auto [name, value] = path_variable(rp);
        const auto step = number(cells[0]), v = number(cells[3]), t = number(cells[4]), p = number(cells[5]);
        if (!step || !v || !t || !p || cells[2] != name) return false;
        const bool here =
            close(*v, value, 1e-6, 1e-9) && close(*t, rp.TEMP, 0, 1e-3) && close(*p, rp.PFLUID, 1e-5, 1e-6);
        if (here && (last || cells[1] != "start")) {
            phases_ = std::move(phases);
            step_ = static_cast<long>(*step);
            keep_lines_ = static_cast<std::size_t>(lines.rend() - line);
            return true;
        }
        if (cells[1] == "start") return false;
        last = false;
    }
    return false;
}

void StepTables::open(const ChemicalSystem& sys, const RunParams& rp, Io& io) {
    raw_names_.assign(1, std::string());
    for (int j = 1; j <= sys.ns; ++j) raw_names_.push_back(sys.sp[j].name.trimmed());
    for (int i = 1; i <= sys.nmin; ++i) raw_names_.push_back(sys.mn[i].name.trimmed());
    row_head_text_.clear();
    row_heads_.assign(1, RowHead{});
    std::size_t longest = 0;
    for (std::size_t n = 1; n < raw_names_.size(); ++n) {
        const int i = static_cast<int>(n) - sys.ns;  // the phase, for n past the species
        const std::string head = i <= 0                  ? "species," + field(raw_names_[n])
                                 : i <= sys.ngas_records ? "gas," + field(raw_names_[n]) + ",,,"
                                                         : "mineral," + field(raw_names_[n]) + ",,,";
        row_heads_.push_back(
            {static_cast<std::uint32_t>(row_head_text_.size()), static_cast<std::uint32_t>(head.size())});
        row_head_text_ += head;
        longest = std::max(longest, head.size());
    }
    row_head_text_.append(COPY_BLOCK, '\0');
    // The step and kind, the head, up to three numbers each after its comma, the tail.
    row_room_ = ROW_START + blocks_of(longest) + 3 * (1 + SHORTEST_ROOM) + TAIL_ROOM;
    phases_.clear();
    step_ = 0;
    skip_start_ = false;
    const std::optional<std::string> earlier = io.read_file(STEP_TABLE);
    const bool resume = earlier && resumable(sys, rp, *earlier);
    if (resume) drop_rows_after_start(*earlier, io);
    const bool species_fresh = !resume || !io.read_file(SPECIES_TABLE);
    steps_.open(io, io.path_of(STEP_TABLE), !resume);
    species_.open(io, io.path_of(SPECIES_TABLE), species_fresh);
    if (species_fresh) species_.line(SPECIES_COLUMNS);
    if (!resume) {
        std::vector<std::string> head(std::begin(FIXED_COLUMNS), std::end(FIXED_COLUMNS));
        for (int k = 1; k <= sys.nc; ++k)
            if (k != 2) head.push_back(field(component_column(sys, k)));
        steps_.line(join(head));
        return;
    }
    std::vector<std::string> mark(NFIXED + phases_.size() + static_cast<std::size_t>(sys.nc - 1));
    mark[1] = "resume";
    steps_.line(join(mark));
    species_.line(",resume,,,,,,,,,,");
    skip_start_ = true;
}

// The rows of both tables after the step where this run starts are dropped: the run
// computes them again.
void StepTables::drop_rows_after_start(const std::string& steps, Io& io) {
    const std::vector<std::string> lines = lines_of(steps);
    if (keep_lines_ >= lines.size()) return;
    std::string text;
    for (std::size_t i = 0; i < keep_lines_; ++i) text += lines[i] + '\n';
    io.replace_file(STEP_TABLE, text);
    const std::optional<std::string> species = io.read_file(SPECIES_TABLE);
    if (!species) return;
    std::string kept;
    for (const std::string& line : lines_of(*species)) {
        const auto step = number(line.substr(0, line.find(',')));
        if (step && *step > static_cast<double>(step_)) break;  // rows in step order: the rest go
        kept += line + '\n';
    }
    io.replace_file(SPECIES_TABLE, kept);
}

// A phase enters the matrix for the first time: its column goes in after the other phases',
// 0 in the rows written so far, and the table is replaced whole.
void StepTables::add_phase_column(const ChemicalSystem& sys, int phase, Io& io) {
    const std::size_t at = NFIXED + phases_.size();
    phases_.push_back(phase);
    steps_.flush();  // the table is read back whole
    const std::string table = io.read_file(STEP_TABLE).value_or("");
    std::string text;
    text.reserve(table.size() + table.size() / 8 + 64);
    bool first = true;
    for (std::size_t start = 0, end; (end = table.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string_view line(table.data() + start, end - start);
        if (first || line.find('"') != std::string_view::npos) {
            // The head, and any row with a quoted cell, cell by cell.
            std::vector<std::string> cells = split(line);
            for (std::string& c : cells) c = field(c);
            const bool resume_row = cells.size() > 1 && cells[1] == "resume";
            cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(std::min(at, cells.size())),
                         first        ? field(phase_column(sys, phase))
                         : resume_row ? ""
                                      : "0");
            text += join(cells);
        } else {
            // Every comma separates cells: the new one goes after the at-th comma, or last.
            const std::size_t kind = line.find(',');
            const bool resume_row = kind != std::string_view::npos &&
                                    line.substr(kind + 1, line.find(',', kind + 1) - kind - 1) == "resume";
            const std::string_view cell = resume_row ? "" : "0";
            std::size_t past = 0, commas = 0;  // past the commas counted
            for (std::size_t c; commas < at && (c = line.find(',', past)) != std::string_view::npos; ++commas)
                past = c + 1;
            if (commas == at)
                text.append(line.substr(0, past)).append(cell).append(",").append(line.substr(past));
            else
                text.append(line).append(",").append(cell);
        }
        text += '\n';
        first = false;
    }
    steps_.close();
    io.replace_file(STEP_TABLE, text);
    steps_.open(io, io.path_of(STEP_TABLE), false);
}

void StepTables::write_step(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq,
                            const RunParams& rp, StepArrival arrival, Io& io) {
    // The starting point of a resumed run is the last step of the tables already.
    const bool skip = skip_start_ && arrival == StepArrival::Start;
    skip_start_ = false;
    if (skip) return;
    for (int p = 1; p <= eq.nph; ++p)
        if (std::find(phases_.begin(), phases_.end(), eq.ph[p]) == phases_.end()) add_phase_column(sys, eq.ph[p], io);
    ++step_;
    const std::string step = std::to_string(step_);
    const char* kind = arrival_name(arrival);

    double steam = 0, gas = 0;
    for (int p = 1; p <= eq.nph; ++p) {
        const int i = eq.ph[p];
        if (i > sys.ngas_records) continue;
        gas += eq.mn_moles[i];
        if (raw_names_[static_cast<std::size_t>(sys.ns + i)] == "H2O,gas") steam += eq.mn_moles[i];
    }
    const auto [path_name, path_value] = path_variable(rp);
    // The status column sits between the fixed columns and the phases': the row is made of
    // its two halves.
    std::string status;
    CsvText head(head_text_), tail(tail_text_);
    Cells h(head, status);
    h.text(step);
    h.text(kind);
    h.text(path_name);
    const double values[] = {
        path_value,  rp.TEMP, rp.PFLUID, -std::log10(eq.act[1]), eq.gamma[2], eq.actmodel.I, eq.actmodel.I_st,
        eq.water_kg, steam,   gas};
    for (std::size_t c = 3; c < 13; ++c) h.number(values[c - 3], FIXED_COLUMNS[c]);
    if (rp.IENTH != 0)
        h.number(rp.ENTH, FIXED_COLUMNS[13]);
    else
        h.empty(1);
    Cells t(tail, status);
    for (const int i : phases_) {
        double moles = 0;
        for (int p = 1; p <= eq.nph; ++p)
            if (eq.ph[p] == i) moles = eq.mn_moles[i];
        t.number(moles, raw_names_[static_cast<std::size_t>(sys.ns + i)]);
    }
    for (int k = 1; k <= sys.nc; ++k)
        if (k != 2) t.number(eq.comp[k].aqueous() / eq.water_kg, raw_names_[static_cast<std::size_t>(k)]);
    head.put(',');
    head.put(field(status));
    head.put(',');
    head.put(tail.view());
    steps_.line(head.view());

    // The long table, made straight in the file's gathered lines: the species, then the gases
    // and minerals.
    CsvText block(species_.text(), species_.end());
    // For the species rows; the gases' and minerals' log K and log Q/K hardly ever repeat,
    // and their moles of 0 are written as fast as looked up.
    RepeatedNumbers repeats(block);
    // Every row begins with the step and how it was reached; its status cell is empty but
    // for a value that is not finite.
    char row_start[ROW_START] = {};
    char* const start_end = std::to_chars(row_start, row_start + ROW_START, step_).ptr;
    *start_end = ',';
    const std::size_t kind_length = std::strlen(kind);
    std::memcpy(start_end + 1, kind, kind_length);
    start_end[1 + kind_length] = ',';
    const std::size_t start_length = static_cast<std::size_t>(start_end - row_start) + kind_length + 2;
    std::string row_status;
    auto begin_row = [&](int n) {
        Row r(block, row_room_, row_status);
        r.copy(row_start, start_length);
        const RowHead name = row_heads_[static_cast<std::size_t>(n)];
        r.copy(row_head_text_.data() + name.at, name.length);
        return r;
    };
    for (int j = 1; j <= sys.ns; ++j) {
        if (j == 2) continue;
        Row r = begin_row(j);
        r.number(eq.m[j], "molality", &repeats);
        r.number(eq.act[j], "activity", &repeats);
        r.number(eq.gamma[j], "gamma", &repeats);
        r.end(SPECIES_TAIL);
    }
    in_matrix_.assign(static_cast<std::size_t>(sys.nmin) + 1, 0);
    for (int p = 1; p <= eq.nph; ++p) in_matrix_[static_cast<std::size_t>(eq.ph[p])] = 1;
    LogActivities log_act(eq);
    for (int i = 1; i <= sys.nmin; ++i) {
        const bool in = in_matrix_[static_cast<std::size_t>(i)] != 0;
        Row r = begin_row(sys.ns + i);
        r.number(cond.mn_logk[i], "log_K");
        r.number(phase_log_q(sys, eq, i, in, log_act) - cond.mn_logk[i], "log_Q_K");
        if (in) {
            r.number(eq.mn_moles[i], "moles");
            r.end(IN_MATRIX_TAIL);
        } else {
            r.end(NOT_IN_MATRIX_TAIL);
        }
    }
    species_.made(block.end());
}

}  // namespace zq
