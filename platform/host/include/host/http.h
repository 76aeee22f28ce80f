/*
 * Test controls of the HTTP client library stand-in.
 *
 * The stand-in runs each transfer with libcurl on a worker thread of its own
 * and calls the result callback there, while curlClientProcess waits for
 * both; so a caller that held a lock across the call, which the callback
 * also takes, would deadlock here as on the phone. Proxies from the
 * environment are not used. Redirects are not followed.
 */
#ifndef HOST_HTTP_H
#define HOST_HTTP_H

#include "platform/http.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the caller's thread at the start of each curlClientProcess,
 * before the transfer (null: none). */
typedef void (*hostHttpObserver)(const curlClientRequest *request, void *arg);
void hostHttpSetObserver(hostHttpObserver observer, void *arg);

#ifdef __cplusplus
}
#endif

#endif /* HOST_HTTP_H */
