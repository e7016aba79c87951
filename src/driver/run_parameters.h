// Run parameters and option switches of ZARNRUN.DAT, held for the whole run under the
// names the listing prints, together with the few values the driver keeps beside them.
#pragma once

#include <string>

#include "thermo/system_tables.h"

namespace zq {

struct RunParams {
    FixedName<120> title1;  // the two title lines of the run file
    FixedName<120> title2;

    // Reals, in run-file order.
    double ERPC = 0, pH = 0, PFLUID = 0, TEMP = 0, TEMPC = 0, VBOX1 = 0, RHOFRS = 0, RHOROC = 0;
    double SINC = 0, SLIM = 0, TOTMIX = 0;
    double ENTH = 0, SENTH = 0, DENTH = 0, TOTWAT = 0, SOLMIN = 0, RM = 0, AQGRM = 0, SUPRNT = 0;

    // Option switches, in run-file order.
    int CONFLG = 0, C = 0, IFRAC = 0, IPUNCH = 0, NLOOP = 0, ISTEP = 0, LIMSOL = 0, LOOC = 0;
    int IENTH = 0, ITREF = 0, IDEAL = 0, IPSAT = 0, INCREM = 0, INCP = 0, MINSOL = 0, NEUT = 0;
    int AWAT = 0, CHGF = 0;

    // Kept beside them.
    double TK = 273.15;        // TEMP + 273.15
    double logP = 0;           // log10 PFLUID
    int C_read = 0;            // C as read (database component number), for the pickup
    int LIMSOL_read = 0;       // LIMSOL as read, for the pickup
    double enth_added = 0;     // enthalpy added along the path (INCP above 1)
    double GRMCOM = 0;         // grams of the fresh-fluid recipe that flushes BOX-1
    std::string unit_label = " g      ";  // unit of reactant amounts, 8 characters
    double water_kg = 0;       // kilograms of water of the solution

    // Driver state of the run loop.
    int iterations = 0;        // Newton iterations of the last solve
    int enthalpy_row = 0;      // 1 while the enthalpy balance is a row of the matrix (G)
    double CURINC = 0;         // current step increment
};

}  // namespace zq
