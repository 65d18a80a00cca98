/* stdio.h for the macOS plug-in builds: formatting into a caller's buffer only. */
#ifndef VIBREL_MACOS_STDIO_H
#define VIBREL_MACOS_STDIO_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int sprintf(char *buffer, const char *format, ...) __attribute__((format(printf, 2, 3)));

#ifdef __cplusplus
}
#endif

#endif
