/*
 * Executable elements and calls by dotted name. A module registers a function
 * on a dotted name with its declaration (such as "int reboot(int delay)");
 * others call it by that name with word arguments, or with text arguments
 * converted by the declared parameter types. Value access and instance
 * deletion by dotted name run the element hooks under the tree lock.
 */
#ifndef NC_EXEC_H
#define NC_EXEC_H

#include "ncDefs.h"
#include "ncElement.h"
#include "platform/runtime.h"

NC_BEGIN_DECLS

/* Most arguments a registered function takes. */
#define NC_MAX_CALL_ARGS 6

NC_EXPORT int ncRegisterExecElement(const char *dotName, const char *declaration, ncExecFunc function);
/* Calls function with exactly count words read from list (items point to
 * ncWord cells; a missing item reads 0). */
NC_EXPORT const char *ncCallApi(ncExecFunc function, int count, uListId list);
/* Calls the element's function with the texts of list (char * items),
 * integers for parameters declared int, short or long, text addresses for the
 * others; the result is also stored as the element's value. */
NC_EXPORT const char *ncShellCallApi(ncElement *element, uListId texts);
/* call: the dotted name, optionally followed by '(' and anything. */
NC_EXPORT const char *ncRpcCall(const char *call, ncWord *words, int count);
/* format: a dotted name and '(' ')' holding one conversion per argument:
 * %d, %x, %X (int), %ld (long), %s (pointer). */
NC_EXPORT const char *ncExecute(const char *format, ...);

NC_EXPORT int ncGetValue(const char *dotName, char *buffer, int size);
NC_EXPORT int ncSetValue(const char *dotName, const char *value);
/* dotName ending in '.': every instance below the element. */
NC_EXPORT int ncDelInstance(const char *dotName);

NC_END_DECLS

#endif /* NC_EXEC_H */
