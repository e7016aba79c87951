// The omitted-species report Skip_Species.txt and its note in the listing.
#pragma once

#include "base/fixed.h"

namespace zq {

class Io;

// Written right after the run file's option line has been read: the report's header to
// Skip_Species.txt and the note pointing to it to the listing.
void write_skip_header(Io& io);

// The reasons for which the database reader leaves a record out of the run (or, for
// MineralNoDensity, keeps it with the density 2.5), in the words of the report.
enum class SkipEvent {
    SpeciesRedox,             // SU33: suppressed for slow redox kinetics
    SpeciesSuppressedInFile,  // suppression flag set in DORNEVAL
    SpeciesLvOnly,            // "L-V " data in an extended (CONFLG 1) run
    SpeciesSuppressedByRun,   // named in the run file's suppression list
    SpeciesNoLogK,            // log K above 99999 at the run's T and P
    MineralLvOnly,
    MineralNoDensity,
    MineralSuppressedInFile,
    MineralSuppressedByRun,
    MineralNoLogK,
};

// Writes the event's line to Skip_Species.txt and, depending on the event, to the listing
// and the console. Species names show in 12 columns, mineral names in 20.
void report_omitted(Io& io, SkipEvent event, const Name20& name);

}  // namespace zq
