// HostBindingValue: the packed 12-byte form in which values cross to and from the host.
//
// Pointers are native words; on a 32-bit target every record has exactly its documented
// size. Values the plugin hands out are allocated by the plugin and released by the plugin
// (the record they travel in says through which entry); the value model converts to and
// from this form (binding/host_value_conversion.h).
#pragma once

#include <cstdint>

namespace Vela {

struct HostBindingValue;
struct HostStructEntry;

enum class HostValueType : uint32_t {
  Empty = 0,
  Bool = 1,
  Signed = 2,
  Unsigned = 3,
  Double = 4,
  StringBorrowed = 5,
  StringOwned = 6,
  BlobBorrowed = 7,
  BlobOwned = 8,
  Collection = 9,
  Structure = 10,
};

#pragma pack(push, 1)
// The address-and-length parts of the value; declared outside the anonymous union, where
// standard C++ allows no type declarations.
struct HostTextPart {
  const char* ptr;
  uint32_t len;
};
struct HostBlobPart {
  const uint8_t* ptr;
  uint32_t len;
};
struct HostCollectionPart {
  HostBindingValue* ptr;
  uint32_t len;
};
struct HostStructurePart {
  HostStructEntry* ptr;
  uint32_t len;
};

struct HostBindingValue {
  uint32_t type;
  union {
    uint8_t b;
    int64_t i;
    uint64_t u;
    double d;
    HostTextPart str;
    HostBlobPart blob;
    HostCollectionPart col;
    HostStructurePart obj;
  };
};

struct HostStructEntry {
  const char* key;
  HostBindingValue value;
  uint8_t keyOwned;
};

// The head shared by the host's request and response records: a value, an error text and
// a flag that is 1 when the error text is set and owned.
struct HostResultHead {
  HostBindingValue value;
  char* error;
  uint8_t errorOwned;
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HostBindingValue) == 12);
static_assert(sizeof(HostStructEntry) == 17);
static_assert(sizeof(HostResultHead) == 17);
#endif

}  // namespace Vela
