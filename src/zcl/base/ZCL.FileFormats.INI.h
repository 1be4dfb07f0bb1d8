#pragma once
// Encodings.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

class TStringList;

// Code pages: TZCLEncodings::EnumCodePages (the class is declared with the encodings).
