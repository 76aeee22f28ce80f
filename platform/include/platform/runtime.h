/*
 * Platform runtime library: memory, mutual-exclusion semaphores, thread
 * identifiers, lists, text helpers, URL check, events and timers.
 *
 * The phone's platform provides this library; the host build links the
 * stand-in of platform/host. The libraries of this project rely only on what
 * each declaration below says.
 */
#ifndef PLATFORM_RUNTIME_H
#define PLATFORM_RUNTIME_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Memory ---------------------------------------------------------- */

/* A zero-filled block of at least size bytes, or null when out of memory. */
void *uMalloc(size_t size);
/* Releases a block from uMalloc; a null block is accepted and ignored. */
void uFree(void *block);

/* ---- Mutual-exclusion semaphores ------------------------------------- */

typedef struct uSemaphore *uSemId;

/* Wait without limit, for semTake. */
#define U_WAIT_FOREVER (-1)

/* A mutex whose owner may take it again (each take needs its give), or null.
 * options: 0. */
uSemId semMCreate(int options);
/* Takes the mutex. timeout: U_WAIT_FOREVER waits without limit, 0 only
 * tries, a positive value waits at most that many milliseconds.
 * 0 when taken, -1 on time-out or for a null mutex. */
int semTake(uSemId sem, int timeout);
/* Releases one take by the owner. 0, or -1 when the caller does not hold it
 * or the mutex is null. */
int semGive(uSemId sem);
/* Destroys the mutex; a null mutex is accepted. 0, or -1 for null. */
int semDelete(uSemId sem);

/* An integer identifying the calling thread, unique among live threads. */
int taskIdSelf(void);

/* ---- Lists of item pointers, indexed from 0 -------------------------- */

typedef struct uList *uListId;
typedef void (*uListFreeFunc)(void *item);
/* 0 when the item matches the key. */
typedef int (*uListCmpFunc)(const void *item, const void *key);

/* A new empty list, or null. options: 0. */
uListId uListInit(int options);
/* Adds the item at the end. 0, or -1 (absent list, out of memory). */
int uListAppend(uListId list, void *item);
/* Inserts the item before the one at index (0: at the front; the size or
 * more: at the end). 0, or -1 (absent list, negative index, out of memory). */
int uListAdd(uListId list, void *item, int index);
/* The item at index, or null past the end, for a negative index or an
 * absent list. */
void *uListGet(uListId list, int index);
/* Non-zero when index is past the last item (or negative) or the list is
 * absent; 0 while index names an item. */
int uListEol(uListId list, int index);
/* The number of items; negative for an absent list. */
int uListSize(uListId list);
/* Takes the item at index out of the list and returns it; null for a bad
 * index or an absent list. */
void *uListRemove(uListId list, int index);
/* Takes the item at index out and frees it with freeFunc (uFree when null).
 * 0, or -1 for a bad index or an absent list. */
int uListRemoveAndFree(uListId list, int index, uListFreeFunc freeFunc);
/* The index of the first item that matches: cmp(item, key) == 0, or the
 * item pointer itself equal to key when cmp is null. -1 when none matches
 * or the list is absent. */
int uListSearch(uListId list, const void *key, uListCmpFunc cmp);
/* Releases the list, not its items; a null list is accepted. */
void uListUninit(uListId list);

/* ---- Text helpers ----------------------------------------------------- */
/* Every helper that takes a size writes at most size bytes, the terminating
 * zero included, and leaves the text terminated whenever size > 0. */

/* A new copy from uMalloc, or null for a null text or out of memory. */
char *uStrGetCopy(const char *text);
/* Copies at most size - 1 characters of src and terminates. A null src
 * copies the empty text. 0, or -1 for a null dest or size < 1. */
int uStrSafeCopy(char *dest, int size, const char *src);
/* As uStrSafeCopy, copying at most n characters of src. */
int uStrnSafeCopy(char *dest, int size, const char *src, int n);
/* Appends src to the text in dest, cut so that the whole stays within size.
 * A null src appends nothing. 0, or -1 for a null dest or size < 1. */
int uStrSafeCat(char *dest, int size, const char *src);
/* Removes blanks, tabs, carriage returns and line feeds at both ends, in
 * place (the text starts at the same address). Returns text. */
char *uStrStripCrlf(char *text);
/* Removes blanks and tabs at both ends, in place. Returns text. */
char *uStrStripSpace(char *text);
/* Replaces every occurrence of key by replacement, in place, scanning left to
 * right and not rescanning replaced text. When the result would not fit in
 * size bytes it is cut at size - 1. The number of replacements, or -1 for a
 * null argument, an empty key or size < 1. */
int uStrReplaceKey(char *text, int size, const char *key, const char *replacement);
/* Escapes & < > " ' as &amp; &lt; &gt; &quot; &apos;, in place. When space runs
 * out the text ends before the first escape that does not fit whole (never in
 * the middle of one). mode: 0. 0 when everything fitted, -1 when the text was
 * cut or an argument is bad. */
int uStrReplaceXml(char *text, int size, int mode);
/* Percent-encodes in place. Mode 0 keeps the characters that structure a URL:
 * the unreserved (A-Z a-z 0-9 - . _ ~) and reserved (: / ? # [ ] @ ! $ & ' ( ) * +
 * , ; =) characters of RFC 3986, and the '%' of an existing %XX escape;
 * every other byte (blank, double quote, braces, bytes above 0x7F, control
 * characters, a stray '%') becomes %XX in upper-case hex. When space runs out
 * the text ends before the first escape that does not fit whole. 0 when
 * everything fitted, -1 when cut or an argument is bad. */
int uStrUrlEncode(char *text, int size, int mode);
/* Non-zero when the text is not empty and every character is a decimal digit. */
int uStrIsDigit(const char *text);
/* 0 when text ends with tail (exact comparison), non-zero otherwise or for a
 * null argument. */
int uStrTailCmp(const char *text, const char *tail);
/* As uStrTailCmp, without regard to ASCII case. */
int uStrTailCaseCmp(const char *text, const char *tail);

/* Non-zero when url is acceptable for a download: an absolute URL with the
 * scheme http, https, ftp or tftp (any case), "://", a non-empty host, and
 * no blank or control character anywhere. */
int uParaUrlCheck(const char *url);

/* ---- Events ------------------------------------------------------------ */

/* Called on the event service's own thread for each event it was registered
 * for: the event name, the publisher's data (may be null), the argument given
 * to uEventCare. The result is not used. */
typedef int (*uEventCallback)(const char *event, void *data, void *arg);

/* Starts event delivery; further calls do nothing. 0. */
int uEventInit(void);
/* Calls callback on each later event of that name. 0, or -1 for a null
 * argument or out of memory. */
int uEventCare(const char *event, uEventCallback callback, void *arg);

/* ---- Timers ------------------------------------------------------------ */

/* Called once on the timer service's thread with the argument given. */
typedef void (*uTimerCallback)(void *arg);

/* A one-shot timer that calls callback after the given seconds. Its
 * identifier (above 0), or -1 for a null callback or out of memory. */
int uTimerAddSec(uTimerCallback callback, void *arg, int seconds);
/* Cancels a pending timer. 0, or -1 when no such timer is pending. */
int uTimerDel(int timerId);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_RUNTIME_H */
