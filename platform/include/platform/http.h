/*
 * HTTP client library of the phone's platform: one request with a result
 * callback (curlClientProcess). Downloads opened as readable descriptors
 * belong here too.
 */
#ifndef PLATFORM_HTTP_H
#define PLATFORM_HTTP_H

#ifdef __cplusplus
extern "C" {
#endif

struct curlClientRequest;

/* Called once per request with the request record and the HTTP response code
 * (200 for success); a transfer that got no response at all (connection
 * refused, time-out, bad URL) reports 0. */
typedef void (*curlClientResultFunc)(const struct curlClientRequest *request, int responseCode);

/* Methods of a request. */
#define CURL_CLIENT_METHOD_GET 2

/* One request. The caller zero-fills the record and sets the fields it uses;
 * on the 32-bit target it is 80 bytes: url at 0, connectTimeout at 8,
 * timeout at 12, resultFunc at 56, method at 60. */
typedef struct curlClientRequest {
    const char *url;              /* the whole request URL, already encoded */
    int reserved0;                /* zero */
    int connectTimeout;           /* seconds to wait for the connection; 0: the library's default */
    int timeout;                  /* seconds for the whole transfer; 0: no limit */
    int reserved1[10];            /* zero */
    curlClientResultFunc resultFunc; /* the result callback; may be null */
    int method;                   /* CURL_CLIENT_METHOD_GET */
    int reserved2[4];             /* zero */
} curlClientRequest;

/* Performs the request and calls its result callback exactly once with the
 * response code (0 when no response came: transfer failure, null URL,
 * unknown method) before it returns. The callback runs on a thread of the
 * library while this call waits for it, so the caller must hold no lock
 * that the callback takes. The record and the URL are not used after the
 * return; the response body is discarded. 0 when a response came, -1
 * otherwise; a null record gives -1 and no callback. */
int curlClientProcess(curlClientRequest *request);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_HTTP_H */
