#include "thermo/name_match.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace zq {

int name_distance(std::string_view a, std::string_view b) {
    auto same = [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    // Three rows of the edit table: two back for a swap of neighbours.
    const std::size_t n = b.size();
    std::vector<int> before(n + 1), prev(n + 1), cur(n + 1);
    for (std::size_t j = 0; j <= n; ++j) prev[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        cur[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= n; ++j) {
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
                cur[j] = std::min(cur[j], before[j - 2] + 1);
        }
        std::swap(before, prev);
        std::swap(prev, cur);
    }
    return prev[n];
}

std::string closest_name(std::string_view name, const std::vector<Name20>& candidates) {
    std::string best;
    int best_distance = 0;
    for (const Name20& c : candidates) {
        const std::string t = c.trimmed();
        const int d = name_distance(name, t);
        const int allowed = std::max<int>(2, static_cast<int>(std::max(name.size(), t.size())) / 3);
        if (d > allowed || (!best.empty() && d >= best_distance)) continue;
        best = t;
        best_distance = d;
    }
    return best;
}

}  // namespace zq
