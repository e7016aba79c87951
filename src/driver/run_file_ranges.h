// The valid ranges of the run file's parameters and option switches, checked as the
// run file is read, before anything is computed or written.
//
// A range holds the values that have a meaning of their own (a switch's documented values,
// a pressure above 0, a temperature where the data give values) and fit the pickup's
// column, so that every pickup of a run started from a valid file reads back.
#pragma once

#include <array>
#include <string>

namespace zq {

struct RunParams;

// PFLUID and AQGRM are written in F9.4 in the pickup: at most 9999.9999.
inline constexpr double MAX_PFLUID = 9999.9999;
inline constexpr double MAX_AQGRM = 9999.9999;

// The 19 reals and the 18 option switches of the run file, in file order.
inline constexpr int RUN_REALS = 19;
inline constexpr int RUN_OPTIONS = 18;

// The lines of ZARNRUN.DAT on which the values were read: reals first, then options.
using ValueLines = std::array<int, RUN_REALS + RUN_OPTIONS>;

// The message for the first real read or option switch outside its range, "" when all
// are valid. Takes the values as read, with the defaults of ERPC, PFLUID and SUPRNT applied;
// the temperature range depends on CONFLG.
std::string parameter_fault(const RunParams& rp, const ValueLines& lines);

// The message of a value of ZARNRUN.DAT outside its range: the field, the value as read,
// the line, and what is expected.
std::string range_message(const std::string& field, double value, int line, const std::string& expected);

}  // namespace zq
