/*
 * Test controls of the log stand-in: every line is kept and can be read back
 * (level, module tag, text); lines at or above a threshold also go to
 * standard error.
 */
#ifndef HOST_LOG_H
#define HOST_LOG_H

#ifdef __cplusplus
extern "C" {
#endif

enum { HOST_LOG_ERROR = 0, HOST_LOG_WARN = 1, HOST_LOG_INFO = 2, HOST_LOG_DEBUG = 3 };

typedef struct hostLogLine {
    int level;
    char tag[64];
    char text[1024]; /* the formatted text, cut at 1023 bytes */
} hostLogLine;

/* Lines of this level or more severe are printed to standard error
 * (default HOST_LOG_WARN; -1 prints none). */
void hostLogSetThreshold(int level);
/* Lines kept since the start or the last hostLogClear. */
int hostLogCount(void);
/* Copies line index (from 0). 0, or -1 when there is no such line. */
int hostLogGet(int index, hostLogLine *line);
void hostLogClear(void);

#ifdef __cplusplus
}
#endif

#endif /* HOST_LOG_H */
