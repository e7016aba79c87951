// Powers of ten of logs: the molalities, activity coefficients and fugacities the models
// carry as logs become amounts again through power_of_ten.
#pragma once

namespace zq {

// 10^x, the very double std::pow(10.0, x) gives with the C library of the machines the
// program is built on (glibc on x86-64), in a third of the time: the solves turn a hundred
// logs into molalities at every Newton iteration, and this is the largest single cost of a
// path. Where the C library takes another route, so does this (it calls std::pow), so a
// run's numbers never depend on which of the two computed them.
double power_of_ten(double x);

}  // namespace zq
