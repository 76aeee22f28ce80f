/*
 * Test controls of the memory stand-in (uMalloc/uFree): allocation-failure
 * injection and live-block counts, for out-of-memory loops and leak checks.
 */
#ifndef HOST_MEMORY_H
#define HOST_MEMORY_H

#ifdef __cplusplus
extern "C" {
#endif

/* The nth uMalloc from now fails (n = 1: the next one). With persistent
 * non-zero, every uMalloc after it fails too. n < 1 turns injection off. */
void hostMemFailAfter(long n, int persistent);
/* Turns injection off. */
void hostMemFailOff(void);
/* How many allocations failed by injection since the last hostMemFailAfter. */
long hostMemFailuresInjected(void);
/* Blocks from uMalloc not yet given back with uFree. */
long hostMemLiveBlocks(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_MEMORY_H */
