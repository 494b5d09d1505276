// TreeAssembler: builds a value tree bottom-up, in the order a streaming decoder reports
// it. Finished values wait on a stack; a container is made once, with its exact size (or the
// size announced for it), when it closes, and takes its children over without copying them
// again. Growing element and field vectors one child at a time (and inserting fields in
// order one at a time) is what makes building a tree through MutableElement / MutableField
// slow.
//
//   detail::TreeAssembler assembler(root);   // root: an Empty root value
//   assembler.BeginStructure();
//   assembler.PushKey("games");
//   assembler.BeginCollection();
//   assembler.PushUnsigned(3);
//   assembler.EndCollection();
//   assembler.EndStructure();
//   assembler.Finish();                        // root = {"games":[3]}
//
// Fields are ordered by name when their structure closes (a stable sort). A name that
// repeats keeps all its values, next to each other in document order, until Finish: they
// combine exactly as if each had been written in turn over the earlier ones (a scalar or a
// value of another kind replaces, structures merge, collections append or overlay), top
// down, once the whole document is known. Nothing recurses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "binding/binding_context.h"
#include "binding/binding_property.h"
#include "binding/internal/binding_nodes.h"
#include "binding/internal/work_stack.h"

namespace Vela::detail {

// How a repeated name's later collection combines with an earlier one.
enum class RepeatedCollections : uint8_t {
  Append,   // its elements follow the earlier ones
  Overlay,  // element i lands on the earlier element i; the earlier ones beyond remain
};

class TreeAssembler {
 public:
  // `root` must be an Empty root value; it gets the finished tree from Finish(). It must
  // keep its context until the assembler is gone (remembered shapes hold names in it).
  explicit TreeAssembler(BindingProperty& root,
                         RepeatedCollections collections = RepeatedCollections::Append) noexcept
      : root_(root), collections_(collections) {}
  // Releases whatever is still waiting (a parse that stopped part-way).
  ~TreeAssembler();
  TreeAssembler(const TreeAssembler&) = delete;
  TreeAssembler& operator=(const TreeAssembler&) = delete;

  // Each Push / Begin adds one value: an element of the innermost open Collection, the
  // value of the last PushKey inside a Structure, or the root. Throw std::bad_alloc.
  void PushNull() { PushScalar(0, BindingKind::Empty); }
  void PushBool(bool value) { PushScalar(value ? 1 : 0, BindingKind::Bool); }
  void PushSigned(int64_t value) { PushScalar(static_cast<uint64_t>(value), BindingKind::Signed); }
  void PushUnsigned(uint64_t value) { PushScalar(value, BindingKind::Unsigned); }
  void PushFloat(double value);
  void PushString(std::string_view text);
  void PushBlob(std::span<const uint8_t> bytes);
  // A deep copy of `value` (which must not lie inside this assembler's waiting values).
  void PushCopy(const BindingProperty& value);
  // Inside a Structure: a value that leaves an earlier value of its name as it was (Empty
  // when there is none).
  void PushKeep();
  void BeginCollection() { Begin(BindingKind::Collection); }
  // A Collection announced to hold about `expected` elements: a long one gets its element
  // block now and its elements move straight into it, so that they are never held twice.
  // Returns the number of elements reserved (0 for a short one). `expected` is the
  // sender's claim: the caller bounds it by what the input could still hold.
  std::size_t BeginCollection(std::size_t expected);
  void BeginStructure() { Begin(BindingKind::Structure); }

  // The name of the next value of the innermost open Structure.
  void PushKey(std::string_view name);

  // Closes the innermost open Collection.
  void EndCollection();
  // Closes the innermost open Structure.
  void EndStructure();

  // Whether the innermost open container is a Collection, and its children so far.
  bool InCollection() const noexcept {
    return innermost_.kind == BindingKind::Collection;
  }
  std::size_t OpenChildren() const noexcept {
    return innermost_.kind == BindingKind::Empty ? 0
                                                 : size_ - innermost_.start - 1 + innermost_.moved;
  }

  // Whether Finish will combine repeated names (or kept values) of closed structures.
  bool CombinesRepeats() const noexcept { return repeats_; }

  // The value pushed or closed last.
  const BindingProperty& LastValue() const noexcept { return entries_[size_ - 1].value_; }

  // Moves the one finished value into the root and combines repeated names. Requires
  // every container closed. Throws std::bad_alloc, or std::length_error when combined
  // values outgrow a container; the root then holds a valid, partly combined tree.
  void Finish();

 private:
  // A waiting value and, inside a Structure, its name: a BindingField's layout, so that a
  // closing Structure copies its fields over as they are.
  using Entry = BindingField;

  // A kept value (PushKeep) waits as an Empty marked in the byte that says whether a root
  // owns its context, which no waiting value does; combining clears the mark.
  static constexpr uint8_t kKeepsEarlier = 2;

  // Elements a Collection keeps on the stack before they move to a chunk of their own.
  static constexpr std::size_t kElementsOnStack = 1024;

  // kElementsOnStack finished elements of a long open Collection, off the stack: its
  // 32-byte entries would otherwise stand beside the whole element block when the
  // Collection closes. Chunks are never grown (growing copies), and each is freed as soon
  // as its elements have moved into the block.
  struct Chunk {
    Chunk* previous;
    BindingProperty items[kElementsOnStack];
  };

