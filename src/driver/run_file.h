// Reader of the run file ZARNRUN.DAT: titles, parameters, options, the component block and
// the five name blocks, with the defaults and cross-adjustments of the switches.
#pragma once

namespace zq {

class Io;
class TextSource;
struct ChemicalSystem;
struct RunParams;

// Reads the whole run file from `src` into the run parameters and the tables; returns only
// when everything is valid, otherwise writes its message and stops the run.
void read_run_file(TextSource& src, ChemicalSystem& sys, RunParams& rp, Io& io);

// Sets PFLUID from the run file's temperature-pressure curve at temperature T (C).
void pressure_on_curve(const ChemicalSystem& sys, RunParams& rp, double T);

}  // namespace zq
