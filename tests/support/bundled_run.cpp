#include "support/bundled_run.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace zq::test {

std::string BundledRun::run_file() const {
    char buf[256];
    std::string s = "Bundled-data test run\nwritten by tests/support/bundled_run.cpp\n\ncaption\n";
    std::snprintf(buf, sizeof buf, "1e-12 0 %.4f %.4f 0 0 0 0\n\ncaption\n%.4f %.4f 0\n\ncaption\n", pfluid, temp, sinc,
                  slim);
    s += buf;
    std::snprintf(buf, sizeof buf, "0 0 0 90 1e-10 0 0 %.3e\n\ncaption\ncaption\n", suprnt);
    s += buf;
    s += "0 3 0 0 100 0 1 0 0 0 0 0 0 0 0 0 0 0\n\ncaption\n";
    for (const SolutionRow& r : rows) {
        const double trial = r.number == 2 ? 1.0 : r.total > 0 ? r.total : 1e-8;
        std::snprintf(buf, sizeof buf, "%5d %-12s%19.6e%19.6e%19.6e%19.6e\n", r.number, r.name.c_str(), r.total, trial,
                      1.0, 0.0);
        s += buf;
    }
    s += "\ncaption minerals\n\ncaption reactants\n\ncaption suppressed\n\ncaption dont frac\n\ncaption curve\n";
    return s;
}

double SpeciesTable::solutes() const {
    double sum = 0.0;
    for (const auto& [name, row] : species)
        if (name != "H2O") sum += row.molality;
    return sum;
}

namespace {

double number_after(const std::string& line, char mark) { return std::stod(line.substr(line.find(mark) + 1)); }

}  // namespace

// Listing lines: "  Temperature =  25.00 C ...", "  Stoichiometric ionic strength = .7222074E+00
// ...", "  True ionic strength = ...", then the table after "   Species(n)" and a blank
// line, rows [1X][I3][1X][A12][1X][E11.5] molality ... [1X][E11.5] gamma [1X][F9.4].
std::vector<SpeciesTable> species_tables(const std::string& listing) {
    std::vector<SpeciesTable> out;
    std::istringstream in(listing);
    std::string line;
    SpeciesTable cur;
    while (std::getline(in, line)) {
        if (line.rfind("  Temperature = ", 0) == 0) cur.temp = number_after(line, '=');
        if (line.rfind("  Stoichiometric ionic strength", 0) == 0) cur.ionic_st = number_after(line, '=');
        if (line.rfind("  True ionic strength", 0) == 0) cur.ionic = number_after(line, '=');
        if (line.rfind("   Species(n)", 0) != 0) continue;
        std::getline(in, line);
        cur.species.clear();
        while (std::getline(in, line) && line.size() > 17 && line.find_first_not_of(' ') != std::string::npos) {
            std::string name = line.substr(5, 12);
            name.erase(name.find_last_not_of(' ') + 1);
            SpeciesRow row;
            const std::string m = line.substr(18, 11);
            row.molality = m.find_first_not_of(' ') == std::string::npos ? 0.0 : std::stod(m);
            row.gamma = std::stod(line.substr(62, 11));
            cur.species[name] = row;
        }
        out.push_back(cur);
    }
    return out;
}

void stage_bundled_data(const TempDir& dir) {
    for (const char* file : {"DORNEVAL.QVD", "MINOX.DAT"}) {
        std::ifstream f(source_path(std::string("data/") + file), std::ios::binary);
        dir.write(file, std::string(std::istreambuf_iterator<char>(f), {}));
    }
}

}  // namespace zq::test
