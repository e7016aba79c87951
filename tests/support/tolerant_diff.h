// Test support: comparison of a listing with its reference, exact on text and tolerant on
// numbers. Lines must match one for one and keep their length (the listing is fixed-column);
// the text between numbers must be the same (blank runs may differ where a number's width
// changed) and every number must end in the same column (fields are right-justified); two
// numbers match when they differ by at most `rel` of the larger, or by one
// unit of the last digit printed. On lines holding one of `noise_lines`, numbers both below
// `noise_floor` in magnitude match (charge balances of rounding size).
#pragma once

#include <string>
#include <vector>

namespace zq::test {

struct DiffOptions {
    double rel = 1e-6;
    double noise_floor = 1e-12;
    std::vector<std::string> noise_lines = {"balance"};
};

// "" when the texts match, else the first difference: its line number, both lines and why.
std::string tolerant_diff(const std::string& want, const std::string& got, const DiffOptions& opt = {});

}  // namespace zq::test
