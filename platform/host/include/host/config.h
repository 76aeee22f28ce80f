/*
 * Test controls of the configuration library stand-in.
 *
 * moduleConfigRegister reads the module's settings from one configuration
 * file: for each item, the first line that begins with the item's key; the
 * value is the rest of that line up to its CR LF or LF, cut to
 * maxLength - 1 characters. A key that no line begins with (or a missing
 * file) is stored as null; a key followed directly by the line end as "".
 *
 * Changes at run time are queued and carried out one after the other on the
 * library's own thread, as the phone's configuration service does: the value
 * is compared with the module's current one (read through its copy
 * function); when it differs the check hooks run (a non-zero result refuses
 * it), then the prepare hooks, the value is stored (lock, reset, store,
 * unlock) and the apply hooks run. An unchanged value runs no hook. Nothing
 * happens while the module's enabled flag reads 0.
 */
#ifndef HOST_CONFIG_H
#define HOST_CONFIG_H

#include "platform/config.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The default configuration file: the user configuration file of the board. */
#define HOST_CONFIG_DEFAULT_FILE "/mnt/userdata/default_user_config.txt"

/* The file later registrations read (null: the default). */
void hostConfigSetFile(const char *path);

/* Queues a change of one setting of a registered module, named by its name
 * or an alias. A null value stands for "no value". 0, or -1 when the module
 * or the key is unknown. */
int hostConfigSet(const char *module, const char *key, const char *value);
/* Waits until every change queued so far has been carried out, hooks
 * included. */
void hostConfigDrain(void);

/* Reads a setting's current value back through the module's copy function
 * into value (within size; a null setting reads as ""). 0, or -1 when the
 * module or key is unknown or the copy failed. */
int hostConfigGet(const char *module, const char *key, char *value, int size);

/* The module name an alias stands for, within size. 0, or -1 when the alias
 * is unknown. */
int hostConfigAliasGet(const char *alias, char *name, int size);
/* A copy of the registration record of a module (by name or alias).
 * 0, or -1 when it is unknown. */
int hostConfigRegistrationGet(const char *module, moduleConfigInfo *info);

#ifdef __cplusplus
}
#endif

#endif /* HOST_CONFIG_H */
