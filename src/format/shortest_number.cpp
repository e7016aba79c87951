// Shortest round-trip digits of a double and their layout.
//
// The digits: a double v = c * 2^q has the rounding interval R of the reals that read back
// as v (half the gap to each neighbour, ends included when c is even). The shortest
// decimal in R, and the one nearest v when there are several (the even one on a tie), is
// found as follows. Let k be the largest integer with 10^k <= 2^q, the width of R (3/4 of
// it for the powers of two, whose lower gap is half). Then R holds at least one multiple of
// 10^k and at most one of 10^(k+1):
//   - if that multiple of 10^(k+1) is in R, it is the answer (any shorter decimal in R is
//     such a multiple too);
//   - otherwise the answer is s * 10^k or (s + 1) * 10^k with s = floor(v / 10^k): the one
//     in R, or the nearer to v when both are.
// This is Giulietti's Schubfach method. The scaling by 10^-k uses g, a 126-bit upper
// approximation of 10^-k times a power of two (pow10_table.h). Two ways to compare:
//   - fast_decimal: v / 10^k and the half width of R in fixed point, from one 64 x 128-bit
//     product. Their errors are bounded, and a comparison that comes out too close to call
//     (an end of R exactly on a candidate, an exact tie) is handed on to
//   - exact_decimal: v and the ends of R in units of 10^k / 4, where the candidates are
//     even integers, each kept as its integer part with the lowest bit set when a fraction
//     is left ("round to odd"). Comparing an even integer with that is comparing it with
//     the real number: below 2^-63 the computed fraction holds only the error of g, too
//     small to make an integer look fractional or to hide a fraction that is there.
// The differential test checks the result against std::to_chars.
//
// The layout: the digits, trailing zeros removed, in fixed form ("123.45", "0.0012",
// "1200") or scientific form ("1.2345e-07", "5e+20", "1.5e+300", at least two exponent
// digits), whichever is shorter, fixed on a tie. A whole number in fixed form is written
// with all its digits exact, as printf's %.0f writes it: 2^60 is "1152921504606846976",
// not its shortest digits "1152921504606847" padded with zeros.
#include "format/shortest_number.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "format/digits.h"
#include "format/pow10_table.h"

