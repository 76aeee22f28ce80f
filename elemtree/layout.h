// Checks of the public record layouts: callers outside the library set the
// hooks directly in the records, so each field must sit at its word.
#ifndef ELEMTREE_LAYOUT_H
#define ELEMTREE_LAYOUT_H

#include <cstddef>
#include <cstdint>

// Field `field` of `type` is word `index` (counted from 0), one machine word
// wide: 4 bytes each on the phone, 8 on a 64-bit host.
#if UINTPTR_MAX == 0xFFFFFFFFu
#define NC_ASSERT_WORD(type, field, index)                                                   \
  static_assert(offsetof(type, field) == (index) * 4u && sizeof(((type *)0)->field) == 4u, \
                #type "." #field " must be the 32-bit word " #index)
#else
#define NC_ASSERT_WORD(type, field, index)                                                                  \
  static_assert(offsetof(type, field) == (index) * sizeof(void *) && sizeof(((type *)0)->field) == sizeof(void *), \
                #type "." #field " must be the machine word " #index)
#endif

// Field `field` of `type` sits at byte `offset` in the phone's 32-bit layout
// (records whose integer fields are 32 bits wide on every machine); the
// armhf build checks it, a 64-bit host has another layout.
#if UINTPTR_MAX == 0xFFFFFFFFu
#define NC_ASSERT_OFFSET32(type, field, offset) \
  static_assert(offsetof(type, field) == (offset), #type "." #field " must sit at byte " #offset)
#else
#define NC_ASSERT_OFFSET32(type, field, offset) static_assert(true)
#endif

#define NC_ASSERT_WORDS(type, count) \
  static_assert(sizeof(type) == (count) * sizeof(void *), #type " must be " #count " machine words")

#endif  // ELEMTREE_LAYOUT_H
