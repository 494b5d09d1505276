// BindingContext: the allocation context that every node of one value tree shares.
//
// It pools the small nodes of a tree (byte vectors, enum pairs, element vectors, field map
// headers, interned texts) and interns its strings, so a tree costs no heap allocation per
// node and stores each distinct text once. The root value creates it on the first node and
// destroys it with itself; it has no lock (one thread uses a tree at a time).
//
// Pools: 18 small size classes of 4, 8, ... 72 bytes and 12 medium ones of 80 to 512 bytes
// (steps of 16 up to 128, of 32 up to 256, of 64 up to 512), so that the element and field
// vectors of ordinary containers and texts of a few hundred bytes cost no heap block each.
// A small class hands out the slots of a 144-byte area inside its own record first; every
// class hands out slots of 4096-byte pages from the PageSource. A page starts with its
// header (rounded up to whole slots); a free slot keeps the 16-bit index of the next free
// slot of its page in its first two bytes, 0 ending the list. A slot finds its page by
// masking its address, or its class's inline area by range. A page whose last slot is
// freed goes back to the PageSource. Requests above 512 bytes go to the heap.
//
// Interning: a chained hash set keyed by the texts' TextHash values, starting with 8 buckets
// and doubling before the load factor would exceed 1.0; each entry counts its references.
// The empty text is one static entry that is never counted. TextHash is fast but unkeyed,
// so a sender can choose texts that share one chain; an insertion that walks more than
// kLongestChain entries (which a load factor of 1 makes vanishingly rare by chance) moves
// the table, once, to SipHash under the process's key, so interning stays linear.
//
//   BindingContext* context = BindingContext::Create();
//   const InternedText* name = context->Intern("error");
//   context->Release(name);
//   BindingContext::Destroy(context);
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "binding/internal/interned_text.h"
#include "binding/page_source.h"

namespace Vela {

class BindingContext {
 public:
  static constexpr std::size_t kClassCount = 18;
  static constexpr std::size_t kClassGranule = 4;
  static constexpr std::size_t kMaxPooledBytes = kClassCount * kClassGranule;  // 72
  static constexpr std::size_t kMediumClassCount = 12;
  static constexpr std::size_t kMaxMediumBytes = 512;
  static constexpr std::size_t kInlineAreaBytes = 144;
  static constexpr std::size_t kInitialBuckets = 8;
  static constexpr uint32_t kLongestChain = 24;

  // Heap-allocated through the framework's allocation functions; throws std::bad_alloc.
  static BindingContext* Create();
  // Returns every page, frees the heap blocks and the context itself (null does nothing).
  static void Destroy(BindingContext* context) noexcept;

  // A node of `bytes` bytes, aligned for pointers and 64-bit words: a pool slot up to
  // kMaxMediumBytes, a heap block beyond (heap blocks are listed, so that destroying the
  // context frees them all). Throws std::bad_alloc.
  inline void* AllocateNode(std::size_t bytes);
  // Returns a node; `bytes` must be the size it was allocated with.
  inline void FreeNode(void* node, std::size_t bytes) noexcept;
  // Moves a node to a new size, keeping the first min(old, new) bytes. Throws
  // std::bad_alloc (the node is then unchanged).
  void* ResizeNode(void* node, std::size_t oldBytes, std::size_t newBytes);

  // Blobs that hold a taken-over std::vector need their destructor run even when the whole
  // context goes; while there are none, a root may drop its tree with the context unwalked.
  void NoteAdoptedBlob(bool added) noexcept { adoptedBlobs_ += added ? 1 : -1; }
  bool HasAdoptedBlobs() const noexcept { return adoptedBlobs_ != 0; }

