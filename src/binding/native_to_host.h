// Native records written straight in the host value form, with no value tree between: the
// dispatch hands a handler's answer to the host this way. The bytes are those ToHostValue
// writes for the tree the native conversion builds (fields in name order, defaults left
// out where a field says so, enumerations by name through `enums`), and so are the
// failures.
#pragma once

#include "abi/host_value.h"
#include "binding/maybe_type.h"

namespace Vela {

class BindingRegistry;
class EnumNameLookup;
struct TypeInfo;

// The native structure at `source` into the Empty `out`; answers whether it wrote no field
// (a structure's default). Contract of BindingConverter::ToHostInto.
bool StructToHostInto(BindingResult& status, HostBindingValue& out, const void* source,
                      const TypeInfo* structure, const BindingRegistry& registry,
                      const EnumNameLookup* enums);

}  // namespace Vela
