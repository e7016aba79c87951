#include "support/tolerant_diff.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace zq::test {

namespace {

struct Token {
    bool number = false;
    std::string text;
    double value = 0;
    double unit = 0;  // one unit of the last digit printed
    std::size_t end = 0;  // column after the number: fixed, as numbers are right-justified
};

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A number as the listing prints it: sign, digits and point, then an exponent written
// E+dd, D+dd or (three-digit exponents) as a bare sign and digits: 0.100-299.
std::size_t number_at(const std::string& s, std::size_t i, Token& t) {
    std::size_t j = i;
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
    const std::size_t mant = j;
    while (j < s.size() && digit(s[j])) ++j;
    std::size_t decimals = 0;
    if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && digit(s[j])) ++j, ++decimals;
    }
    if (j == mant || (j == mant + 1 && s[mant] == '.')) return 0;
    // A digit glued to letters is part of a name (H2O, SO4--), not a number.
    if (i > 0 && (std::isalpha(static_cast<unsigned char>(s[i - 1])) || s[i - 1] == '(')) return 0;
    int exponent = 0;
    std::size_t k = j;
    if (k < s.size() && (s[k] == 'E' || s[k] == 'e' || s[k] == 'D' || s[k] == 'd')) ++k;
    if (k < s.size() && (s[k] == '+' || s[k] == '-') && k + 1 < s.size() && digit(s[k + 1])) {
        std::size_t e = k + 1;
        while (e < s.size() && digit(s[e])) ++e;
        exponent = std::atoi(s.substr(k, e - k).c_str());
        j = e;
    } else if (k != j && k < s.size() && digit(s[k])) {
        std::size_t e = k;
        while (e < s.size() && digit(s[e])) ++e;
        exponent = std::atoi(s.substr(k, e - k).c_str());
        j = e;
    }
    if (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) return 0;  // 1st, 2H2O
    t.number = true;
    t.text = s.substr(i, j - i);
    std::size_t stop = mant;
    while (stop < s.size() && (digit(s[stop]) || s[stop] == '.')) ++stop;
    const double m = std::strtod(s.substr(i, stop - i).c_str(), nullptr);
    t.value = m * std::pow(10.0, exponent);
    t.unit = std::pow(10.0, exponent - static_cast<int>(decimals));
    return j - i;
}

std::vector<Token> tokens(const std::string& s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        Token t;
        const std::size_t n = number_at(s, i, t);
        if (n > 0) {
            t.end = i + n;
            out.push_back(t);
            i += n;
            continue;
        }
        if (out.empty() || out.back().number) out.push_back(Token{});
        out.back().text += s[i++];
    }
    return out;
}

// Text between numbers: blank runs compare as one blank.
std::string squeezed(const std::string& s) {
    std::string r;
    for (char c : s)
        if (c != ' ' || r.empty() || r.back() != ' ') r += c;
    return r;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

std::string why_not(const std::string& a, const std::string& b, const DiffOptions& opt) {
    if (a.size() != b.size()) return "lengths differ";
    const std::vector<Token> ta = tokens(a), tb = tokens(b);
    if (ta.size() != tb.size()) return "different fields";
    const bool noisy = std::any_of(opt.noise_lines.begin(), opt.noise_lines.end(),
                                   [&](const std::string& w) { return a.find(w) != std::string::npos; });
    for (std::size_t i = 0; i < ta.size(); ++i) {
        const Token &x = ta[i], &y = tb[i];
        if (x.number != y.number) return "a number against text";
        if (!x.number) {
            if (squeezed(x.text) != squeezed(y.text)) return "text differs";
            continue;
        }
        if (x.end != y.end) return "a number moved: " + x.text + " and " + y.text;
        const double d = std::fabs(x.value - y.value);
        const double big = std::max(std::fabs(x.value), std::fabs(y.value));
        if (d <= opt.rel * big || d <= std::max(x.unit, y.unit) * (1 + 1e-9)) continue;
        if (noisy && big < opt.noise_floor) continue;
        return "numbers " + x.text + " and " + y.text + " differ beyond the tolerance";
    }
    return "";
}

}  // namespace

std::string tolerant_diff(const std::string& want, const std::string& got, const DiffOptions& opt) {
    const std::vector<std::string> a = lines_of(want), b = lines_of(got);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string la = i < a.size() ? a[i] : "<end>", lb = i < b.size() ? b[i] : "<end>";
        const std::string why = i < a.size() && i < b.size() ? why_not(la, lb, opt) : "line counts differ";
        if (!why.empty())
            return "line " + std::to_string(i + 1) + ": " + why + "\n  expected: [" + la + "]\n  got:      [" + lb + "]";
    }
    return "";
}

}  // namespace zq::test
