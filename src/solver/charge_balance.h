// Charge balance: the adjusting routine CHGBAL of the charge-balance component C.
#pragma once

#include <string_view>

namespace zq {

class Io;

// q: imbalance in moles (set to 0 when adjusted); total: the total to adjust; name: the
// component's name (12 characters shown); z: its charge. Asks at the console unless
// chgf is 1; a refusal stops the run.
void CHGBAL(double& q, double& total, std::string_view name, double z, int chgf, Io& io);

}  // namespace zq
