#include "binding/page_source.h"

#include <new>

#include "platform/virtual_memory.h"

namespace Vela {

static_assert(Platform::kRegionBytes % kPageBytes == 0);

PageSource& PageSource::Instance() {
  // Never destroyed: trees held by other static objects may release pages during exit.
  static PageSource* const source = new PageSource();
  return *source;
}

void* PageSource::AcquirePage() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (freePages_ == nullptr) {
    void* region = Platform::CommitRegion(Platform::kRegionBytes);
    if (region == nullptr) {
      return nullptr;
    }
    ++regions_;
    auto* bytes = static_cast<unsigned char*>(region);
    // Push in reverse so that pages go out in address order.
    for (std::size_t offset = Platform::kRegionBytes; offset != 0;) {
      offset -= kPageBytes;
      auto* page = new (bytes + offset) FreePage{freePages_};
      freePages_ = page;
    }
  }
  FreePage* page = freePages_;
  freePages_ = page->next;
  page->next = nullptr;  // a fresh page stays zero-filled
  ++outstanding_;
  return page;
}

void PageSource::ReleasePage(void* page) noexcept {
  if (page == nullptr) {
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  freePages_ = new (page) FreePage{freePages_};
  --outstanding_;
}

void PageSource::ReleasePages(void* const* pages, std::size_t count) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < count; ++i) {
    freePages_ = new (pages[i]) FreePage{freePages_};
  }
  outstanding_ -= count;
}

std::size_t PageSource::PagesOutstanding() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return outstanding_;
}

std::size_t PageSource::RegionsCommitted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return regions_;
}

}  // namespace Vela
