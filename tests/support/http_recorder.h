// A real HTTP server on loopback for tests (http_recorder.py, run by
// python3): it records each request and answers with the status codes the
// test sets. One recorder is one server process; the destructor stops it.
#ifndef TESTS_SUPPORT_HTTP_RECORDER_H
#define TESTS_SUPPORT_HTTP_RECORDER_H

#include <chrono>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace testsupport {

struct RecordedRequest {
  std::string method;
  std::string path;         // the request target as sent
  std::string decodedPath;  // the same with %XX escapes decoded
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;
  int status = 0;  // the status it was answered with

  // The first header of that name (any case), if any.
  std::optional<std::string> Header(std::string_view name) const;
};

struct HttpRecorderOptions {
  std::string root = {};      // non-empty: a 200 answer to a file's path sends the file
  std::string certFile = {};  // non-empty: HTTPS with this certificate chain (PEM)
  std::string keyFile = {};   // and this private key (PEM)
};

class HttpRecorder {
 public:
  // Starts the server on a free port of 127.0.0.1; ok() tells whether it runs.
  HttpRecorder() : HttpRecorder(HttpRecorderOptions{}) {}
  explicit HttpRecorder(const HttpRecorderOptions &options);
  ~HttpRecorder();
  HttpRecorder(const HttpRecorder &) = delete;
  HttpRecorder &operator=(const HttpRecorder &) = delete;

  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port>" (https with a certificate) followed by path.
  std::string Url(std::string_view path = "") const;

  // The next requests are answered with these codes, in order; then with
  // the default code (200 until SetDefaultStatus). True once the server
  // has taken the command.
  bool QueueStatus(std::initializer_list<int> codes);
  bool SetDefaultStatus(int code);
  // The next file sent stops after this many bytes of its body, and the
  // server drops the connection.
  bool CutNextBody(long long bytes);

  // The requests recorded and not yet taken. A request's record is written
  // before its response, so once a client has its response, the record is
  // here.
  std::vector<RecordedRequest> TakeRequests();
  // Waits up to timeout until count requests are there, then takes them
  // all (fewer on time-out).
  std::vector<RecordedRequest> WaitRequests(size_t count, std::chrono::milliseconds timeout);

 private:
  bool Command(const nlohmann::json &command);
  // Reads one output line within timeout (0: only what is there already).
  std::optional<nlohmann::json> ReadEvent(std::chrono::milliseconds timeout);
  // Keeps the request of a request event; other events are dropped.
  void Keep(const nlohmann::json &event);

  pid_t pid_ = -1;
  int toServer_ = -1;
  int fromServer_ = -1;
  int port_ = 0;
  bool tls_ = false;
  std::string buffered_;
  std::deque<RecordedRequest> requests_;
};

}  // namespace testsupport

#endif  // TESTS_SUPPORT_HTTP_RECORDER_H
