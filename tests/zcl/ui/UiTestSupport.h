#pragma once
// Objects freed the way the library frees them (BeforeDestruction first), for tests.

#include <memory>

#include "rtl/RTL.Objects.h"

struct TFreeDeleter {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;
