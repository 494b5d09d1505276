// The process-wide source of 4096-byte pages for the value model's pools.
//
// It commits 64 KiB regions of read-write memory from the system and hands them out as 16
// pages each; released pages are kept on a free list for the next tree (regions are never
// returned to the system). Every page is aligned to its size, so a pool finds a slot's page
// by masking the slot's address. One instance, created on first use, shared by all threads
// behind one mutex.
//
//   void* page = Vela::PageSource::Instance().AcquirePage();
//   Vela::PageSource::Instance().ReleasePage(page);
#pragma once

#include <cstddef>
#include <mutex>

namespace Vela {

inline constexpr std::size_t kPageBytes = 4096;

class PageSource {
 public:
  static PageSource& Instance();

  // A page of kPageBytes aligned to kPageBytes, or null when the system refuses memory.
  // A fresh page is zero-filled; a reused one holds what its last user left.
  void* AcquirePage();
  // Takes back a page obtained from AcquirePage (null does nothing).
  void ReleasePage(void* page) noexcept;
  // Takes back `count` pages at once (one lock round): `pages[0, count)`.
  void ReleasePages(void* const* pages, std::size_t count) noexcept;

  // Pages handed out and not yet released.
  std::size_t PagesOutstanding() const;
  // Regions committed so far (each kRegionBytes).
  std::size_t RegionsCommitted() const;

  PageSource(const PageSource&) = delete;
  PageSource& operator=(const PageSource&) = delete;

 private:
  PageSource() = default;
  ~PageSource() = default;

  struct FreePage {
    FreePage* next;
  };

  mutable std::mutex mutex_;
  FreePage* freePages_ = nullptr;
  std::size_t outstanding_ = 0;
  std::size_t regions_ = 0;
};

}  // namespace Vela
