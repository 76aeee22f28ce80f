/*
 * Storage module and sdev service of the phone's platform: the storage start
 * and the mapping of the paths other modules use onto the device's
 * file systems.
 */
#ifndef PLATFORM_SDEV_H
#define PLATFORM_SDEV_H

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the storage module. 0. */
int storageModuleInit(void);

/* Maps the path prefix path onto the directory dir. 0, or -1 for a null
 * argument. */
int sdevFsRegister(const char *path, const char *dir);
/* Files ending in suffix below the mapped prefix path are kept in dir.
 * 0, or -1 for a null argument. */
int sdevFsFilePathSet(const char *path, const char *suffix, const char *dir);
/* Registers the sdev service's commands. 0. */
int sdevCmdRegister(void);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_SDEV_H */
