/*
 * The timer service's clock. It runs in real time by default; a test or the
 * simulator may switch it to manual, where time moves only when told, so a
 * one-day timer is tested in milliseconds.
 */
#ifndef HOST_CLOCK_H
#define HOST_CLOCK_H

#ifdef __cplusplus
extern "C" {
#endif

/* manual non-zero: the clock stands still until hostClockAdvance. */
void hostClockSetManual(int manual);
/* Moves a manual clock forward by seconds. Every timer that falls due on the
 * way runs on the timer thread, in order of due time, with the clock set to
 * its due time (so timers armed by a callback fall due on the way as well);
 * returns when they have all run. */
void hostClockAdvance(long seconds);
/* Milliseconds on the timer clock since the service started. */
long long hostClockNowMs(void);

typedef struct hostTimerInfo {
    int id;
    int seconds;            /* the delay it was armed with */
    long long dueMs;        /* when it falls due on the timer clock */
} hostTimerInfo;

/* Copies up to max pending timers, earliest first; returns how many are
 * pending (which may be more than max). */
int hostTimerPending(hostTimerInfo *out, int max);
/* Timers armed since the service started (or since hostTimerHistoryClear),
 * in order: copies up to max, returns the count. */
int hostTimerHistory(hostTimerInfo *out, int max);
void hostTimerHistoryClear(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_CLOCK_H */