  // An open container; a long Collection's earlier elements wait in its reserved `block`
  // (the first `inBlock` of them) and then in `chunks` (the latest first), `moved` in all.
  struct Open {
    std::size_t start;  // index of the container's own entry
    BindingKind kind;
    Chunk* chunks = nullptr;
    std::size_t moved = 0;
    BindingProperty* block = nullptr;
    std::size_t blockCapacity = 0;
    std::size_t inBlock = 0;
  };

  // A field while its structure is sorted: the first eight bytes of its name as a
  // big-endian number (zero-padded: the same order as the bytes), the name, its index.
  struct SortKey {
    uint64_t prefix;
    const InternedText* name;
    std::size_t index;
  };

  // Recently interned texts by a cheap hash of their bytes. Documents repeat their keys
  // and many of their strings: a text found here is counted once more without hashing
  // all of it again. Only valid while the assembler releases no text (it forgets them all
  // when it does), since a released text may be gone.
  static constexpr std::size_t kRecentTexts = 512;

  // The order found for a recent structure's names. Documents repeat their objects' shapes
  // (every element of an array of records has the same names in the same order): a
  // structure whose names are those of a remembered shape, pointer for pointer (one
  // context interns each name once), takes that order without sorting. A shape holds a
  // reference to each of its names, so an address cannot come back as another name.
  struct Shape {
    uint32_t count = 0;
    uint32_t capacity = 0;
    uint32_t lastUse = 0;  // the shape clock when it last served or was made
    const InternedText** names = nullptr;  // `capacity` names, then `capacity` indices
    uint32_t* order() const noexcept { return reinterpret_cast<uint32_t*>(names + capacity); }
  };
  static constexpr std::size_t kShapes = 64;
  // Structures larger than kMaxShapeFields are rare enough not to be kept.
  static constexpr std::size_t kMinShapeFields = 3;
  static constexpr std::size_t kMaxShapeFields = 256;

  BindingContext& Context();
  // A container node and the array of its elements or fields, both from the context; when
  // the array cannot be had the node goes back before the throw. Inline, with the node's
  // size a constant: every closing container with members comes through here.
  struct NodeWithArray {
    void* node;
    void* array;
  };
  template <typename Node>
  NodeWithArray AllocateNodeWithArray(std::size_t arrayBytes);
  const InternedText* Intern(std::string_view text);
  void Release(const InternedText* text) noexcept;
  Entry& NewEntry();
  void PushScalar(uint64_t bits, BindingKind kind);
  void Begin(BindingKind kind);
  void Grow();
  void Close() noexcept;
  // Moves the innermost Collection's waiting elements into a new chunk.
  void MoveElements();
  // Drops an open container's moved elements and their chunks.
  void ReleaseMoved(const Open& open) noexcept;
  // The keys of the `count` fields from `first` on, sorted by name (stably); `repeats`
  // set when two fields share a name.
  const SortKey* SortByName(const Entry* first, std::size_t count, bool& repeats);

  // Combining repeated names (tree_assembler_repeats.cpp). Values of one name wait as
  // unnamed entries on the stack, from `first` on, while their combination is pending.
  struct Combine {
    BindingProperty* target;  // a value in the tree
    std::size_t first;        // its waiting values (none: `target` is combined already)
    std::size_t count;
  };
  void CombineRepeats();
  void CombineFields(BindingProperty& target, WorkStack<Combine>& work);
  void CombineValues(const Combine& group, WorkStack<Combine>& work);
  void MergeStructures(BindingProperty& target, std::size_t first, std::size_t count);
  void AppendCollections(BindingProperty& target, std::size_t first, std::size_t count);
  void OverlayCollections(const Combine& group, WorkStack<Combine>& work);
  // Room for `entries` more entries on the stack, so that adding them cannot throw.
  void Reserve(std::size_t entries);
  // An unnamed entry taking over `value` (moved bit by bit); requires room reserved.
  void AddWaiting(BindingProperty& value) noexcept;
  // Moves `from`'s payload into `to` (whose place in the tree stays), leaving `from` Empty.
  static void MoveValue(BindingProperty& to, BindingProperty& from) noexcept;
  // Remembers the order `keys` found for the names of `first`.
  void RememberShape(Shape& shape, const Entry* first, const SortKey* keys, std::size_t count);
  void ForgetShape(Shape& shape) noexcept;
  static bool SameNames(const Shape& shape, const Entry* first, std::size_t count) noexcept;

  BindingProperty& root_;
  RepeatedCollections collections_;
  bool repeats_ = false;  // some structure holds a name twice, or a kept value
  BindingContext* context_ = nullptr;
  Entry* entries_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  const InternedText* pendingName_ = nullptr;
  Open innermost_{0, BindingKind::Empty};  // Empty: none is open
  WorkStack<Open> open_;                   // the ones around it
  SortKey* sortKeys_ = nullptr;
  std::size_t sortCapacity_ = 0;
  const InternedText* recent_[kRecentTexts] = {};
  Shape shapes_[kShapes];
  uint32_t shapeClock_ = 0;
};

template <typename Node>
TreeAssembler::NodeWithArray TreeAssembler::AllocateNodeWithArray(std::size_t arrayBytes) {
  void* node = context_->AllocateNode(sizeof(Node));
  try {
    return {node, context_->AllocateNode(arrayBytes)};
  } catch (...) {
    context_->FreeNode(node, sizeof(Node));
    throw;
  }
}

}  // namespace Vela::detail
