#include "platform/recursive_lock.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <new>

namespace Vela::Platform {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= 64, "RecursiveLock storage too small for CRITICAL_SECTION");
static_assert(alignof(CRITICAL_SECTION) <= 16, "RecursiveLock storage under-aligned for CRITICAL_SECTION");

CRITICAL_SECTION* SectionOf(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

RecursiveLock::RecursiveLock() { InitializeCriticalSection(new (storage_) CRITICAL_SECTION); }

RecursiveLock::~RecursiveLock() { DeleteCriticalSection(SectionOf(storage_)); }

// Critical sections are recursive by nature.
void RecursiveLock::Enter() { EnterCriticalSection(SectionOf(storage_)); }

void RecursiveLock::Leave() { LeaveCriticalSection(SectionOf(storage_)); }

}  // namespace Vela::Platform
