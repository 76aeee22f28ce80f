/*
 * OTA library: the phone's firmware image writer and its after-upgrade step.
 */
#ifndef PLATFORM_OTA_H
#define PLATFORM_OTA_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A print callback of the after-upgrade step: the standard printf. */
typedef int (*otaPrintFunc)(const char *format, ...);

/* Sets the after-upgrade mode for this run (the post-boot upgrade passes 1). */
void upgradeAfterProcessSet(int mode);

/* Reads the firmware payload from stream (positioned at the payload) to its
 * end and writes the firmware image. mode: 1. -1 on failure, any other value
 * on success. Does not close the stream. */
int ota_file_upgrade_from_fp(FILE *stream, int mode);

/* Runs the after-upgrade step, which starts the main application Pavo;
 * progress is told through the two print callbacks. The result has no
 * meaning for the caller. */
int upgradeAfterProcessStart(otaPrintFunc print, otaPrintFunc errorPrint);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_OTA_H */
