// HostBindingValue: the packed 12-byte form in which values cross to and from the host.
//
// Pointers are native words; on a 32-bit target every record has exactly its documented
// size. Values the plugin hands out are allocated through the framework's allocation
// functions and released by ReleaseHostValue.
#pragma once

#include <cstdint>
#include <string_view>

#include "binding/maybe_type.h"

namespace Vela {

class EnumNameLookup;
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

// The failure of FromHostValue for a type code outside 0..10: %1 the caller's path, %2 the
// host type name.
inline constexpr std::string_view kHostValueIncompatibleMessage =
    "Couldn't assign value to '%1' of type object because the input is of an incompatible "
    "type '%2'.";

// "bool", "signed", "unsigned", "float", "string", "blob", "collection", "structure";
// the empty text for any other code.
std::string_view HostValueTypeName(uint32_t type);

// Converts a value to the host form; cannot fail. With `enums`, an Enum whose value has a
// registered name becomes that name as a String.
void ToHostValue(const BindingProperty& value, HostBindingValue& out,
                 const EnumNameLookup* enums = nullptr);

// Converts from the host form; `path` names the value in the failure message.
BindingResult FromHostValue(const HostBindingValue& value, std::string_view path);

// Frees what the plugin allocated for a host value and leaves it Empty.
void ReleaseHostValue(HostBindingValue& value);

// Fills a host result record: an ok result becomes its host value; a failure releases the
// value part, stores an owned copy of the message as the error text and sets the flag.
void StoreResultInHostRecord(HostResultHead& head, const BindingResult& result,
                             const EnumNameLookup* enums = nullptr);

}  // namespace Vela
