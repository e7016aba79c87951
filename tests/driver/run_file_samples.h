// Run files for the reader and pickup tests, and a helper that runs the reader alone on a
// text with a scripted console.
#pragma once

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_file.h"
#include "driver/run_state.h"
#include "format/text_io.h"
#include "format/text_source.h"
#include "support/run_dir.h"

namespace zq::test {

inline std::string pad_right(std::string_view s, std::size_t w) {
    std::string out(s);
    if (out.size() < w) out.resize(w, ' ');
    return out;
}

inline std::string pad_left(std::string_view s, std::size_t w) {
    std::string out(s);
    if (out.size() < w) out.insert(0, w - out.size(), ' ');
    return out;
}

// A component row: number in columns 1-5, name in 7-18, then four 19-column fields.
inline std::string comp_row(std::string_view saq, std::string_view name, std::string_view total,
                            std::string_view molality, std::string_view gamma, std::string_view mix = "0.0") {
    return pad_left(saq, 5) + " " + pad_right(name, 12) + pad_left(total, 19) + pad_left(molality, 19) +
           pad_left(gamma, 19) + pad_left(mix, 19);
}

// A mineral or reactant row: name in columns 1-20, amount in 23-40, unit from 41.
inline std::string name_row(std::string_view name, std::string_view amount, std::string_view unit = "") {
    return pad_right(name, 20) + "  " + pad_left(amount, 18) + std::string(unit);
}

// The parts of a run file, joined into its text by text().
struct RunFileParts {
    std::string title1 = "Reader test run";
    std::string title2 = "second title";
    std::string line4 = "0 0 0 150 0 0 0 0";  // ERPC pH PFLUID TEMP TEMPC VBOX-1 RHOFRS RHOROC
    std::string line6 = "2 100 0";            // SINC SLIM TOTMIX
    std::string line8 = "0 0 0 0 0 0 0 0";    // ENTH ... SUPRNT
    std::string options = "0 1 0 0 100 0 0 0 0 0 0 0 0 0 0 0 0 0";
    std::vector<std::string> comps = {comp_row("1", "H+", "1.0E-3", "1.0E-7", "1.0"),
                                      comp_row("2", "H2O", "1.0", "1.0", "1.0", "0.5")};
    bool comp_terminator = true;  // the blank line after the component rows
    std::vector<std::string> minerals;
    std::vector<std::string> reactants;
    std::vector<std::string> suppressed;
    std::vector<std::string> dontfrac;
    std::vector<std::string> curve;

    std::string text() const {
        std::string t;
        auto add = [&t](std::string_view l) {
            t += l;
            t += '\n';
        };
        add(title1);
        add(title2);
        add("");
        add("<  erpc  ><   pH   >< pfluid ><  temp  >");
        add(line4);
        add("");
        add("< step increm >< step limit  >< total mixer >");
        add(line6);
        add("");
        add("<  enth   ><  senth  ><  denth  ><  totwat >");
        add(line8);
        add("");
        add("l/v:0  chg    i    i    n");
        add("hiP:1  bal frac punc loop");
        add(options);
        add("");
        add(" saq> <   name   ><   total moles   >");
        for (const auto& r : comps) add(r);
        if (comp_terminator) add("");
        add("<     minerals     >  < min trial moles>");
        for (const auto& r : minerals) add(r);
        add("");
        add("<    reactants     >  < weight percent ><  ppm? >");
        for (const auto& r : reactants) add(r);
        add("");
        add("< mins to suppress >");
        for (const auto& r : suppressed) add(r);
        add("");
        add("< don't fractionate>");
        for (const auto& r : dontfrac) add(r);
        add("");
        add("<  T-P curve data  >");
        for (const auto& r : curve) add(r);
        return t;
    }
};

// A run file with every block populated: INCP = 2, C = 7 on the fourth row, reactants in
// ppm and ppb, a four-point curve. `water_total` and `water_molality` fill the water row.
inline RunFileParts rich_parts(std::string_view water_total = "0.75", std::string_view water_molality = "1.0") {
    RunFileParts p;
    p.title1 = "Rich run: every block populated";
    p.title2 = "pickup round trip";
    p.line4 = "1.0E-11 0 0 175.0 0 250.0 1.02 2.65";
    p.line6 = "2.0, 100.0, 3.5";
    p.line8 = "-50.0 0 1.5 0 1.0E-9 0.5 0 0";
    p.options = "1 7 2 1 100 0 1 1 0 1 2 0 1 2 3 0 0 0";
    p.comps = {comp_row("1", "H+", "1.0E-3", "1.0E-7", "0.9", "2.0E-3"),
               comp_row("2", "H2O", water_total, water_molality, "1.0", "0.4"),
               comp_row("4", "Ca++", "2.5E-3", "1.0E-3", "0.55", "1.0E-4"),
               comp_row("7", "Cl-", "6.0E-3", "5.0E-3", "0.8", "0.0"), comp_row("15", "SiO2,aq", "1.0E-4", "0", "0")};
    p.minerals = {name_row("Quartz", "1.5"), name_row("Calcite", "0")};
    p.reactants = {name_row("Granite", "250.0", "ppm"), name_row("Basalt", "12.5"),
                   name_row("Pyrite", "3000.", "ppb     ")};
    p.suppressed = {"Albite", "Anorthite"};
    p.dontfrac = {"Quartz"};
    p.curve = {"100.0 1.013", "150.0 4.76", "200.0 15.55", "300.0 85.88"};
    return p;
}

// The outcome of reading a run file alone: status 0 when the reader returned, else the stop.
struct ReadOutcome {
    int status = 0;
    std::string console;
    std::string listing;
    std::string input_left;  // console input not consumed
};

// Runs the reader on `text` in a temporary directory with `answers` as console input.
inline ReadOutcome read_text(const std::string& text, RunState& run, std::string_view answers = {}) {
    TempDir dir;
    std::istringstream in{std::string(answers)};
    std::ostringstream out;
    ReadOutcome r;
    {
        Io io(dir.path(), in, out);
        TextSource src(text, "ZARNRUN.DAT");
        try {
            read_run_file(src, run.sys, run.eq, run.rp, io);
        } catch (const RunStop& stop) {
            r.status = stop.status();
        }
        io.listing().flush();
    }
    r.console = out.str();
    r.listing = dir.read("ZARNOUT.DAT");
    std::ostringstream rest;
    rest << in.rdbuf();
    r.input_left = rest.str();
    return r;
}

// A fresh run on the heap (it is too large for the stack), with the start-up values the
// driver sets before the reader runs.
inline std::unique_ptr<RunState> fresh_run() {
    auto run = std::make_unique<RunState>();
    for (int i = 1; i <= MAX_SPECIES; ++i) run->eq.gamma[i] = 1.0;
    return run;
}

}  // namespace zq::test
