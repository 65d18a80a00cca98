/* stddef.h for the macOS plug-in builds, which have no SDK: only what the plug-in uses. */
#ifndef VIBREL_MACOS_STDDEF_H
#define VIBREL_MACOS_STDDEF_H

typedef __SIZE_TYPE__ size_t;
typedef __PTRDIFF_TYPE__ ptrdiff_t;

#ifdef __cplusplus
#define NULL nullptr
#else
#define NULL ((void *)0)
#endif

#define offsetof(type, member) __builtin_offsetof(type, member)

#endif
