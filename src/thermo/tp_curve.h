// The run file's temperature-pressure curve: the pressure of the run at a temperature.
#pragma once

#include <optional>

namespace zq {

struct ChemicalSystem;

// The pressure on the curve at temperature t (C), linear between the points. Needs the
// curve's temperatures increasing, as the run-file reader ensures. At or below the first
// point it is the first point's pressure; above the last point, or without curve points,
// there is none and the pressure stays what it is.
std::optional<double> pressure_on_curve(const ChemicalSystem& sys, double t);

}  // namespace zq
