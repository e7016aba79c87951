// The pickup writer: the run's current state in the layout of ZARNRUN.DAT, so that the
// reader takes it back as the next run file. Current values where the run changed them
// (pH, pressure, temperature, enthalpies, component rows, the phases in the matrix), the
// adjusted input values elsewhere, C and LIMSOL as read.
#include "driver/pickup.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/run_params.h"
#include "driver/run_file.h"
#include "driver/run_state.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "solver/equilibrium_state.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

// A data field of a written line: its name for the warning (`what` followed by `of`), the
// blanks before it and its width. The name is only put together for a field that does not fit.
struct Slot {
    std::string_view what;
    int gap;
    int width;
    std::string_view of = {};
};

// Makes the pickup text, or with `check_only` only looks for the fields that do not fit (a
// run looks at every step's pickup, and writes few of them).
class PickupBuilder {
public:
    PickupBuilder(std::vector<std::string>& unreadable, bool check_only = false)
        : unreadable_(unreadable), check_only_(check_only) {}

    // Adds one or more lines made by a layout.
    void add(std::string_view lay, std::initializer_list<FieldValue> values = {}) {
        if (check_only_) return;
        layout_to(text_, lay, values);
        text_ += '\n';
    }

    // Adds one data line and notes every field of it that came out as asterisks.
    void add_checked(std::string_view lay, std::initializer_list<FieldValue> values,
                     std::initializer_list<Slot> slots) {
        if (check_only_ && layout_surely_fits(lay, values)) return;
        const std::size_t start = text_.size();
        if (check_only_)
            layout_mask_to(text_, lay, values);
        else
            layout_to(text_, lay, values);
        const std::string_view line = std::string_view(text_).substr(start);
        std::size_t pos = 0;
        for (const Slot& s : slots) {
            pos += static_cast<std::size_t>(s.gap);
            if (pos >= line.size()) break;
            const std::string_view field = line.substr(pos, static_cast<std::size_t>(s.width));
            // No number prints a '*': the editor fills a field (or the fixed-point part of a
            // general field) with asterisks when the value does not fit.
            if (field.find('*') != std::string_view::npos)
                unreadable_.push_back(std::string(s.what) + std::string(s.of));
            pos += static_cast<std::size_t>(s.width);
        }
        if (check_only_)
            text_.resize(start);
        else
            text_ += '\n';
    }

    std::string take() { return std::move(text_); }

private:
    std::string text_;
    std::vector<std::string>& unreadable_;
    bool check_only_;
};