namespace zq {
namespace {

using shortest_detail::POW10_G;
using shortest_detail::POW10_G_MIN;
using shortest_detail::Pow10G;
using std::uint64_t;

__extension__ typedef unsigned __int128 u128;

constexpr uint64_t C_MIN = uint64_t{1} << 52;  // the implicit bit of a normal double
constexpr int Q_MIN = -1074;                   // the binary exponent of the subnormals
constexpr int EXP_BIAS = 1075;                 // v = c * 2^(biased exponent - EXP_BIAS)

using digits::ASCII_ZEROS;
using digits::digit_bytes;
using digits::digit_count;
using digits::PAIRS;
using digits::POW10;

// floor(log10(2^q)), floor(log10(3/4 * 2^q)) and floor(log2(10^e)) for the exponents of
// doubles; tools/make_pow10_table.py checks these constants over the whole range.
int floor_log10_pow2(int q) { return (q * 315653) >> 20; }
int floor_log10_three_quarters_pow2(int q) { return (q * 315653 - 131237) >> 20; }
int floor_log2_pow10(int e) { return (e * 1741647) >> 19; }

// g * cp / 2^128 rounded to odd: the integer part, its lowest bit set when the fraction is
// 2^-63 or more. The fraction is known to 2^-64 (the low half of g * cp is dropped), and
// below 2^-63 it is only the error of g.
uint64_t round_to_odd(const Pow10G& g, uint64_t cp) {
    const uint64_t carry = static_cast<uint64_t>((static_cast<u128>(g.lo) * cp) >> 64);
    const u128 y = static_cast<u128>(g.hi) * cp + carry;
    return static_cast<uint64_t>(y >> 64) | (static_cast<uint64_t>(y) > 1);
}

// v = f * 10^e.
struct Decimal {
    uint64_t f;
    int e;
};

// The shortest decimal of c * 2^q (header comment), by exact comparisons. `irregular`: c
// is 2^52 above the smallest normal binade, so that the gap below v is half the gap above.
[[gnu::noinline]] Decimal exact_decimal(int q, uint64_t c, bool irregular) {
    const uint64_t open = c & 1;  // ends of R excluded
    const uint64_t cb = c << 2;
    const uint64_t cbr = cb + 2;
    uint64_t cbl;
    int k;
    if (irregular) {
        cbl = cb - 1;
        k = floor_log10_three_quarters_pow2(q);
    } else {
        cbl = cb - 2;
        k = floor_log10_pow2(q);
    }
    // Units of 10^k / 4: x * 2^(q-2) is x * 2^q * 10^-k of them, and 10^-k is
    // g * 2^(floor(log2(10^-k)) - 125) up to g's error, so this is x * 2^h * g / 2^128.
    const int h = q + floor_log2_pow10(-k) + 3;
    const Pow10G& g = POW10_G[-k - POW10_G_MIN];
    const uint64_t vb = round_to_odd(g, cb << h);
    const uint64_t vbl = round_to_odd(g, cbl << h);
    const uint64_t vbr = round_to_odd(g, cbr << h);

    const uint64_t s = vb >> 2;
    // The multiples of 10^(k+1) around v.
    const uint64_t u10 = s / 10 * 10;
    const uint64_t w10 = u10 + 10;
    const bool u10_in = vbl + open <= u10 << 2;
    const bool w10_in = (w10 << 2) + open <= vbr;
    if (u10_in != w10_in) return {u10_in ? u10 : w10, k};

    const uint64_t t = s + 1;
    const bool u_in = vbl + open <= s << 2;
    const bool w_in = (t << 2) + open <= vbr;
    if (u_in != w_in) return {u_in ? s : t, k};
    // Both in R: the nearer to v, the even one on a tie.
    const uint64_t mid = (s + t) << 1;
    return {vb < mid || (vb == mid && (s & 1) == 0) ? s : t, k};
}

// The same decimal for the regular spacing, from one product: X = v / 10^k and the half
// width d of R in units of 10^k, in fixed point with 59 fraction bits. The computed X is
// within 1.1 units of the real one (g's error and the bits cut off), d within 2, so a
// difference of them computed as 8 units or more from zero has the sign of the real one.
// Nearer to zero (an end of R exactly on a candidate, an exact tie) it returns false and
// exact_decimal decides.
inline bool fast_decimal(int q, uint64_t c, Decimal& out) {
    constexpr int64_t ONE = int64_t{1} << 59;
    const auto unsure = [](int64_t t) { return static_cast<uint64_t>(t + 7) <= 14; };
    const int k = floor_log10_pow2(q);
    const int h = q + floor_log2_pow10(-k) + 3;  // 3 to 6
    const Pow10G& g = POW10_G[-k - POW10_G_MIN];
    const uint64_t cp = c << h;
    const uint64_t carry = static_cast<uint64_t>((static_cast<u128>(g.lo) * cp) >> 64);
    const u128 y = static_cast<u128>(g.hi) * cp + carry;  // X * 2^64, less than 2^-64 low
    const uint64_t s = static_cast<uint64_t>(y >> 64);
    const auto x = static_cast<int64_t>(static_cast<uint64_t>(y) >> 5);  // X - s
    const auto d = static_cast<int64_t>(g.hi >> (6 - h));                // 2^(q-1) / 10^k

    // The multiples of 10 around X: u10 <= X < u10 + 10.
    const uint64_t u10 = s / 10 * 10;
    const int64_t a = static_cast<int64_t>((s - u10) << 59) + x;  // X - u10
    const int64_t below = a - d, above = 10 * ONE - a - d;        // negative: in R
    if (unsure(below) || unsure(above)) return false;
    if (below < 0) {
        out = {u10, k};
        return true;
    }
    if (above < 0) {
        out = {u10 + 10, k};
        return true;
    }
    // s and s + 1 (d >= 1/2: one of them is in R).
    const int64_t s_out = x - d, t_out = ONE - x - d;
    if (unsure(s_out) || unsure(t_out)) return false;
    if (s_out < 0 && t_out < 0) {
        const int64_t nearer = x - ONE / 2;  // a tie is unsure
        if (unsure(nearer)) return false;
        out = {nearer < 0 ? s : s + 1, k};
    } else {
        out = {s_out < 0 ? s : s + 1, k};
    }
    return true;
}

// The digits of the whole number c * 2^q (q > 0, below 10^22), `n` of them, at o. Kept
// out of line: it is rare, and its 128-bit division would cost the common path registers.
[[gnu::noinline]] char* exact_whole_number(char* o, uint64_t c, int q, int n) {
    const u128 v = static_cast<u128>(c) << q;
    const uint64_t high = static_cast<uint64_t>(v / POW10[16]);
    const uint64_t low = static_cast<uint64_t>(v - static_cast<u128>(high) * POW10[16]);
    const uint64_t words[3] = {digit_bytes(static_cast<std::uint32_t>(high)) + ASCII_ZEROS,
                               digit_bytes(static_cast<std::uint32_t>(low / POW10[8])) + ASCII_ZEROS,
                               digit_bytes(static_cast<std::uint32_t>(low % POW10[8])) + ASCII_ZEROS};
    char text[24];
    std::memcpy(text, words, sizeof text);
    std::memcpy(o, text + 24 - n, static_cast<std::size_t>(n));
    return o + n;
}

// f * 10^e with f widened to exactly 17 digits.
void widen(uint64_t& f, int& e) {
    const int n = digit_count(f);
    f *= POW10[17 - n];
    e -= 17 - n;
}

// Writes f * 10^e (f of exactly 17 digits) at o. c and the biased exponent are the
// double's, for the exact whole numbers above 2^53.
inline char* lay_out(char* o, uint64_t f, int e, uint64_t c, int biased) {
    const int sci = e + 16;  // the power of ten of the first digit
    // f = lead * 10^16 + high * 10^8 + low.
    const auto top = static_cast<std::uint32_t>(f / 100000000);
    const auto low = static_cast<std::uint32_t>(f - uint64_t{top} * 100000000);
    const std::uint32_t lead = top / 100000000;
    const std::uint32_t high = top - lead * 100000000;
    const uint64_t hi_bytes = digit_bytes(high);
    const uint64_t lo_bytes = digit_bytes(low);
    // The digits up to the last nonzero one; a zero byte is a zero digit.
    int len = 1;
    if (lo_bytes != 0) {
        len = 17 - static_cast<int>(static_cast<unsigned>(std::countl_zero(lo_bytes)) / 8);
    } else if (hi_bytes != 0) {
        len = 9 - static_cast<int>(static_cast<unsigned>(std::countl_zero(hi_bytes)) / 8);
    }
    const char c0 = static_cast<char>('0' + lead);
    const uint64_t hi_text = hi_bytes + ASCII_ZEROS;
    const uint64_t lo_text = lo_bytes + ASCII_ZEROS;
    const auto put17 = [&](char* p) {
        p[0] = c0;
        std::memcpy(p + 1, &hi_text, 8);
        std::memcpy(p + 9, &lo_text, 8);
    };

    // Fixed form when it is no longer than the scientific one. With one digit the
    // scientific form has no point, which moves the bounds by one.
    if (sci >= 0) {
        if (len > sci + 1) {
            // A point among the digits: "123.45".
            const int point = sci + 1;
            put17(o);
            if (point <= 14) {
                char tail[16];
                std::memcpy(tail, o + point, 16);
                std::memcpy(o + point + 1, tail, 16);
            } else {
                char tail[2];
                std::memcpy(tail, o + point, 2);
                std::memcpy(o + point + 1, tail, 2);
            }
            o[point] = '.';
            return o + len + 1;
        }
        if (sci + 1 - len <= (len > 1 ? 5 : 4)) {
            // A whole number. Below 2^53 its shortest digits are its own.
            if (biased > EXP_BIAS) return exact_whole_number(o, c, biased - EXP_BIAS, sci + 1);
            put17(o);
            return o + sci + 1;
        }
    } else if (sci >= (len > 1 ? -4 : -3)) {
        // "0.00ddd".
        std::memcpy(o, "0.000000", 8);
        char* d = o + 1 - sci;
        put17(d);
        return d + len;
    }

    // Scientific: "d.ddde-xx".
    o[0] = c0;
    o[1] = '.';
    std::memcpy(o + 2, &hi_text, 8);
    std::memcpy(o + 10, &lo_text, 8);
    char* p = o + len + (len > 1);
    p[0] = 'e';
    p[1] = sci < 0 ? '-' : '+';
    const unsigned a = static_cast<unsigned>(sci < 0 ? -sci : sci);
    if (a < 100) {
        std::memcpy(p + 2, PAIRS + 2 * a, 2);
        return p + 4;
    }
    p[2] = static_cast<char>('0' + a / 100);
    std::memcpy(p + 3, PAIRS + 2 * (a % 100), 2);
    return p + 5;
}

// A finite nonzero double, its sign already written.
[[gnu::noinline]] char* write_nonzero(char* o, uint64_t bits) {
    const int biased = static_cast<int>(bits >> 52) & 0x7FF;
    uint64_t c = bits & (C_MIN - 1);
    int q = Q_MIN;
    uint64_t f;
    int e;
    if (biased != 0) {
        c |= C_MIN;
        q = biased - EXP_BIAS;
        // A whole number below 2^53 is its own shortest decimal.
        if (q <= 0 && q >= -52 && (c & ((uint64_t{1} << -q) - 1)) == 0) {
            f = c >> -q;
            e = 0;
            widen(f, e);
            return lay_out(o, f, e, c, biased);
        }
    }
    const bool irregular = c == C_MIN && biased > 1;
    Decimal d;
    if (irregular || !fast_decimal(q, c, d)) d = exact_decimal(q, c, irregular);
    f = d.f;
    e = d.e;
    // 16 or 17 digits but for the subnormals.
    if (f < POW10[16]) {
        if (f >= POW10[15]) {
            f *= 10;
            --e;
        } else {
            widen(f, e);
        }
    }
    return lay_out(o, f, e, c, biased);
}

[[gnu::noinline]] char* not_finite(char* first, double v) { return std::to_chars(first, first + SHORTEST_ROOM, v).ptr; }

}  // namespace

char* write_shortest(char* first, double v) {
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    // The sign goes first, to be overwritten when there is none.
    *first = '-';
    char* o = first + (bits >> 63);
    if ((bits << 1) == 0) {
        *o = '0';
        return o + 1;
    }
    if ((bits >> 52 & 0x7FF) == 0x7FF) return not_finite(first, v);
    return write_nonzero(o, bits);
}

}  // namespace zq
