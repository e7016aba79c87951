// write_shortest against std::to_chars, character for character: chosen edge cases, every
// power of two and of ten with its neighbours, whole numbers where the exact digits and the
// shortest ones part, the fixed/scientific switch at every digit count, and random doubles.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "format/shortest_number.h"

namespace zq {
namespace {

std::string reference(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Our text, or a note when it wrote past its room (scratch moved there from inside the
// room would not be '#').
std::string ours(double v) {
    char buf[SHORTEST_ROOM + 16];
    std::memset(buf, 'A', SHORTEST_ROOM);
    std::memset(buf + SHORTEST_ROOM, '#', sizeof buf - SHORTEST_ROOM);
    char* end = write_shortest(buf, v);
    for (std::size_t i = SHORTEST_ROOM; i < sizeof buf; ++i)
        if (buf[i] != '#') return "wrote past its room";
    return std::string(buf, end);
}

double parse(const std::string& text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

// Each value and its negative against std::to_chars; the first few differences listed.
void expect_same(const std::vector<double>& values) {
    int bad = 0;
    for (double x : values) {
        for (double v : {x, -x}) {
            const std::string want = reference(v), got = ours(v);
            if (want == got) continue;
            char hex[32];
            const auto r = std::to_chars(hex, hex + sizeof hex, v, std::chars_format::hex);
            if (++bad <= 10) ADD_FAILURE() << std::string(hex, r.ptr) << ": want " << want << ", got " << got;
        }
    }
    EXPECT_EQ(bad, 0) << "of " << 2 * values.size();
}

double next_up(double v) { return std::nextafter(v, INFINITY); }
double next_down(double v) { return std::nextafter(v, -INFINITY); }

TEST(ShortestNumber, KnownTexts) {
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {1e-5, "1e-05"},
        {1.5e-5, "1.5e-05"},
        {0.0001, "1e-04"},
        {0.001, "0.001"},
        {1e5, "1e+05"},
        {1e4, "10000"},
        {123456.5, "123456.5"},
        {1.5e300, "1.5e+300"},
        {5e-324, "5e-324"},
        {-2.5, "-2.5"},
        {0x1p60, "1152921504606846976"},  // whole numbers in fixed form: all digits exact
        {123456789012345678.0, "123456789012345680"},
        {DBL_MAX, "1.7976931348623157e+308"},
    };
    for (const auto& c : cases) EXPECT_EQ(ours(c.v), c.text);
}

TEST(ShortestNumber, EdgeCases) {
    expect_same({0.0,
                 5e-324,
                 1e-323,
                 DBL_MIN - 5e-324,
                 DBL_MIN,
                 DBL_MAX,
                 next_down(DBL_MAX),
                 1.0,
                 0.1,
                 0.2,
                 0.3,
                 1.0 / 3,
                 2.0 / 3,
                 9007199254740991.0,
                 9007199254740992.0,
                 9007199254740994.0,
                 1e15,
                 1e16,
                 1e17,
                 1e21,
                 1e22,
                 1e23,
                 0x1p63,
                 0x1p64,
                 18446744073709549568.0,
                 1e-5,
                 1.5e-5,
                 0.0001,
                 0.00012,
                 123456789012345678.0,
                 12345678901234567890.0,
                 0.1234567890123456789,
                 1.2345678901234567,
                 9.999999999999999e22,
                 2.2250738585072014e-308,
                 4.9406564584124654e-324,
                 299792458.0,
                 6.02214076e23,
                 1.602176634e-19,
                 100.0,
                 25.0,
                 7.0,
                 0.5,
                 1e-7,
                 12.34e-300});
}

TEST(ShortestNumber, PowersAndNeighbours) {
    std::vector<double> values;
    for (int q = -1074; q <= 1023; ++q) {
        const double p = std::ldexp(1.0, q);
        values.insert(values.end(), {p, next_down(p), next_up(p), 3 * p, 5 * p});
    }
    for (int k = -323; k <= 308; ++k) {
        const double p = parse("1e" + std::to_string(k));
        values.insert(values.end(), {p, next_down(p), next_up(p)});
    }
    expect_same(values);
}

TEST(ShortestNumber, WholeNumbers) {
    std::vector<double> values;
    for (double base : {0x1p53, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 0x1p64, 0x1p73}) {
        double up = base, down = base;
        for (int i = 0; i < 64; ++i) values.insert(values.end(), {up = next_up(up), down = next_down(down)});
    }
    std::mt19937_64 rng(53);
    for (int i = 0; i < 20000; ++i) {
        const int bits = 1 + static_cast<int>(rng() % 74);  // up to 10^22, where fixed form stops
        values.push_back(std::ldexp(static_cast<double>(rng() >> 11), bits - 53));
        values.push_back(std::trunc(values.back()));
    }
    expect_same(values);
}

// Every digit count from 1 to 17 at every power of ten around the switch between fixed and
// scientific form.
TEST(ShortestNumber, FixedScientificSwitch) {
    std::vector<double> values;
    const std::string digits = "12345678901234567";
    for (std::size_t n = 1; n <= digits.size(); ++n)
        for (int e = -30; e <= 30; ++e) {
            const double v = parse(digits.substr(0, n) + "e" + std::to_string(e));
            values.insert(values.end(), {v, parse("9" + digits.substr(1, n - 1) + "e" + std::to_string(e))});
        }
    expect_same(values);
}

TEST(ShortestNumber, SmallSubnormalsAll) {
    std::vector<double> values;
    for (std::uint64_t c = 1; c < (1u << 16); ++c) values.push_back(std::bit_cast<double>(c));
    expect_same(values);
}

TEST(ShortestNumber, RandomBitPatterns) {
    std::mt19937_64 rng(20240611);
    std::vector<double> values;
    while (values.size() < 300000) {
        const double v = std::bit_cast<double>(rng());
        if (std::isfinite(v)) values.push_back(v);
    }
    expect_same(values);
}

// Decimals of 1 to 17 digits, d.ddde±xx, as a program reads them from its input, with the
// doubles either side.
TEST(ShortestNumber, RandomShortDecimals) {
    std::mt19937_64 rng(17);
    std::vector<double> values;
    for (int i = 0; i < 100000; ++i) {
        std::string text(1, static_cast<char>('1' + rng() % 9));
        text += '.';
        const int n = static_cast<int>(rng() % 17);
        for (int j = 0; j < n; ++j) text += static_cast<char>('0' + rng() % 10);
        text += "e" + std::to_string(static_cast<int>(rng() % 640) - 325);
        const double v = parse(text);
        values.insert(values.end(), {v, next_down(v), next_up(v)});
    }
    expect_same(values);
}

TEST(ShortestNumber, NotFiniteAsToChars) {
    for (double v : {INFINITY, -INFINITY, NAN, -NAN}) EXPECT_EQ(ours(v), reference(v));
}

}  // namespace
}  // namespace zq
