/*
 * Dotted names, paths and search. A dotted name joins the names of the
 * elements from the root down with '.', such as cfg.net.port; its first
 * component names the tree (exactly) and its root. Names below the root
 * compare without regard to case; a custom instance element "$N" stands for
 * numbered instances and shows its current number in paths.
 *
 * Only ncGetElementByName and ncAddElementByName take a lock (the tree lock
 * of their handle).
 */
#ifndef NC_PATH_H
#define NC_PATH_H

#include "ncDefs.h"
#include "ncElement.h"
#include "ncHandle.h"
#include "platform/runtime.h"

NC_BEGIN_DECLS

/* Flags of ncGetElementDotDescription. */
#define NC_DOT_VALUE 2 /* the value, or the parameter list of an executable element */
#define NC_DOT_ATTR 4  /* the attributes */

/* Inserts the element's ancestors at the front of list: root first, parent last. */
NC_EXPORT void ncComposeElementPath(ncElement *element, uListId list);
/* Writes the ancestor path ("a.b." for a.b.c) into buffer; its length, which
 * is size or more when the text was cut. */
NC_EXPORT int ncGetElementAncestorPath(ncElement *element, char *buffer, int size);
/* *text: a new 256-byte block with the full dot name, which the caller frees
 * with uFree; *size (may be null): 256. The length of the name part. */
NC_EXPORT int ncGetElementDotName(ncElement *element, char **text, int *size);
/* Writes the first component of dotName (cut to size - 1 characters). */
NC_EXPORT void ncGetElementNameFromDotName(const char *dotName, char *buffer, int size);
/* One line of dot text, without line end; its length (size or more: cut). */
NC_EXPORT int ncGetElementDotDescription(ncElement *element, char *buffer, int size, int flags);

NC_EXPORT ncElement *ncSearchElement(ncElement *start, const char *dotName);
/* Finds or creates every element along dotName from start, whose name is
 * the first component; the last one, or null. */
NC_EXPORT ncElement *ncElementAddByName(ncElement *start, const char *dotName);
NC_EXPORT ncElement *ncGetElementByName(ncHandle *handle, const char *dotName);
NC_EXPORT ncElement *ncAddElementByName(ncHandle *handle, const char *dotName);
/* Hands the element's value to its setFunc with its full dot name. */
NC_EXPORT void ncElementValueTakeEffect(ncElement *element);

NC_END_DECLS

#endif /* NC_PATH_H */
