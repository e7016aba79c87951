// Reader of the run file ZARNRUN.DAT: titles, parameters, options, the component block and
// the five name blocks, with the defaults and cross-adjustments of the switches.
#pragma once

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct RunParams;

// Reads the whole run file from `src` into the run parameters and the tables; returns only
// when everything is valid, otherwise writes its message and stops the run (status 1).
// Every count the reader fills and the component map are reset first.
void read_run_file(TextSource& src, ChemicalSystem& sys, RunParams& rp, Io& io);

// Sets PFLUID (and logP beside it) from the run file's temperature-pressure curve at
// temperature T (C). Needs the curve's temperatures increasing, as the reader ensures.
// Above the last point PFLUID is left alone; at or below the first point it takes the
// first point's pressure. Without curve points nothing changes.
void pressure_on_curve(const ChemicalSystem& sys, RunParams& rp, double T);

}  // namespace zq
