/*
 * Test controls of the HTTP client library stand-in.
 *
 * The stand-in runs each transfer with libcurl on a worker thread of its own
 * and calls the result callback there, while curlClientProcess waits for
 * both; so a caller that held a lock across the call, which the callback
 * also takes, would deadlock here as on the phone. Proxies from the
 * environment are not used. Redirects are not followed.
 *
 * curlClientReadOpen runs the download on a detached thread of its own that
 * writes the body into a local stream socket; the descriptor returned is the
 * socket's other end. The server's certificate is verified against the
 * system's CA file (/etc/ssl/certs/ca-certificates.crt on the build machine;
 * a board test adds its own CA there) and the host name must match.
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

/* What the download opens were called with: their number, and the arguments
 * of the last one (verifyPeer 1 for curlClientReadOpen, 0 for the
 * NotVerifyPeer call). The record only grows. */
typedef struct hostHttpReadOpenRecord {
    int calls;
    int verifyPeer;
    int timeout;
    int reserved0, reserved1;
    int *progress;
} hostHttpReadOpenRecord;
void hostHttpReadOpenRecordGet(hostHttpReadOpenRecord *record);
/* refused non-zero: the download opens return -1 (no transfer can be
 * started), until called again with 0. */
void hostHttpSetReadOpenRefused(int refused);

#ifdef __cplusplus
}
#endif

#endif /* HOST_HTTP_H */
