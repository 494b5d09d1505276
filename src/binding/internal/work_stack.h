// WorkStack: the explicit stack with which tree walks (destruction, copy, comparison,
// visiting, host conversion) replace recursion, so that a document of any depth is handled
// without exhausting the thread's stack. The first items live inside the object; more go
// to a block from the framework's allocation functions.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "util/allocation.h"

namespace Vela::detail {

template <typename T, std::size_t kInline = 32>
class WorkStack {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  WorkStack() noexcept = default;
  ~WorkStack() {
    if (items_ != inline_) {
      Free(items_);
    }
  }
  WorkStack(const WorkStack&) = delete;
  WorkStack& operator=(const WorkStack&) = delete;

  bool empty() const noexcept { return size_ == 0; }
  std::size_t size() const noexcept { return size_; }
  T& back() noexcept { return items_[size_ - 1]; }
  const T& back() const noexcept { return items_[size_ - 1]; }
  // Throws std::bad_alloc when no memory is left.
  void push(const T& item) {
    if (size_ == capacity_) {
      Grow();
    }
    items_[size_++] = item;
  }
  // Room for `count` items in all, so that pushes up to it cannot throw.
  void reserve(std::size_t count) {
    while (capacity_ < count) {
      Grow();
    }
  }
  T pop() noexcept { return items_[--size_]; }
  void pop_back() noexcept { --size_; }

 private:
  void Grow() {
    std::size_t capacity = capacity_ * 2;
    auto* items = static_cast<T*>(Allocate(capacity * sizeof(T)));
    if (items == nullptr) {
      throw std::bad_alloc();
    }
    std::memcpy(static_cast<void*>(items), items_, size_ * sizeof(T));
    if (items_ != inline_) {
      Free(items_);
    }
    items_ = items;
    capacity_ = capacity;
  }

  T inline_[kInline];
  T* items_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInline;
};

}  // namespace Vela::detail
