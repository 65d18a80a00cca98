/* stdlib.h for the macOS plug-in builds: the heap functions of the Pd externals. */
#ifndef VIBREL_MACOS_STDLIB_H
#define VIBREL_MACOS_STDLIB_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *calloc(size_t count, size_t size);
void free(void *p);

#ifdef __cplusplus
}
#endif

#endif
