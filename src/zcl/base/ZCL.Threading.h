#pragma once
// Threading: the library's recursive lock.

#include <atomic>

#include "rtl/RTL.Objects.h"

// A recursive lock that records its owner thread and lives entirely in user mode: a lock word
// taken by compare-and-swap, no system object. Waiters yield and sleep 1 ms in turn (no spin
// count, not fair). Misuse raises EInvalidOperation and leaves the lock as it was.
class TZCLCriticalSection : public TObject {
  ZCL_CLASS(TZCLCriticalSection, TObject)
 public:
  // Owner and name only describe the lock's user; neither is stored.
  explicit TZCLCriticalSection(TObject* AOwner = nullptr, StringView AName = u"");

  // Nested calls of the owner thread only count.
  void Enter();
  // Raises "Section is not owned (%d)" (the owner's thread id, 0 when free) on another thread.
  void Leave();

  // The owner's thread id, 0 while free.
  Cardinal GetOwnerThreadId() const { return FOwnerThreadId.load(std::memory_order_acquire); }
  Integer GetRecursionCount() const { return FRecursionCount; }
  bool IsLocked() const { return FLock.load(std::memory_order_acquire) != 0; }

 private:
  // Tests reach the states that only a corrupted lock shows through it.
  friend struct TZCLCriticalSectionProbe;
  std::atomic<Integer> FLock{0};
  std::atomic<Cardinal> FOwnerThreadId{0};
  Integer FRecursionCount = 0;
};

// Holds a TZCLCriticalSection for a scope.
class TZCLLockGuard {
 public:
  explicit TZCLLockGuard(TZCLCriticalSection& Lock) : FLock(Lock) { FLock.Enter(); }
  ~TZCLLockGuard() { FLock.Leave(); }
  TZCLLockGuard(const TZCLLockGuard&) = delete;
  TZCLLockGuard& operator=(const TZCLLockGuard&) = delete;

 private:
  TZCLCriticalSection& FLock;
};
