#include "support/db_stage.h"

#include <cmath>

#include <fstream>
#include <stdexcept>

#include "driver/program.h"
#include "thermo/database.h"
#include "thermo/grid.h"
#include "thermo/reactants.h"

namespace zq::test {

std::string fixture_text(std::string_view name) {
    std::ifstream f(source_path("tests/data/fixture") / std::string(name), std::ios::binary);
    if (!f) throw std::runtime_error("missing fixture " + std::string(name));
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string col(std::string_view s, std::size_t w) {
    std::string r(s.substr(0, w));
    r.resize(w, ' ');
    return r;
}

Stage::Stage()
    : io(std::make_unique<Io>(dir.path(), in, out)),
      run(std::make_unique<RunState>()),
      sys(run->sys),
      cond(run->cond),
      rp(run->rp),
      eq(run->eq),
      ps(run->ps) {
    rp.ERPC = 1e-12;
    rp.LIMSOL = 1;
    rp.IDEAL = 3;
    rp.MINSOL = 1;
    set_temperature(100.0, 10.0, 0);
    set_components({1, 2, 7, 3, 5, 9, 8, 4, 10, 6});
    sys.nsupp = 2;
    sys.supp[1] = Name20("CaCl+");
    sys.supp[2] = Name20("Gypsum");
    sys.nsat = 2;
    sys.sat[1].name = Name20("Quartz");
    sys.sat[1].moles = 0.5;
    sys.sat[2].name = Name20("Calcite");
    sys.sat[2].moles = 1e-3;
}

void Stage::set_components(std::initializer_list<int> db_numbers) {
    for (int k = 1; k <= MAX_DB_COMPONENTS; ++k) sys.cmap[k] = 0;
    sys.nc = 0;
    for (int db : db_numbers) {
        ++sys.nc;
        sys.comp[sys.nc].saq = db;
        sys.cmap[db] = sys.nc;
    }
}

void Stage::set_temperature(double t, double p, int conflg) {
    rp.TEMP = t;
    cond.TK = kelvin(t);
    rp.PFLUID = p;
    cond.logP = std::log10(p);
    rp.CONFLG = conflg;
    if (conflg == 1) locate_grid(p, t, cond.grid);
}

int Stage::read_database(const std::string& text) {
    TextSource src(text, "DORNEVAL.QVD");
    // As start-up does: the matched minerals enter the matrix.
    return stop_status([&] {
        zq::read_database(src, sys, cond, rp, *io);
        enter_saturated_minerals(sys, eq);
    });
}

int Stage::read_reactants(const std::string& text) {
    TextSource src(text, "MINOX.DAT");
    return stop_status([&] { zq::read_reactants(src, sys, rp, *io); });
}

std::string Stage::listing() {
    io->listing().flush();
    return dir.read("ZARNOUT.DAT");
}

std::string Stage::report() {
    io->skip_report().flush();
    return dir.read("Skip_Species.txt");
}

std::vector<std::string> Stage::species_names() const {
    std::vector<std::string> names;
    for (int i = sys.nc + 1; i <= sys.ns; ++i) names.push_back(sys.sp[i].name.str());
    return names;
}

std::vector<std::string> Stage::mineral_names() const {
    std::vector<std::string> names;
    for (int i = 1; i <= sys.nmin; ++i) names.push_back(sys.mn[i].name.str());
    return names;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return lines;
}

std::string join_lines(const std::vector<std::string>& lines, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) text += lines[i] + "\n";
    return text;
}

std::string edited(std::string text, const std::vector<Edit>& edits) {
    std::vector<std::string> lines = split_lines(text);
    for (const Edit& e : edits) {
        std::size_t at = lines.size();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == e.anchor) {
                at = i;
                break;
            }
        if (at == lines.size()) throw std::runtime_error("no line " + e.anchor);
        lines.at(at + static_cast<std::size_t>(e.offset)) = e.replacement;
    }
    return join_lines(lines, lines.size());
}

}  // namespace zq::test