void write_parameters(PickupBuilder& b, const RunParams& rp) {
    b.add(R"([A120])", {rp.title1});
    b.add(R"([A120])", {rp.title2});

    b.add(R"(/ "<  erpc  ><   pH   >< pfluid ><  temp  ><  tempc >" "<  volbox-1  ><rhofresh>< rhorock>")");
    b.add_checked(R"([1X] [E9.3] 4[[1X] [F9.4]] [1X] [G13.8] 2[[1X] [G9.4]])",
                  {rp.ERPC, rp.pH, rp.PFLUID, rp.TEMP, rp.TEMPC, rp.VBOX1, rp.RHOFRS, rp.RHOROC},
                  {{"ERPC", 1, 9},
                   {"pH", 1, 9},
                   {"PFLUID", 1, 9},
                   {"TEMP", 1, 9},
                   {"TEMPC", 1, 9},
                   {"VBOX-1", 1, 13},
                   {"RHOFRS", 1, 9},
                   {"RHOROC", 1, 9}});

    // With enthalpy as the path variable the third place carries the enthalpy added so far.
    const bool enthalpy_path = rp.INCP > 1;
    b.add(R"(/ "< step increm >< step limit  >< total mixer >")");
    b.add_checked(R"(3[[1X] [G14.8]])", {rp.SINC, rp.SLIM, enthalpy_path ? rp.enth_added : rp.TOTMIX},
                  {{"SINC", 1, 14}, {"SLIM", 1, 14}, {enthalpy_path ? "TOTMIX (enthalpy added)" : "TOTMIX", 1, 14}});

    b.add(R"(/ "<  enth   ><  senth  ><  denth  ><  totwat >< solmin >" "<   rm   ><  aqgrm >< suprnt >")");
    b.add_checked(R"(4[[1X] [F10.4]] [1X] [E9.3] 2[[1X] [F9.4]] [1X] [E9.3])",
                  {rp.ENTH, rp.SENTH, rp.DENTH, rp.TOTWAT, rp.SOLMIN, rp.RM, rp.AQGRM, rp.SUPRNT},
                  {{"ENTH", 1, 10},
                   {"SENTH", 1, 10},
                   {"DENTH", 1, 10},
                   {"TOTWAT", 1, 10},
                   {"SOLMIN", 1, 9},
                   {"RM", 1, 9},
                   {"AQGRM", 1, 9},
                   {"SUPRNT", 1, 9}});

    b.add(R"(/ "l/v:0  chg    i    i    n    i  lim         i   it " "   i    i   in incr  min         a  min")"
          R"( / "hiP:1  bal frac punc loop step  sol looc enth  ref " "deal psat crem    P solv neut watr  chg")");
    b.add_checked(R"([18I5])",
                  {rp.CONFLG, rp.C_read, rp.IFRAC, rp.IPUNCH, rp.NLOOP, rp.ISTEP, rp.LIMSOL_read, rp.LOOC, rp.IENTH,
                   rp.ITREF, rp.IDEAL, rp.IPSAT, rp.INCREM, rp.INCP, rp.MINSOL, rp.NEUT, rp.AWAT, rp.CHGF},
                  {{"CONFLG", 0, 5},
                   {"C", 0, 5},
                   {"IFRAC", 0, 5},
                   {"IPUNCH", 0, 5},
                   {"NLOOP", 0, 5},
                   {"ISTEP", 0, 5},
                   {"LIMSOL", 0, 5},
                   {"LOOC", 0, 5},
                   {"IENTH", 0, 5},
                   {"ITREF", 0, 5},
                   {"IDEAL", 0, 5},
                   {"IPSAT", 0, 5},
                   {"INCREM", 0, 5},
                   {"INCP", 0, 5},
                   {"MINSOL", 0, 5},
                   {"NEUT", 0, 5},
                   {"AWAT", 0, 5},
                   {"CHGF", 0, 5}});
}

// Component rows; the water row (the second) carries its totals in kilograms.
void write_components(PickupBuilder& b, const ChemicalSystem& sys, const EquilibriumState& eq) {
    b.add(R"(/ " saq> <   name   ><   total moles   >" "< trial molality  ><       gamma     ><mixer total moles>")");
    for (int k = 1; k <= sys.nc; ++k) {
        const Component& c = sys.comp[k];
        const bool water = k == 2;
        const double total = water ? eq.comp[k].total / WATER_MOLES_PER_KG : eq.comp[k].total;
        const double mix = water ? c.mix_total / WATER_MOLES_PER_KG : c.mix_total;
        // The row's name, for the warning of a field that does not fit: made at every step
        // for every component, so put together by hand rather than printed.
        char name[64];
        char* at = name;
        auto put = [&at](std::string_view s) { at = std::copy(s.begin(), s.end(), at); };
        put("component row ");
        at = std::to_chars(at, name + 20, k).ptr;
        put(" (SAQ ");
        at = std::to_chars(at, name + 40, c.saq).ptr;
        put(")");
        const std::string_view row(name, static_cast<std::size_t>(at - name));
        b.add_checked(R"([I5] [1X] [A12] [4G19.12])", {c.saq, sys.sp[k].name, total, eq.m[k], eq.gamma[k], mix},
                      {{"SAQ of ", 0, 5, row},
                       {"total moles of ", 13, 19, row},
                       {"trial molality of ", 0, 19, row},
                       {"gamma of ", 0, 19, row},
                       {"mixer total moles of ", 0, 19, row}});
    }
}

