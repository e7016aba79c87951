// Output editing of single fields: [Iw], [Fw.d], [Ew.d], [Gw.d], [Aw].
//
// Rounding is half away from zero on the exact decimal value of the double (0.125 in [F5.2]
// is " 0.13", while 2.675, stored as 2.67499999999999982..., gives 2.67). A NaN or an
// infinity fills the field with asterisks, as does a value too wide for it. Negative zero,
// and a negative value that rounds to zero in [Fw.d], are written without a minus sign.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "format/field_edit.h"
#include "format/layout_items.h"
#include "format/pow10_table.h"
#include "format/record_layout.h"
#include "format/shortest_number.h"

namespace zq {
namespace {

using namespace layout_detail;

void check_width(int w, int d, const char* what) {
    if (w < 1 || d < 0 || w > MAX_FIELD_WIDTH || d > MAX_FIELD_WIDTH)
        throw std::logic_error(std::string(what) + ": bad width or decimal count");
}

// The characters of one field as they are built, before the field is aligned.
struct FieldText {
    char c[2 * MAX_FIELD_WIDTH + 16];
    int n = 0;
    void put(char ch) { c[n++] = ch; }
    void put(const char* s, int k) {
        for (int i = 0; i < k; ++i) c[n++] = s[i];
    }
};

// Enough significant digits to hold any double exactly (the longest exact expansion of a
// double has 767 significant digits).
constexpr int EXACT_DIGITS = 780;

// |v| rounded half away from zero, as 0.D1D2...Dn x 10^exp. Digits past n are zeros; n == 0
// means the value rounded to zero.
struct Rounded {
    char digits[EXACT_DIGITS + 2];
    int n = 0;
    int exp = 0;
};

// |v| (finite, non-zero) rounded to `n` significant digits, or (decimals = true) to the
// digits down to 10^-n, by the exact expansion of the double.
void round_exact(double a, bool decimals, int n, Rounded& r) {
    int bexp = 0;
    std::frexp(a, &bexp);
    const int exp_bound = static_cast<int>(std::ceil(bexp * 0.30103)) + 1;  // >= decimal exp
    // Digits well beyond the rounding position are printed (correctly rounded by to_chars),
    // so the first dropped digit decides. The one case where a printed tail can mislead is a
    // "5" followed by zeros, which may come from an exact value just below the tie; then the
    // exact expansion decides.
    int prec = std::clamp((decimals ? exp_bound + n : n) + 25, 1, EXACT_DIGITS);
    char buf[EXACT_DIGITS + 40];
    int exp10 = 0;
    auto print = [&] {
        const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, prec);
        const char* e = std::find(buf, res.ptr, 'e');
        int x = 0;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, x);
        exp10 = x + 1;  // d.ddd e x  =  0.dddd e (x+1)
    };
    // buf holds d '.' ddd...: digit j (0-based) of prec + 1 digits.
    auto digit = [&](int j) { return buf[j == 0 ? 0 : j + 1]; };
    print();
    int keep = std::min(decimals ? exp10 + n : n, EXACT_DIGITS);
    if (keep >= 0 && keep < prec && digit(keep) == '5' && prec < EXACT_DIGITS) {
        bool tie = true;
        for (int j = keep + 1; j <= prec && tie; ++j) tie = digit(j) == '0';
        if (tie) {
            prec = EXACT_DIGITS;
            print();
            keep = std::min(decimals ? exp10 + n : n, EXACT_DIGITS);
        }
    }
    r.exp = exp10;
    r.n = 0;
    if (keep < 0) return;  // below half a unit of the last decimal
    for (int j = 0; j < keep; ++j) r.digits[j] = digit(j);
    r.n = keep;
    if (digit(keep) < '5') return;
    int j = keep - 1;
    while (j >= 0 && r.digits[j] == '9') r.digits[j--] = '0';
    if (j >= 0) {
        ++r.digits[j];
    } else {  // carry out of the first digit: 999 -> 1000, one more power of ten
        std::copy_backward(r.digits, r.digits + r.n, r.digits + r.n + 1);
        r.digits[0] = '1';
        ++r.n;
        ++r.exp;
    }
}

