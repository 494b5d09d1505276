// A recursive lock with critical-section semantics: the owning thread may enter again,
// and must leave as often as it entered.
//
//   Vela::Platform::RecursiveLock lock;
//   { Vela::Platform::RecursiveLock::Guard guard(lock); ... }
#pragma once

#include <cstddef>

namespace Vela::Platform {

class RecursiveLock {
 public:
  RecursiveLock();
  ~RecursiveLock();
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void Enter();
  void Leave();

  // Also satisfies the standard Lockable requirements (std::lock_guard, std::scoped_lock).
  void lock() { Enter(); }
  void unlock() { Leave(); }

  class Guard {
   public:
    explicit Guard(RecursiveLock& lock) : lock_(lock) { lock_.Enter(); }
    ~Guard() { lock_.Leave(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    RecursiveLock& lock_;
  };

 private:
  // Opaque storage for CRITICAL_SECTION or pthread_mutex_t, so that this header pulls in
  // no system headers.
  alignas(16) unsigned char storage_[64];
};

}  // namespace Vela::Platform