void write_name_blocks(PickupBuilder& b, const ChemicalSystem& sys, const EquilibriumState& eq) {
    // The phases now in the matrix become the next run's saturated minerals.
    b.add(R"(/ "<     minerals     >  < min trial moles>")");
    for (int p = 1; p <= eq.nph; ++p) {
        const int m = eq.ph[p];
        const std::string_view name = sys.mn[m].name.view();
        b.add_checked(R"([A20] [2X] [G18.12] [A8])", {sys.mn[m].name, eq.mn_moles[m], "        "},
                      {{"moles of matrix phase ", 22, 18, name.substr(0, name.find_last_not_of(' ') + 1)}});
    }

    b.add(R"(/ "<    reactants     >  < weight percent ><  ppm? >")");
    for (int r = 1; r <= sys.nreact; ++r) {
        const std::string_view name = sys.react[r].name.view();
        b.add_checked(R"([A20] [2X] [G18.12])", {sys.react[r].name, sys.react[r].amount},
                      {{"amount of reactant ", 22, 18, name.substr(0, name.find_last_not_of(' ') + 1)}});
    }

    b.add(R"(/ "< mins to suppress >")");
    for (int i = 1; i <= sys.nsupp; ++i) b.add(R"([A20])", {sys.supp[i]});

    b.add(R"(/ "< don't fractionate>")");
    for (int i = 1; i <= sys.ndontfrac; ++i) b.add(R"([A20])", {sys.dontfrac[i]});

    b.add(R"(/ "<  T-P curve data  >")");
    for (int i = 1; i <= sys.ncurve; ++i) {
        const std::string point = "T-P curve point " + std::to_string(i);
        b.add_checked(R"([2F10.3])", {sys.curve_t[i], sys.curve_p[i]},
                      {{"temperature of ", 0, 10, point}, {"pressure of ", 0, 10, point}});
    }
}

// The message a reader left on the console: its last block of non-blank lines.
std::string last_message(const std::string& console) {
    std::vector<std::string> lines;
    std::istringstream in(console);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos) lines.pop_back();
    std::size_t first = lines.size();
    while (first > 0 && lines[first - 1].find_first_not_of(' ') != std::string::npos) --first;
    std::string text;
    for (std::size_t i = first; i < lines.size(); ++i) text += (text.empty() ? "" : "\n") + lines[i];
    return text;
}

// The state the read-back check reads a pickup into. A run checks a pickup after every full
// step and the state is large, so it is made once per thread and reused: the reader resets
// every count and map it fills, so what an earlier check left in it does not count.
RunState& scratch_state() {
    thread_local std::unique_ptr<RunState> scratch;
    if (!scratch) scratch = std::make_unique<RunState>();
    return *scratch;
}

// Stops the run when ZARNRUN.DAT cannot take `text`, saying why: the pickup goes to
// ZARNRUN.SAV instead.
[[noreturn]] void keep_run_file(const std::string& text, const std::string& why, Io& io) {
    io.replace_file(PICKUP_SAVE, text);
    io.console(layout(R"(/ "  >> Pickup file written on disk <<" /)"));
    io.both(layout(R"(/ A / [2X] "The pickup is written to " A "; " A " keeps the last pickup it could take." /)"
                   R"( [2X] "Execution stopped." /)",
                   {why, PICKUP_SAVE, PICKUP_RUN_FILE}));
    stop_run(1);
}

// ZARNRUN.DAT is the user's run file: it is replaced only by a pickup that the reader takes
// back, and only when the user lets it be written. The fields that print as asterisks are
// checked at every offer; the file's rights and the reader just before the file is replaced.
void check_fields(const std::string& text, const std::vector<std::string>& unreadable, Io& io) {
    if (unreadable.empty()) return;
    std::string fields;
    for (const std::string& f : unreadable) fields += (fields.empty() ? "" : "; ") + f;
    keep_run_file(
        text, layout(R"([2X] "The pickup of this step cannot be read back: " A " does not fit its column.")", {fields}),
        io);
}