  // The entry for `text`, its count raised by one (a new entry starts at 1). The empty
  // text yields the static empty entry. Throws std::bad_alloc / std::length_error.
  const InternedText* Intern(std::string_view text);
  // One more reference to an entry of this context.
  void AddReference(const InternedText* entry) noexcept {
    if (entry != EmptyText()) {
      ++const_cast<InternedText*>(entry)->references;
    }
  }
  // Drops a reference; the entry is removed at 0. The static empty entry is ignored.
  void Release(const InternedText* entry) noexcept;

  static const InternedText* EmptyText() noexcept;

  // --- What tests and benchmarks look at. ---
  // Bytes of the pool slots in use plus the bytes of the heap nodes in use.
  std::size_t BytesInUse() const noexcept { return bytesInUse_; }
  // Pool slots in use, small and medium (heap nodes not included).
  std::size_t SlotsInUse() const noexcept { return slotsInUse_; }
  // Pages taken from the PageSource and not yet returned.
  std::size_t PagesHeld() const noexcept { return pagesHeld_; }
  // Distinct non-empty texts interned.
  std::size_t InternedCount() const noexcept { return internedCount_; }
  std::size_t BucketCount() const noexcept { return bucketCount_; }
  // Whether the intern table has moved to the keyed hash (after a too long chain).
  bool UsesKeyedHash() const noexcept { return keyedHash_; }
  // The reference count of `text` in this context; 0 when it is not interned (and always
  // for the empty text, which is never counted).
  uint32_t ReferencesOf(std::string_view text) const noexcept;

  BindingContext(const BindingContext&) = delete;
  BindingContext& operator=(const BindingContext&) = delete;

 private:
  BindingContext();
  ~BindingContext();

  // The header in front of every heap node.
  struct HeapHeader {
    HeapHeader* prev;
    HeapHeader* next;
  };
  static_assert(sizeof(HeapHeader) % alignof(void*) == 0);

  // The header at the start of every page.
  struct PageHeader {
    PageHeader* next;
    PageHeader* prev;
    uint16_t used;
    uint16_t firstFree;   // slot index; 0 ends the list (slot 0 holds this header)
    uint16_t untouched;   // slots from here on were never handed out
    uint16_t slotBytes;
  };

  // The pages of one size class, in a list in which every page with a free slot comes
  // before every full page, so the head answers whether a page can serve a request.
  struct PageList {
    PageHeader* head = nullptr;
    PageHeader* tail = nullptr;
    uint16_t slotBytes = 0;
  };

  // One small size class: its pages and its inline area.
  struct SizeClass : PageList {
    uint16_t inlineSlots = 0;
    uint16_t inlineFirstFree = 0;  // slot index + 1; 0 ends the list
    uint16_t inlineUntouched = 0;
    alignas(8) unsigned char inlineArea[kInlineAreaBytes];
  };

  static constexpr std::size_t kPageMask = ~(kPageBytes - 1);
  // Slots are rounded so that every node is aligned for pointers and 64-bit words.
  static constexpr std::size_t kSlotAlignment = alignof(void*) > 4 ? alignof(void*) : 4;

  static constexpr std::size_t ClassIndex(std::size_t bytes) noexcept {
    std::size_t rounded = (bytes + kSlotAlignment - 1) & ~(kSlotAlignment - 1);
    return rounded / kClassGranule - 1;
  }
  // For kMaxPooledBytes < bytes <= kMaxMediumBytes.
  static constexpr std::size_t MediumIndex(std::size_t bytes) noexcept {
    return bytes <= 128 ? (bytes - 65) / 16 : bytes <= 256 ? 4 + (bytes - 129) / 32
                                                           : 8 + (bytes - 257) / 64;
  }
  static uint16_t ReadIndex(const void* slot) noexcept {
    uint16_t index;
    std::memcpy(&index, slot, sizeof index);
    return index;
  }
  static void WriteIndex(void* slot, uint16_t index) noexcept {
    std::memcpy(slot, &index, sizeof index);
  }

