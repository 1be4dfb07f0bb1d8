#include "zse/script/ZSE.Script.Limits.h"

#include <pthread.h>

#include <cstdint>

namespace {

// Room kept free for the error's own unwinding and for what runs after the engine gives up.
constexpr uintptr_t kReserve = 1024 * 1024;

uintptr_t StackLow() {
  pthread_attr_t attr;
  void* addr = nullptr;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    pthread_attr_getstack(&attr, &addr, &size);
    pthread_attr_destroy(&attr);
  }
  return reinterpret_cast<uintptr_t>(addr);
}

}  // namespace

bool ZsStackNearlyFull() {
  thread_local const uintptr_t low = StackLow();
  if (low == 0) return false;
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  return here < low + kReserve;
}
