/*
 * Certificate manager of the phone's platform.
 */
#ifndef PLATFORM_CERT_H
#define PLATFORM_CERT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the certificate manager with its permission file (PEM). 0, or -1
 * for a null path. */
int certManagerInit(const char *permissionFile);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_CERT_H */
