#include "binding/binding_context.h"

#include <limits>
#include <new>
#include <stdexcept>

#include "util/allocation.h"
#include "util/process_hash_key.h"
#include "util/text_hash.h"

namespace Vela {

namespace {

// The empty text: one static entry, never counted, inserted or removed.
struct StaticEmptyText {
  InternedText entry;
  char text[1];
};
constinit StaticEmptyText gEmptyText = {{nullptr, 0, 0, 0}, {'\0'}};

static_assert(offsetof(StaticEmptyText, text) == sizeof(InternedText),
              "the text must follow its entry directly");

}  // namespace

const InternedText* BindingContext::EmptyText() noexcept { return &gEmptyText.entry; }

BindingContext* BindingContext::Create() {
  void* block = Allocate(sizeof(BindingContext));
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return new (block) BindingContext();
}

void BindingContext::Destroy(BindingContext* context) noexcept {
  if (context == nullptr) {
    return;
  }
  context->~BindingContext();
  Free(context);
}

BindingContext::BindingContext() : buckets_(inlineBuckets_) {
  for (std::size_t i = 0; i < kClassCount; ++i) {
    SizeClass& sizeClass = classes_[i];
    sizeClass.slotBytes = static_cast<uint16_t>((i + 1) * kClassGranule);
    sizeClass.inlineSlots = static_cast<uint16_t>(kInlineAreaBytes / sizeClass.slotBytes);
  }
  static constexpr uint16_t kMediumSlotBytes[kMediumClassCount] = {80,  96,  112, 128, 160, 192,
                                                                   224, 256, 320, 384, 448, 512};
  for (std::size_t i = 0; i < kMediumClassCount; ++i) {
    mediumClasses_[i].slotBytes = kMediumSlotBytes[i];
  }
}

static_assert(BindingContext::kMaxMediumBytes == 512 && BindingContext::kMaxPooledBytes == 72,
              "MediumIndex and the medium slot sizes assume these bounds");

BindingContext::~BindingContext() {
  for (HeapHeader* header = heapNodes_; header != nullptr;) {
    HeapHeader* next = header->next;
    Free(header);
    header = next;
  }
  if (buckets_ != inlineBuckets_) {
    Free(buckets_);
  }
  // The pages go back in batches, one lock round each.
  constexpr std::size_t kBatch = 64;
  void* batch[kBatch];
  std::size_t count = 0;
  PageSource& source = PageSource::Instance();
  auto releaseAll = [&](PageList& pages) {
    for (PageHeader* page = pages.head; page != nullptr;) {
      PageHeader* next = page->next;
      batch[count++] = page;
      if (count == kBatch) {
        source.ReleasePages(batch, count);
        count = 0;
      }
      page = next;
    }
  };
  for (SizeClass& sizeClass : classes_) {
    releaseAll(sizeClass);
  }
  for (PageList& pages : mediumClasses_) {
    releaseAll(pages);
  }
  source.ReleasePages(batch, count);
}

void* BindingContext::AllocateSlot(PageList& pages) {
  PageHeader* page = pages.head;
  const uint16_t slotCount = static_cast<uint16_t>(kPageBytes / pages.slotBytes);
  if (page == nullptr || (page->firstFree == 0 && page->untouched == slotCount)) {
    return AllocateFromNewPage(pages);
  }
  unsigned char* slot;
  if (page->firstFree != 0) {
    slot = reinterpret_cast<unsigned char*>(page) +
           static_cast<std::size_t>(page->firstFree) * pages.slotBytes;
    page->firstFree = ReadIndex(slot);
  } else {
    slot = reinterpret_cast<unsigned char*>(page) +
           static_cast<std::size_t>(page->untouched++) * pages.slotBytes;
  }
  ++page->used;
  if (page->firstFree == 0 && page->untouched == slotCount && page != pages.tail) {
    // Full: behind every page that still has room.
    Unlink(pages, page);
    PushBack(pages, page);
  }
  ++slotsInUse_;
  bytesInUse_ += pages.slotBytes;
  return slot;
}

void* BindingContext::AllocateFromNewPage(PageList& pages) {
  void* memory = PageSource::Instance().AcquirePage();
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  ++pagesHeld_;
  const uint16_t headerSlots =
      static_cast<uint16_t>((sizeof(PageHeader) + pages.slotBytes - 1) / pages.slotBytes);
  auto* page = new (memory) PageHeader{nullptr, nullptr, 0, 0, headerSlots, pages.slotBytes};
  PushFront(pages, page);
  return AllocateSlot(pages);
}

void BindingContext::FreeFromPage(PageList& pages, PageHeader* page, void* slot) noexcept {
  const uint16_t slotCount = static_cast<uint16_t>(kPageBytes / pages.slotBytes);
  const bool wasFull = page->firstFree == 0 && page->untouched == slotCount;
  const auto index = static_cast<uint16_t>(
      (static_cast<unsigned char*>(slot) - reinterpret_cast<unsigned char*>(page)) /
      pages.slotBytes);
  WriteIndex(slot, page->firstFree);
  page->firstFree = index;
  if (--page->used == 0) {
    Unlink(pages, page);
    PageSource::Instance().ReleasePage(page);
    --pagesHeld_;
  } else if (wasFull && page != pages.head) {
    Unlink(pages, page);
    PushFront(pages, page);
  }
}

void* BindingContext::AllocateLarge(std::size_t bytes) {
  if (bytes <= kMaxMediumBytes) {
    return AllocateSlot(mediumClasses_[MediumIndex(bytes)]);
  }
  if (bytes > std::numeric_limits<std::size_t>::max() - sizeof(HeapHeader)) {
    throw std::bad_alloc();
  }
  auto* header = static_cast<HeapHeader*>(Allocate(sizeof(HeapHeader) + bytes));
  if (header == nullptr) {
    throw std::bad_alloc();
  }
  header->prev = nullptr;
  header->next = heapNodes_;
  if (heapNodes_ != nullptr) {
    heapNodes_->prev = header;
  }
  heapNodes_ = header;
  bytesInUse_ += bytes;
  return header + 1;
}

void BindingContext::FreeLarge(void* node, std::size_t bytes) noexcept {
  if (bytes <= kMaxMediumBytes) {
    PageList& pages = mediumClasses_[MediumIndex(bytes)];
    --slotsInUse_;
    bytesInUse_ -= pages.slotBytes;
    auto* page = reinterpret_cast<PageHeader*>(reinterpret_cast<std::uintptr_t>(node) & kPageMask);
    FreeFromPage(pages, page, node);
    return;
  }
  HeapHeader* header = static_cast<HeapHeader*>(node) - 1;
  (header->prev != nullptr ? header->prev->next : heapNodes_) = header->next;
  if (header->next != nullptr) {
    header->next->prev = header->prev;
  }
  Free(header);
  bytesInUse_ -= bytes;
}

void* BindingContext::ResizeNode(void* node, std::size_t oldBytes, std::size_t newBytes) {
  if (node == nullptr) {
    return AllocateNode(newBytes);
  }
  if (oldBytes > kMaxMediumBytes && newBytes > kMaxMediumBytes) {
    if (newBytes > std::numeric_limits<std::size_t>::max() - sizeof(HeapHeader)) {
      throw std::bad_alloc();
    }
    HeapHeader* header = static_cast<HeapHeader*>(node) - 1;
    auto* moved = static_cast<HeapHeader*>(Reallocate(header, sizeof(HeapHeader) + newBytes));
    if (moved == nullptr) {
      throw std::bad_alloc();
    }
    (moved->prev != nullptr ? moved->prev->next : heapNodes_) = moved;
    if (moved->next != nullptr) {
      moved->next->prev = moved;
    }
    bytesInUse_ += newBytes;
    bytesInUse_ -= oldBytes;
    return moved + 1;
  }
  void* resized = AllocateNode(newBytes);
  std::memcpy(resized, node, oldBytes < newBytes ? oldBytes : newBytes);
  FreeNode(node, oldBytes);
  return resized;
}

void BindingContext::Unlink(PageList& pages, PageHeader* page) noexcept {
  (page->prev != nullptr ? page->prev->next : pages.head) = page->next;
  (page->next != nullptr ? page->next->prev : pages.tail) = page->prev;
  page->next = nullptr;
  page->prev = nullptr;
}

void BindingContext::PushFront(PageList& pages, PageHeader* page) noexcept {
  page->prev = nullptr;
  page->next = pages.head;
  (pages.head != nullptr ? pages.head->prev : pages.tail) = page;
  pages.head = page;
}

void BindingContext::PushBack(PageList& pages, PageHeader* page) noexcept {
  page->next = nullptr;
  page->prev = pages.tail;
  (pages.tail != nullptr ? pages.tail->next : pages.head) = page;
  pages.tail = page;
}

const InternedText* BindingContext::Intern(std::string_view text) {
  if (text.empty()) {
    return EmptyText();
  }
  if (text.size() > std::numeric_limits<uint32_t>::max() - sizeof(InternedText) - 1) {
    throw std::length_error("interned text too long");
  }
  const auto length = static_cast<uint32_t>(text.size());
  uint32_t hash = HashOf(text);
  uint32_t walked = 0;
  for (InternedText* entry = buckets_[hash & (bucketCount_ - 1)]; entry != nullptr;
       entry = entry->next, ++walked) {
    if (entry->hash == hash && entry->length == length &&
        std::memcmp(entry->data(), text.data(), length) == 0) {
      ++entry->references;
      return entry;
    }
  }
  if (walked > kLongestChain && !keyedHash_) {
    SwitchToKeyedHash();
    hash = HashOf(text);
  }
  if (internedCount_ + 1 > bucketCount_) {
    GrowBuckets();
  }
  void* node = AllocateNode(sizeof(InternedText) + length + 1);
  InternedText** bucket = &buckets_[hash & (bucketCount_ - 1)];
  auto* entry = new (node) InternedText{*bucket, hash, length, 1};
  char* data = reinterpret_cast<char*>(entry + 1);
  std::memcpy(data, text.data(), length);
  data[length] = '\0';
  *bucket = entry;
  ++internedCount_;
  return entry;
}

void BindingContext::Release(const InternedText* entry) noexcept {
  if (entry == EmptyText()) {
    return;
  }
  auto* mutableEntry = const_cast<InternedText*>(entry);
  if (--mutableEntry->references != 0) {
    return;
  }
  InternedText** link = &buckets_[entry->hash & (bucketCount_ - 1)];
  while (*link != entry) {
    link = &(*link)->next;
  }
  *link = entry->next;
  --internedCount_;
  FreeNode(mutableEntry, sizeof(InternedText) + entry->length + 1);
}

void BindingContext::GrowBuckets() {
  const uint32_t count = bucketCount_ * 2;
  auto** buckets = static_cast<InternedText**>(Allocate(count * sizeof(InternedText*)));
  if (buckets == nullptr) {
    throw std::bad_alloc();
  }
  std::memset(buckets, 0, count * sizeof(InternedText*));
  for (uint32_t b = 0; b < bucketCount_; ++b) {
    for (InternedText* entry = buckets_[b]; entry != nullptr;) {
      InternedText* next = entry->next;
      InternedText*& head = buckets[entry->hash & (count - 1)];
      entry->next = head;
      head = entry;
      entry = next;
    }
  }
  if (buckets_ != inlineBuckets_) {
    Free(buckets_);
  }
  buckets_ = buckets;
  bucketCount_ = count;
}

uint32_t BindingContext::HashOf(std::string_view text) const noexcept {
  if (keyedHash_) [[unlikely]] {
    return static_cast<uint32_t>(KeyedHash(text));
  }
  return TextHash(text);
}

// Rehashes every entry in place: the bucket array keeps its size, so nothing is allocated.
void BindingContext::SwitchToKeyedHash() noexcept {
  keyedHash_ = true;
  InternedText* all = nullptr;
  for (uint32_t b = 0; b < bucketCount_; ++b) {
    for (InternedText* entry = buckets_[b]; entry != nullptr;) {
      InternedText* next = entry->next;
      entry->next = all;
      all = entry;
      entry = next;
    }
    buckets_[b] = nullptr;
  }
  while (all != nullptr) {
    InternedText* next = all->next;
    all->hash = HashOf(all->view());
    InternedText*& head = buckets_[all->hash & (bucketCount_ - 1)];
    all->next = head;
    head = all;
    all = next;
  }
}

uint32_t BindingContext::ReferencesOf(std::string_view text) const noexcept {
  if (text.empty()) {
    return 0;
  }
  const uint32_t hash = HashOf(text);
  for (const InternedText* entry = buckets_[hash & (bucketCount_ - 1)]; entry != nullptr;
       entry = entry->next) {
    if (entry->hash == hash && entry->view() == text) {
      return entry->references;
    }
  }
  return 0;
}

}  // namespace Vela
