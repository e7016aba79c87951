#include <gtest/gtest.h>

#include "thermo/system_tables.h"

TEST(FixedName, PadsCutsAndCompares) {
    zq::Name20 a("Quartz");
    EXPECT_EQ(a.view(), "Quartz              ");
    EXPECT_EQ(zq::Name20("Quartz"), a);
    EXPECT_TRUE(zq::Name20().blank());
    EXPECT_EQ(zq::FixedName<4>("ABCDEF").view(), "ABCD");
}
