#include "base/power_of_ten.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace zq {
namespace {

// The molalities of a path must not change with the way 10^x is computed: every argument,
// on both of its paths and across their borders, gives std::pow's double.
TEST(PowerOfTen, IsTheCLibrarysPowBitForBit) {
    const double inf = std::numeric_limits<double>::infinity();
    const double edges[] = {0.0, -0.0, 0x1p-66, -0x1p-66, 0x1p-65, -0x1p-65, 0x1p-60, 1.0, -1.0, 0.5, 2.0,
                            -300.0,                                   // the floor of a derived molality
                            -222.35, -222.36, -222.3619, -222.363,   // x ln 10 = -512: plain / rescaled
                            222.35, 222.37, -444.7, -444.73, -445.0,  // +512 and -1024: the library's own paths
                            -307.0, -307.66, -308.0, -310.0, -323.3, -324.0, -330.0,  // subnormal, zero
                            308.2, 308.26, 309.0, 0x1p62, 0x1p63, -0x1p63, inf, -inf, std::nan("")};
    for (double x : edges) {
        const double a = power_of_ten(x), b = std::pow(10.0, x);
        EXPECT_TRUE(std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) || (std::isnan(a) && std::isnan(b)))
            << "x = " << x << ": " << a << " against " << b;
    }
    std::mt19937_64 gen(20261209);
    std::uniform_real_distribution<double> logs(-330.0, 310.0);
    int differ = 0;
    for (int i = 0; i < 2'000'000; ++i) {
        const double x = i % 4 == 3 ? std::bit_cast<double>(gen()) : logs(gen);
        const double a = power_of_ten(x), b = std::pow(10.0, x);
        if (std::bit_cast<std::uint64_t>(a) != std::bit_cast<std::uint64_t>(b) && !(std::isnan(a) && std::isnan(b)))
            if (++differ <= 5) ADD_FAILURE() << "x = " << std::hexfloat << x << ": " << a << " against " << b;
    }
    EXPECT_EQ(differ, 0);
}

// Checked against an independent reference: powers of ten that are doubles come out exact,
// and the rest within one unit of the last place of the long double result.
TEST(PowerOfTen, IsAccurate) {
    double exact = 1.0;
    for (int k = 0; k <= 22; ++k, exact *= 10.0) EXPECT_EQ(power_of_ten(k), exact) << k;
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> logs(-300.0, 300.0);
    for (int i = 0; i < 200'000; ++i) {
        const double x = logs(gen);
        const long double ref = std::pow(10.0L, static_cast<long double>(x));
        const double ulp = std::nextafter(static_cast<double>(ref), 0.0) - static_cast<double>(ref);
        ASSERT_LE(std::fabs(static_cast<double>(power_of_ten(x) - ref)), std::fabs(ulp)) << "x = " << x;
    }
}

}  // namespace
}  // namespace zq
