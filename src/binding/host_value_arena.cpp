#include "binding/host_value_arena.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "util/allocation.h"

namespace Vela {
namespace {

thread_local HostValueArena* t_currentArena = nullptr;

// The value's own block: the address of its array, text or blob; null for every other value.
const void* OwnBlock(const HostBindingValue& value) noexcept {
  switch (static_cast<HostValueType>(value.type)) {
    case HostValueType::StringOwned:
      return value.str.ptr;
    case HostValueType::BlobOwned:
      return value.blob.ptr;
    case HostValueType::Collection:
      return value.col.ptr;
    case HostValueType::Structure:
      return value.obj.ptr;
    default:
      return nullptr;
  }
}

}  // namespace

HostValueArena::~HostValueArena() {
  if (handedOver_) return;
  std::memset(static_cast<void*>(&value_), 0, sizeof value_);
  FreeChunks(first_);
}

HostValueArena::Scope::Scope(HostValueArena* arena) noexcept : previous_(t_currentArena) {
  t_currentArena = arena;
}

HostValueArena::Scope::~Scope() { t_currentArena = previous_; }

HostValueArena* HostValueArena::Current() noexcept { return t_currentArena; }

void* HostValueArena::Carve(std::size_t bytes) {
  if (last_ == nullptr || last_->capacity - last_->used < bytes) {
    std::size_t capacity = last_ == nullptr              ? kFirstChunkBytes
                           : last_->capacity <= SIZE_MAX / 2 ? last_->capacity * 2
                                                             : last_->capacity;
    if (capacity < bytes) capacity = bytes;
    if (capacity > SIZE_MAX - kHeaderBytes) throw std::bad_alloc();
    auto* chunk = static_cast<Chunk*>(Allocate(kHeaderBytes + capacity));
    if (chunk == nullptr) throw std::bad_alloc();
    chunk->next = nullptr;
    chunk->used = 0;
    chunk->capacity = capacity;
    if (last_ == nullptr) {
      first_ = chunk;
    } else {
      last_->next = chunk;
    }
    last_ = chunk;
  }
  void* block = reinterpret_cast<unsigned char*>(last_) + kHeaderBytes +
                last_->used;
  last_->used += bytes;
  return block;
}

void HostValueArena::HandOver() noexcept {
  handedOver_ = true;
  if (first_ == nullptr) return;
  const void* firstBlock = reinterpret_cast<unsigned char*>(first_) + kHeaderBytes;
  if (OwnBlock(value_) == firstBlock) {
    first_ = last_ = nullptr;
    return;
  }
  // The writers carve the value's own block first, so a value that holds a block holds
  // that one; without a block nothing points into the chunks.
  std::memset(static_cast<void*>(&value_), 0, sizeof value_);
  FreeChunks(first_);
  first_ = last_ = nullptr;
}

void HostValueArena::FreeChunks(Chunk* first) noexcept {
  for (Chunk* chunk = first; chunk != nullptr;) {
    Chunk* next = chunk->next;
    Free(chunk);
    chunk = next;
  }
}

void HostValueArena::Release(HostBindingValue& value) noexcept {
  if (const void* block = OwnBlock(value)) {
    // The first chunk's header sits right before the value's own block.
    FreeChunks(reinterpret_cast<Chunk*>(const_cast<unsigned char*>(
        static_cast<const unsigned char*>(block) - kHeaderBytes)));
  }
  std::memset(static_cast<void*>(&value), 0, sizeof value);
}

}  // namespace Vela
