/*
 * Common definitions of the element tree library's public headers: the
 * export marker, C linkage and the machine word that arguments travel in.
 */
#ifndef NC_DEFS_H
#define NC_DEFS_H

#include <stdint.h>

#if defined(__GNUC__)
#define NC_EXPORT __attribute__((visibility("default")))
#else
#define NC_EXPORT
#endif

#ifdef __cplusplus
#define NC_BEGIN_DECLS extern "C" {
#define NC_END_DECLS }
#else
#define NC_BEGIN_DECLS
#define NC_END_DECLS
#endif

/* One machine word: a signed integer or a pointer. Arguments of registered
 * functions and the cells of argument lists hold one each (4 bytes on the
 * phone, 8 on a 64-bit host, so a pointer always survives). */
typedef intptr_t ncWord;

#endif /* NC_DEFS_H */
