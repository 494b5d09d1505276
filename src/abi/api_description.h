// The API description block and its records: what the plugin hands the host once at start
// to describe every REST function, type and event it offers. Host layout: packed,
// little-endian, every address a native word.
//
// Every array is contiguous and each record's first word also points at the next record of
// its array (0 in the last), so the host may walk either way. All texts and arrays are
// owned by the API registry and stay valid while the module lives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/host_request.h"
#include "abi/host_response.h"

namespace Vela {

#pragma pack(push, 1)
struct ArgumentEntry {
  ArgumentEntry* next;
  const char* name;
  const char* description;
  uint32_t type;         // TypeCode 1..19 (abi/type_code.h), 0 for any other
  uint32_t elementType;  // element type code of vectors and maps
  const char* typeName;  // registered type's name for codes 15, 16, 17, 19, else ""
  uint8_t optional;
};

struct FunctionDescription {
  FunctionDescription* next;
  uint32_t zero;
  // 0 here; the REST function record's copy holds its context.
  const FunctionContext* context;
  const char* name;
  const char* nameSpace;
  ArgumentEntry* args;
  uint32_t argCount;
  uint32_t returnType;
  uint32_t returnElementType;
  const char* returnTypeName;
  const char* description;
  const char* help;
  uint8_t threadSafe;
  const char* asyncType;  // the asynchronous event type's name, "" when not asynchronous
  const char** tags;
  uint32_t tagCount;
};

struct FieldEntry {
  FieldEntry* next;
  const char* name;
  const char* description;
  uint32_t offset;  // byte offset in the native structure
  uint32_t type;
  uint32_t elementType;
  const char* typeName;
  uint8_t optional;
};

struct EnumValueEntry {
  EnumValueEntry* next;
  const char* name;
  const char* description;
  int32_t value;
};

struct TypeRecord {
  TypeRecord* next;
  const char* name;
  const char* nameSpace;
  uint32_t size;  // native size in bytes
  const char* description;
  const char** tags;
  uint32_t tagCount;
  FieldEntry* fields;       // null when the type has no fields
  EnumValueEntry* values;   // null when the type has fields
  uint32_t count;           // field entries, or value entries when there are no fields
};

struct EventRecord {
  EventRecord* next;
  const char* name;
  const char* nameSpace;
  const char* payloadType;
  const char* description;
  const char** tags;
  uint32_t tagCount;
};

struct ParamLocationEntry {
  ParamLocationEntry* next;
  uint32_t location;  // ParameterLocation code
};

// Passed to the host unchanged; no part of this plugin fills one.
struct TextListEntry {
  TextListEntry* next;
  const char** texts;
  uint32_t count;
};

struct RestFunctionRecord {
  FunctionDescription description;  // its context word is filled
  void (*dispatch)(HostResponse* out, const HostRequest* in);
  ParamLocationEntry* locations;  // one per parameter, in parameter order
  const char* pathTemplate;
  uint32_t method;
  uint8_t flag;
  TextListEntry* textLists;
  uint32_t textListCount;
  const char* customVerb;
};

// The six words handed to the host.
struct ApiDescription {
  RestFunctionRecord* functions;
  uint32_t functionCount;
  TypeRecord* types;
  uint32_t typeCount;
  EventRecord* events;
  uint32_t eventCount;
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ArgumentEntry) == 25);
static_assert(sizeof(FunctionDescription) == 61);
static_assert(offsetof(FunctionDescription, context) == 8);
static_assert(offsetof(FunctionDescription, threadSafe) == 48);
static_assert(offsetof(FunctionDescription, tagCount) == 57);
static_assert(sizeof(FieldEntry) == 29);
static_assert(sizeof(EnumValueEntry) == 16);
static_assert(sizeof(TypeRecord) == 40);
static_assert(sizeof(EventRecord) == 28);
static_assert(sizeof(ParamLocationEntry) == 8);
static_assert(sizeof(TextListEntry) == 12);
static_assert(sizeof(RestFunctionRecord) == 90);
static_assert(offsetof(RestFunctionRecord, dispatch) == 61);
static_assert(offsetof(RestFunctionRecord, locations) == 65);
static_assert(offsetof(RestFunctionRecord, pathTemplate) == 69);
static_assert(offsetof(RestFunctionRecord, method) == 73);
static_assert(offsetof(RestFunctionRecord, flag) == 77);
static_assert(offsetof(RestFunctionRecord, textLists) == 78);
static_assert(offsetof(RestFunctionRecord, customVerb) == 86);
static_assert(sizeof(ApiDescription) == 24);
#endif

}  // namespace Vela
