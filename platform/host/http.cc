// HTTP client library stand-in on libcurl. Every kind of transfer is set up
// by one function (NewTransfer) from the options the calls of this library
// have in common; each call then decides where the response goes.
#include "host/http.h"
#include "platform/http.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct EasyDeleter {
  void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};
using Transfer = std::unique_ptr<CURL, EasyDeleter>;

struct TransferOptions {
  const char *url;
  int connectTimeoutSec;  // 0: libcurl's default
  int timeoutSec;         // 0: no limit
  bool verifyPeer;
};

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t DiscardBody(char * /*data*/, size_t size, size_t count, void * /*arg*/) { return size * count; }

// A transfer set up for options; null when libcurl cannot make one.
Transfer NewTransfer(const TransferOptions &options) {
  GlobalInit();
  Transfer transfer(curl_easy_init());
  if (!transfer) return transfer;
  CURL *h = transfer.get();
  curl_easy_setopt(h, CURLOPT_URL, options.url);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // transfers run on threads
  curl_easy_setopt(h, CURLOPT_PROXY, "");     // the phone's client knows no environment proxy
  if (options.connectTimeoutSec > 0) curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(options.connectTimeoutSec));
  if (options.timeoutSec > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(options.timeoutSec));
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, options.verifyPeer ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, options.verifyPeer ? 2L : 0L);
  return transfer;
}

// Runs a transfer to its end: the HTTP response code, 0 when none came.
int Perform(CURL *h) {
  if (curl_easy_perform(h) != CURLE_OK) return 0;
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  return static_cast<int>(code);
}

// The response code of one curlClientProcess request.
int PerformRequest(const curlClientRequest &request) {
  if (request.url == nullptr || request.method != CURL_CLIENT_METHOD_GET) return 0;
  Transfer transfer = NewTransfer({request.url, request.connectTimeout, request.timeout, true});
  if (!transfer) return 0;
  curl_easy_setopt(transfer.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(transfer.get(), CURLOPT_WRITEFUNCTION, DiscardBody);
  return Perform(transfer.get());
}

std::atomic<hostHttpObserver> gObserver{nullptr};
std::atomic<void *> gObserverArg{nullptr};

// ---- Downloads read through a descriptor ----------------------------------
//
// The body goes into one end of a local stream socket pair, the caller reads
// the other. A socket rather than a pipe, so that a broken transfer can be
// told from a whole body: one byte lies unread in the writing end from the
// start; closing a socket with unread data makes the peer's read after the
// last byte fail with ECONNRESET. A transfer that completes takes the byte
// out before it closes, and the reader sees a plain end of stream.

constexpr size_t kBodyBufferSize = 256 * 1024;  // libcurl's receive buffer: fewer, larger writes
constexpr size_t kSocketDepth = 4 * 1024 * 1024;

struct Download {
  Transfer transfer;
  int writeEnd;
  int *progress;
  int lastPercent = -1;
};

std::mutex gReadOpenMutex;
hostHttpReadOpenRecord gReadOpenRecord{};
bool gReadOpenRefused = false;

size_t WriteBody(char *data, size_t size, size_t count, void *arg) {
  auto *download = static_cast<Download *>(arg);
  const size_t total = size * count;
  size_t done = 0;
  while (done < total) {
    const ssize_t sent = ::send(download->writeEnd, data + done, total - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return 0;  // the reader closed its end: stop the transfer
    done += static_cast<size_t>(sent);
  }
  return total;
}

int AdvanceProgress(void *arg, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto *download = static_cast<Download *>(arg);
  if (download->progress == nullptr || total <= 0) return 0;
  const int percent = static_cast<int>(now >= total ? 100 : now * 100 / total);
  if (percent != download->lastPercent) {
    download->lastPercent = percent;
    // The cell is read by other threads of the process (the upgrade screens).
    std::atomic_ref<int>(*download->progress).store(percent, std::memory_order_relaxed);
  }
  return 0;
}

void RunDownload(std::unique_ptr<Download> download) {
  const CURLcode result = curl_easy_perform(download->transfer.get());
  download->transfer.reset();
  if (result == CURLE_OK) {
    char marker;
    (void)::recv(download->writeEnd, &marker, 1, MSG_DONTWAIT);
  }
  ::close(download->writeEnd);
}

int ReadOpen(const char *url, int timeout, const char *user, const char *password, int reserved0, int reserved1,
             int *progress, bool verifyPeer) {
  {
    std::lock_guard<std::mutex> guard(gReadOpenMutex);
    hostHttpReadOpenRecord &r = gReadOpenRecord;
    ++r.calls;
    r.verifyPeer = verifyPeer ? 1 : 0;
    r.timeout = timeout;
    r.reserved0 = reserved0;
    r.reserved1 = reserved1;
    r.progress = progress;
    if (gReadOpenRefused) return -1;
  }
  if (url == nullptr) return -1;
  auto download = std::make_unique<Download>();
  download->transfer = NewTransfer({url, timeout, 0, verifyPeer});
  if (!download->transfer) return -1;
  CURL *h = download->transfer.get();
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  if (timeout > 0) {
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeout));
  }
  if (user != nullptr) {
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(h, CURLOPT_USERNAME, user);
    curl_easy_setopt(h, CURLOPT_PASSWORD, password != nullptr ? password : "");
  }
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, static_cast<long>(kBodyBufferSize));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, download.get());
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, AdvanceProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, download.get());
  download->progress = progress;

  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return -1;
  const char marker = '!';
  if (::send(ends[0], &marker, 1, MSG_NOSIGNAL) != 1) {
    ::close(ends[0]);
    ::close(ends[1]);
    return -1;
  }
  // A deep socket buffer: the transfer and the reader each move large
  // pieces at a time instead of waking each other for every few kilobytes.
  const int depth = static_cast<int>(kSocketDepth);
  (void)::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &depth, sizeof depth);
  download->writeEnd = ends[1];
  std::thread(RunDownload, std::move(download)).detach();
  return ends[0];
}

}  // namespace

extern "C" {

int curlClientProcess(curlClientRequest *request) {
  if (request == nullptr) return -1;
  if (hostHttpObserver observer = gObserver.load()) observer(request, gObserverArg.load());
  int code = 0;
  std::thread worker([request, &code] {
    code = PerformRequest(*request);
    if (request->resultFunc != nullptr) request->resultFunc(request, code);
  });
  worker.join();
  return code != 0 ? 0 : -1;
}

int curlSerivceInit(void) {
  GlobalInit();
  return 0;
}

int curlClientReadOpen(const char *url, int timeout, const char *user, const char *password, int reserved0,
                       int reserved1, int *progress) {
  return ReadOpen(url, timeout, user, password, reserved0, reserved1, progress, true);
}

int curlClientReadOpenNotVerifyPeer(const char *url, int timeout, const char *user, const char *password,
                                    int reserved0, int reserved1, int *progress) {
  return ReadOpen(url, timeout, user, password, reserved0, reserved1, progress, false);
}

void hostHttpSetReadOpenRefused(int refused) {
  std::lock_guard<std::mutex> guard(gReadOpenMutex);
  gReadOpenRefused = refused != 0;
}

void hostHttpReadOpenRecordGet(hostHttpReadOpenRecord *record) {
  if (record == nullptr) return;
  std::lock_guard<std::mutex> guard(gReadOpenMutex);
  *record = gReadOpenRecord;
}

void hostHttpSetObserver(hostHttpObserver observer, void *arg) {
  gObserverArg.store(arg);
  gObserver.store(observer);
}

}  // extern "C"
