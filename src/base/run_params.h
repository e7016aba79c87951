// The run file's parameters and option switches, under the names the run file and the
// listing use. They are read from ZARNRUN.DAT at start-up, adjusted by the reader's
// defaults, and the path variables among them (pH, PFLUID, TEMP, ENTH, TOTMIX, VBOX-1, ...)
// then carry the current values of the path: the pickup file writes them back as the run
// file of the current state. Loop state that the run file does not hold lives elsewhere
// (the path state, the equilibrium state).
#pragma once

#include "base/fixed.h"

namespace zq {

struct RunParams {
    FixedName<120> title1;  // the two title lines of the run file
    FixedName<120> title2;

    // Reals, in run-file order.
    double ERPC = 0, pH = 0, PFLUID = 0, TEMP = 0, TEMPC = 0, VBOX1 = 0, RHOFRS = 0, RHOROC = 0;
    double SINC = 0, SLIM = 0, TOTMIX = 0;
    double ENTH = 0, SENTH = 0, DENTH = 0, TOTWAT = 0, SOLMIN = 0, RM = 0, AQGRM = 0, SUPRNT = 0;

    // Option switches, in run-file order. C is the run position of the charge-balance
    // component once the component block has been read.
    int CONFLG = 0, C = 0, IFRAC = 0, IPUNCH = 0, NLOOP = 0, ISTEP = 0, LIMSOL = 0, LOOC = 0;
    int IENTH = 0, ITREF = 0, IDEAL = 0, IPSAT = 0, INCREM = 0, INCP = 0, MINSOL = 0, NEUT = 0;
    int AWAT = 0, CHGF = 0;

    // With enthalpy as the path variable (INCP above 1) the run file's TOTMIX carries the
    // enthalpy added so far (kcal), and the pickup writes it back there.
    double enth_added = 0;

    // As read, for the pickup.
    int C_read = 0;       // C as a database component number
    int LIMSOL_read = 0;  // LIMSOL before the reader's adjustment
};

}  // namespace zq