// |v| (finite, non-zero) rounded half away from zero to `n` significant digits, or
// (decimals = true) to the digits down to 10^-n: by the fast scaling when it decides, else
// by the exact expansion (`fast` = false: always by the exact expansion).
void round_half_away(double v, bool decimals, int n, Rounded& r, bool fast) {
    const double a = std::fabs(v);
    RoundedWhole w;
    if (!fast || !round_fast(a, decimals, n, w)) return round_exact(a, decimals, n, r);
    const int digits = w.q == 0 ? 0 : digit_count(w.q);
    r.n = digits;
    r.exp = digits - w.shift;
    put_digits_back(r.digits + digits, w.q, digits);
    while (r.n > 0 && r.digits[r.n - 1] == '0') --r.n;  // trailing zeros dropped
    if (r.n == 0) r.exp = 0;
}

char digit_at(const Rounded& r, int j) { return j >= 0 && j < r.n ? r.digits[j] : '0'; }

// [Ew.d] from digits already rounded to d significant digits (n == 0: the value zero).
void put_e_form(char* p, bool negative, const Rounded& r, int w, int d) {
    FieldText s;
    if (negative) s.put('-');
    s.put("0.", 2);
    for (int j = 0; j < d; ++j) s.put(digit_at(r, j));
    const int x = r.n == 0 ? 0 : r.exp;
    const int ax = x < 0 ? -x : x;
    if (ax <= 99) s.put('E');  // a three-digit exponent takes the letter's column
    s.put(x < 0 ? '-' : '+');
    if (ax > 99) s.put(static_cast<char>('0' + ax / 100));
    s.put(static_cast<char>('0' + ax / 10 % 10));
    s.put(static_cast<char>('0' + ax % 10));
    if (s.n == w + 1) {  // drop the 0 before the point
        const int at = negative ? 1 : 0;
        std::copy(s.c + at + 1, s.c + s.n, s.c + at);
        --s.n;
    }
    put_aligned(p, s.c, s.n, w);
}

}  // namespace

namespace layout_detail {

double far_power(int k) {
    // POW10_G holds 10^k as g x 2^r, g of 126 bits with r = floor(log2(10^k)) - 125, and
    // floor(log2(10^k)) is (k x 1741647) >> 19 over its range (as for the shortest printer).
    // The top 64 bits of g, rounded to a double, times 2^(r + 64).
    const shortest_detail::Pow10G& g = shortest_detail::POW10_G[k - shortest_detail::POW10_G_MIN];
    return std::ldexp(static_cast<double>(g.hi), ((k * 1741647) >> 19) - 125 + 64);
}

void put_f_rounded(char* p, double v, int w, int d, bool fast) {
    Rounded r;
    if (v != 0) round_half_away(v, true, d, r, fast);
    FieldText s;
    if (std::signbit(v) && r.n > 0) s.put('-');
    const int int_digits = r.n > 0 ? r.exp : 0;
    for (int j = 0; j < int_digits; ++j) s.put(digit_at(r, j));
    if (int_digits <= 0 && s.n + 1 + d < w) s.put('0');  // the zero before the point only when the field has room
    s.put('.');
    const int first = r.n > 0 ? r.exp : 0;  // digit index of the first decimal
    for (int j = 0; j < d; ++j) s.put(digit_at(r, first + j));
    put_aligned(p, s.c, s.n, w);
}

void put_e_rounded(char* p, double v, int w, int d, bool fast) {
    Rounded r;
    if (v != 0) round_half_away(v, false, d, r, fast);
    put_e_form(p, std::signbit(v) && v != 0, r, w, d);
}

}  // namespace layout_detail

