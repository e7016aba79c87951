// Checks of the input that the readers cannot make alone: names the run file gives that
// the database does not know, a starting pressure below boiling, and a temperature path
// that may not be the one meant. Each writes a warning or a note and the run goes on.
#pragma once

namespace zq {

class Io;
struct ChemicalSystem;
struct Conditions;
struct DatabaseNames;
struct RunFileNotes;
struct RunParams;

// Warnings (listing, then console) for a component row whose name is not the database's
// name of its number, and for names of the lists of minerals to suppress and not to
// fractionate that no record of the database has, with the closest name it has.
void check_run_file_names(const ChemicalSystem& sys, const RunFileNotes& notes, const DatabaseNames& db, Io& io);

// A run on the saturation curve at a fixed pressure (no T-P curve, IENTH 0) whose PFLUID is
// below the boiling pressure of water at TEMP: the warning gives that pressure. Needs the
// database read (the log K and gas coefficients of H2O,gas at TEMP).
void check_starting_pressure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                             const RunFileNotes& notes, Io& io);

// Number of equilibria at full steps of SINC a temperature path from TEMP takes before it
// passes SLIM (with INCREM the first step comes before the first solve).
int temperature_path_steps(const RunParams& rp);

// A temperature run (not a pH, enthalpy, pressure, titration, mixing or flushing run) with
// SLIM not TEMP that will solve more than one equilibrium: a note on the console, not in the
// listing, of how many steps it takes; a limit left over from an earlier run file would
// otherwise turn one equilibrium into a path.
void note_temperature_path(const RunParams& rp, const RunFileNotes& notes, Io& io);

}  // namespace zq
