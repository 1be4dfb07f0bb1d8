// Headers that nearly every test file includes, precompiled once per test program when
// ZEPHSE_PCH is on (the CI build). Only stable headers belong here.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Types.h"
