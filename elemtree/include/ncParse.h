/*
 * Reading trees: the dot text format and XML, from a text buffer, a file or
 * an open descriptor, merged into the tree a handle already holds. A parse
 * takes no lock; a handle is parsed by one thread at a time.
 */
#ifndef NC_PARSE_H
#define NC_PARSE_H

#include "ncDefs.h"
#include "ncElement.h"
#include "ncHandle.h"

NC_BEGIN_DECLS

/* Input formats (ncHandle.parseFormat); any other value is a format of the
 * caller's, read by the handle's parseFunc. */
#define NC_FORMAT_XML 0
#define NC_FORMAT_DOT 1

/* Data sources (ncHandle.readSourceType). */
#define NC_SOURCE_BUFFER 0 /* readSource: a NUL-terminated text */
#define NC_SOURCE_FILE 1   /* readSource: an open FILE stream */
#define NC_SOURCE_FD 2     /* readSource: a descriptor number, 1 to 1023 */

/* Open start tags of an XML document may enter at most this many levels of
 * the tree in all; a deeper document is rejected. */
#define NC_XML_LEVEL_STACK 20

/* The state of one XML parse, handed to the tag handlers. */
typedef struct ncXmlParseState {
    ncHandle *handle;
    ncElement *current;      /* the next start tag is matched against its children */
    ncElement *valueElement; /* character data goes to it */
    int depth;               /* levels entered by the start tags still open */
    int levelStack[NC_XML_LEVEL_STACK]; /* [d]: levels of the tag that brought depth to d */
} ncXmlParseState;

/* Reads with the handle's parse settings (parseFormat, readSource,
 * readSourceType, readFunc). 0, or -1. parseFinishedFunc runs once at the end
 * of every parse that got under way. */
NC_EXPORT int ncParse(ncHandle *handle);
/* buffer: a NUL-terminated text. A readFunc the caller set stays in force. */
NC_EXPORT int ncParseFromBuf(ncHandle *handle, const char *buffer, int format);
/* fd: an open descriptor, 1 to 1023, read until its end or a 5-second silence. */
NC_EXPORT int ncParseFromFd(ncHandle *handle, int fd, int format);
NC_EXPORT int ncParseFromFile(ncHandle *handle, const char *path, int format);
/* Calls the handle's parseFinishedFunc, if any. */
NC_EXPORT void ncParseFinished(ncHandle *handle);

/* Dot text: one element per line, "name(param, ...) = value?key=value, ...".
 * ncParseDot applies the complete lines of text and returns the bytes it
 * consumed (-1 for a null argument). */
NC_EXPORT int ncParseDot(ncHandle *handle, char *text);
/* The dotted name of a line, stripped, cut to size - 1 bytes. */
NC_EXPORT void ncParseDotName(const char *line, char *output, int size);
NC_EXPORT void ncParseDotElementParam(ncElement *element, const char *line);
NC_EXPORT void ncParseDotElementValue(ncHandle *handle, ncElement *element, const char *line);
NC_EXPORT void ncParseDotElementAttr(ncElement *element, const char *line);

/* XML: the value of the attribute called name in an attribute array of the
 * XML parser (name, value, name, value, ..., null), or null. */
NC_EXPORT const char *ncXmlAttrGetByName(const char **attributes, const char *name);
/* Selects or creates the instance of a table element that a repeated tag
 * stands for (attributes: the tag's; mode: the handle's initState, where 2
 * keeps a plain element from becoming a table). The instance, or null. */
NC_EXPORT ncElement *ncXmlParseAddInstanceChildElement(ncElement *element, const char **attributes, int mode);

NC_END_DECLS

#endif /* NC_PARSE_H */
