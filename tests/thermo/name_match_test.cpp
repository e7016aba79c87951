#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "thermo/name_match.h"

namespace zq::test {
namespace {

TEST(NameMatch, ClosestNameIsASpellingNotAGuess) {
    const std::vector<Name20> names{Name20("Calcite"), Name20("Aragonite"), Name20("Quartz"), Name20("CO2,gas")};
    struct Case {
        const char* given;
        const char* closest;
    };
    for (const Case& c :
         {Case{"Calcit", "Calcite"}, Case{"Clacite", "Calcite"}, Case{"calcite", "Calcite"}, Case{"Quarz", "Quartz"},
          Case{"CO2,g", "CO2,gas"}, Case{"Aragonit", "Aragonite"}, Case{"Gypsum", ""}, Case{"Qz", ""}}) {
        EXPECT_EQ(closest_name(c.given, names), c.closest) << c.given;
    }
    EXPECT_EQ(name_distance("ab", "ba"), 1);
    EXPECT_EQ(name_distance("", "abc"), 3);
    EXPECT_EQ(name_distance("kitten", "sitting"), 3);
}

}  // namespace
}  // namespace zq::test
