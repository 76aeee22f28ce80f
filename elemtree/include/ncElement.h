/*
 * Elements and attributes: the nodes of every tree the library holds, and the
 * operations on one element. None of them takes a lock: a caller that shares
 * a tree between threads holds the tree lock (ncLock) around them.
 *
 * The modules that own a tree set the hooks setFunc, getFunc and delFunc
 * directly in the record, so the field order below is part of the interface:
 * every field is one machine word.
 */
#ifndef NC_ELEMENT_H
#define NC_ELEMENT_H

#include "ncDefs.h"
#include "platform/runtime.h"

NC_BEGIN_DECLS

/* A registered function: up to six word arguments (int, long or pointer), as
 * many as its declaration has parameters, and a text result that may be null
 * and is never freed by the library. The type leaves the parameters open, so
 * that a function of any such signature is stored as it is. */
#ifdef __cplusplus
typedef const char *(*ncExecFunc)(...);
#else
typedef const char *(*ncExecFunc)();
#endif
/* Value-applied hook: (full dot name, value). The result is not used. */
typedef int (*ncSetFunc)(const char *dotName, const char *value);
/* Value-fetch hook: writes the current value of dotName, as text, into
 * buffer (size bytes, terminating zero included). The result is not used. */
typedef int (*ncGetFunc)(const char *dotName, char *buffer, int size);
/* Delete hook: an instance named by dotName is deleted. The result is not used. */
typedef int (*ncDelFunc)(const char *dotName);

typedef struct ncElement {
    char *name;               /* owned; never holds a blank */
    char *value;              /* owned, or null until a value is set */
    uListId attrList;         /* owned list of ncAttr, in the order added */
    struct ncElement *parent; /* borrowed; null for a root */
    uListId childList;        /* owned list of ncElement, in the order added */
    ncExecFunc execFunc;      /* set by ncRegisterExecElement */
    ncSetFunc setFunc;
    ncGetFunc getFunc;
    ncDelFunc delFunc;
} ncElement;

typedef struct ncAttr {
    char *key;   /* owned, stored unchanged */
    char *value; /* owned; an empty text is stored as null */
} ncAttr;

/* Attribute keys reserved for the modules that use the library. */
extern NC_EXPORT int gReserveKeyNum;

NC_EXPORT ncElement *ncCreateElement(const char *name);
/* Destroys one element, not its children (it says so in the log when some
 * are left). The element is not taken out of its parent's child list. */
NC_EXPORT void ncDestroyElement(ncElement *element);
/* Destroys the element and its whole subtree, children first. */
NC_EXPORT void ncRecursiveDestroyElement(ncElement *element);

/* Texts returned by the getters belong to the element: valid until its name,
 * value or that attribute changes or the element is destroyed. */
NC_EXPORT const char *ncGetElementAttr(ncElement *element, const char *key);
/* The key "param" may repeat (a value already held is not added again);
 * other keys occur once. 0, or -1. */
NC_EXPORT int ncSetElementAttr(ncElement *element, const char *key, const char *value);
NC_EXPORT int ncRemoveElementAttr(ncElement *element, const char *key);
NC_EXPORT int ncGetElementAttrNum(ncElement *element);
NC_EXPORT int ncGetElementParamAttrNum(ncElement *element);

NC_EXPORT const char *ncGetElementName(ncElement *element);
NC_EXPORT int ncSetElementName(ncElement *element, const char *name);
NC_EXPORT const char *ncGetElementValue(ncElement *element);
/* Stores a copy without blanks and line breaks at both ends; hooks are not
 * called. 0, or -1. */
NC_EXPORT int ncSetElementValue(ncElement *element, const char *value);

NC_EXPORT int ncElementAddChild(ncElement *parent, ncElement *child);
NC_EXPORT void ncElementShow(ncElement *element);
/* 1 for a root, 1 more for each ancestor; 0 for a null element. */
NC_EXPORT int ncGetElementDeepth(ncElement *element);

NC_END_DECLS

#endif /* NC_ELEMENT_H */
