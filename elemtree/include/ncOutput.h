/*
 * Writing trees: XML, dot text, configuration text or a caller's own format,
 * built in one growable text and handed to the caller, a file or a
 * descriptor. No output takes the tree lock: a caller that shares the tree
 * holds it (ncLock) around the call. Writers set the numbers of custom
 * instance elements ("$N") as they go.
 */
#ifndef NC_OUTPUT_H
#define NC_OUTPUT_H

#include "ncDefs.h"
#include "ncElement.h"
#include "ncHandle.h"

NC_BEGIN_DECLS

/* Output formats. 2, 3 and 5 are written by the handle's outputElementFunc,
 * which is given the code. */
#define NC_OUTPUT_XML 0
#define NC_OUTPUT_DOT 1
#define NC_OUTPUT_TEXT 2
#define NC_OUTPUT_CONFIG_XML 3      /* with the XML declaration first */
#define NC_OUTPUT_CONFIG_TEXT 4
#define NC_OUTPUT_CONFIG_XML_BARE 5 /* without it */

/* The text grows in steps of this many bytes. */
#define NC_OUTPUT_STEP 32768

/* The output being built, handed to the writers and to the handle's output
 * hooks, which may append with ncOutputBufAppendContent. */
struct ncOutputBuf {
    int capacity;               /* bytes allocated for text */
    int used;                   /* bytes written; text is NUL-terminated there */
    char *text;
    ncHandle *handle;
    char *pathBuf;              /* 256 bytes of scratch for paths */
    char *valueBuf;             /* 256 bytes of scratch for values */
    int cfgHeaderDone;          /* configuration text: header line written */
    int format;                 /* the output format */
    ncElement *cfgEntryElement; /* configuration text: entry whose heading is in force */
};

/* *out: a new NUL-terminated text, which the caller frees with uFree. 0, or
 * -1 with *out null. An unknown format gives an empty text. */
NC_EXPORT int ncOutputToBuf(ncHandle *handle, char **out, int format);
/* XML goes to path with ".xml" added unless it ends so. 0, or -1. */
NC_EXPORT int ncOutputToFile(ncHandle *handle, const char *path, int format);
/* fd: an open descriptor, 1 to 1023; it is neither opened nor closed. */
NC_EXPORT int ncOutputToFd(ncHandle *handle, int fd, int format);
/* Appends text, enlarging as needed: the new used, 0 for an empty text, -1
 * for a null argument or when the text cannot be enlarged. */
NC_EXPORT int ncOutputBufAppendContent(ncOutputBuf *output, const char *text);
/* A new text of count blanks (free it with uFree), or null for count < 1. */
NC_EXPORT char *ncOutputCreateBlanks(int count);

NC_END_DECLS

#endif /* NC_OUTPUT_H */
