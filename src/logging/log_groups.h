// Log groups: a 64-bit mask whose bit n stands for the three-letter code in slot n of one
// process-wide table.
//
// Slots 0..7 hold fixed codes; the others read "???" until a code is registered, which
// takes the next free slot. "LOC" is registered when the table is first used, so it
// always owns bit 8. The table never grows past 64 slots.
//
//   uint64_t mask = GroupMask("NET");                 // kLogGroupNet
//   char names[kGroupNamesCapacity];
//   GroupNames(kLogGroupDbg | kLogGroupNet, names, sizeof names);   // "DBG;NET"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Vela {

inline constexpr uint64_t kLogGroupDbg = uint64_t{1} << 0;
inline constexpr uint64_t kLogGroupGen = uint64_t{1} << 1;
inline constexpr uint64_t kLogGroupXtr = uint64_t{1} << 2;
inline constexpr uint64_t kLogGroupPrf = uint64_t{1} << 3;
inline constexpr uint64_t kLogGroupMem = uint64_t{1} << 4;
inline constexpr uint64_t kLogGroupDsk = uint64_t{1} << 5;
inline constexpr uint64_t kLogGroupNet = uint64_t{1} << 6;
inline constexpr uint64_t kLogGroupTst = uint64_t{1} << 7;
// Registered first of all, before any other code can be.
inline constexpr uint64_t kLogGroupLoc = uint64_t{1} << 8;

inline constexpr std::size_t kLogGroupSlots = 64;
inline constexpr std::size_t kLogGroupCodeLength = 3;
// What an empty slot reads.
inline constexpr std::string_view kUnregisteredGroupCode = "???";
// Enough for every code of a full mask, their separators and the NUL.
inline constexpr std::size_t kGroupNamesCapacity = kLogGroupSlots * (kLogGroupCodeLength + 1);

// The mask of `code`, registering it in the next free slot when it is not in the table yet.
// Returns 0 (no group) when the table is full, or when `code` is empty, longer than three
// characters or holds a NUL: such a code cannot be stored. Thread-safe.
[[nodiscard]] uint64_t GroupMask(std::string_view code);

// The code in `slot` ("???" when empty or out of range).
[[nodiscard]] std::string_view GroupCode(std::size_t slot);

// Writes the codes of the set bits of `mask`, in ascending bit order, separated by ";",
// into `buffer` (always NUL-terminated when capacity > 0, cut at capacity - 1) and returns
// the length written. An empty mask gives the empty text.
std::size_t GroupNames(uint64_t mask, char* buffer, std::size_t capacity);

}  // namespace Vela
