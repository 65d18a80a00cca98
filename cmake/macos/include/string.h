/* string.h for the macOS plug-in builds: memory clearing and copying from libSystem. */
#ifndef VIBREL_MACOS_STRING_H
#define VIBREL_MACOS_STRING_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *memset(void *dst, int value, size_t bytes);
void *memcpy(void *dst, const void *src, size_t bytes);
void *memmove(void *dst, const void *src, size_t bytes);
size_t strlen(const char *s);

#ifdef __cplusplus
}
#endif

#endif
