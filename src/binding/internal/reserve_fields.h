// ReserveFields: room for a structure's fields before they are added, for writers that know
// how many are coming (a native record's field list): the field array is then sized once
// instead of growing, and being moved, field by field.
#pragma once

#include <cstddef>

namespace Vela {

class BindingProperty;

namespace detail {

// On a Structure, makes room for `fields` fields in all (fewer than it holds: nothing);
// any other kind is left alone. Throws std::length_error / std::bad_alloc as MutableField.
void ReserveFields(BindingProperty& structure, std::size_t fields);

}  // namespace detail
}  // namespace Vela
