#pragma once
#include <gtest/gtest.h>

#include <string>

class TXvfb;

TXvfb& ZseX11Server();
// Empty when the server and SDL are up.
std::string& ZseX11SkipReason();
