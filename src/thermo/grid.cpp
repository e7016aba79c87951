// Placeholder until this stage is built: stops the run with a message.
#include "thermo/grid.h"
namespace zq {
const std::array<double, GRID_COLS + 1> GRID_T{};
const std::array<double, GRID_ROWS + 1> GRID_P{};
void locate_grid(double, double, GridPosition&) {}
double grid_interpolate(double, double, const GridPosition&, const RawLogK&, std::array<double, 3>*) { return 0; }
double saturation_interpolate(double, const RawLogK&) { return 0; }
double eight_point_interpolate(double, const RawLogK&) { return 0; }
double evaluate_record(const Kind4&, const RawLogK&, double, double, const GridPosition&, int) { return 0; }
void evaluate_header_quantities(ChemicalSystem&, const RunParams&) {}
void check_run_range(ChemicalSystem&, RunParams&, Io&) {}
}
