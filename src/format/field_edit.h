// The fast paths of the field editors, inline so that a line laid out when compiling
// (fixed_layout.h) edits its fields with their widths known. The exact decimal expansion,
// which decides the values these paths cannot, stays in number_edit.cpp. Internal to format/.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "format/digits.h"
#include "format/layout_items.h"

namespace zq::layout_detail {

inline void put_stars(char* p, int w) { std::memset(p, '*', static_cast<std::size_t>(w)); }

// `t` right-aligned in the w columns at p, or asterisks when it is wider.
inline void put_aligned(char* p, const char* t, int n, int w) {
    if (n > w) return put_stars(p, w);
    if (n < w) layout_detail::put_blanks(p, static_cast<std::size_t>(w - n));
    std::memcpy(p + (w - n), t, static_cast<std::size_t>(n));
}

// Exact powers of ten: 10^0 .. 10^22 are doubles without rounding.
inline constexpr double EXACT_POWER[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                           1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

using digits::digit_count;
using digits::PAIRS;
using digits::POW10;

// Writes the last n digits of q (leading zeros included) just before `end`; returns where
// they begin.
[[gnu::always_inline]] inline char* put_digits_back(char* end, std::uint64_t q, int n) {
    // Beyond 32 bits the division by 100 is a wide one: the digits go two at a time until
    // what is left fits 32 bits.
    for (; n >= 2 && q > 0xffffffffu; n -= 2) {
        end -= 2;
        std::memcpy(end, PAIRS + 2 * (q % 100), 2);
        q /= 100;
    }
    auto r = static_cast<std::uint32_t>(q);
    for (; n >= 2; n -= 2) {
        end -= 2;
        std::memcpy(end, PAIRS + 2 * (r % 100), 2);
        r /= 100;
    }
    if (n == 1) *--end = static_cast<char>('0' + r % 10);
    return end;
}

// 10^k for 22 < |k| <= 292 as a double, within a unit in the last place (number_edit.cpp).
double far_power(int k);

// a x 10^k for |k| <= 292: one correctly rounded operation up to 10^22, two beyond. `exact`
// says whether it was one.
[[gnu::always_inline]] inline double scaled(double a, int k, bool& exact) {
    exact = k >= -22 && k <= 22;
    if (!exact) return a * far_power(k);
    return k >= 0 ? a * EXACT_POWER[k] : a / EXACT_POWER[-k];
}

// |v| rounded as the integer q: |v| ~ q x 10^-shift.
struct RoundedWhole {
    std::uint64_t q = 0;
    int shift = 0;
};

// The common case without printing: the value scaled by a power of ten so that the kept
// digits come before the point, then rounded to the nearest integer q below 10^15. One
// correctly rounded scaling keeps the order of values, so the scaled value lies on the same
// side of a rounding tie (k + 1/2, exact in a double) or of a power of ten as the exact
// value, or on it; two roundings keep it outside a margin of a few units in the last place.
// A value on a tie or a power of ten (or within that margin), and more than 15 kept digits,
// return false: the exact expansion decides them.
[[gnu::always_inline]] inline bool round_fast(double a, bool decimals, int n, RoundedWhole& r) {
    if (!(a >= 0x1p-1022 && a <= 0x1.fffffffffffffp1023) || (!decimals && n > 15)) return false;
    // 2^(bexp-1) <= a < 2^bexp, from the exponent bits of a normal double.
    const int bexp = static_cast<int>((std::bit_cast<std::uint64_t>(a) >> 52) & 0x7ff) - 1022;
    // 10^(e-1) <= a < 10^(e+1): the decimal exponent of a is e or e + 1. floor(k log10 2)
    // is (k x 78913) >> 18 exactly for |k| below 1650 (the shift rounds towards -infinity).
    int e = ((bexp - 1) * 78913 >> 18) + 1;
    int shift = decimals ? n : n - e;  // significant digits: a x 10^shift has n digits
    if (shift > 292 || shift < -292) return false;
    bool exact = true;
    double y = scaled(a, shift, exact);
    if (!decimals && y >= EXACT_POWER[n]) {  // the exponent is e + 1
        ++e;
        if (--shift < -292) return false;
        y = scaled(a, shift, exact);
    }
    const double margin = exact ? 0.0 : y * 1e-15;
    if (y >= 1e15 - margin) return false;
    // One rounding cannot leave 10^(n-1) <= y <= 10^n; two may, and then decide nothing.
    if (!decimals && margin > 0 && (y <= EXACT_POWER[n - 1] + margin || y >= EXACT_POWER[n] - margin)) return false;
    const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(y));
    const double frac = y - static_cast<double>(whole);  // exact below 2^52
    if (std::fabs(frac - 0.5) <= margin) return false;
    r.q = whole + (frac > 0.5 ? 1 : 0);
    r.shift = shift;
    return true;
}

// [Fw.d] straight from q = |v| x 10^d rounded, when one correctly rounded product decides
// the rounding (it leaves the product on the same side of a tie as the exact value, or on
// it): false leaves the value to the exact expansion. A value below the smallest normal
// double, which the fast scaling leaves alone, rounds to zero here as in the exact expansion.
[[gnu::always_inline]] inline bool put_f_fast(char* p, double v, int w, int d) {
    if (d > 15) return false;
    const double y = std::fabs(v) * EXACT_POWER[d];
    if (!(y < 1e15)) return false;
    const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(y));
    const double frac = y - static_cast<double>(whole);
    if (frac == 0.5) return false;
    const std::uint64_t q = whole + (frac > 0.5 ? 1 : 0);
    const bool negative = std::signbit(v) && q > 0;
    const std::uint64_t int_part = q / POW10[d];
    const int int_digits = int_part > 0 ? digit_count(int_part) : 0;
    int n = (negative ? 1 : 0) + int_digits + 1 + d;
    if (int_part == 0 && n < w) ++n;  // the zero before the point only when the field has room
    if (n > w) {
        put_stars(p, w);
        return true;
    }
    // Written in place from the right end of the field.
    char* s = put_digits_back(p + w, q % POW10[d], d);
    *--s = '.';
    if (int_part > 0)
        s = put_digits_back(s, int_part, int_digits);
    else if (s - p > (negative ? 1 : 0))
        *--s = '0';
    if (negative) *--s = '-';
    layout_detail::put_blanks(p, static_cast<std::size_t>(s - p));
    return true;
}

