/*
 * Trees and their handles, the library's life cycle, locks and per-thread
 * error codes.
 *
 * The modules that use a tree set the hook fields directly in the handle, so
 * the field order below is part of the interface: every field is one machine
 * word (the integer fields are long, 32 bits on the phone).
 */
#ifndef NC_HANDLE_H
#define NC_HANDLE_H

#include "ncDefs.h"
#include "ncElement.h"
#include "platform/runtime.h"

NC_BEGIN_DECLS

typedef struct ncHandle ncHandle;
/* The output record that the writers fill and the output hooks receive. */
typedef struct ncOutputBuf ncOutputBuf;

/* Delivers the next piece of input: (source type, source, bytes consumed so
 * far, destination, capacity); the number of bytes delivered, below 1 at the end. */
typedef int (*ncReadFunc)(int sourceType, void *source, int offset, char *destination, int capacity);
/* Parser of a caller-defined format: the number of bytes of text consumed,
 * below 1 on failure. */
typedef int (*ncParseFunc)(ncHandle *handle, char *text);
/* Called once when a parse ends. */
typedef void (*ncParseFinishedFunc)(ncHandle *handle);
/* Writes one element in a caller-defined format at position, at most
 * freeBytes; phase 0 before the children, 1 after them. Bytes written. */
typedef int (*ncOutputElementFunc)(ncElement *element, char *position, int freeBytes, int format, int phase);
/* 0 when an element name and a tag name stand for the same element. */
typedef int (*ncNameMatchFunc)(const char *elementName, const char *tagName);
/* Called before the writers write an element; 0 when the hook has written it
 * and its subtree. arg depends on the writer. */
typedef int (*ncOutputRecursiveFunc)(ncElement *element, ncOutputBuf *output, ncWord arg);
/* Maps a dot name (with the element's stored value) to the real dot name in
 * output (size bytes); -1 on failure. */
typedef int (*ncRealDotNameFunc)(const char *dotName, const char *value, char *output, int size);

struct ncHandle {
    uSemId sem;                      /* the tree lock */
    char *name;                      /* owned */
    ncElement *root;                 /* owned; null until the first element */
    long initState;                  /* 1 after creation; see ncSetInitState */
    long addMode;                    /* 0 after creation */
    void *reserved1;                 /* not used by the library */
    void *reserved2;                 /* not used by the library */
    long parseFormat;                /* 0 XML, 1 dot text, other: parseFunc */
    void *readSource;                /* buffer, file stream or descriptor */
    long readSourceType;             /* 0 buffer, 1 file stream, 2 descriptor */
    ncReadFunc readFunc;
    void *reserved3;                 /* not used by the library */
    ncParseFunc parseFunc;
    ncParseFinishedFunc parseFinishedFunc;
    ncOutputElementFunc outputElementFunc;
    void *reserved4;                 /* not used by the library */
    ncNameMatchFunc nameMatchFunc;
    ncOutputRecursiveFunc outputRecursiveFunc;
    ncRealDotNameFunc realDotNameFunc;
};

/* Per-thread error codes (ncSetError, ncGetError). Codes are never cleared. */
#define NC_ERR_NO_TREE 1        /* no registered tree has the name's first component */
#define NC_ERR_NO_ELEMENT 2     /* the tree has no element of that dotted name */
#define NC_ERR_INVALID_PARAM 4  /* empty dotted name, malformed call text */
#define NC_ERR_NOT_EXECUTABLE 5 /* the element has no execFunc */
#define NC_ERR_LIST_NOT_READY 6 /* ncGetError: the library is not initialised */
#define NC_ERR_NONE_RECORDED 7  /* ncGetError: this thread never set an error */

/* Once per process, before anything else; a second call does nothing. */
NC_EXPORT void ncInit(void);
/* Destroys every registered tree left and returns to the uninitialised state. */
NC_EXPORT void ncUninit(void);

/* The registered tree of that name, made when there is none. The name is
 * stored without blanks and line breaks at both ends and should hold no '.'. */
NC_EXPORT ncHandle *ncCreate(const char *name);
/* A new tree that no dotted name reaches: used through the handle alone. */
NC_EXPORT ncHandle *ncCreatePrivate(const char *name);
/* Destroys the tree and its handle; the hooks are not called. */
NC_EXPORT void ncDestroy(ncHandle *handle);
/* The registered tree named by the first component of dotName, or null. */
NC_EXPORT ncHandle *ncFindHandleByName(const char *dotName);
NC_EXPORT void ncSetInitState(ncHandle *handle, int state);
NC_EXPORT ncElement *ncGetRootElement(ncHandle *handle);

/* Holds the tree lock around element, path and output operations, which take
 * none. The owner may take it again; each ncLock needs its ncUnlock. */
NC_EXPORT int ncLock(ncHandle *handle);
NC_EXPORT void ncUnlock(ncHandle *handle);

NC_EXPORT void ncSetError(int code);
NC_EXPORT int ncGetError(void);

NC_END_DECLS

#endif /* NC_HANDLE_H */
