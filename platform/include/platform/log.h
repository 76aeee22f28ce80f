/*
 * Log library of the phone's platform: one formatted line per call, at one of
 * four levels, tagged with the calling module ("tarvo.nc", ...).
 */
#ifndef PLATFORM_LOG_H
#define PLATFORM_LOG_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define PLATFORM_LOG_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define PLATFORM_LOG_FORMAT(fmt, args)
#endif

/* Prepares the log library; further calls do nothing. 0. */
int logModuleInit(void);

/* Log one line: module tag, then printf-style format and its arguments. */
void tarvoPrintErrorLog(const char *module, const char *format, ...) PLATFORM_LOG_FORMAT(2, 3);
void tarvoPrintWarnLog(const char *module, const char *format, ...) PLATFORM_LOG_FORMAT(2, 3);
void tarvoPrintInfoLog(const char *module, const char *format, ...) PLATFORM_LOG_FORMAT(2, 3);
void tarvoPrintDebugLog(const char *module, const char *format, ...) PLATFORM_LOG_FORMAT(2, 3);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_LOG_H */
