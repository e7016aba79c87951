// Field editing and layouts. Expected texts are written out by hand, column for column.
#include "format/record_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/fixed.h"
#include "format/layout_items.h"

namespace zq {
namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

struct Edit {
    char kind;  // 'F', 'E', 'G'
    double v;
    int w, d;
    const char* want;
};

std::string edit(const Edit& c) {
    return c.kind == 'F' ? edit_f(c.v, c.w, c.d) : c.kind == 'E' ? edit_e(c.v, c.w, c.d) : edit_g(c.v, c.w, c.d);
}

TEST(NumberEdit, Table) {
    const Edit cases[] = {
        // The documented examples.
        {'E', 12.34, 10, 4, "0.1234E+02"},
        {'E', -12.34, 10, 4, "-.1234E+02"},
        {'F', 0.5, 6, 3, " 0.500"},
        {'F', -0.5, 5, 3, "-.500"},
        {'F', 123456.0, 6, 1, "******"},
        {'G', 12.0, 10, 4, " 12.00    "},
        {'G', 0.0, 10, 4, " 0.000    "},
        {'G', 1.0e-5, 10, 4, "0.1000E-04"},
        // F: half away from zero on the exact value of the double.
        {'F', 0.125, 5, 2, " 0.13"},
        {'F', 2.675, 5, 2, " 2.67"},  // stored as 2.67499999999999982...
        {'F', 2.5, 3, 0, " 3."},
        {'F', 0.5, 2, 0, "1."},
        {'F', 0.005, 6, 2, "  0.01"},  // 0.005000000000000000104...
        {'F', 9.9996, 6, 3, "10.000"},
        {'F', 99.96, 4, 1, "****"},  // carries to 100.0
        {'F', 0.96, 3, 1, "1.0"},
        {'F', 0.25, 4, 2, "0.25"},
        {'F', -0.25, 4, 2, "-.25"},
        {'F', 1e300, 12, 2, "************"},
        {'F', 1e-300, 8, 3, "   0.000"},
        {'F', 1e15 + 0.5, 20, 1, "  1000000000000000.5"},
        // Negative zero, and negative values that round to zero, have no minus sign.
        {'F', -0.0, 6, 2, "  0.00"},
        {'F', -0.001, 6, 2, "  0.00"},
        {'E', -0.0, 10, 4, "0.0000E+00"},
        {'G', -0.0, 10, 4, " 0.000    "},
        // E: rounding carries into the exponent; three-digit exponents drop the letter.
        {'E', 0.99996, 10, 4, "0.1000E+01"},
        {'E', 9.99996e-101, 10, 4, "0.1000E-99"},
        {'E', 1.234e-100, 10, 4, "0.1234E-99"},
        {'E', 1.234e-101, 10, 4, "0.1234-100"},
        {'E', 1.234e200, 11, 4, " 0.1234+201"},
        {'E', 5e-324, 10, 4, "0.4941-323"},
        {'E', 1.7976931348623157e308, 12, 6, "0.179769+309"},
        {'E', -1.0, 10, 4, "-.1000E+01"},
        {'E', -1.0, 9, 4, "*********"},
        {'E', 0.125, 10, 2, "  0.13E+00"},
        {'E', 12.34, 8, 4, "********"},
        // G: boundaries at 0.1 and 10^d, after rounding to d digits.
        {'G', 0.1, 10, 4, "0.1000    "},
        {'G', 0.09999, 10, 4, "0.9999E-01"},
        {'G', 0.099996, 10, 4, "0.1000    "},
        {'G', 9999.4, 10, 4, " 9999.    "},
        {'G', 9999.5, 10, 4, "0.1000E+05"},
        {'G', 10000.0, 10, 4, "0.1000E+05"},
        {'G', 99.996, 10, 4, " 100.0    "},
        {'G', 123456789.0, 18, 12, " 123456789.000    "},
        {'G', 0.5, 9, 4, ".5000    "},
        {'G', -2.5e-7, 14, 8, "-.25000000E-06"},
        {'G', 1e10, 13, 8, ".10000000E+11"},
        // NaN and infinity fill every numeric field with asterisks.
        {'F', NaN, 6, 2, "******"},
        {'E', Inf, 10, 4, "**********"},
        {'G', -Inf, 10, 4, "**********"},
    };
    for (const Edit& c : cases) EXPECT_EQ(edit(c), c.want) << c.kind << c.w << '.' << c.d << " of " << c.v;
}

// The digits of F and E fields against the C library's correctly rounded printing, over
// random values of every size and values a hair off a rounding tie or a power of ten. The
// library rounds exact ties to even: no value here is an exact decimal tie.
TEST(NumberEdit, DigitsAgreeWithCorrectlyRoundedPrinting) {
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<int> power(-30, 25), decimals(1, 12), digits(1, 16);
    // The significant digits of a field, and the exponent that follows them (0 when none).
    auto split = [](std::string s) {
        s.erase(0, s.find_first_not_of(' '));
        const std::size_t x = std::min(s.find_first_of("E+-", 1), s.size());
        std::string d;
        for (char c : s.substr(0, x)) {
            if (c >= '0' && c <= '9') d += c;
        }
        d.erase(0, std::min(d.find_first_not_of('0'), d.size()));
        return std::pair{d, std::atoi(s.c_str() + x + (s[x] == 'E'))};
    };
    auto digits_of = [&](const std::string& s) { return split(s).first; };
    char ref[400];
    for (int i = 0; i < 200000; ++i) {
        const int d = decimals(rng), sig = digits(rng);
        double v = unit(rng) * std::pow(10.0, power(rng));
        if (i % 4 == 1) v = (std::floor(v * std::pow(10.0, d)) + 0.5) / std::pow(10.0, d);  // near a tie
        if (i % 4 == 2) v = std::pow(10.0, power(rng)) * (1 - 1e-15 * unit(rng));           // near 10^k
        if (i % 8 == 3) v = -v;
        // An exact tie (a binary fraction such as ...390625) is left to the table above:
        // the digits after the kept ones are 5 and then zeros.
        auto tie = [&](bool fixed, int kept) {
            std::snprintf(ref, sizeof ref, fixed ? "%.*f" : "%.*e", kept + 40, v);
            std::string t = ref;
            t = t.substr(t.find('.') + 1 + kept);
            t = t.substr(0, t.find('e'));
            return t[0] == '5' && t.find_first_not_of('0', 1) == std::string::npos;
        };
        if (std::fabs(v) < 1e18 && !tie(true, d)) {
            std::snprintf(ref, sizeof ref, "%.*f", d, v);
            ASSERT_EQ(digits_of(edit_f(v, 40, d)), digits_of(ref)) << "F40." << d << " of " << ref;
        }
        if (tie(false, sig - 1)) continue;
        std::snprintf(ref, sizeof ref, "%.*e", sig - 1, v);
        const std::string ours = edit_e(v, sig + 8, sig);
        ASSERT_EQ(digits_of(ours), digits_of(ref)) << "E." << sig << " of " << ref;
        const int x = std::atoi(std::strchr(ref, 'e') + 1) + 1;  // d.ddde(x-1) = 0.dddd x 10^x
        ASSERT_EQ(split(ours).second, x) << ours;
    }
}

// The fields written straight from the fast scaling are the fields the exact expansion
// writes: every layout the program uses, on values of every size, on values a hair off a
// tie or a power of ten, on exact binary ties, on zeros and on the smallest and largest values.
TEST(NumberEdit, FastFieldsAreTheExactFields) {
    using namespace layout_detail;
    std::mt19937_64 rng(91209);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    std::uniform_int_distribution<int> power(-20, 20), pick(0, 7), far(-290, 290);
    struct Field {
        char kind;
        int w, d;
    };
    const Field fields[] = {{'F', 8, 2},  {'F', 9, 4},   {'F', 10, 3}, {'F', 6, 0},   {'F', 12, 6}, {'F', 5, 4},
                            {'E', 13, 5}, {'E', 10, 4},  {'E', 9, 3},  {'E', 12, 6},  {'E', 8, 5},  {'E', 20, 15},
                            {'G', 13, 8}, {'G', 18, 12}, {'G', 9, 4},  {'G', 19, 12}, {'G', 14, 8}, {'G', 10, 4}};
    char fast[64], exact[64];
    for (int i = 0; i < 300000; ++i) {
        const Field& f = fields[static_cast<std::size_t>(i) % std::size(fields)];
        const double scale = std::pow(10.0, power(rng));
        double v = unit(rng) * scale;
        switch (pick(rng)) {
            case 0: v = (std::round(v * 1e3) + 0.5) / 1e3; break;                   // near a tie
            case 1: v = std::ldexp(std::round(std::ldexp(v, 6)) + 0.5, -6); break;  // an exact binary tie
            case 2: v = scale * (1 - 1e-16 * unit(rng)); break;                     // a hair below 10^k
            case 3: v = std::round(v); break;
            case 4: v = i % 2 ? 0.0 : -0.0; break;
            case 5: v *= i % 2 ? 1e-290 : 1e290; break;
            case 6: v *= std::pow(10.0, far(rng)); break;  // any exponent of a normal double
            default: break;
        }
        if (i % 3 == 0) v = -v;
        auto put = [&](char* p, bool fast_path) {
            if (f.kind == 'F') put_f(p, v, f.w, f.d, fast_path);
            if (f.kind == 'E') put_e(p, v, f.w, f.d, fast_path);
            if (f.kind == 'G') put_g(p, v, f.w, f.d, fast_path);
        };
        put(fast, true);
        put(exact, false);
        ASSERT_EQ(std::string(fast, static_cast<std::size_t>(f.w)), std::string(exact, static_cast<std::size_t>(f.w)))
            << f.kind << f.w << '.' << f.d << " of " << v;
        // A field said to fit without editing must come out without asterisks.
        const bool fits = f.kind == 'F'   ? f_fits(v, f.w, f.d)
                          : f.kind == 'E' ? e_fits(v, f.w, f.d)
                                          : g_fits(v, f.w, f.d);
        if (fits) {
            ASSERT_EQ(std::string(exact, static_cast<std::size_t>(f.w)).find('*'), std::string::npos) << v;
        }
    }
}

TEST(NumberEdit, FitWithoutEditingAtTheBounds) {
    using namespace layout_detail;
    EXPECT_TRUE(f_fits(9999.996, 8, 2));  // "10000.00": rounding carries into a fifth digit
    EXPECT_TRUE(f_fits(-999.996, 8, 2));  // "-1000.00"
    EXPECT_FALSE(f_fits(-1000.0, 8, 2));  // may not fit: edited
    EXPECT_FALSE(f_fits(0.5, 5, 4));      // too narrow to tell without editing
    EXPECT_FALSE(f_fits(std::nan(""), 9, 4));
    EXPECT_TRUE(e_fits(-1e-300, 9, 2));
    EXPECT_TRUE(e_fits(-1.0, 9, 3));  // "-.100E+01": the 0 dropped
    EXPECT_FALSE(e_fits(1.0, 8, 3));
    EXPECT_FALSE(g_fits(INFINITY, 19, 12));
    EXPECT_TRUE(int_fits(-9999, 5));
    EXPECT_FALSE(int_fits(10000, 5));
    EXPECT_FALSE(int_fits(0, 1));
    EXPECT_EQ(edit_i(-9999, 5), "-9999");
    // The mask keeps asterisks where the line has them, and blanks the rest.
    const std::string lay = R"([I3] [1X] [A4] [F6.2] [E9.3] [I2])";
    std::string line, mask;
    layout_to(line, lay, {7, "Name", 1234.5, -2.5, 123});
    layout_mask_to(mask, lay, {7, "Name", 1234.5, -2.5, 123});
    EXPECT_EQ(line, "  7 Name******-.250E+01**");
    EXPECT_EQ(mask, "        ******         **");
    EXPECT_FALSE(layout_surely_fits(lay, {7, "Name", 1234.5, -2.5, 123}));
    EXPECT_FALSE(layout_surely_fits(lay, {7, "Name", 9.5, -2.5, 12}));  // I2 may not take it
    EXPECT_TRUE(layout_surely_fits(R"([I3] [1X] [A4] [F6.2] [E10.3])", {7, "Name", 9.5, -2.5}));
    EXPECT_TRUE(layout_surely_fits(lay, {7, "Name"}));                        // the values run out
    EXPECT_FALSE(layout_surely_fits(lay, {7, "Name", 1.0, 1.0, 1, 2, "N"}));  // a second line
}

TEST(NumberEdit, IntegerAndText) {
    EXPECT_EQ(edit_i(7, 3), "  7");
    EXPECT_EQ(edit_i(1234, 3), "***");
    EXPECT_EQ(edit_i(-12, 3), "-12");
    EXPECT_EQ(edit_i(-123, 3), "***");
    EXPECT_EQ(edit_i(std::numeric_limits<long long>::min(), 20), "-9223372036854775808");
    EXPECT_EQ(edit_a("ABCDEFGHIJKLMNOPQRST", 12), "ABCDEFGHIJKL");
    EXPECT_EQ(edit_a("Na+", 6), "   Na+");
    EXPECT_EQ(edit_a("", 2), "  ");
    EXPECT_THROW(edit_f(1.0, 0, 0), std::logic_error);
}

TEST(Layout, LiteralsBlanksAndLines) {
    EXPECT_EQ(layout(R"([2X] "Chg. balance = " [E10.4])", {12.34}), "  Chg. balance = 0.1234E+02");
    EXPECT_EQ(layout(R"(/ / "X" / /)"), "\n\nX\n\n");
    EXPECT_EQ(layout(R"("a" / "b")"), "a\nb");
    EXPECT_EQ(layout(R"("Check ""convergence problems"" in manual.")"), R"(Check "convergence problems" in manual.)");
    EXPECT_EQ(layout(R"(3["ab"] 80["+"])"), "ababab" + std::string(80, '+'));
    EXPECT_EQ(layout(R"(/ [2X] "Cannot read " A)", {"ZARNRUN.DAT"}), "\n  Cannot read ZARNRUN.DAT");
    EXPECT_EQ(layout("[A12] [A]", {std::string(20, 'N'), "as given "}), std::string(12, 'N') + "as given ");
    EXPECT_EQ(layout("A20", {Name20("Quartz")}), "Quartz              ");
    EXPECT_EQ(layout(""), "");
}

TEST(Layout, Columns) {
    EXPECT_EQ(layout(R"("Mineral" [T23] "No." [T28] "hydrol")"), "Mineral               No.  hydrol");
    EXPECT_EQ(layout(R"("abcdef" [T3] "XY")"), "abXYef");  // moving left overwrites
    EXPECT_EQ(layout(R"("ab" [T6] "c")"), "ab   c");
    EXPECT_EQ(layout(R"("ab" [3X])"), "ab");  // positioning alone writes nothing
    EXPECT_EQ(layout(R"("ab" [T10] / "c")"), "ab\nc");
    EXPECT_EQ(layout("[A8] [2X]", {"        "}), "        ");  // a value is written in full
}

TEST(Layout, RepeatsAndGroups) {
    EXPECT_EQ(layout("2[[1X] [G9.4]]", {1.0, 2.0}), " 1.000     2.000    ");
    EXPECT_EQ(layout("2[1X G9.4]", {1.0, 2.0}), layout("2[[1X] [G9.4]]", {1.0, 2.0}));
    EXPECT_EQ(layout("[3F5.1]", {1.0, 2.0, 3.0}), "  1.0  2.0  3.0");
    EXPECT_EQ(layout("3F5.1", {1.0, 2.0, 3.0}), "  1.0  2.0  3.0");
    EXPECT_EQ(layout("[I2] [1X] 2[[F6.2] [I2]]", {2, 1.5, 3, -2.25, 11}), " 2   1.50 3 -2.2511");
    EXPECT_EQ(layout("2[2[I1] \"-\"]", {1, 2, 3, 4}), "12-34-");
    EXPECT_EQ(layout("2[[4X] [A12] [3X] [I3] [3X] [F4.0] [3X] [F9.4]]", {"Na+", 7, 1.0, -0.6, "Cl-", 8, -1.0, 0.5}),
              "             Na+     7     1.     -0.6000"
              "             Cl-     8    -1.      0.5000");
    EXPECT_EQ(layout("[I3] [T2] [I1]", {123, 9}), "193");
    // A layout of more than 512 fields is walked item by item instead of unrolled: the same
    // text, the same stop when values run out, the same reversion.
    EXPECT_EQ(layout("300[[I1] \"-\"]", {1, 2}), "1-2-");
    const std::vector<FieldValue> many(601, FieldValue(7));
    EXPECT_EQ(layout("[600I1]", many), std::string(600, '7') + "\n7");
    // Blanks that end a group stay in every repetition, not only before what follows it.
    EXPECT_EQ(layout("2[[F4.1] [2X]] [I2]", {1.0, 2.0, 3}), " 1.0   2.0   3");
}

TEST(Layout, ValuesRunOut) {
    // Literals before the first field without a value are still written.
    EXPECT_EQ(layout(R"("a=" [I2] " b=" [I2] " c=" [I2])", {1}), "a= 1 b=");
    EXPECT_EQ(layout(R"("n" [I3])"), "n");
    // An odd count: the last row has only its left entry.
    EXPECT_EQ(layout("2[[4X] [A3] [1X] [I2]]", {"Na+", 1}), "    Na+  1");
    EXPECT_EQ(layout(R"([I1] / "x" [I1])", {5}), "5\nx");
}

TEST(Layout, Reversion) {
    // Without a group the layout starts again from its beginning, on a new line.
    EXPECT_EQ(layout(R"("  " 3E13.6)", {1.0, 2.0, 3.0, 4.0}),
              "   0.100000E+01 0.200000E+01 0.300000E+01\n   0.400000E+01");
    EXPECT_EQ(layout("4E10.4", {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0}),
              "0.1000E+010.2000E+010.3000E+010.4000E+01\n"
              "0.5000E+010.6000E+010.7000E+010.8000E+01\n"
              "0.9000E+01");
    // With groups: from the last top-level one.
    EXPECT_EQ(layout("[A2] 2[[1X] [I1]]", {"ab", 1, 2, 3, 4, 5}), "ab 1 2\n 3 4\n 5");
    EXPECT_EQ(layout("[I1] / [I1]", {1, 2, 3}), "1\n2\n3\n");  // the "/" after 3 is written
    std::vector<FieldValue> many(25, FieldValue(1));
    const std::string row = " 1 1 1 1 1 1 1 1 1 1";
    EXPECT_EQ(layout("[10I2]", many), row + "\n" + row + "\n" + row.substr(0, 10));
}

TEST(Layout, NonFiniteKeepsColumns) {
    EXPECT_EQ(layout("[F6.2] [I3] [E10.4] [G10.4] [A2]", {NaN, 12, Inf, -Inf, "ok"}),
              "****** 12" + std::string(20, '*') + "ok");
    EXPECT_EQ(layout("[I3]", {NaN}), "***");   // a real in an integer field
    EXPECT_EQ(layout("[I3]", {-7.9}), " -7");  // its integer part
    EXPECT_EQ(layout("[F5.1]", {3}), "  3.0");
}

TEST(Layout, ProgrammingErrorsThrowWithTheLayout) {
    const char* bad[] = {"[I3", "I3]",   "[Q5]",   "[F9]", "[E9.0]",   "[I0]",   "\"open",
                         "[]",  "0[I3]", "2 [I3]", "[T0]", "[F9.4.2]", "[A12B]", "3/"};
    for (const char* lay : bad) {
        try {
            layout(lay, {1});
            ADD_FAILURE() << "no error for " << lay;
        } catch (const std::logic_error& e) {
            EXPECT_NE(std::string(e.what()).find(lay), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(layout("[I3]", {"text"}), std::logic_error);
    EXPECT_THROW(layout("[F9.4]", {"text"}), std::logic_error);
    EXPECT_THROW(layout("[A4]", {1.5}), std::logic_error);
    EXPECT_THROW(layout(R"("no fields")", {1}), std::logic_error);
    EXPECT_THROW(read_fixed(R"("x" [I3])", "  1"), std::logic_error);
    // A line made in place in a file's buffer: what the buffer held before stays, and a line
    // whose second field is wrong leaves nothing of its first.
    std::string buffer = "kept\n";
    layout_to(buffer, R"([I3] [1X] [F5.2])", {7, 1.5});
    EXPECT_EQ(buffer, "kept\n  7  1.50");
    EXPECT_THROW(layout_to(buffer, R"([I3] [A4])", {7, 1.5}), std::logic_error);
    EXPECT_EQ(buffer, "kept\n  7  1.50");
}

}  // namespace
}  // namespace zq
