/* The keypad service: a watcher of /dev/input/event0 that echoes each key
 * pressed on the panel and, when the service sequence *#527 is typed, cleans
 * the user configuration and restarts the phone. */
#ifndef UPGRADEUI_BASE_KEYPAD_H
#define UPGRADEUI_BASE_KEYPAD_H

#ifdef __cplusplus
extern "C" {
#endif

/* Fills the key codes of the keys 1-9, 0, * and # from /etc/keycheck.txt:
 * after a heading line, decimal codes separated by commas, in that order,
 * across as many lines as they take. 0, or -1 when the file cannot be opened
 * (every code then stays 0). */
int initKey(void);

/* The watcher; it never returns, so it runs in a thread of its own, after
 * initKey. Keys are echoed in the third area of the coordinate block
 * (getPostLcdCoordInfo), which must hold an area on the panel. Cleaning
 * removes /mnt/userdata/default_user_config_back.txt and
 * /mnt/userdata/default_user_config.txt and empties /mnt/userdata/etc/user
 * and /mnt/userdata/etc/default/data; then the shell command "reboot" runs.
 * Without the keypad device the process ends with status 1. */
void keyPadDev(void);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_KEYPAD_H */