namespace {

void put_g_checked(char* p, double v, int w, int d, bool fast) {
    if (!std::isfinite(v)) return put_stars(p, w);
    if (v == 0) {
        if (w <= 4) return put_stars(p, w);
        put_f_field(p, 0.0, w - 4, d - 1, fast);
        layout_detail::put_blanks(p + w - 4, 4);
        return;
    }
    // 0.1 <= |x| < 10^d, x being v rounded to d digits: fixed point with d significant
    // digits (exp digits before the point) and four blanks where the exponent goes.
    auto fixed = [&](int exp) {
        if (w <= 4) return put_stars(p, w);
        put_f_field(p, v, w - 4, d - exp, fast);
        layout_detail::put_blanks(p + w - 4, 4);
    };
    std::uint64_t q = 0;
    int x = 0;
    if (fast && d <= 15 && round_digits_fast(v, d, q, x)) {
        if (x >= 0 && x <= d) return fixed(x);
        return put_e_digits(p, std::signbit(v), q, x, w, d);
    }
    Rounded r;
    round_half_away(v, false, d, r, fast);
    if (r.exp >= 0 && r.exp <= d) return fixed(r.exp);
    put_e_form(p, std::signbit(v), r, w, d);
}

// Appends the w characters `put` writes.
template <class Put>
void append_field(std::string& out, int w, Put&& put) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(w));
    put(out.data() + at);
}

}  // namespace

namespace layout_detail {

void put_i(char* p, long long v, int w) {
    check_width(w, 0, "edit_i");
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    put_aligned(p, buf, static_cast<int>(r.ptr - buf), w);
}

void put_f(char* p, double v, int w, int d, bool fast) {
    check_width(w, d, "edit_f");
    put_f_field(p, v, w, d, fast);
}

void put_e(char* p, double v, int w, int d, bool fast) {
    check_width(w, d, "edit_e");
    if (d < 1) throw std::logic_error("edit_e: needs at least one decimal");
    put_e_field(p, v, w, d, fast);
}

void put_g(char* p, double v, int w, int d, bool fast) {
    check_width(w, d, "edit_g");
    if (d < 1) throw std::logic_error("edit_g: needs at least one decimal");
    put_g_checked(p, v, w, d, fast);
}

void put_a(char* p, std::string_view s, int w) {
    check_width(w, 0, "edit_a");
    put_a_field(p, s, w);
}

// The widths below are those of the editors above: "-" and the digits of an integer;
// "-", the whole digits (one more when rounding carries), "." and d decimals for [Fw.d];
// "-0." d digits and four for the exponent for [Ew.d], the 0 dropped when that is one too
// many, so d + 6 columns take any value; [Gw.d] in either form (its fixed form, d
// significant digits, "-" and ".", in w - 4 columns).
bool int_fits(long long v, int w) {
    if (w >= 20) return true;
    return w >= 2 && v > -static_cast<long long>(POW10[w - 1]) && v < static_cast<long long>(POW10[w - 1]);
}

bool f_fits(double v, int w, int d) {
    const int whole = w - d - (std::signbit(v) ? 3 : 2);  // |v| below 10^whole fits
    return whole >= 0 && whole <= 22 && std::fabs(v) < EXACT_POWER[whole];
}

bool e_fits(double v, int w, int d) { return std::isfinite(v) && w >= d + 6; }

bool g_fits(double v, int w, int d) { return std::isfinite(v) && w >= d + 6; }

}  // namespace layout_detail

std::string edit_i(long long v, int w) {
    std::string s;
    append_field(s, std::max(w, 1), [&](char* p) { layout_detail::put_i(p, v, w); });
    return s;
}

std::string edit_f(double v, int w, int d) {
    std::string s;
    append_field(s, std::max(w, 1), [&](char* p) { layout_detail::put_f(p, v, w, d); });
    return s;
}

std::string edit_e(double v, int w, int d) {
    std::string s;
    append_field(s, std::max(w, 1), [&](char* p) { layout_detail::put_e(p, v, w, d); });
    return s;
}

std::string edit_g(double v, int w, int d) {
    std::string s;
    append_field(s, std::max(w, 1), [&](char* p) { layout_detail::put_g(p, v, w, d); });
    return s;
}

std::string edit_a(std::string_view s, int w) {
    std::string out;
    append_field(out, std::max(w, 1), [&](char* p) { layout_detail::put_a(p, s, w); });
    return out;
}

std::string shortest(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[SHORTEST_ROOM];
    return std::string(buf, write_shortest(buf, v));
}

}  // namespace zq
