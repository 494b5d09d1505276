/* Forced into libyaml's api.c when the cross builds compile it: its four allocation helpers
 * (the only places libyaml calls the C runtime's allocator) then go through the plugin's
 * counting entry points. The system headers come first, so their own declarations keep the
 * real names; only libyaml's calls below are renamed. */
#include <stdlib.h>
#include <string.h>

#include "util/c_allocation.h"

#undef malloc
#undef realloc
#undef free
#undef strdup
#define malloc(size) vela_allocate(size)
#define realloc(block, size) vela_reallocate((block), (size))
#define free(block) vela_free(block)
#define strdup(text) vela_duplicate_text(text)
