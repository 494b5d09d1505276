// HostValueArena: the blocks of one host value carved from a few large chunks, for a value
// that is written once and released as a whole (a dispatch's answer): one allocation for
// what would otherwise be a block per key, text and array.
//
// While a Scope is active on a thread, the host value writers (ToHostValue, the native
// writers) carve every block from the arena, and ReleaseHostValue only empties a value
// (its blocks go with the arena). The first block carved is the value's own (its array,
// text or blob) and the chunk list sits just before it, so the value alone finds its
// chunks again: HostValueArena::Release.
//
//   HostValueArena arena(out);                       // `out` is Empty
//   { HostValueArena::Scope scope(&arena); ToHostValue(tree, out); }
//   arena.HandOver();                                // `out` now owns the chunks
//   ...
//   HostValueArena::Release(out);
#pragma once

#include <cstddef>

#include "abi/host_value.h"

namespace Vela {

class HostValueArena {
 public:
  // The arena of `value`, which must stay alive as long as the arena.
  explicit HostValueArena(HostBindingValue& value) noexcept : value_(value) {}
  // Unless handed over: empties the value (it may point into the chunks) and frees them.
  ~HostValueArena();
  HostValueArena(const HostValueArena&) = delete;
  HostValueArena& operator=(const HostValueArena&) = delete;

  // Makes `arena` (null: none) the one the writers of this thread carve from, until the
  // scope ends.
  class Scope {
   public:
    explicit Scope(HostValueArena* arena) noexcept;
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    HostValueArena* previous_;
  };

  static HostValueArena* Current() noexcept;

  // `bytes` bytes with no alignment (the host records are packed). Throws std::bad_alloc.
  void* Carve(std::size_t bytes);

  // Gives the chunks to the value when its own block is the first one carved; when the value
  // holds no block, nothing refers to them and they are freed now.
  void HandOver() noexcept;

  // Frees a value whose chunks were handed over to it (or one that holds no block) and
  // leaves it Empty.
  static void Release(HostBindingValue& value) noexcept;

 private:
  struct Chunk {
    Chunk* next;
    std::size_t used;
    std::size_t capacity;
  };
  static constexpr std::size_t kFirstChunkBytes = 512;
  // A chunk's header, rounded up so that the first block starts aligned like the chunk.
  static constexpr std::size_t kHeaderBytes = 32;
  static_assert(sizeof(Chunk) <= kHeaderBytes);

  static void FreeChunks(Chunk* first) noexcept;

  HostBindingValue& value_;
  Chunk* first_ = nullptr;
  Chunk* last_ = nullptr;
  bool handedOver_ = false;
};

}  // namespace Vela
