/*
 * HTTP client library of the phone's platform: one request with a result
 * callback (curlClientProcess), and downloads opened as readable descriptors
 * (curlClientReadOpen).
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

/* Prepares the HTTP service for the downloads that follow; further calls do
 * nothing. 0. */
int curlSerivceInit(void);

/* Starts a GET of url and returns at once a descriptor from which the
 * response body is read as a byte stream, while the transfer runs on a
 * thread of the library; the caller closes the descriptor (closing it early
 * stops the transfer).
 *   timeout   seconds to wait for the connection, and for the transfer to
 *             move again when it stalls (10 for the firmware download); 0:
 *             the library's defaults
 *   user, password   HTTP basic authentication when user is not null (a null
 *             password is the empty one)
 *   reserved0, reserved1   0
 *   progress  a cell advanced to the percentage of the announced length
 *             received (0-100, whole values); may be null
 * The stream ends at the end of the body. When the transfer fails (an HTTP
 * error status of 400 or above, which delivers no byte; a connection refused,
 * lost or timed out; a certificate refused) the read after the last byte
 * received fails with ECONNRESET instead, so that a reader tells a cut-off
 * body from a whole one. The server's certificate and name are verified
 * against the system's CA store.
 * The descriptor (0 or more), or -1 for a null URL or when no transfer can be
 * started. */
int curlClientReadOpen(const char *url, int timeout, const char *user, const char *password, int reserved0,
                       int reserved1, int *progress);
/* As curlClientReadOpen, without verifying the server's certificate or
 * name. */
int curlClientReadOpenNotVerifyPeer(const char *url, int timeout, const char *user, const char *password,
                                    int reserved0, int reserved1, int *progress);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_HTTP_H */
