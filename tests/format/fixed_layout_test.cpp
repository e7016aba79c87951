// Layouts laid out when compiling must write exactly what the run-time writer writes.
#include "format/fixed_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/fixed.h"
#include "format/record_layout.h"

namespace zq {
namespace {

template <LayoutText L, class... V>
void expect_same(const V&... v) {
    EXPECT_EQ(layout<L>(v...), layout(L.view(), {FieldValue(v)...})) << L.view();
}

TEST(FixedLayout, FieldsAgreeWithTheRunTimeWriter) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0,     -0.0,    0.125,      2.675,       -0.004, 9.99995, 99999.5, 0.5e-5,
                                  1e22,    1e-300,  4.9e-324,   123456789.0, -1e100, inf,     -inf,    std::nan(""),
                                  999.995, -99.995, 0.99999995, 1e15,        -7.0,   1e-5,    0.0001,  5e-5};
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    for (int i = 0; i < 20000; ++i) values.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
    const FixedName<12> name("Calcite");
    for (const double v : values) {
        expect_same<R"([1X] [I3] [1X] [A12] [1X] [E11.5] [1X] [F9.4] [1X] [E13.7] [2X] [G10.4] [F8.2] [F4.0])">(
            42, name, v, v, v, v, v, v);
        expect_same<R"([E10.4] [E12.7] [F15.7] [F6.4] [I4] [I20])">(v, -v, v, -v, v, v);
    }
}

TEST(FixedLayout, LinesAgreeWithTheRunTimeWriter) {
    const std::string title = "Cooling of a brine";
    const FixedName<8> name("Anhydrite");
    // Fewer values than fields: the literals before the first field without a value.
    expect_same<R"([I3] " a " [F8.2] " b " [F8.2] " c")">(1);
    expect_same<R"([I3] " a " [F8.2] " b " [F8.2] " c")">(1, 2.5);
    expect_same<R"([I3] " a " [F8.2] " b " [F8.2] " c")">(1, 2.5, 3);
    expect_same<R"([I3] " a " [F8.2] " b " [F8.2] " c")">();
    // More values than fields: new lines from the last group, or from the beginning.
    expect_same<R"([F10.5] 2[[1X] [E10.4]])">(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0);
    expect_same<R"([I3] [1X] [A20] [1X] 3[F8.2] [3X] [F8.3])">(7, "Quartz", 1.0, 2.0, 3.0, 4.0, 5.0, 6.0);
    expect_same<R"([8E10.4])">(1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0, 11.0);
    expect_same<R"([3I2])">(1, 2, 3, 4, 5, 6, 7);
    // Literals, repeats, quotes, new lines and positioning.
    expect_same<R"(/ [1X] 80["+"] / [1X] [A120] / [1X] [A120] / [1X] 80["+"] /)">(title, std::string_view("x"));
    expect_same<R"("say ""yes""" / / [T10] [I2] [3X] "end" [4X])">(5);
    expect_same<R"([F5.1] [3X])">(1.0);
    expect_same<R"(/ [T37] "Log" [T58] "Log" / [1X] "Gas" [T24] "Moles")">();
    // Conversions: an integer in real fields, a real in an integer field, long texts.
    expect_same<R"([F8.2] [E10.3] [G10.4] [I5] [I5] [I3] [A4] [A4])">(3, -12, 7L, 12.7, -3.9, 1e19, "abcdefg", name);
}

}  // namespace
}  // namespace zq
