// Reading numbers: fixed-column fields and free-form lines.
//
// Both accept the real forms 12.5, -.5, 12345 (fixed: the last d digits are decimals),
// 1.5E3, 1.5D3, 1.5e+3 and the signed exponent alone, 1.5+3 or 15-2. The work is done on
// the text in place or in a small stack buffer: the database reader parses millions of
// numbers, so nothing here allocates per number.
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "format/record_layout.h"

namespace zq {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A real in the text `s` (no blanks). Without a decimal point the last `implied` digits are
// decimals. nullopt when the text is not a real.
std::optional<double> parse_real(std::string_view s, int implied) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t mant = i;
    bool point = false;
    int digits = 0;
    for (; i < s.size(); ++i) {
        if (is_digit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    const std::string_view mantissa = s.substr(mant, i - mant);
    long exponent = 0;
    if (i < s.size()) {
        const char c = s[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd')
            ++i;
        else if (c != '+' && c != '-')
            return std::nullopt;
        bool exp_negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
        if (i == s.size()) return std::nullopt;  // an exponent needs digits
        for (; i < s.size(); ++i) {
            if (!is_digit(s[i])) return std::nullopt;
            if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
        }
        if (exp_negative) exponent = -exponent;
    }
    if (!point) exponent -= implied;

    // Mantissa and exponent in the form from_chars reads: digits[.digits]e<exponent>.
    char small[96];
    std::string large;
    char* buf = small;
    const std::size_t need = mantissa.size() + 16;
    if (need > sizeof small) {
        large.resize(need);
        buf = large.data();
    }
    std::size_t n = mantissa.copy(buf, mantissa.size());
    buf[n++] = 'e';
    const auto r = std::to_chars(buf + n, buf + need, exponent);
    double v = 0;
    const auto [ptr, ec] = std::from_chars(buf, r.ptr, v);
    if (ec == std::errc::result_out_of_range) {
        if (exponent > 0) return std::nullopt;  // beyond the largest double
        v = 0;                                  // below the smallest: zero
    } else if (ec != std::errc() || ptr != r.ptr) {
        return std::nullopt;
    }
    return negative ? -v : v;
}

// The field with blanks removed: in place when the blanks are only around the text.
std::string_view squeeze(std::string_view f, std::string& scratch) {
    const std::size_t b = f.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    f = f.substr(b, f.find_last_not_of(' ') - b + 1);
    if (f.find(' ') == std::string_view::npos) return f;
    for (char c : f)
        if (c != ' ') scratch += c;
    return scratch;
}

bool is_separator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r'; }

}  // namespace

std::optional<double> read_real_field(std::string_view field, int d) {
    std::string scratch;  // used only for blanks inside the number (no allocation otherwise)
    const std::string_view s = squeeze(field, scratch);
    if (s.empty()) return 0.0;
    return parse_real(s, d);
}

std::optional<long long> read_int_field(std::string_view field) {
    std::string scratch;
    std::string_view s = squeeze(field, scratch);
    if (s.empty()) return 0LL;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !is_digit(s[0])) return std::nullopt;
    unsigned long long u = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), u);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    if (u > limit) return std::nullopt;
    return negative ? static_cast<long long>(0ULL - u) : static_cast<long long>(u);
}

bool read_free_line(std::string_view line, int want, bool integers, std::vector<double>& out) {
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (int got = 0; got < want;) {
        while (i < n && is_separator(line[i])) ++i;
        if (i == n || line[i] == '/') return true;
        std::size_t j = i;
        while (j < n && !is_separator(line[j]) && line[j] != '/') ++j;
        const std::string_view tok = line.substr(i, j - i);
        i = j;
        double v = 0;
        if (integers) {
            const auto r = read_int_field(tok);  // tok has no blanks: never allocates
            if (!r) return false;
            v = static_cast<double>(*r);
        } else {
            // Fast path: the plain forms from_chars reads (no '+', no D or bare-sign
            // exponent); everything else goes through the full real syntax.
            const char* b = tok.data();
            const char* e = b + tok.size();
            const char* first = b + (*b == '-' ? 1 : 0);
            const auto [ptr, ec] = std::from_chars(b, e, v);
            if (ec != std::errc() || ptr != e || first == e || !(is_digit(*first) || *first == '.')) {
                const auto r = parse_real(tok, 0);
                if (!r) return false;
                v = *r;
            }
        }
        out.push_back(v);
        ++got;
    }
    return true;
}

}  // namespace zq
