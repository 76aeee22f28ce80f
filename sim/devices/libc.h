// The C library's own functions behind the ones this layer replaces. The
// board's code uses only these for its files, so that it never runs into its
// own replacements.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <ctime>
#include <sys/types.h>

namespace board::libc {

// The next definition of a function after this library: the C library's, or
// a sanitizer's that leads on to it.
template <typename Function>
Function Next(const char *name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Each looks its function up once, on first use (programs may call in before
// this library's constructors ran).
#define BOARD_LIBC_FUNCTION(name, type)                   \
  using name##_function = type;                           \
  inline name##_function name() {                         \
    static const name##_function function = Next<type>(#name); \
    return function;                                      \
  }

BOARD_LIBC_FUNCTION(open, int (*)(const char *, int, ...))
BOARD_LIBC_FUNCTION(open64, int (*)(const char *, int, ...))
BOARD_LIBC_FUNCTION(openat, int (*)(int, const char *, int, ...))
BOARD_LIBC_FUNCTION(openat64, int (*)(int, const char *, int, ...))
BOARD_LIBC_FUNCTION(__open_2, int (*)(const char *, int))
BOARD_LIBC_FUNCTION(__open64_2, int (*)(const char *, int))
BOARD_LIBC_FUNCTION(fopen, FILE *(*)(const char *, const char *))
BOARD_LIBC_FUNCTION(fopen64, FILE *(*)(const char *, const char *))
BOARD_LIBC_FUNCTION(close, int (*)(int))
BOARD_LIBC_FUNCTION(read, ssize_t (*)(int, void *, size_t))
BOARD_LIBC_FUNCTION(write, ssize_t (*)(int, const void *, size_t))
BOARD_LIBC_FUNCTION(ioctl, int (*)(int, unsigned long, ...))
BOARD_LIBC_FUNCTION(usleep, int (*)(useconds_t))
BOARD_LIBC_FUNCTION(nanosleep, int (*)(const struct timespec *, struct timespec *))
BOARD_LIBC_FUNCTION(sleep, unsigned (*)(unsigned))

#undef BOARD_LIBC_FUNCTION

}  // namespace board::libc
