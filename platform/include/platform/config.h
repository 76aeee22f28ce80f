/*
 * Configuration library of the phone's platform: modules register their
 * settings, the library fills the module's data block from the configuration
 * and tells the module when a setting changes.
 *
 * A module describes itself in a moduleConfigInfo record: its items (one per
 * setting, each stored at an address inside the module's data block), its
 * hooks, and the functions through which the library touches the data block.
 * The library calls them in this way:
 *   - storing values (at registration and on every change): lockFunc,
 *     resetFunc, the values written into the data block, unlockFunc; the
 *     library frees the strings it stored before;
 *   - reading the module's current values: lockFunc, copyFunc, unlockFunc,
 *     then the values are read from the copy, which copyFreeFunc releases
 *     (a null copy is accepted: the values are then unknown);
 *   - on a change at run time, on the library's own thread and with no lock
 *     of the module held: each hook entry's checkFunc (non-zero refuses the
 *     change), prepareFunc, then the values are stored, then applyFunc.
 */
#ifndef PLATFORM_CONFIG_H
#define PLATFORM_CONFIG_H

#ifdef __cplusplus
extern "C" {
#endif

/* Sizes of the text fields. */
#define CONFIG_MODULE_NAME_SIZE 32
#define CONFIG_MODULE_TAG_SIZE 16

/* Item types. A string item's value address holds a char pointer: null, or a
 * zero-terminated heap string (uMalloc) that the library stored. */
#define CONFIG_ITEM_TYPE_STRING 7
/* Item access: the value may be read and changed. */
#define CONFIG_ITEM_ACCESS_READ_WRITE 2

/* One setting: eight words on the 32-bit target. */
typedef struct moduleConfigItem {
    const char *key;      /* the setting's key as it stands in the configuration */
    void *value;          /* where the value is stored, inside the data block */
    int type;             /* CONFIG_ITEM_TYPE_STRING */
    int maxLength;        /* buffer size of the value: at most maxLength - 1 characters */
    int access;           /* CONFIG_ITEM_ACCESS_READ_WRITE */
    int reserved[3];      /* zero */
} moduleConfigItem;

typedef int (*moduleConfigHookFunc)(void);

/* Hooks for a change of the module's settings: eight words on the 32-bit
 * target. Null functions are skipped. */
typedef struct moduleConfigHook {
    const char *key;      /* the item the hooks watch; null: any item of the module */
    int flags;            /* zero */
    moduleConfigHookFunc checkFunc;   /* 0 accepts the new value */
    moduleConfigHookFunc prepareFunc; /* before the value is stored */
    moduleConfigHookFunc applyFunc;   /* after the value is stored */
    int reserved[3];      /* zero */
} moduleConfigHook;

typedef void (*moduleConfigVoidFunc)(void);
typedef void *(*moduleConfigCopyFunc)(void);
typedef void (*moduleConfigCopyFreeFunc)(void *copy);

/* One module's registration: 144 bytes on the 32-bit target. The library
 * keeps its own copy of the record; the item and hook tables, the data block
 * and the flag must stay valid for the life of the process. */
typedef struct moduleConfigInfo {
    char name[CONFIG_MODULE_NAME_SIZE];   /* module name */
    char group[CONFIG_MODULE_NAME_SIZE];  /* group of modules; empty: none */
    const moduleConfigItem *items;
    int itemCount;
    char tag[CONFIG_MODULE_TAG_SIZE];     /* empty */
    void *data;                           /* the module's data block */
    int dataSize;                         /* its size in bytes */
    const int *enabled;                   /* points to 1 while the module takes settings */
    const moduleConfigHook *hooks;
    int hookCount;
    int flags;                            /* zero */
    moduleConfigVoidFunc resetFunc;       /* clears the data block without freeing */
    moduleConfigVoidFunc reserved0;       /* null */
    moduleConfigVoidFunc reserved1;       /* null */
    moduleConfigVoidFunc lockFunc;        /* takes the module's lock, waiting without limit */
    moduleConfigVoidFunc unlockFunc;      /* gives it */
    moduleConfigCopyFunc copyFunc;        /* a copy of the data block (null when out of memory) */
    moduleConfigCopyFreeFunc copyFreeFunc; /* frees such a copy and what it holds */
    moduleConfigVoidFunc reserved2;       /* null */
} moduleConfigInfo;

/* A second name for a module. */
typedef struct moduleAliasInfo {
    char name[CONFIG_MODULE_NAME_SIZE];   /* the module's name */
    char alias[CONFIG_MODULE_NAME_SIZE];  /* the other name */
} moduleAliasInfo;

/* Starts the configuration library (after the event service). 0. */
int configModuleInit(void);

/* Registers an alias. 0, or -1 for a null record or an empty name. */
int addModuleAlias(const moduleAliasInfo *alias);

/* Registers the module and stores its current settings into its data block
 * (a setting that the configuration does not hold is stored as null). A
 * module registered again under the same name replaces its registration.
 * 0, or -1 for a record the library cannot use (null, empty name, no lock or
 * reset function, an item outside the data block or of an unknown type) or
 * out of memory. */
int moduleConfigRegister(const moduleConfigInfo *module);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_CONFIG_H */
