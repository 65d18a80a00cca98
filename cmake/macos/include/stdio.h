/* stdio.h for the macOS plug-in builds: formatting into a caller's buffer only (FILE stays opaque:
   Pd's m_pd.h names it in declarations the externals never call). */
#ifndef VIBREL_MACOS_STDIO_H
#define VIBREL_MACOS_STDIO_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __sFILE FILE;

int sprintf(char *buffer, const char *format, ...) __attribute__((format(printf, 2, 3)));
int snprintf(char *buffer, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));

#ifdef __cplusplus
}
#endif

#endif
