// A small HTTP server on a free loopback port, for the servers the phone
// talks to in a simulation (the report server, a firmware server): each
// request goes to a handler on the server's own thread, one connection at a
// time, and is answered with what the handler gives.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace phonesim {

class LoopbackHttpServer {
 public:
  struct Request {
    std::string method;
    std::string target;  // as sent, %XX escapes and all
  };
  struct Response {
    int status = 200;
    std::string body;
    // The body goes out in pieces spread over this time, as over a slow
    // line (0: at once).
    std::chrono::milliseconds spread{0};
    // The connection is closed after this many bytes of the body, which the
    // head still announces whole: a transfer broken off.
    std::optional<size_t> cut_after;
  };
  using Handler = std::function<Response(const Request &)>;

  explicit LoopbackHttpServer(Handler handler);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer &) = delete;
  LoopbackHttpServer &operator=(const LoopbackHttpServer &) = delete;

  bool Ok() const { return port_ > 0; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string Url(std::string_view path) const;

 private:
  void Serve();
  void Answer(int connection);
  bool SendBody(int connection, const Response &response);

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// A request target with its %XX escapes undone.
std::string DecodePercent(std::string_view text);

}  // namespace phonesim
