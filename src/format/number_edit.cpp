// Output editing of single fields: [Iw], [Fw.d], [Ew.d], [Gw.d], [Aw].
//
// Rounding is half away from zero on the exact decimal value of the double (0.125 in [F5.2]
// is " 0.13", while 2.675, stored as 2.67499999999999982..., gives 2.67). A NaN or an
// infinity fills the field with asterisks, as does a value too wide for it. Negative zero,
// and a negative value that rounds to zero in [Fw.d], are written without a minus sign.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

#include "format/record_layout.h"

namespace zq {
namespace {

void check_width(int w, int d, const char* what) {
    if (w < 1 || d < 0) throw std::logic_error(std::string(what) + ": bad width or decimal count");
}

std::string stars(int w) { return std::string(static_cast<std::size_t>(w), '*'); }

std::string right_aligned(const char* s, std::size_t n, int w) {
    if (n > static_cast<std::size_t>(w)) return stars(w);
    std::string out(static_cast<std::size_t>(w) - n, ' ');
    out.append(s, n);
    return out;
}

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
// digits down to 10^-n.
void round_half_away(double v, bool decimals, int n, Rounded& r) {
    const double a = std::fabs(v);
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

char digit_at(const Rounded& r, int j) { return j >= 0 && j < r.n ? r.digits[j] : '0'; }

// [Ew.d] from digits already rounded to d significant digits (n == 0: the value zero).
std::string e_form(bool negative, const Rounded& r, int w, int d) {
    std::string s;
    s.reserve(static_cast<std::size_t>(d) + 10);
    if (negative) s += '-';
    s += "0.";
    for (int j = 0; j < d; ++j) s += digit_at(r, j);
    const int x = r.n == 0 ? 0 : r.exp;
    const int ax = x < 0 ? -x : x;
    if (ax <= 99) s += 'E';  // a three-digit exponent takes the letter's column
    s += x < 0 ? '-' : '+';
    if (ax > 99) s += static_cast<char>('0' + ax / 100);
    s += static_cast<char>('0' + ax / 10 % 10);
    s += static_cast<char>('0' + ax % 10);
    if (s.size() == static_cast<std::size_t>(w) + 1) s.erase(negative ? 1 : 0, 1);  // drop the 0
    return right_aligned(s.data(), s.size(), w);
}

}  // namespace

std::string edit_i(long long v, int w) {
    check_width(w, 0, "edit_i");
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return right_aligned(buf, static_cast<std::size_t>(r.ptr - buf), w);
}

std::string edit_f(double v, int w, int d) {
    check_width(w, d, "edit_f");
    if (!std::isfinite(v) || std::fabs(v) >= std::pow(10.0, w)) return stars(w);
    Rounded r;
    if (v != 0) round_half_away(v, true, d, r);
    std::string s;
    s.reserve(static_cast<std::size_t>(w) + 2);
    if (std::signbit(v) && r.n > 0) s += '-';
    const int int_digits = r.n > 0 ? r.exp : 0;
    for (int j = 0; j < int_digits; ++j) s += digit_at(r, j);
    if (int_digits <= 0 && s.size() + 1 + static_cast<std::size_t>(d) < static_cast<std::size_t>(w))
        s += '0';  // the zero before the point only when the field has room for it
    s += '.';
    const int first = r.n > 0 ? r.exp : 0;  // digit index of the first decimal
    for (int j = 0; j < d; ++j) s += digit_at(r, first + j);
    return right_aligned(s.data(), s.size(), w);
}

std::string edit_e(double v, int w, int d) {
    check_width(w, d, "edit_e");
    if (d < 1) throw std::logic_error("edit_e: needs at least one decimal");
    if (!std::isfinite(v)) return stars(w);
    Rounded r;
    if (v != 0) round_half_away(v, false, d, r);
    return e_form(std::signbit(v) && v != 0, r, w, d);
}

std::string edit_g(double v, int w, int d) {
    check_width(w, d, "edit_g");
    if (d < 1) throw std::logic_error("edit_g: needs at least one decimal");
    if (!std::isfinite(v)) return stars(w);
    if (v == 0) return w > 4 ? edit_f(0.0, w - 4, d - 1) + "    " : stars(w);
    Rounded r;
    round_half_away(v, false, d, r);
    // 0.1 <= |x| < 10^d, x being v rounded to d digits: fixed point with d significant
    // digits (k = r.exp digits before the point) and four blanks where the exponent goes.
    if (r.exp >= 0 && r.exp <= d) return w > 4 ? edit_f(v, w - 4, d - r.exp) + "    " : stars(w);
    return e_form(std::signbit(v), r, w, d);
}

std::string edit_a(std::string_view s, int w) {
    check_width(w, 0, "edit_a");
    const std::size_t uw = static_cast<std::size_t>(w);
    if (s.size() >= uw) return std::string(s.substr(0, uw));
    std::string out(uw - s.size(), ' ');
    out += s;
    return out;
}

std::string shortest(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace zq