// Just before the file is replaced: its rights, and the reader.
void check_before_writing(const std::string& text, Io& io) {
    if (io.read_only(PICKUP_RUN_FILE))
        keep_run_file(text, layout(R"([2X] A " is read-only: it is not replaced.")", {PICKUP_RUN_FILE}), io);
    if (std::string reason; !pickup_reads_back(text, &reason))
        keep_run_file(text,
                      layout(R"([2X] "The pickup of this step would not be read back as a run file:" /)") + reason, io);
}

// The console line of a pickup, and the warnings of its fields that do not fit.
void announce(std::string_view dest, const std::vector<std::string>& unreadable, Io& io) {
    io.console(layout(R"(/ "  >> Pickup file written on disk <<" /)"));
    for (const std::string& field : unreadable) {
        io.both(layout(
            R"([2X] "WARNING: pickup field " [A] " in " [A] " does not fit its column and cannot be read back.")",
            {field, std::string(dest)}));
    }
}

}  // namespace

namespace {

std::string build_pickup(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                         std::vector<std::string>& unreadable, bool check_only) {
    PickupBuilder b(unreadable, check_only);
    write_parameters(b, rp);
    write_components(b, sys, eq);
    write_name_blocks(b, sys, eq);
    return b.take();
}

}  // namespace

std::string pickup_text(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        std::vector<std::string>& unreadable) {
    return build_pickup(sys, eq, rp, unreadable, false);
}

std::string pickup_text(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        std::string* unreadable) {
    std::vector<std::string> names;
    std::string text = pickup_text(sys, eq, rp, names);
    if (unreadable != nullptr) {
        for (const std::string& n : names) {
            if (!unreadable->empty()) *unreadable += "; ";
            *unreadable += n;
        }
    }
    return text;
}

bool pickup_reads_back(const std::string& text, std::string* reason) {
    std::istringstream in;  // every question answered by Enter
    std::ostringstream out;
    Io scratch(Io::Scratch{}, in, out);
    RunState& run = scratch_state();
    TextSource src(text, std::string(PICKUP_RUN_FILE));
    try {
        read_run_file(src, run.sys, run.eq, run.rp, scratch);
    } catch (const RunStop&) {
        if (reason != nullptr) *reason = last_message(out.str());
        return false;
    }
    return true;
}

void write_pickup(std::string_view dest, const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                  Io& io) {
    PickupSchedule(0).offer(dest, sys, eq, rp, io);  // a first offer is written at once
}

void PickupSchedule::offer(std::string_view dest, const ChemicalSystem& sys, const EquilibriumState& eq,
                           const RunParams& rp, Io& io) {
    Waiting& w = dest == PICKUP_RUN_FILE ? run_file_ : save_;
    std::vector<std::string> unreadable;
    build_pickup(sys, eq, rp, unreadable, true);
    if (dest == PICKUP_RUN_FILE && !unreadable.empty())
        checked([&] { check_fields(pickup_text(sys, eq, rp), unreadable, io); });
    // The state is kept, and its text made when the file is written.
    if (!w.eq) w.eq = std::make_unique<EquilibriumState>();
    assign_in_use(*w.eq, eq, sys);
    w.rp = rp;
    sys_ = &sys;
    w.waiting = true;
    if (!w.written || std::chrono::duration<double>(Clock::now() - w.when).count() >= interval_) write(dest, w, io);
    announce(dest, unreadable, io);
}

void PickupSchedule::flush(Io& io) {
    if (run_file_.waiting) write(PICKUP_RUN_FILE, run_file_, io);
    if (save_.waiting) write(PICKUP_SAVE, save_, io);
}

void PickupSchedule::write(std::string_view dest, Waiting& w, Io& io) {
    w.waiting = false;
    if (before_write_) before_write_();
    const std::string text = pickup_text(*sys_, *w.eq, w.rp);
    if (dest == PICKUP_RUN_FILE) checked([&] { check_before_writing(text, io); });
    io.replace_file(dest, text);
    w.written = true;
    w.when = Clock::now();
}

}  // namespace zq
