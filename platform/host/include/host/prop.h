/*
 * Test controls of the property library stand-in.
 * Defaults: no CTEI prefix, software version "0.0.0.0".
 */
#ifndef HOST_PROP_H
#define HOST_PROP_H

#ifdef __cplusplus
extern "C" {
#endif

/* The CTEI prefix (null: none). */
void hostPropSetCteiCode(const char *code);
/* The firmware version text (null: "0.0.0.0"). */
void hostPropSetSoftwareVersion(const char *version);

#ifdef __cplusplus
}
#endif

#endif /* HOST_PROP_H */
