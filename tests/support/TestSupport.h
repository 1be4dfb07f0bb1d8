#pragma once
// Shared helpers of the test programs.

#include <gtest/gtest.h>

#include <string>

#include "rtl/RTL.Types.h"

// Each test program defines this: it initializes the units of its library and those below.
// The shared main calls it before the tests and finalizes every unit after them.
void ZephseTestSetup();

// The folder of public test files (conformance suites, sample images); empty when absent.
std::string TestDataDir();
// Skips the current test with a clear message when the named folder of the test data is absent.
#define ZEPHSE_REQUIRE_TESTDATA(sub)                                                       \
  do {                                                                                     \
    if (TestDataDir().empty() || !TestDataExists(sub))                                     \
      GTEST_SKIP() << "test data folder '" << (sub) << "' is absent (shared/testdata)";    \
  } while (0)
bool TestDataExists(const std::string& Sub);
// The project's own small fixtures under tests/.
std::string FixturePath(const std::string& Relative);
// A fresh temporary folder for the current test, removed at the end of the program.
std::string TempDir();

// A connected client socket to 127.0.0.1:Port, or -1.
int LoopbackConnect(uint16_t Port);
// Sends Request to 127.0.0.1:Port and reads the answer until the server closes;
// "<no connection>" when nothing listens.
std::string LoopbackExchange(uint16_t Port, const std::string& Request);
