#include "zcl/base/ZCL.Base.Units.h"

#include <gtest/gtest.h>

TEST(ZclBaseUnits, AreInitializedBeforeTheTests) { EXPECT_TRUE(IsUnitInitialized("ZCL.Base.Units")); }
