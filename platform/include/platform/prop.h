/*
 * Property library of the phone's platform: the device's fixed identity.
 */
#ifndef PLATFORM_PROP_H
#define PLATFORM_PROP_H

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the CTEI prefix of the device's identifier into code, within size
 * bytes, always terminated; the empty text when the device has none.
 * 0, or -1 for a null buffer or size < 1. */
int propCteiCodeGet(char *code, int size);

/* The firmware version text; a borrowed text, never null. */
const char *propGetSoftwareVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_PROP_H */
