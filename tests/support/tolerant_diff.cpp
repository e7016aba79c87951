#include "support/tolerant_diff.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace zq::test {

namespace {

struct Token {
    bool number = false;
    std::string text;
    double value = 0, unit = 0;  // the value and one unit of its last printed digit
    std::size_t end = 0;         // column after it
};

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool alpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// A number as the listing prints it: [sign] digits [. digits] [E|D sign two digits], or with
// a three-digit exponent as a bare sign and digits (0.100-299). Digits glued to letters are
// part of a name (H2O, SO4--).
std::size_t number_at(const std::string& s, std::size_t i, Token& t) {
    if (i > 0 && (alpha(s[i - 1]) || s[i - 1] == '(')) return 0;
    std::size_t j = i + (s[i] == '-' || s[i] == '+');
    const std::size_t first = j;
    while (j < s.size() && digit(s[j])) ++j;
    int decimals = 0;
    if (j < s.size() && s[j] == '.')
        for (++j; j < s.size() && digit(s[j]); ++j) ++decimals;
    if (j == first || (j == first + 1 && s[first] == '.')) return 0;
    const std::size_t mantissa_end = j;
    std::size_t k = j + (j < s.size() && std::strchr("EeDd", s[j]) != nullptr);
    int exponent = 0;
    const bool signed_exp = k + 1 < s.size() && (s[k] == '+' || s[k] == '-') && digit(s[k + 1]);
    if (signed_exp || (k > j && k < s.size() && digit(s[k]))) {
        std::size_t e = k + signed_exp;
        // After E or D the exponent has two digits, so fields written without blanks between
        // them (0.2000E-060.1000E+01) part there; a bare exponent has three.
        const std::size_t most = k > j ? 2 : 3;
        while (e < s.size() && digit(s[e]) && e - (k + signed_exp) < most) ++e;
        exponent = std::atoi(s.substr(k, e - k).c_str());
        j = e;
    }
    if (j < s.size() && alpha(s[j])) return 0;
    t = {true, s.substr(i, j - i),
         std::strtod(s.substr(i, mantissa_end - i).c_str(), nullptr) * std::pow(10.0, exponent),
         std::pow(10.0, exponent - decimals), j};
    return j - i;
}

std::vector<Token> tokens(const std::string& s) {
    std::vector<Token> out;
    for (std::size_t i = 0; i < s.size();) {
        Token t;
        if (const std::size_t n = number_at(s, i, t)) {
            out.push_back(t);
            i += n;
            continue;
        }
        if (out.empty() || out.back().number) out.push_back(Token{});
        if (s[i] != ' ' || out.back().text.empty() || out.back().text.back() != ' ') out.back().text += s[i];
        ++i;
    }
    return out;
}

std::string why_not(const std::string& a, const std::string& b, const DiffOptions& opt) {
    if (a.size() != b.size()) return "lengths differ";
    const std::vector<Token> ta = tokens(a), tb = tokens(b);
    if (ta.size() != tb.size()) return "different fields";
    const bool noisy = std::any_of(opt.noise_lines.begin(), opt.noise_lines.end(),
                                   [&](const std::string& w) { return a.find(w) != std::string::npos; });
    for (std::size_t i = 0; i < ta.size(); ++i) {
        const Token &x = ta[i], &y = tb[i];
        if (x.number != y.number || (!x.number && x.text != y.text)) return "text differs";
        if (!x.number) continue;
        if (x.end != y.end) return "a number moved: " + x.text + " and " + y.text;
        const double d = std::fabs(x.value - y.value), big = std::max(std::fabs(x.value), std::fabs(y.value));
        if (d <= opt.rel * big || d <= std::max(x.unit, y.unit) * (1 + 1e-9) || (noisy && big < opt.noise_floor))
            continue;
        return "numbers " + x.text + " and " + y.text + " differ beyond the tolerance";
    }
    return "";
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

}  // namespace

std::string tolerant_diff(const std::string& want, const std::string& got, const DiffOptions& opt) {
    const std::vector<std::string> a = lines_of(want), b = lines_of(got);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string la = i < a.size() ? a[i] : "<end>", lb = i < b.size() ? b[i] : "<end>";
        const std::string why = i < a.size() && i < b.size() ? why_not(la, lb, opt) : "line counts differ";
        if (!why.empty())
            return "line " + std::to_string(i + 1) + ": " + why + "\n  expected: [" + la + "]\n  got:      [" + lb +
                   "]";
    }
    return "";
}

}  // namespace zq::test
