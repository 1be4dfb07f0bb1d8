#include <gtest/gtest.h>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Exception::SetStackTraceCapture(true);
  ZephseTestSetup();
  int result = RUN_ALL_TESTS();
  FinalizeUnits();
  return result;
}
