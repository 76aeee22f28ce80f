/*
 * Test controls of the semaphore stand-in: process-wide counters that let a
 * test prove every take has its give on every path.
 */
#ifndef HOST_SEMAPHORE_H
#define HOST_SEMAPHORE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hostSemStats {
    long created;  /* semMCreate results that were not null */
    long deleted;  /* successful semDelete calls */
    long takes;    /* successful semTake calls */
    long gives;    /* successful semGive calls */
    long held;     /* takes not yet given back, over all live semaphores */
} hostSemStats;

void hostSemStatsGet(hostSemStats *stats);

#ifdef __cplusplus
}
#endif

#endif /* HOST_SEMAPHORE_H */
