/* The framework's allocation entry points (util/allocation.h) for C code compiled into the
 * plugin: the libyaml the cross builds compile from source calls these instead of the C
 * runtime (cmake/libyaml-counted-allocation.h), so its blocks are counted like ours. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void* vela_allocate(size_t size);
void vela_free(void* block);
void* vela_reallocate(void* block, size_t size);
char* vela_duplicate_text(const char* text);

#ifdef __cplusplus
}
#endif
