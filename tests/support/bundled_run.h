// Test support: whole runs with the bundled database (data/DORNEVAL.QVD, data/MINOX.DAT) on
// a run file written here, and the species tables read back from the listing.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/run_dir.h"

namespace zq::test {

// A solution row of the run file: database component number, name and total moles (per kg
// of water); the trial molality is the total (1e-8 for an H+ total not above 0).
struct SolutionRow {
    int number;
    std::string name;
    double total;
};

// A run on the saturation curve starting at `temp` C and `pfluid` bar, with the temperature
// path SINC, SLIM (-5 and `temp` stop after the first equilibrium), Cl- as the
// charge-balance component, and every species with a molality of at least SUPRNT listed.
struct BundledRun {
    double temp = 25.0, pfluid = 1.0133, sinc = -5.0, slim = 25.0, suprnt = 1e-300;
    std::vector<SolutionRow> rows;
    std::string run_file() const;
};

struct SpeciesRow {
    double molality = 0, gamma = 0;  // gamma as printed (E11.5); for H2O its activity
};

// One solve's species table and the lines above it.
struct SpeciesTable {
    double temp = 0, ionic = 0, ionic_st = 0;  // C, true and stoichiometric ionic strength
    std::map<std::string, SpeciesRow> species;
    double solutes() const;  // the sum of the listed molalities but water's
};

std::vector<SpeciesTable> species_tables(const std::string& listing);

// Copies the bundled database and reactant file into `dir`.
void stage_bundled_data(const TempDir& dir);

}  // namespace zq::test
