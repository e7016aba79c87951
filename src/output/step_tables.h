// The tables of a run, beside the listing, for spreadsheets and plotting scripts: CSV with
// a header line and plain numbers in full precision.
//  - ZARNSTEP.CSV: one row per accepted step (the equilibria the plot file records): the
//    path variable, temperature, pressure, pH, water, ionic strength, steam and gas, the
//    moles of every phase that has been in the matrix (a column is added, and the table
//    rewritten whole, when a phase first enters), and the dissolved total of every
//    component per kg of water.
//  - ZARNSPEC.CSV: for every such step, a row per species (molality, activity, gamma) and
//    per gas and mineral (log K, log Q/K, moles, in the matrix or not).
// Rows are written whole, gathered in blocks; the run loop flushes them before every pickup
// it writes, so the tables on disk always reach the step of the pickups on disk. A run that
// resumes from the pickup of the last step in the tables appends to them after a row of kind
// "resume" (its starting point, that last step, is not written again); any other run starts
// them afresh. A value that is not finite is written empty and named in the row's status
// column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/text_io.h"

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct EquilibriumState;
struct RunParams;

inline constexpr const char* STEP_TABLE = "ZARNSTEP.CSV";
inline constexpr const char* SPECIES_TABLE = "ZARNSPEC.CSV";

// How the path came to a step: its starting point, a full increment, or part of one (a
// step back while searching by half steps).
enum class StepArrival { Start, Full, Half };

class StepTables {
public:
    // At the start of the run loop: resume the tables of an earlier run that reached this
    // run's starting point, or start them afresh. The starting point is usually the tables'
    // last step; after a killed run it may be an earlier one (the pickup is written at most
    // every 0.1 s), and the rows after it, which this run computes again, are dropped.
    void open(const ChemicalSystem& sys, const RunParams& rp, Io& io);
    // The rows of an accepted step (after the phase-assemblage check).
    void write_step(const ChemicalSystem& sys, const Conditions& cond, const EquilibriumState& eq, const RunParams& rp,
                    StepArrival arrival, Io& io);
    // Writes the rows gathered so far.
    void flush() {
        steps_.flush();
        species_.flush();
    }

private:
    bool resumable(const ChemicalSystem& sys, const RunParams& rp, const std::string& text);
    void add_phase_column(const ChemicalSystem& sys, int phase, Io& io);
    void drop_rows_after_start(const std::string& steps, Io& io);

    std::vector<int> phases_;     // the phases with a column, in column order
    long step_ = 0;               // rows written, counting those of the run resumed
    bool skip_start_ = false;     // resumed: the starting point is the tables' last step
    std::size_t keep_lines_ = 0;  // resumed: the lines of the step table up to the starting point
    AppendFile steps_, species_;
    std::vector<std::string> raw_names_;  // species 1..NS, then the phases
    // The start of each long-table row after the step and kind: the type, the name as a CSV
    // field and the empty cells before the first number. They lie one after another in
    // row_head_text_, which ends in padding so that each is copied in whole blocks.
    struct RowHead {
        std::uint32_t at = 0, length = 0;
    };
    std::string row_head_text_;
    std::vector<RowHead> row_heads_;        // indexed like raw_names_
    std::size_t row_room_ = 0;              // the characters a long-table row may write into
    std::vector<unsigned char> in_matrix_;  // by phase, for the step being written
    // The texts a step's rows are made in, kept from step to step with their room.
    std::string head_text_, tail_text_;
};

}  // namespace zq
