/*
 * Test controls of the time module stand-in. Default: the clock is not set.
 */
#ifndef HOST_TM_H
#define HOST_TM_H

#ifdef __cplusplus
extern "C" {
#endif

/* What tmSntpClientStatusGet answers: non-zero once SNTP has set the clock. */
void hostTmSetSntpStatus(int status);

#ifdef __cplusplus
}
#endif

#endif /* HOST_TM_H */
