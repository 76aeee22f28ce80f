/*
 * Device manager of the phone's platform.
 */
#ifndef PLATFORM_DM_H
#define PLATFORM_DM_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts watching the wired link and telling the other modules of its
 * changes. mode: 0. 0. */
int dmEthLinkNotifyProcess(int mode);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_DM_H */
