#include "platform/recursive_lock.h"

#include <pthread.h>

#include <new>

namespace Vela::Platform {
namespace {

static_assert(sizeof(pthread_mutex_t) <= 64, "RecursiveLock storage too small for pthread_mutex_t");
static_assert(alignof(pthread_mutex_t) <= 16, "RecursiveLock storage under-aligned for pthread_mutex_t");

}  // namespace

RecursiveLock::RecursiveLock() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(new (storage_) pthread_mutex_t, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

RecursiveLock::~RecursiveLock() {
  pthread_mutex_t* mutex = std::launder(reinterpret_cast<pthread_mutex_t*>(storage_));
  pthread_mutex_destroy(mutex);
}

void RecursiveLock::Enter() {
  pthread_mutex_lock(std::launder(reinterpret_cast<pthread_mutex_t*>(storage_)));
}

void RecursiveLock::Leave() {
  pthread_mutex_unlock(std::launder(reinterpret_cast<pthread_mutex_t*>(storage_)));
}

}  // namespace Vela::Platform