  void* AllocateSlot(PageList& pages);
  void* AllocateFromNewPage(PageList& pages);
  void FreeFromPage(PageList& pages, PageHeader* page, void* slot) noexcept;
  // Nodes above kMaxPooledBytes: a medium slot or a heap block.
  void* AllocateLarge(std::size_t bytes);
  void FreeLarge(void* node, std::size_t bytes) noexcept;
  void Unlink(PageList& pages, PageHeader* page) noexcept;
  void PushFront(PageList& pages, PageHeader* page) noexcept;
  void PushBack(PageList& pages, PageHeader* page) noexcept;
  void GrowBuckets();
  // The hash the intern table is keyed by now.
  uint32_t HashOf(std::string_view text) const noexcept;
  void SwitchToKeyedHash() noexcept;

  SizeClass classes_[kClassCount];
  PageList mediumClasses_[kMediumClassCount];
  InternedText** buckets_;
  uint32_t bucketCount_ = kInitialBuckets;
  uint32_t internedCount_ = 0;
  bool keyedHash_ = false;
  std::size_t bytesInUse_ = 0;
  std::size_t slotsInUse_ = 0;
  std::size_t pagesHeld_ = 0;
  std::ptrdiff_t adoptedBlobs_ = 0;
  HeapHeader* heapNodes_ = nullptr;
  InternedText* inlineBuckets_[kInitialBuckets] = {};
};

// --- Fast paths, inline: every node of a tree comes through here. ---

inline void* BindingContext::AllocateNode(std::size_t bytes) {
  if (bytes > kMaxPooledBytes) {
    return AllocateLarge(bytes);
  }
  SizeClass& sizeClass = classes_[ClassIndex(bytes == 0 ? 1 : bytes)];
  void* slot;
  if (sizeClass.inlineFirstFree != 0) {
    slot = sizeClass.inlineArea +
           static_cast<std::size_t>(sizeClass.inlineFirstFree - 1) * sizeClass.slotBytes;
    sizeClass.inlineFirstFree = ReadIndex(slot);
  } else if (sizeClass.inlineUntouched < sizeClass.inlineSlots) {
    slot = sizeClass.inlineArea +
           static_cast<std::size_t>(sizeClass.inlineUntouched++) * sizeClass.slotBytes;
  } else if (PageHeader* page = sizeClass.head;
             page != nullptr && page->firstFree == 0 &&
             (static_cast<std::size_t>(page->untouched) + 2) * sizeClass.slotBytes <= kPageBytes) {
    // A tree being built takes the never-used slots of its newest page one after another;
    // the page keeps a free slot after this one, so it stays where it is in the list.
    slot = reinterpret_cast<unsigned char*>(page) +
           static_cast<std::size_t>(page->untouched++) * sizeClass.slotBytes;
    ++page->used;
  } else {
    return AllocateSlot(sizeClass);
  }
  ++slotsInUse_;
  bytesInUse_ += sizeClass.slotBytes;
  return slot;
}

inline void BindingContext::FreeNode(void* node, std::size_t bytes) noexcept {
  if (bytes > kMaxPooledBytes) {
    FreeLarge(node, bytes);
    return;
  }
  SizeClass& sizeClass = classes_[ClassIndex(bytes == 0 ? 1 : bytes)];
  --slotsInUse_;
  bytesInUse_ -= sizeClass.slotBytes;
  auto* slot = static_cast<unsigned char*>(node);
  if (slot >= sizeClass.inlineArea && slot < sizeClass.inlineArea + kInlineAreaBytes) {
    WriteIndex(slot, sizeClass.inlineFirstFree);
    sizeClass.inlineFirstFree =
        static_cast<uint16_t>((slot - sizeClass.inlineArea) / sizeClass.slotBytes + 1);
    return;
  }
  auto* page = reinterpret_cast<PageHeader*>(reinterpret_cast<std::uintptr_t>(node) & kPageMask);
  FreeFromPage(sizeClass, page, node);
}

}  // namespace Vela