// |v| (finite, not zero) rounded by the fast scaling to the d digits of q (10^(d-1) <= q <
// 10^d), |v| ~ 0.q x 10^x: false leaves the value to the exact expansion.
[[gnu::always_inline]] inline bool round_digits_fast(double v, int d, std::uint64_t& q, int& x) {
    RoundedWhole r;
    if (!round_fast(std::fabs(v), false, d, r)) return false;
    q = r.q;
    x = d - r.shift;
    if (q >= POW10[d]) {  // 9.99 -> 10.0: the digits of 10^d, one more power of ten
        q /= 10;
        ++x;
    }
    return q >= POW10[d - 1];
}

// [Ew.d] of 0.q x 10^x, q having d digits (q = 0: the value zero).
[[gnu::always_inline]] inline void put_e_digits(char* p, bool negative, std::uint64_t q, int x, int w, int d) {
    // "-0." d digits and four for the exponent: E+dd, or +ddd when it has three digits.
    int n = (negative ? 1 : 0) + 2 + d + 4;
    const bool drop_zero = n == w + 1;  // the 0 before the point is dropped
    if (drop_zero) --n;
    if (n > w) return put_stars(p, w);
    char* s = p + (w - n);  // written in place, after the blanks
    layout_detail::put_blanks(p, static_cast<std::size_t>(s - p));
    if (negative) *s++ = '-';
    if (!drop_zero) *s++ = '0';
    *s++ = '.';
    if (d <= 8) {
        // The d digits as the last d of q's eight (digit_bytes), stored whole when the four
        // columns of the exponent, written next, cover what lies past them.
        const std::uint64_t text =
            (digits::digit_bytes(static_cast<std::uint32_t>(q)) >> (8 * (8 - d))) + digits::ASCII_ZEROS;
        std::memcpy(s, &text, d >= 4 ? 8 : static_cast<std::size_t>(d));
        s += d;
    } else {
        s += d;
        put_digits_back(s, q, d);
    }
    const int ax = x < 0 ? -x : x;
    if (ax <= 99) *s++ = 'E';  // a three-digit exponent takes the letter's column
    *s++ = x < 0 ? '-' : '+';
    if (ax > 99) *s++ = static_cast<char>('0' + ax / 100);
    std::memcpy(s, PAIRS + 2 * (ax % 100), 2);
}

// [Ew.d] of a value the fast scaling rounds: false leaves the value to the exact expansion.
[[gnu::always_inline]] inline bool put_e_fast(char* p, double v, int w, int d) {
    std::uint64_t q = 0;
    int x = 0;
    if (v != 0 && !round_digits_fast(v, d, q, x)) return false;
    put_e_digits(p, std::signbit(v) && v != 0, q, x, w, d);
    return true;
}

// The rest of [Fw.d] and [Ew.d] for a value the fast paths leave (number_edit.cpp).
void put_f_rounded(char* p, double v, int w, int d, bool fast);
void put_e_rounded(char* p, double v, int w, int d, bool fast);

// [Fw.d] and [Ew.d] of v at p: by the fast scaling where it decides the rounding, else by
// the exact expansion (`fast` = false: always by the exact expansion).
[[gnu::always_inline]] inline void put_f_field(char* p, double v, int w, int d, bool fast = true) {
    if (!std::isfinite(v) || std::fabs(v) >= (w <= 22 ? EXACT_POWER[w] : std::pow(10.0, w))) return put_stars(p, w);
    if (fast && put_f_fast(p, v, w, d)) return;
    put_f_rounded(p, v, w, d, fast);
}

[[gnu::always_inline]] inline void put_e_field(char* p, double v, int w, int d, bool fast = true) {
    if (!std::isfinite(v)) return put_stars(p, w);
    if (fast && put_e_fast(p, v, w, d)) return;
    put_e_rounded(p, v, w, d, fast);
}

// [Iw] of v at p; a count or an index goes straight to its digits.
[[gnu::always_inline]] inline void put_i_field(char* p, long long v, int w) {
    if (v >= 0 && v < 1000000000 && w <= 20) {
        const int n = digit_count(static_cast<std::uint64_t>(v));
        if (n <= w) {
            put_blanks(p, static_cast<std::size_t>(w - n));
            put_digits_back(p + w, static_cast<std::uint64_t>(v), n);
            return;
        }
    }
    put_i(p, v, w);
}

// A real in an integer field: its integer part, when it has one (asterisks when not).
inline void put_i_of_real(char* p, double r, int w) {
    if (!(r > -9.2e18 && r < 9.2e18)) return put_stars(p, w);
    put_i(p, static_cast<long long>(r), w);
}

// [Aw] of s at p (w >= 1): cut to w, or blanks before.
[[gnu::always_inline]] inline void put_a_field(char* p, std::string_view s, int w) {
    const std::size_t uw = static_cast<std::size_t>(w);
    if (s.size() >= uw) {
        std::memcpy(p, s.data(), uw);
        return;
    }
    put_blanks(p, uw - s.size());
    std::memcpy(p + (uw - s.size()), s.data(), s.size());
}

}  // namespace zq::layout_detail
