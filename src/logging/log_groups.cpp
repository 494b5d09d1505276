#include "logging/log_groups.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace Vela {
namespace {

constexpr bool IsStorableCode(std::string_view code) {
  return !code.empty() && code.size() <= kLogGroupCodeLength && code.find('\0') == std::string_view::npos;
}

constexpr std::array<std::string_view, 8> kFixedCodes = {"DBG", "GEN", "XTR", "PRF", "MEM", "DSK", "NET", "TST"};

// Slots are read without a lock while another thread may register: a slot's text is
// written first and published by storing its length (0 marks an empty slot), and never
// changes afterwards.
class GroupTable {
 public:
  GroupTable() {
    for (std::size_t slot = 0; slot < kFixedCodes.size(); ++slot) Store(slot, kFixedCodes[slot]);
    // Registered before anyone can ask, so that it always owns bit 8.
    (void)Mask("LOC");
  }

  uint64_t Mask(std::string_view code) {
    if (!IsStorableCode(code)) return 0;
    if (uint64_t mask = Find(code)) return mask;
    // Two threads registering the same new code must end up with one slot.
    std::lock_guard<std::mutex> guard(registration_);
    if (uint64_t mask = Find(code)) return mask;
    const uint32_t slot = lastSlot_.load() + 1;
    if (slot >= kLogGroupSlots) return 0;
    Store(slot, code);
    lastSlot_.store(slot);
    return uint64_t{1} << slot;
  }

  // The code of `slot`; "???" when it is empty or out of range.
  std::string_view Code(std::size_t slot) const {
    const uint8_t length = slot < kLogGroupSlots ? lengths_[slot].load(std::memory_order_acquire) : 0;
    if (length == 0) return kUnregisteredGroupCode;
    return std::string_view(codes_[slot].data(), length);
  }

 private:
  void Store(std::size_t slot, std::string_view code) {
    std::memcpy(codes_[slot].data(), code.data(), code.size());
    lengths_[slot].store(static_cast<uint8_t>(code.size()), std::memory_order_release);
  }

  uint64_t Find(std::string_view code) const {
    for (std::size_t slot = 0; slot < kLogGroupSlots; ++slot) {
      const uint8_t length = lengths_[slot].load(std::memory_order_acquire);
      if (length == 0) break;  // slots fill in order
      if (std::string_view(codes_[slot].data(), length) == code) return uint64_t{1} << slot;
    }
    return 0;
  }

  std::array<std::array<char, kLogGroupCodeLength>, kLogGroupSlots> codes_{};
  std::array<std::atomic<uint8_t>, kLogGroupSlots> lengths_{};
  // The slot registered last; the next registration takes the one after it.
  std::atomic<uint32_t> lastSlot_{7};
  std::mutex registration_;
};

GroupTable& Table() {
  static GroupTable table;
  return table;
}

}  // namespace

uint64_t GroupMask(std::string_view code) { return Table().Mask(code); }

std::string_view GroupCode(std::size_t slot) { return Table().Code(slot); }

std::size_t GroupNames(uint64_t mask, char* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return 0;
  const GroupTable& table = Table();
  std::size_t length = 0;
  bool first = true;
  for (std::size_t slot = 0; slot < kLogGroupSlots && mask != 0; ++slot) {
    if (((mask >> slot) & 1u) == 0) continue;
    if (!first && length + 1 < capacity) buffer[length++] = ';';
    first = false;
    for (char c : table.Code(slot)) {
      if (length + 1 >= capacity) break;
      buffer[length++] = c;
    }
  }
  buffer[length] = '\0';
  return length;
}

}  // namespace Vela
