/*
 * Time module of the phone's platform: the system clock and its SNTP client.
 */
#ifndef PLATFORM_TM_H
#define PLATFORM_TM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the time module and its SNTP client. 0. */
int tmModuleInit(void);

/* Non-zero once the SNTP client has set the clock, 0 before. */
int tmSntpClientStatusGet(void);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_TM_H */
