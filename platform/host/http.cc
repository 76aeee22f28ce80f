// HTTP client library stand-in on libcurl. Every kind of transfer is set up
// by one function (NewTransfer) from the options the calls of this library
// have in common; each call then decides where the response goes.
#include "host/http.h"
#include "platform/http.h"

#include <curl/curl.h>

#include <atomic>
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

void hostHttpSetObserver(hostHttpObserver observer, void *arg) {
  gObserverArg.store(arg);
  gObserver.store(observer);
}

}  // extern "C"
