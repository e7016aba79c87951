// Reading fixed-column fields, fixed-column lines and free-form lines.
#include <gtest/gtest.h>

#include <optional>

#include "format/record_layout.h"

namespace zq {
namespace {

struct RealCase {
    const char* field;
    int d;
    std::optional<double> want;
};

TEST(ReadRealField, Table) {
    const RealCase cases[] = {
        {"     12345", 3, 12.345},  // no point: the last d digits are decimals
        {"      12.5", 3, 12.5},
        {"          ", 3, 0.0},
        {" 1 2 3 4 5", 3, 12.345},  // blanks inside are ignored
        {"  -1.5E+03", 2, -1500.0},
        {"     1.5D3", 2, 1500.0},
        {"    1.5e 3", 2, 1500.0},
        {"     1.5+3", 2, 1500.0},  // a signed exponent alone
        {"      15-2", 0, 0.15},
        {"      15-2", 1, 0.015},
        {"    12345E2", 3, 1234.5},
        {"        +.5", 3, 0.5},
        {"     99999.999", 3, 99999.999},
        {"     1E-999", 0, 0.0},  // below the smallest double: zero
        // Read errors.
        {"     1E999", 0, std::nullopt},
        {"     1.2.3", 2, std::nullopt},
        {"       12a", 2, std::nullopt},
        {"      1.5E", 2, std::nullopt},
        {"       --1", 2, std::nullopt},
        {"         .", 2, std::nullopt},
        {"       1,5", 2, std::nullopt},
        {"   1.5E+-3", 2, std::nullopt},
        {"       nan", 2, std::nullopt},
        {"     1\t2", 2, std::nullopt},
    };
    for (const RealCase& c : cases) {
        const auto got = read_real_field(c.field, c.d);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << '"' << c.field << '"';
        if (got) {
            EXPECT_EQ(*got, *c.want) << '"' << c.field << "\" d=" << c.d;
        }
    }
}

TEST(ReadIntField, Table) {
    EXPECT_EQ(read_int_field("  7"), 7);
    EXPECT_EQ(read_int_field("   "), 0);
    EXPECT_EQ(read_int_field(""), 0);
    EXPECT_EQ(read_int_field(" -12"), -12);
    EXPECT_EQ(read_int_field("+5"), 5);
    EXPECT_EQ(read_int_field(" 1 2"), 12);
    EXPECT_EQ(read_int_field("-9223372036854775808"), std::numeric_limits<long long>::min());
    for (const char* bad : {"1.0", "1e3", "-", "12x", " - 1x", "99999999999999999999", "+-1"})
        EXPECT_FALSE(read_int_field(bad).has_value()) << bad;
}

TEST(ReadFixed, DatabaseLines) {
    const std::string head = std::string("Quartz") + std::string(74, ' ') + "SU33" + std::string(6, ' ') + "All ";
    FixedRead r = read_fixed("[A20] [T81] [A4] [T91] [A4]", head);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.values.size(), 3u);
    EXPECT_EQ(r.values[0].as_text(), "Quartz              ");
    EXPECT_EQ(r.values[1].as_text(), "SU33");
    EXPECT_EQ(r.values[2].as_text(), "All ");

    r = read_fixed("[8X] [F3.0] [15X] [F5.2] [10X] [F6.3]", "        -1.               4.00           1.234");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.values[0].as_real(), -1.0);
    EXPECT_EQ(r.values[1].as_real(), 4.0);
    EXPECT_EQ(r.values[2].as_real(), 1.234);

    // Pairs past the end of the line read as blanks: zeros.
    r = read_fixed("[I2] [1X] 12[[F10.3] [I2]]", " 2    -1.000 1     2.000 3");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.values.size(), 25u);
    EXPECT_EQ(r.values[0].as_int(), 2);
    EXPECT_EQ(r.values[1].as_real(), -1.0);
    EXPECT_EQ(r.values[2].as_int(), 1);
    EXPECT_EQ(r.values[3].as_real(), 2.0);
    EXPECT_EQ(r.values[4].as_int(), 3);
    EXPECT_EQ(r.values[24].as_int(), 0);
    EXPECT_EQ(r.values[24].kind(), FieldValue::Kind::Int);
}

TEST(ReadFixed, TextPaddingAndErrors) {
    FixedRead r = read_fixed("[A6] [A]", "ab");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.values[0].as_text(), "ab    ");
    EXPECT_EQ(r.values[1].as_text(), "");
    EXPECT_EQ(read_fixed("[2X] [A]", "  rest of line").values[0].as_text(), "rest of line");

    r = read_fixed("[I3] [F5.2] [I3]", "  1abcde  3");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error_field, 2);
    EXPECT_EQ(r.values.size(), 1u);
    EXPECT_EQ(read_fixed("[T4] [I2]", "xxx12").values[0].as_int(), 12);
}

TEST(ReadFreeLine, SeparatorsAndForms) {
    std::vector<double> v;
    EXPECT_TRUE(read_free_line(" 1 2,3\t4 ,5", 10, false, v));
    EXPECT_EQ(v, (std::vector<double>{1, 2, 3, 4, 5}));
    v.clear();
    EXPECT_TRUE(read_free_line("1,,2", 10, false, v));  // empty values between commas: skipped
    EXPECT_EQ(v, (std::vector<double>{1, 2}));
    v.clear();
    EXPECT_TRUE(read_free_line("1.5D3 -2e-1 +4 .5 5. 1.5+3 12345 -0.25E+2", 10, false, v));
    EXPECT_EQ(v, (std::vector<double>{1500, -0.2, 4, 0.5, 5, 1500, 12345, -25}));
    v.clear();
    EXPECT_TRUE(read_free_line("1 2 / 3", 10, false, v));  // "/" ends the values
    EXPECT_TRUE(read_free_line("4/5", 10, false, v));
    EXPECT_EQ(v, (std::vector<double>{1, 2, 4}));
    v.clear();
    EXPECT_TRUE(read_free_line("1 2 3 junk", 2, false, v));  // at most `want`; the rest is not read
    EXPECT_EQ(v, (std::vector<double>{1, 2}));
    EXPECT_TRUE(read_free_line("", 3, false, v));  // appends; a short line is not an error
    EXPECT_EQ(v.size(), 2u);
}

TEST(ReadFreeLine, Errors) {
    std::vector<double> v;
    EXPECT_FALSE(read_free_line("1 abc 3", 3, false, v));
    EXPECT_EQ(v, (std::vector<double>{1}));  // the values before the bad token stay
    for (const char* bad : {"1.2.3", "nan", "inf", "1.5E", "-", ".", "1e999", "0x10"}) {
        v.clear();
        EXPECT_FALSE(read_free_line(bad, 1, false, v)) << bad;
    }
    v.clear();
    EXPECT_TRUE(read_free_line(" 1 -2 +3", 3, true, v));
    EXPECT_EQ(v, (std::vector<double>{1, -2, 3}));
    for (const char* bad : {"2.0", "1e3", "1D3", "x"}) EXPECT_FALSE(read_free_line(bad, 1, true, v)) << bad;
}

}  // namespace
}  // namespace zq
