/* Upgrading from a USB stick: the stick's disk /dev/sda, its partition
 * mounted at /mnt/udisk, and a firmware file on it: a name that begins with
 * the file-name prefix ("q7" at load) and ends in ".z". The helpers run in the
 * caller's thread. */
#ifndef UPGRADEUI_BASE_USB_H
#define UPGRADEUI_BASE_USB_H

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when /dev/sda exists, else 0. */
int isUsbDevValid(void);

/* Mounts the stick's partition (the /dev entry named sda and more, the last
 * one read) at /mnt/udisk, once per process: 0 when it is mounted or was
 * already (a failing mount command is not reported), -1 when /dev/sda does
 * not exist. */
int mountUsb(void);
/* Runs "umount /mnt/udisk"; 0. */
int umountUsb(void);

/* Sets the file-name prefix (at most 15 characters); a null or empty text
 * leaves an empty prefix, which every name matches. */
void modStrSet(const char *prefix);

/* Writes "/mnt/udisk/NAME" for the first entry of /mnt/udisk, in directory
 * order, whose name begins with the prefix and ends in ".z", cut to size
 * bytes; the buffer is untouched when none matches. */
void getFileSearchRes(char *path, int size);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_USB_H */
