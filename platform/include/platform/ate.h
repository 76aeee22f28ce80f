/*
 * Factory test (ATE) support of the phone's platform.
 */
#ifndef PLATFORM_ATE_H
#define PLATFORM_ATE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Tells the factory test support that an upgrade ended (the post-boot
 * upgrade passes 0 after a failure). The result has no meaning for the
 * caller. */
int ateUpgradeCheck(int mode);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_ATE_H */
